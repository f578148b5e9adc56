#pragma once

#include "result.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <optional>
#include <string>
#include <string_view>
#include <type_traits>

namespace wayfarer::platform {

// simdjson::SIMDJSON_PADDING: with this many readable bytes past the end, input parses in
// place; otherwise simdjson copies it once.
inline constexpr std::size_t jsonPadding = 64;

// Up to 16 member names for JsonValue::findMembers. Trivially destructible, so a
// function-local static stays valid for threads still parsing during exit.
class JsonKeys {
public:
    JsonKeys(std::initializer_list<std::string_view> keys);

    std::size_t size() const { return count_; }

private:
    friend class JsonValue;
    struct Key {
        std::string_view text;
        std::uint64_t head = 0, tail = 0;
        std::uint8_t next = none;  // the next key of the same length
    };
    static constexpr std::uint8_t none = 0xff;
    static constexpr std::size_t shortKey = 32;
    Key keys_[16];
    std::size_t count_ = 0;
    // Index of the first key of each length < shortKey; longer keys are compared linearly.
    std::uint8_t byLength_[shortKey];
};

// An opaque simdjson::dom::element; valid only inside readJson's callback.
class JsonValue {
public:
    bool isObject() const;
    bool isArray() const;
    bool isString() const;

    std::optional<std::string_view> string() const;
    // As string(), without the optional; `text` untouched when false.
    bool readString(std::string_view& text) const;
    // Also 1.0 or 1e2 when the value is integral and fits int64_t.
    std::optional<std::int64_t> wholeNumber() const;
    // The first member on duplicate keys.
    std::optional<JsonValue> member(std::string_view key) const;
    // One pass over the object; found[i] (keys.size() slots) is left alone when absent.
    void findMembers(const JsonKeys& keys, std::optional<JsonValue>* found) const;

    // 0 for scalars.
    std::size_t size() const;
    template <typename F> void forEachElement(F&& f) const {
        forEachElement(&f, [](void* callee, JsonValue element) { (*static_cast<std::remove_reference_t<F>*>(callee))(element); });
    }
    template <typename F> void forEachMember(F&& f) const {
        forEachMember(&f, [](void* callee, std::string_view key, JsonValue value) {
            (*static_cast<std::remove_reference_t<F>*>(callee))(key, value);
        });
    }

private:
    friend struct JsonAccess;
    JsonValue() = default;

    void forEachElement(void* f, void (*call)(void*, JsonValue)) const;
    void forEachMember(void* f, void (*call)(void*, std::string_view, JsonValue)) const;

    // sizeof(simdjson::dom::element): document pointer and tape index.
    alignas(8) std::byte element_[16];
};

// RFC 8259, top level an object or array; any failure is cannotParse. Integers beyond
// 64 bits are accepted at the cost of a second parse (simdjson NUMBER_ERROR). One
// thread_local simdjson::dom::parser.
Result<void> readJson(std::string_view bytes, const std::function<void(JsonValue)>& use);

// `bytes` must be followed by jsonPadding readable bytes: no copy.
Result<void> readPaddedJson(std::string_view bytes, const std::function<void(JsonValue)>& use);

// Capacity reserved for jsonPadding, for readPaddedJson.
std::string makeJsonBuffer(std::size_t expectedSize = 0);
bool hasJsonPadding(const std::string& buffer);

}
