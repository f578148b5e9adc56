#include "address_space.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace wayfarer::platform {

namespace {

AddressSpace spaceOfIpv4(std::uint32_t address) {
    const auto in = [address](std::uint32_t network, int bits) { return (address >> (32 - bits)) == (network >> (32 - bits)); };
    const bool local = in(0x00000000, 8)        // 0.0.0.0/8, "this network", 0.0.0.0 reaching this machine
                       || in(0x7f000000, 8)     // 127.0.0.0/8
                       || in(0x0a000000, 8)     // 10.0.0.0/8
                       || in(0xac100000, 12)    // 172.16.0.0/12
                       || in(0xc0a80000, 16)    // 192.168.0.0/16
                       || in(0xa9fe0000, 16)    // 169.254.0.0/16
                       || in(0x64400000, 10)    // 100.64.0.0/10, carrier-grade NAT and VPN overlays
                       || in(0xe0000000, 3);    // 224.0.0.0/4 multicast, 240.0.0.0/4 and broadcast
    return local ? AddressSpace::local : AddressSpace::internet;
}

std::uint32_t ipv4At(const in6_addr& address, int offset) {
    std::uint32_t v4 = 0;
    std::memcpy(&v4, address.s6_addr + offset, sizeof v4);
    return ntohl(v4);
}

AddressSpace spaceOfIpv6(const in6_addr& address) {
    static constexpr std::uint8_t nat64[12] = {0x00, 0x64, 0xff, 0x9b};
    // ::ffff:a.b.c.d, ::a.b.c.d and 64:ff9b::a.b.c.d (NAT64) reach the IPv4 address they embed.
    if (IN6_IS_ADDR_V4MAPPED(&address) || IN6_IS_ADDR_V4COMPAT(&address) || std::memcmp(address.s6_addr, nat64, 12) == 0)
        return spaceOfIpv4(ipv4At(address, 12));
    if (address.s6_addr[0] == 0x20 && address.s6_addr[1] == 0x02)  // 2002:a.b.c.d::/48, 6to4
        return spaceOfIpv4(ipv4At(address, 2));
    const bool local = IN6_IS_ADDR_UNSPECIFIED(&address) || IN6_IS_ADDR_LOOPBACK(&address) ||
                       (address.s6_addr[0] & 0xfe) == 0xfc                                // fc00::/7
                       || (address.s6_addr[0] == 0xfe && (address.s6_addr[1] & 0x80) == 0x80)  // fe80::/10, fec0::/10
                       || address.s6_addr[0] == 0xff;                                     // ff00::/8 multicast
    return local ? AddressSpace::local : AddressSpace::internet;
}

}

AddressSpace addressSpaceOf(const sockaddr& address) {
    if (address.sa_family == AF_INET) {
        sockaddr_in v4{};
        std::memcpy(&v4, &address, sizeof v4);
        return spaceOfIpv4(ntohl(v4.sin_addr.s_addr));
    }
    if (address.sa_family == AF_INET6) {
        sockaddr_in6 v6{};
        std::memcpy(&v6, &address, sizeof v6);
        return spaceOfIpv6(v6.sin6_addr);
    }
    return AddressSpace::local;
}

AddressSpace addressSpaceOf(std::string_view numericAddress) {
    const std::string text(numericAddress);
    in_addr v4{};
    if (inet_pton(AF_INET, text.c_str(), &v4) == 1)
        return spaceOfIpv4(ntohl(v4.s_addr));
    in6_addr v6{};
    if (inet_pton(AF_INET6, text.c_str(), &v6) == 1)
        return spaceOfIpv6(v6);
    return AddressSpace::local;
}

}
