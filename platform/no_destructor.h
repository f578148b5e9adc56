#pragma once

#include <new>
#include <utility>

namespace wayfarer::platform {

// Holds a T that is built in place and never destroyed: for process-wide objects that
// other threads may still use while static destructors run at exit.
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
