#pragma once

#include "result.h"

#include <simdjson.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace wayfarer::platform {

// Bytes are read in place when this many bytes past their end may be read (a buffer
// with the spare capacity, or an embedded file, which carries that padding); otherwise
// they are copied once.
inline constexpr std::size_t jsonPadding = simdjson::SIMDJSON_PADDING;

// One value of a parsed JSON document. Valid only inside the callback of readJson.
class JsonValue {
public:
    explicit JsonValue(simdjson::dom::element element) : element_(element) {}

    bool isObject() const { return element_.is_object(); }
    bool isArray() const { return element_.is_array(); }
    bool isString() const { return element_.is_string(); }

    // The text of a string, or nothing for any other kind of value.
    std::optional<std::string_view> string() const {
        std::string_view text;
        if (!readString(text))
            return std::nullopt;
        return text;
    }
    // The same into `text`, which is left alone for any other kind of value.
    bool readString(std::string_view& text) const { return element_.get_string().get(text) == simdjson::SUCCESS; }
    // A number whose value is whole and fits a signed 64-bit integer, or nothing (also for
    // a whole number written with more digits than 64 bits hold).
    std::optional<std::int64_t> wholeNumber() const;
    // The member of an object (the first one, if a key repeats), or nothing when this is
    // not an object or has no such member.
    std::optional<JsonValue> member(std::string_view key) const {
        simdjson::dom::object object;
        simdjson::dom::element value;
        if (element_.get_object().get(object) != simdjson::SUCCESS || object.at_key(key).get(value) != simdjson::SUCCESS)
            return std::nullopt;
        return JsonValue(value);
    }

    // Number of elements of an array or members of an object; 0 for other values.
    std::size_t size() const;
    // Calls f for each element of an array, in order; nothing for other values.
    template <typename F> void forEachElement(F&& f) const;
    // Calls f(key, value) for each member of an object, in order.
    template <typename F> void forEachMember(F&& f) const;

private:
    simdjson::dom::element element_;
};

// Reads bytes as JSON by the platform reader's rules: the top-level value is an object or
// an array (no fragments), the text is valid UTF-8, and nothing follows the value. Whole
// numbers of any length are valid; those beyond 64 bits cost a second reading. On
// success calls `use` with the top-level value; otherwise fails with cannotParse. Uses one
// reusable parser per thread.
Result<void> readJson(std::string_view bytes, const std::function<void(JsonValue)>& use);

// Same as readJson, with the padding promised: `bytes` must be followed by jsonPadding
// readable bytes (see makeJsonBuffer).
Result<void> readPaddedJson(std::string_view bytes, const std::function<void(JsonValue)>& use);

// A buffer whose capacity leaves room for the padding, so bodies received into it are
// parsed without a copy.
std::string makeJsonBuffer(std::size_t expectedSize = 0);
bool hasJsonPadding(const std::string& buffer);

template <typename F> void JsonValue::forEachElement(F&& f) const {
    simdjson::dom::array array;
    if (element_.get_array().get(array) != simdjson::SUCCESS)
        return;
    for (simdjson::dom::element element : array)
        f(JsonValue(element));
}

template <typename F> void JsonValue::forEachMember(F&& f) const {
    simdjson::dom::object object;
    if (element_.get_object().get(object) != simdjson::SUCCESS)
        return;
    for (auto [key, value] : object)
        f(key, JsonValue(value));
}

}
