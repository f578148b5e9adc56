#include "catalogue/attraction.h"

#include <gtest/gtest.h>

namespace wayfarer {
namespace {

std::shared_ptr<Attraction> recordOf(const std::string& json) {
    std::shared_ptr<Attraction> record;
    const auto read = platform::readJson(json, [&](platform::JsonValue value) { record = Attraction::fromDictionary(value); });
    EXPECT_TRUE(read.ok()) << json;
    return record;
}

TEST(AttractionFromDictionary, NeedsAUsableUuidAndTakesEachFieldOnlyWhenItHasTheExpectedType) {
    for (const char* json : {R"({})", R"({"title": "Colosseum"})", R"({"uuid": 42})", R"({"uuid": ""})",
                             R"({"uuid": null})", R"({"uuid": ["a"]})", R"([{"uuid": "a"}])"})
        EXPECT_EQ(recordOf(json), nullptr) << json;
    const struct {
        const char* json;
        std::optional<std::string> title, description, days, price, cover;
        bool didLoadImage;
    } cases[] = {
        {R"({"uuid": "a"})", {}, {}, {}, {}, {}, true},
        {R"({"uuid": "a", "title": "Louvre", "description": "Art", "operational_days": "Mon-Sat",
             "retail_price": {"formatted_value": " $45.00 "}, "cover_image_url": "https://x.test/c.jpg"})",
         "Louvre", "Art", "Mon-Sat", " $45.00 ", "https://x.test/c.jpg", false},
        // A value of another type, or a lookalike key, counts as missing; a repeated key at its first.
        {R"({"uuid": "a", "title": null, "operational_days": ["Mon"], "description": 3, "cover_image_url": null,
             "retail_price": "$45.00", "formatted_value": "$1"})", {}, {}, {}, {}, {}, true},
        {R"({"uuid": "a", "cover_image_url": "", "retail_price": {"value": 45}})", {}, {}, {}, {}, {}, false},
        {R"({"uuid": "a", "retail_price": {"formatted_value": 45}, "title": 123456789012345678901234567890,
             "operational_days": -123456789012345678901234567890})", {}, {}, {}, {}, {}, true},
        {R"({"uuid": "a", "Title": "x", "titles": "x", "descriptioN": "x", "operational_dayz": "x", "Operational_days": "x",
             "cover_image_urL": "x", "retail_pricE": {"formatted_value": "x"}, "retail_price": {"formatted_valuE": "x"}})",
         {}, {}, {}, {}, {}, true},
        {R"({"uuid": "a", "uuid": "b", "title": 1, "title": "x", "description": "one", "description": "two"})",
         {}, "one", {}, {}, {}, true},
    };
    for (const auto& row : cases) {
        const auto record = recordOf(row.json);
        ASSERT_NE(record, nullptr) << row.json;
        EXPECT_TRUE(*record == *Attraction::make("a")) << "records are equal by their uuids alone";
        EXPECT_FALSE(*record == *Attraction::make("A"));
        EXPECT_EQ(record->title, row.title) << row.json;
        EXPECT_EQ(record->description, row.description) << row.json;
        EXPECT_EQ(record->operationalDays, row.days) << row.json;
        EXPECT_EQ(record->price, row.price) << row.json;
        EXPECT_EQ(record->coverURL ? std::optional(record->coverURL->string()) : std::nullopt, row.cover) << row.json;
        EXPECT_EQ(record->didLoadImage, row.didLoadImage) << row.json;
    }
}

// A record's texts live in memory of its own: texts set later, and copies that outlive the
// record, must stay intact (and, under ASan, leak nothing).
TEST(Attraction, KeepsItsTextsThroughChangesAndCopies) {
    const std::string longText(300, 'd');
    auto record = recordOf(R"({"uuid": "0123456789abcdef", "title": "Colosseum and Roman Forum", "description": ")" +
                           longText + R"(", "cover_image_url": "https://example.com/covers/0123456789.jpg"})");
    ASSERT_NE(record, nullptr);
    for (int i = 0; i < 50; ++i)
        record->title = std::string(static_cast<std::size_t>(i * 7), 't');
    const std::optional<std::string> title = record->title;
    const std::string description = *record->description;
    const auto cover = record->coverURL;
    record.reset();
    EXPECT_EQ(title, std::string(49 * 7, 't'));
    EXPECT_EQ(description, longText);
    ASSERT_TRUE(cover);
    EXPECT_EQ(cover->string(), "https://example.com/covers/0123456789.jpg");
}

TEST(AttractionCurrency, ConvertsOnlyTheExactRawValues) {
    for (const auto currency : {Attraction::Currency::EUR, Attraction::Currency::USD})
        EXPECT_EQ(Attraction::currencyFromRawValue(Attraction::rawValue(currency)), currency);
    for (const char* text : {"eur", "Eur", "usd", "", "GBP", "EUR "})
        EXPECT_EQ(Attraction::currencyFromRawValue(text), std::nullopt) << text;
}

}
}
