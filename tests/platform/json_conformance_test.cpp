#include "platform/json.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace wayfarer::platform {
namespace {

namespace fs = std::filesystem;

// The conformance corpus: y_ files must read when their top level is an object or an array
// (the platform reader refuses fragments), n_ files must not, i_ files may go either way
// but must not crash or hang.
TEST(JsonConformance, AgreesWithTheCorpus) {
    const fs::path corpus = fs::path(WAYFARER_SOURCE_DIR) / "tests/data/JSONTestSuite/test_parsing";
    int checked = 0;
    for (const auto& entry : fs::directory_iterator(corpus)) {
        const std::string name = entry.path().filename().string();
        std::stringstream content;
        content << std::ifstream(entry.path(), std::ios::binary).rdbuf();
        const std::string text = content.str();
        const bool read = readJson(text, [](JsonValue) {}).ok();
        const auto start = text.find_first_not_of(" \t\r\n");
        if (name.starts_with("y_")) {
            EXPECT_EQ(read, start != std::string::npos && (text[start] == '{' || text[start] == '[')) << name;
        } else if (name.starts_with("n_")) {
            EXPECT_FALSE(read) << name;
        }
        ++checked;
    }
    EXPECT_GT(checked, 300);
}

// Each row is read both from a plain string and in place from a padded buffer. Whole
// numbers beyond 64 bits are valid JSON: the document reads, and such a number has no
// whole 64-bit value (not even the nearest one, which rounding could make -2^63).
TEST(JsonReader, ReadsWholeNumbersBeyondSixtyFourBits) {
    const std::string wide = "123456789012345678901234567890";
    const struct {
        std::string json;
        bool reads;
        std::vector<std::optional<std::int64_t>> numbers;
    } cases[] = {
        {R"([1, 2.0, 2.5, 9223372036854775807, 9223372036854775808, -1e3, "x"])", true,
         {1, 2, std::nullopt, INT64_MAX, std::nullopt, -1000, std::nullopt}},
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
        std::string padded = makeJsonBuffer(row.json.size());
        padded += row.json;
        ASSERT_TRUE(hasJsonPadding(padded));
        for (const auto read : {&readJson, &readPaddedJson}) {
            std::vector<std::optional<std::int64_t>> numbers;
            const auto result = read(padded, [&](JsonValue root) {
                root.forEachElement([&](JsonValue value) { numbers.push_back(value.wholeNumber()); });
            });
            EXPECT_EQ(result.ok(), row.reads) << row.json;
            if (row.reads) {
                EXPECT_EQ(numbers, row.numbers) << row.json;
            }
        }
    }
}

}
}
