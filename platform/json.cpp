#include "json.h"

#include <cmath>
#include <limits>

namespace wayfarer::platform {

std::optional<std::string_view> JsonValue::string() const {
    std::string_view text;
    if (element_.get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    return text;
}

std::optional<std::int64_t> JsonValue::wholeNumber() const {
    switch (element_.type()) {
    case simdjson::dom::element_type::INT64:
        return element_.get_int64().value_unsafe();
    case simdjson::dom::element_type::UINT64: {
        const std::uint64_t value = element_.get_uint64().value_unsafe();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    case simdjson::dom::element_type::DOUBLE: {
        const double value = element_.get_double().value_unsafe();
        // 2^63 itself does not fit; every double below it that is whole does.
        constexpr double limit = 9223372036854775808.0;
        if (!std::isfinite(value) || value != std::trunc(value) || value >= limit || value < -limit)
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    default:
        return std::nullopt;
    }
}

std::optional<JsonValue> JsonValue::member(std::string_view key) const {
    simdjson::dom::object object;
    if (element_.get_object().get(object) != simdjson::SUCCESS)
        return std::nullopt;
    simdjson::dom::element value;
    if (object.at_key(key).get(value) != simdjson::SUCCESS)
        return std::nullopt;
    return JsonValue(value);
}

std::size_t JsonValue::size() const {
    if (simdjson::dom::array array; element_.get_array().get(array) == simdjson::SUCCESS)
        return array.size();
    if (simdjson::dom::object object; element_.get_object().get(object) == simdjson::SUCCESS)
        return object.size();
    return 0;
}

namespace {

simdjson::dom::parser& threadParser() {
    thread_local simdjson::dom::parser parser;
    return parser;
}

std::optional<Error> readWithParser(const char* data, std::size_t length, bool copyNeeded,
                                    const std::function<void(JsonValue)>& use) {
    simdjson::dom::element root;
    const auto status = threadParser().parse(data, length, copyNeeded).get(root);
    if (status != simdjson::SUCCESS)
        return Error{ErrorCode::cannotParse, simdjson::error_message(status)};
    if (!root.is_object() && !root.is_array())
        return Error{ErrorCode::cannotParse, "the top-level value is neither an object nor an array"};
    use(JsonValue(root));
    return std::nullopt;
}

}

std::optional<Error> readJson(std::string_view bytes, const std::function<void(JsonValue)>& use) {
    return readWithParser(bytes.data(), bytes.size(), true, use);
}

std::optional<Error> readPaddedJson(std::string_view bytes, const std::function<void(JsonValue)>& use) {
    return readWithParser(bytes.data(), bytes.size(), false, use);
}

std::string makeJsonBuffer(std::size_t expectedSize) {
    std::string buffer;
    buffer.reserve(expectedSize + jsonPadding);
    return buffer;
}

bool hasJsonPadding(const std::string& buffer) {
    return buffer.capacity() - buffer.size() >= jsonPadding;
}

}
