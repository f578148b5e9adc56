#include "fault_injector.h"

namespace wayfarer::service {

FaultInjector::Fault FaultInjector::next() {
    if (rate_ <= 0)
        return Fault::none;
    std::lock_guard lock(mutex_);
    std::uniform_real_distribution<double> draw(0.0, 1.0);
    if (draw(random_) >= rate_)
        return Fault::none;
    return random_() % 2 == 0 ? Fault::serverError : Fault::connectionReset;
}

}
