#include "bench/shaping_relay.h"
#include "tests/support/test_server.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace wayfarer::bench {
namespace {

using namespace std::chrono_literals;

// Everything until the peer's FIN.
std::string readToEnd(int fd) {
    std::string bytes;
    char buffer[64 * 1024];
    for (ssize_t got; (got = ::recv(fd, buffer, sizeof buffer, 0)) > 0;)
        bytes.append(buffer, static_cast<std::size_t>(got));
    return bytes;
}

std::string pattern(std::size_t size, int seed) {
    std::string bytes(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>((i * 131 + static_cast<std::size_t>(seed)) % 251);
    return bytes;
}

TEST(ShapingRelay, CarriesEveryByteBothWaysInOrderAndPassesOnEachEnd) {
    int serverPort = 0, unused = 0;
    const int listener = testing::loopbackSocket(serverPort, 4);
    ShapingRelay relay(serverPort, LinkProfile{"test", 2ms, 1e9});
    const int client = testing::loopbackSocket(unused, 0);
    sockaddr_in relayAddress{AF_INET, htons(static_cast<std::uint16_t>(relay.port())), {htonl(INADDR_LOOPBACK)}, {}};
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&relayAddress), sizeof relayAddress), 0);
    const int server = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    // Each side writes all, then half-closes; the other reads to that end meanwhile.
    const std::string up = pattern(1 << 20, 1), down = pattern(3 << 19, 2);
    std::thread clientSide([&] {
        testing::RawServer::send(client, up);
        ::shutdown(client, SHUT_WR);
    });
    std::thread serverSide([&] {
        testing::RawServer::send(server, down);
        ::shutdown(server, SHUT_WR);
    });
    const std::string atServer = readToEnd(server);
    const std::string atClient = readToEnd(client);
    clientSide.join();
    serverSide.join();
    EXPECT_TRUE(atServer == up) << atServer.size() << " bytes of " << up.size();
    EXPECT_TRUE(atClient == down) << atClient.size() << " bytes of " << down.size();
    const auto counted = relay.counters();
    EXPECT_EQ(counted.bytesUp, up.size());
    EXPECT_EQ(counted.bytesDown, down.size());
    EXPECT_EQ(counted.connections, 1u);
    for (const int fd : {client, server, listener})
        ::close(fd);
}

}
}
