#pragma once

#include <cstdint>
#include <mutex>
#include <random>

namespace wayfarer::service {

// Per-answer failure draw for simulating a flaky service; deterministic in (rate, seed)
// for a given request order.
class FaultInjector {
public:
    enum class Fault { none, serverError, connectionReset };

    FaultInjector(double rate, std::uint64_t seed) : rate_(rate), random_(seed) {}

    Fault next();

private:
    const double rate_;
    std::mutex mutex_;
    std::mt19937_64 random_;
};

}
