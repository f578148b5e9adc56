#pragma once

#include <string_view>

struct sockaddr;

namespace wayfarer::platform {

// Which side of the address policy an address is on: this machine and the networks only
// it reaches (loopback, private RFC 1918 and IPv6 unique-local, link-local, unspecified),
// or the internet. A server on the internet may not aim the client at the local side.
enum class AddressSpace { local, internet };

// The space of an IPv4 or IPv6 socket address; an IPv4-mapped IPv6 address counts as its
// IPv4 address, any other family as local.
AddressSpace addressSpaceOf(const sockaddr& address);
// The same for a numeric address as text (as CURLINFO_PRIMARY_IP gives it); text that is
// no address counts as local.
AddressSpace addressSpaceOf(std::string_view numericAddress);

}
