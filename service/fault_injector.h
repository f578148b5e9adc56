#pragma once

#include <cstdint>
#include <mutex>
#include <random>

namespace wayfarer::service {

// Decides, answer by answer, which ones fail, for demos and tests of a flaky service. The
// same rate and seed give the same sequence of faults for the same order of requests.
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
