#include "service/activity_catalogue.h"
#include "service/search_index.h"

#include <gtest/gtest.h>

#include <set>

namespace wayfarer::service {
namespace {

TEST(ActivityCatalogue, RefusesBrokenDocuments) {
    const std::pair<const char*, const char*> cases[] = {
        {"not json", "not valid JSON"},
        {"{}", "no \"activities\""},
        {R"({"activities": [1]})", "activity 0 is not an object"},
        {R"({"activities": [{"title": "A"}]})", "activity 0 has no uuid"},
        {R"({"activities": [{"uuid": "", "title": "A"}]})", "activity 0 has no uuid"},
        {R"({"activities": [{"uuid": "a"}]})", "activity 0 has no title"},
        {R"({"activities": [{"uuid": "a", "title": "A"}, {"uuid": "a", "title": "B"}]})", "repeats the uuid a"},
    };
    for (const auto& [json, fragment] : cases) {
        const auto result = readCatalogue(json);
        ASSERT_FALSE(result.ok()) << json;
        EXPECT_NE(result.error().detail.find(fragment), std::string::npos) << result.error().detail;
    }
}

TEST(ActivityCatalogue, ReadsOptionalFields) {
    const auto result = readCatalogue(R"({"activities": [
        {"uuid": "a", "title": "A", "price_eur": 12.5, "has_cover": false},
        {"uuid": "b", "title": "B", "price_eur": "12", "operational_days": "Daily"}]})");
    ASSERT_TRUE(result.ok()) << result.error().detail;
    const auto& activities = result->activities;
    ASSERT_EQ(activities.size(), 2u);
    EXPECT_EQ(activities[0].priceEuroCents, 1250);
    EXPECT_FALSE(activities[0].hasCover);
    EXPECT_EQ(activities[0].description, std::nullopt);
    EXPECT_EQ(activities[1].priceEuroCents, std::nullopt);
    EXPECT_TRUE(activities[1].hasCover);
    EXPECT_EQ(activities[1].operationalDays, "Daily");
}

TEST(ActivityCatalogue, GeneratesRepeatableCataloguesWithUniqueIds) {
    const auto first = generateCatalogue(2000, 7);
    const auto again = generateCatalogue(2000, 7);
    ASSERT_EQ(first.activities.size(), 2000u);
    std::set<std::string> uuids;
    for (std::size_t i = 0; i < first.activities.size(); ++i) {
        EXPECT_EQ(first.activities[i].title, again.activities[i].title);
        uuids.insert(first.activities[i].uuid);
    }
    EXPECT_EQ(uuids.size(), 2000u);
    EXPECT_GT(SearchIndex(first).search("colosseum", 0, 10).total, 0u);
}

}
}
