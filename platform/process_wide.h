#pragma once

#include "result.h"

#include <atomic>
#include <mutex>
#include <new>
#include <optional>
#include <utility>

namespace wayfarer::platform {

// Thread-safe leaked singleton built on first get() from configure()'s options (default
// ones otherwise); never destroyed, as other threads may use it during static destruction.
// Declare it `constinit` so it is usable from any static initialiser; default Options are
// only built with T, since building them may reach other ProcessWide objects.
template <typename T, typename Options> class ProcessWide {
public:
    using Make = T (*)(Options);

    constexpr explicit ProcessWide(Make make) : make_(make) {}
    ProcessWide(const ProcessWide&) = delete;
    ProcessWide& operator=(const ProcessWide&) = delete;

    // Fails once get() has built T.
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

    // Null until get() has built T; never builds it.
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
