#include "json.h"

#include <simdjson.h>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <vector>

namespace wayfarer::platform {

static_assert(jsonPadding == simdjson::SIMDJSON_PADDING);
static_assert(std::is_trivially_destructible_v<JsonKeys>);

// Copies simdjson::dom::element in and out of JsonValue::element_.
struct JsonAccess {
    static_assert(sizeof(simdjson::dom::element) == sizeof(JsonValue::element_) &&
                  std::is_trivially_copyable_v<simdjson::dom::element>);

    static simdjson::dom::element element(const JsonValue& value) {
        simdjson::dom::element element;
        std::memcpy(&element, value.element_, sizeof element);
        return element;
    }
    static JsonValue value(simdjson::dom::element element) {
        JsonValue value;
        std::memcpy(value.element_, &element, sizeof element);
        return value;
    }
};

namespace {

simdjson::dom::element elementOf(const JsonValue& value) {
    return JsonAccess::element(value);
}

JsonValue valueOf(simdjson::dom::element element) {
    return JsonAccess::value(element);
}

template <typename Word> Word wordAt(const char* at) {
    Word word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

// 4-16 byte keys: two possibly overlapping word loads instead of a memcmp call.
bool sameKey(std::string_view key, std::uint64_t head, std::uint64_t tail, std::string_view name) {
    const std::size_t n = name.size();
    if (key.size() != n)
        return false;
    if (n >= 8 && n <= 16)
        return wordAt<std::uint64_t>(key.data()) == head && wordAt<std::uint64_t>(key.data() + n - 8) == tail;
    if (n >= 4 && n < 8)
        return wordAt<std::uint32_t>(key.data()) == head && wordAt<std::uint32_t>(key.data() + n - 4) == tail;
    return key == name;
}

}

JsonKeys::JsonKeys(std::initializer_list<std::string_view> keys) {
    if (keys.size() > std::size(keys_))
        std::abort();
    std::fill(std::begin(byLength_), std::end(byLength_), none);
    for (const std::string_view text : keys) {
        Key key{text};
        const std::size_t n = text.size();
        if (n >= 8 && n <= 16) {
            key.head = wordAt<std::uint64_t>(text.data());
            key.tail = wordAt<std::uint64_t>(text.data() + n - 8);
        } else if (n >= 4 && n < 8) {
            key.head = wordAt<std::uint32_t>(text.data());
            key.tail = wordAt<std::uint32_t>(text.data() + n - 4);
        }
        keys_[count_++] = key;
    }
    // Chained backwards, so the first key of a length is looked at first.
    for (std::size_t i = count_; i-- > 0;)
        if (keys_[i].text.size() < shortKey) {
            keys_[i].next = byLength_[keys_[i].text.size()];
            byLength_[keys_[i].text.size()] = static_cast<std::uint8_t>(i);
        }
}

bool JsonValue::isObject() const {
    return elementOf(*this).is_object();
}

bool JsonValue::isArray() const {
    return elementOf(*this).is_array();
}

bool JsonValue::isString() const {
    return elementOf(*this).is_string();
}

std::optional<std::string_view> JsonValue::string() const {
    std::string_view text;
    if (!readString(text))
        return std::nullopt;
    return text;
}

bool JsonValue::readString(std::string_view& text) const {
    return elementOf(*this).get_string().get(text) == simdjson::SUCCESS;
}

std::optional<JsonValue> JsonValue::member(std::string_view key) const {
    simdjson::dom::object object;
    simdjson::dom::element value;
    if (elementOf(*this).get_object().get(object) != simdjson::SUCCESS || object.at_key(key).get(value) != simdjson::SUCCESS)
        return std::nullopt;
    return valueOf(value);
}

void JsonValue::findMembers(const JsonKeys& keys, std::optional<JsonValue>* found) const {
    simdjson::dom::object object;
    if (elementOf(*this).get_object().get(object) != simdjson::SUCCESS)
        return;
    std::size_t missing = keys.size();
    const auto take = [&](std::size_t i, simdjson::dom::element value) {
        if (found[i])
            return;
        found[i] = valueOf(value);
        --missing;
    };
    for (auto [key, value] : object) {
        if (key.size() < JsonKeys::shortKey) {
            for (std::uint8_t i = keys.byLength_[key.size()]; i != JsonKeys::none; i = keys.keys_[i].next)
                if (const JsonKeys::Key& name = keys.keys_[i]; sameKey(key, name.head, name.tail, name.text)) {
                    take(i, value);
                    break;
                }
        } else {
            for (std::size_t i = 0; i < keys.size(); ++i)
                if (keys.keys_[i].text == key) {
                    take(i, value);
                    break;
                }
        }
        if (missing == 0)
            return;
    }
}

void JsonValue::forEachElement(void* f, void (*call)(void*, JsonValue)) const {
    simdjson::dom::array array;
    if (elementOf(*this).get_array().get(array) != simdjson::SUCCESS)
        return;
    for (simdjson::dom::element element : array)
        call(f, valueOf(element));
}

void JsonValue::forEachMember(void* f, void (*call)(void*, std::string_view, JsonValue)) const {
    simdjson::dom::object object;
    if (elementOf(*this).get_object().get(object) != simdjson::SUCCESS)
        return;
    for (auto [key, value] : object)
        call(f, key, valueOf(value));
}

std::optional<std::int64_t> JsonValue::wholeNumber() const {
    const simdjson::dom::element element = elementOf(*this);
    switch (element.type()) {
    case simdjson::dom::element_type::INT64:
        return element.get_int64().value_unsafe();
    case simdjson::dom::element_type::UINT64: {
        const std::uint64_t value = element.get_uint64().value_unsafe();
        if (value > static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()))
            return std::nullopt;
        return static_cast<std::int64_t>(value);
    }
    case simdjson::dom::element_type::DOUBLE: {
        const double value = element.get_double().value_unsafe();
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

std::size_t JsonValue::size() const {
    const simdjson::dom::element element = elementOf(*this);
    if (simdjson::dom::array array; element.get_array().get(array) == simdjson::SUCCESS)
        return array.size();
    if (simdjson::dom::object object; element.get_object().get(object) == simdjson::SUCCESS)
        return object.size();
    return 0;
}

namespace {

simdjson::dom::parser& threadParser() {
    thread_local simdjson::dom::parser parser;
    return parser;
}

// simdjson::dom fails integers beyond 64 bits with NUMBER_ERROR though RFC 8259 allows
// them. On that error simdjson::ondemand finds them and each is rewritten as a double
// just outside int64 range; simdjson::dom then parses the copy, so every other syntax
// error is still caught (only a number was swapped for a number).
constexpr int maxDepth = 1024;

bool isWholeNumberText(std::string_view text) {
    if (text.starts_with('-'))
        text.remove_prefix(1);
    if (text.empty() || text.front() < '1' || text.front() > '9')
        return false;
    return std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::string beyondSixtyFourBits(std::string_view digits) {
    double value = 0;
    const auto [end, status] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
    if (status == std::errc::result_out_of_range)
        value = digits.starts_with('-') ? -std::numeric_limits<double>::max() : std::numeric_limits<double>::max();
    // Below 2^63 in magnitude only by rounding: step away from zero to stay out of range.
    constexpr double limit = 9223372036854775808.0;
    if (std::fabs(value) <= limit)
        value = std::nextafter(value, value < 0 ? -HUGE_VAL : HUGE_VAL);
    char text[32];
    const auto written = std::to_chars(text, text + sizeof text, value, std::chars_format::scientific);
    return std::string(text, written.ptr);
}

// Collects integers beyond 64 bits under `value`; false on any other ondemand error.
bool findWideIntegers(simdjson::ondemand::value value, int depth, std::vector<std::string_view>& found) {
    if (depth > maxDepth)
        return false;
    simdjson::ondemand::json_type type;
    if (value.type().get(type) != simdjson::SUCCESS)
        return false;
    switch (type) {
    case simdjson::ondemand::json_type::object: {
        simdjson::ondemand::object object;
        if (value.get_object().get(object) != simdjson::SUCCESS)
            return false;
        for (auto field : object) {
            simdjson::ondemand::value member;
            if (field.value().get(member) != simdjson::SUCCESS || !findWideIntegers(member, depth + 1, found))
                return false;
        }
        return true;
    }
    case simdjson::ondemand::json_type::array: {
        simdjson::ondemand::array array;
        if (value.get_array().get(array) != simdjson::SUCCESS)
            return false;
        for (auto item : array) {
            simdjson::ondemand::value element;
            if (item.get(element) != simdjson::SUCCESS || !findWideIntegers(element, depth + 1, found))
                return false;
        }
        return true;
    }
    case simdjson::ondemand::json_type::number: {
        simdjson::ondemand::number number;
        if (value.get_number().get(number) == simdjson::SUCCESS)
            return true;
        std::string_view token = value.raw_json_token();
        while (!token.empty() && (token.back() == ' ' || token.back() == '\t' || token.back() == '\n' || token.back() == '\r'))
            token.remove_suffix(1);
        if (!isWholeNumberText(token))
            return false;
        found.push_back(token);
        return true;
    }
    default:
        return true;
    }
}

// nullopt when there is nothing to rewrite or the ondemand walk hit another error.
std::optional<std::string> withWideIntegersRewritten(std::string_view bytes) {
    const simdjson::padded_string padded(bytes);
    simdjson::ondemand::parser parser;
    simdjson::ondemand::document document;
    if (parser.iterate(padded).get(document) != simdjson::SUCCESS)
        return std::nullopt;
    simdjson::ondemand::value root;
    std::vector<std::string_view> found;
    if (document.get_value().get(root) != simdjson::SUCCESS || !findWideIntegers(root, 0, found) || found.empty())
        return std::nullopt;
    std::string rewritten;
    rewritten.reserve(bytes.size() + found.size() * 8 + jsonPadding);
    const char* copied = padded.data();
    for (const std::string_view token : found) {
        rewritten.append(copied, token.data());
        rewritten += beyondSixtyFourBits(token);
        copied = token.data() + token.size();
    }
    rewritten.append(copied, padded.data() + padded.size());
    return rewritten;
}

Result<void> readWithParser(const char* data, std::size_t length, bool copyNeeded,
                                    const std::function<void(JsonValue)>& use) {
    simdjson::dom::element root;
    auto status = threadParser().parse(data, length, copyNeeded).get(root);
    if (status == simdjson::NUMBER_ERROR)
        if (const auto rewritten = withWideIntegersRewritten({data, length}))
            status = threadParser().parse(rewritten->data(), rewritten->size(), !hasJsonPadding(*rewritten)).get(root);
    if (status != simdjson::SUCCESS)
        return Error{ErrorCode::cannotParse, simdjson::error_message(status)};
    if (!root.is_object() && !root.is_array())
        return Error{ErrorCode::cannotParse, "the top-level value is neither an object nor an array"};
    use(valueOf(root));
    return {};
}

}

Result<void> readJson(std::string_view bytes, const std::function<void(JsonValue)>& use) {
    return readWithParser(bytes.data(), bytes.size(), true, use);
}

Result<void> readPaddedJson(std::string_view bytes, const std::function<void(JsonValue)>& use) {
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
