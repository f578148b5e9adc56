#include "bench/shaping_relay.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace wayfarer::bench {
namespace {

using namespace std::chrono_literals;

sockaddr_in loopback(int port) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    return address;
}

void sendAll(int fd, const std::string& bytes) {
    for (std::size_t sent = 0; sent < bytes.size();) {
        const ssize_t wrote = ::send(fd, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        ASSERT_GT(wrote, 0);
        sent += static_cast<std::size_t>(wrote);
    }
}

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
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address = loopback(0);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    ShapingRelay relay(ntohs(address.sin_port), LinkProfile{"test", 2ms, 1e9});

    const std::string up = pattern(1 << 20, 1), down = pattern(3 << 19, 2);
    const int client = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const sockaddr_in relayAddress = loopback(relay.port());
    ASSERT_EQ(::connect(client, reinterpret_cast<const sockaddr*>(&relayAddress), sizeof relayAddress), 0);
    const int server = ::accept(listener, nullptr, nullptr);
    ASSERT_GE(server, 0);
    // Each side writes all, then half-closes; the other reads to that end meanwhile.
    std::thread clientSide([&] {
        sendAll(client, up);
        ::shutdown(client, SHUT_WR);
    });
    std::thread serverSide([&] {
        sendAll(server, down);
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
