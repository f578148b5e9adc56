#pragma once

#include "error.h"

#include <cstdlib>
#include <optional>
#include <type_traits>
#include <utility>
#include <variant>

namespace wayfarer::platform {

// A value or an Error, implicitly constructible from either. Reading the wrong side calls
// std::abort, reliably unlike a null dereference.
// Not std::expected: C++23, and the fuzz build's clang cannot compile libstdc++'s <expected>.
template <typename T> class [[nodiscard]] Result {
    static_assert(!std::is_reference_v<T> && !std::is_same_v<std::remove_cv_t<T>, Error>);

public:
    using value_type = T;

    template <typename U = T>
        requires(std::is_constructible_v<T, U &&> && !std::is_same_v<std::remove_cvref_t<U>, Error> &&
                 !std::is_same_v<std::remove_cvref_t<U>, Result>)
    Result(U&& value) : state_(std::in_place_index<0>, std::forward<U>(value)) {}
    Result(Error error) : state_(std::in_place_index<1>, std::move(error)) {}

    bool ok() const { return state_.index() == 0; }
    explicit operator bool() const { return ok(); }

    T& value() & { return *valueIfAny(); }
    const T& value() const& { return *valueIfAny(); }
    T&& value() && { return std::move(*valueIfAny()); }
    T& operator*() & { return value(); }
    const T& operator*() const& { return value(); }
    T&& operator*() && { return std::move(*this).value(); }
    T* operator->() { return valueIfAny(); }
    const T* operator->() const { return valueIfAny(); }

    const Error& error() const {
        if (const Error* error = std::get_if<1>(&state_))
            return *error;
        std::abort();
    }

private:
    T* valueIfAny() {
        if (T* value = std::get_if<0>(&state_))
            return value;
        std::abort();
    }
    const T* valueIfAny() const { return const_cast<Result*>(this)->valueIfAny(); }

    std::variant<T, Error> state_;
};

template <> class [[nodiscard]] Result<void> {
public:
    using value_type = void;

    Result() = default;
    Result(Error error) : error_(std::move(error)) {}

    bool ok() const { return !error_; }
    explicit operator bool() const { return ok(); }

    const Error& error() const {
        if (!error_)
            std::abort();
        return *error_;
    }

private:
    std::optional<Error> error_;
};

}
