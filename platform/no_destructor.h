#pragma once

#include <new>
#include <utility>

namespace wayfarer::platform {

// Placement-new T, never destroyed: for statics other threads may use during exit.
template <typename T> class NoDestructor {
public:
    template <typename... Args> explicit NoDestructor(Args&&... args) {
        new (storage_) T(std::forward<Args>(args)...);
    }
    NoDestructor(const NoDestructor&) = delete;
    NoDestructor& operator=(const NoDestructor&) = delete;

    T& operator*() { return *get(); }
    T* operator->() { return get(); }
    T* get() { return std::launder(reinterpret_cast<T*>(storage_)); }

private:
    alignas(T) unsigned char storage_[sizeof(T)];
};

}
