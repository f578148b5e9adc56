#include "platform/json.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace wayfarer::platform {
namespace {

namespace fs = std::filesystem;

std::string readFile(const fs::path& path) {
    std::ifstream file(path, std::ios::binary);
    std::stringstream content;
    content << file.rdbuf();
    return content.str();
}

bool topLevelIsObjectOrArray(const std::string& text) {
    const auto start = text.find_first_not_of(" \t\r\n");
    return start != std::string::npos && (text[start] == '{' || text[start] == '[');
}

// The conformance corpus: y_ files must read (those whose top level is an object or an
// array: the platform reader refuses fragments), n_ files must not, i_ files may go
// either way but must not crash or hang.
TEST(JsonConformance, AgreesWithTheCorpus) {
    const fs::path corpus = fs::path(WAYFARER_SOURCE_DIR) / "tests/data/JSONTestSuite/test_parsing";
    ASSERT_TRUE(fs::is_directory(corpus)) << corpus;
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        const std::string text = readFile(entry.path());
        const bool read = readJson(text, [](JsonValue) {}).ok();
        if (name.starts_with("y_")) {
            EXPECT_EQ(read, topLevelIsObjectOrArray(text)) << name;
        } else if (name.starts_with("n_")) {
            EXPECT_FALSE(read) << name;
        }
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

TEST(JsonReader, RefusesFragmentsAndReadsInPlaceWithPadding) {
    for (const char* fragment : {"1", "\"text\"", "null", "true", " 2 "})
        EXPECT_FALSE(readJson(fragment, [](JsonValue) {}).ok()) << fragment;
    std::string buffer = makeJsonBuffer();
    buffer = R"({"a": [1, 2.0, 2.5, 9223372036854775807, 9223372036854775808, -1e3, "x"]})";
    buffer.reserve(buffer.size() + jsonPadding);
    std::vector<std::optional<std::int64_t>> numbers;
    const auto read = readPaddedJson(buffer, [&](JsonValue root) {
        root.member("a")->forEachElement([&](JsonValue value) { numbers.push_back(value.wholeNumber()); });
    });
    ASSERT_TRUE(read.ok());
    const std::vector<std::optional<std::int64_t>> expected = {
        1, 2, std::nullopt, 9223372036854775807LL, std::nullopt, -1000, std::nullopt};
    EXPECT_EQ(numbers, expected);
}

// Whole numbers beyond 64 bits are valid JSON: the document reads, and such a number has
// no whole 64-bit value (not even the nearest one, which rounding could make -2^63).
TEST(JsonReader, ReadsWholeNumbersBeyondSixtyFourBits) {
    const std::string wide = "123456789012345678901234567890";
    const struct {
        std::string json;
        bool reads;
        std::vector<std::optional<std::int64_t>> numbers;
    } cases[] = {
        {"[" + wide + "]", true, {std::nullopt}},
        {"[-" + wide + ", 7]", true, {std::nullopt, 7}},
        {"[-9223372036854775809, -9223372036854775808]", true, {std::nullopt, INT64_MIN}},
        {"[18446744073709551616, 18446744073709551615]", true, {std::nullopt, std::nullopt}},
        {"[" + std::string(400, '9') + "]", true, {std::nullopt}},
        {R"({"a": {"b": [)" + wide + R"(]}, "c": ")" + wide + R"("})", true, {}},
        {"[" + wide + ", 01]", false, {}}, {"[" + wide + " 1]", false, {}}, {"[" + wide + ", tru]", false, {}},
        {"[0" + wide + "]", false, {}}, {"[" + wide + "x]", false, {}}, {"[" + wide + ".]", false, {}},
        {"[" + wide, false, {}},
    };
    for (const auto& row : cases) {
        std::vector<std::optional<std::int64_t>> numbers;
        const auto read = readJson(row.json, [&](JsonValue root) {
            root.forEachElement([&](JsonValue value) { numbers.push_back(value.wholeNumber()); });
        });
        EXPECT_EQ(read.ok(), row.reads) << row.json;
        if (row.reads) {
            EXPECT_EQ(numbers, row.numbers) << row.json;
        }
    }
}

}
}
