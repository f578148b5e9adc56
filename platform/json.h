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

// simdjson::SIMDJSON_PADDING: with this many readable bytes past the end (spare capacity,
// or an embedded file) bytes parse in place; otherwise they are copied once.
inline constexpr std::size_t jsonPadding = 64;

// Up to 16 member names looked up together by JsonValue::findMembers, prepared once.
// Trivially destructible, so a function-local static outlives threads still parsing at exit.
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
    // The first key of each length below shortKey; longer ones are compared in turn.
    std::uint8_t byLength_[shortKey];
};

// A simdjson::dom::element held opaquely; valid only inside the callback of readJson.
class JsonValue {
public:
    bool isObject() const;
    bool isArray() const;
    bool isString() const;

    // The text of a string, or nothing for any other kind of value.
    std::optional<std::string_view> string() const;
    // The same into `text`, left alone for any other kind of value.
    bool readString(std::string_view& text) const;
    // A whole number that fits int64_t, however it is written; nothing otherwise.
    std::optional<std::int64_t> wholeNumber() const;
    // The first member named `key`; nothing when there is none or this is no object.
    std::optional<JsonValue> member(std::string_view key) const;
    // In one pass over an object, the first member named by each of `keys` into
    // found[i] (left alone when absent); `found` holds keys.size() values.
    void findMembers(const JsonKeys& keys, std::optional<JsonValue>* found) const;

    // Elements of an array or members of an object; 0 for other values.
    std::size_t size() const;
    // f(element) for each element of an array, in order; nothing for other values.
    template <typename F> void forEachElement(F&& f) const {
        forEachElement(&f, [](void* callee, JsonValue element) { (*static_cast<std::remove_reference_t<F>*>(callee))(element); });
    }
    // f(key, value) for each member of an object, in order.
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

    // The element's bytes (a document pointer and a tape index).
    alignas(8) std::byte element_[16];
};

// Reads bytes as JSON (RFC 8259): the top-level value is an object or an array, the text
// is valid UTF-8 and nothing follows the value. Whole numbers beyond 64 bits are valid
// and cost a second reading. On success calls `use` with the top-level value; otherwise
// fails with cannotParse. One simdjson::dom::parser per thread.
Result<void> readJson(std::string_view bytes, const std::function<void(JsonValue)>& use);

// Same as readJson; `bytes` must be followed by jsonPadding readable bytes.
Result<void> readPaddedJson(std::string_view bytes, const std::function<void(JsonValue)>& use);

// A buffer with room for the padding, so bodies received into it parse in place.
std::string makeJsonBuffer(std::size_t expectedSize = 0);
bool hasJsonPadding(const std::string& buffer);

}
