#pragma once

#include <atomic>
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <thread>

namespace wayfarer::bench {

// What a network path costs: the round-trip time, and the bandwidth of each direction.
struct LinkProfile {
    std::string name;
    std::chrono::microseconds roundTrip{0};
    double bitsPerSecond = 1e9;
};

// A TCP relay on loopback that makes a connection to it behave as if it crossed `link`:
// each direction is paced to the bandwidth (a byte leaves when the ones before it have
// been sent) and delayed by half the round trip, and what a client sends first waits one
// round trip more, as a TCP handshake would make it. It stands in for netem, which these
// kernels lack. It ends TCP on both sides, so neither end sees slow start or loss: only
// the delay, the bandwidth and the windows of the protocols above TCP (TLS, HTTP/2).
class ShapingRelay {
public:
    // Relays every connection made to port() on to 127.0.0.1:targetPort. Throws when it
    // cannot listen.
    ShapingRelay(int targetPort, LinkProfile link);
    // Closes every connection and joins the relay's thread.
    ~ShapingRelay();
    ShapingRelay(const ShapingRelay&) = delete;
    ShapingRelay& operator=(const ShapingRelay&) = delete;

    int port() const { return port_; }
    const LinkProfile& link() const { return link_; }

    // Payload bytes delivered each way and connections accepted, since the relay started.
    struct Counters {
        std::uint64_t bytesUp = 0;    // client to server
        std::uint64_t bytesDown = 0;  // server to client
        std::uint64_t connections = 0;
        friend Counters operator-(const Counters& a, const Counters& b) {
            return {a.bytesUp - b.bytesUp, a.bytesDown - b.bytesDown, a.connections - b.connections};
        }
    };
    Counters counters() const;

    struct Impl;

private:
    LinkProfile link_;
    int port_ = 0;
    std::unique_ptr<Impl> impl_;
    std::thread thread_;
};

}
