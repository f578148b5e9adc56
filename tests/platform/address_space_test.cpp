#include "platform/address_space.h"

#include <netdb.h>
#include <sys/socket.h>

#include <gtest/gtest.h>

namespace wayfarer::platform {
namespace {

// Each row is read both as text and as the socket address the resolver makes of it.
TEST(AddressSpace, SortsEachRangeToItsEdges) {
    using enum AddressSpace;
    const std::pair<const char*, AddressSpace> cases[] = {
        {"127.0.0.1", local}, {"127.255.255.254", local}, {"128.0.0.1", internet}, {"126.255.255.255", internet},
        {"10.0.0.1", local}, {"11.0.0.1", internet}, {"9.255.255.255", internet},
        {"172.16.0.1", local}, {"172.31.255.255", local}, {"172.15.255.255", internet}, {"172.32.0.0", internet},
        {"192.168.1.1", local}, {"192.169.0.1", internet}, {"192.167.255.255", internet},
        {"169.254.1.2", local}, {"169.255.0.1", internet},
        {"0.0.0.0", local}, {"1.0.0.0", internet}, {"192.0.2.10", internet}, {"8.8.8.8", internet},
        {"100.64.0.1", local}, {"100.127.255.255", local}, {"100.63.255.255", internet}, {"100.128.0.0", internet},
        {"224.0.0.1", local}, {"255.255.255.255", local}, {"223.255.255.255", internet},
        {"::1", local}, {"::", local}, {"::1:0:0:1", internet},
        {"fc00::1", local}, {"fdff:ffff::1", local}, {"fe00::1", internet}, {"fbff::1", internet},
        {"fe80::1", local}, {"febf::1", local}, {"fec0::1", local}, {"ff02::1", local},
        {"::ffff:127.0.0.1", local}, {"::ffff:10.1.2.3", local}, {"::ffff:8.8.8.8", internet},
        {"::127.0.0.1", local}, {"::8.8.8.8", internet}, {"64:ff9b::10.1.2.3", local}, {"64:ff9b::8.8.8.8", internet},
        {"2002:c0a8:101::1", local}, {"2002:808:808::1", internet}, {"2003::1", internet},
        {"2001:db8::1", internet}, {"2a00:1450::1", internet},
    };
    for (const auto& [text, space] : cases) {
        EXPECT_EQ(addressSpaceOf(text), space) << text;
        addrinfo hints{};
        hints.ai_flags = AI_NUMERICHOST;
        addrinfo* found = nullptr;
        ASSERT_EQ(getaddrinfo(text, nullptr, &hints, &found), 0) << text;
        EXPECT_EQ(addressSpaceOf(*found->ai_addr), space) << text;
        freeaddrinfo(found);
    }
    EXPECT_EQ(addressSpaceOf("not an address"), local) << "what cannot be read is not trusted to be far";
}

}
}
