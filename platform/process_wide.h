#pragma once

#include "result.h"

#include <atomic>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

namespace wayfarer::platform {

// A process-wide T, made on first use from the options set before that use (default
// options when none were), and never destroyed: other threads may still use it while
// static destructors run at exit. Safe from any thread.
//
// Constant-initialised (declare it `constinit`), so that it is ready before any other
// static object that may ask for it; `Options` is not made until the T is, since making
// the default options may itself reach other process-wide objects.
template <typename T, typename Options> class ProcessWide {
public:
    using Make = T (*)(Options);

    constexpr explicit ProcessWide(Make make) : make_(make) {}
    ProcessWide(const ProcessWide&) = delete;
    ProcessWide& operator=(const ProcessWide&) = delete;

    // Takes effect only before the first call of get(); fails once the T is made.
    Result<void> configure(Options options) {
        std::lock_guard lock(mutex_);
        if (made_)
            return Error{ErrorCode::unknown, "already in use: configure it before its first use"};
        options_ = std::move(options);
        return {};
    }

    T& get() {
        std::call_once(once_, [this] {
            std::optional<Options> options;
            {
                std::lock_guard lock(mutex_);
                made_ = true;
                options.swap(options_);
            }
            T* made = new (storage_) T(make_(options ? std::move(*options) : Options{}));
            object_.store(made, std::memory_order_release);
        });
        return *object_.load(std::memory_order_acquire);
    }

    // The T when it has been made, or null; never makes it.
    T* ifMade() const { return object_.load(std::memory_order_acquire); }

private:
    Make make_;
    std::once_flag once_;
    std::mutex mutex_;
    bool made_ = false;
    std::optional<Options> options_;
    std::atomic<T*> object_ = nullptr;
    alignas(T) unsigned char storage_[sizeof(T)] = {};
};

}
