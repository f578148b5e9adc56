#include "json.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>
#include <vector>

namespace wayfarer::platform {

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

// simdjson's DOM refuses whole numbers beyond 64 bits with NUMBER_ERROR, although they
// are valid JSON. On that error the document is walked with On-Demand, which tokenizes
// without parsing what is not asked for, to find such numbers; each becomes the nearest
// double beyond the 64-bit range, so that it still reads as a number without a whole
// 64-bit value. The DOM then judges the rewritten copy: a number is swapped for a number,
// so every other fault of the text is still found.
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

// Collects the whole numbers that do not fit 64 bits under `value`; false when the walk
// meets an error of another kind.
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

// The text with every whole number beyond 64 bits rewritten, or nothing when it has none
// (or is broken in a way the walk already sees).
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
    use(JsonValue(root));
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
