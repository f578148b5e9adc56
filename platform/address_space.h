#pragma once

#include <string_view>

struct sockaddr;

namespace wayfarer::platform {

// local: loopback, RFC 1918, IPv6 ULA (fc00::/7), link-local and unspecified; internet:
// the rest. An internet server may not redirect or point the client at a local address.
enum class AddressSpace { local, internet };

// ::ffff:a.b.c.d counts as its IPv4 address; a family other than AF_INET/AF_INET6 is local.
AddressSpace addressSpaceOf(const sockaddr& address);
// For CURLINFO_PRIMARY_IP-style text; unparseable text is local (fail closed).
AddressSpace addressSpaceOf(std::string_view numericAddress);

}
