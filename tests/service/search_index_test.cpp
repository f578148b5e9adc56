#include "service/search_index.h"

#include <gtest/gtest.h>

namespace wayfarer::service {
namespace {

Activity activity(std::string title, std::string city, std::string description = "", std::string category = "tour") {
    Activity a;
    a.uuid = title;
    a.title = std::move(title);
    a.city = std::move(city);
    a.country = a.city == "Paris" ? "France" : "Italy";
    a.category = std::move(category);
    if (!description.empty())
        a.description = std::move(description);
    return a;
}

ActivityCatalogue sample() {
    return {{
        activity("Vatican Museums", "Rome", "Ends with a look at the Louvre of Rome.", "museum"),   // 0
        activity("Colosseum underground", "Rome", "Gladiators waited below the arena.", "landmark"), // 1
        activity("Montmartre & Sacré-Cœur", "Paris", "The painters' hill."),                         // 2
        activity("Louvre Museum", "Paris", "The Mona Lisa.", "museum"),                              // 3
        activity("St Mark's Basilica", "Venice", "Golden mosaics.", "religious"),                    // 4
        activity("Louvre night visit", "Paris", "", "museum"),                                       // 5
        activity("Colosseum at night", "Rome", "The arena by moonlight.", "landmark"),               // 6
        activity("Gondola ride", "Venice", "Far from Rome."),                                        // 7
    }};
}

std::vector<std::uint32_t> find(const SearchIndex& index, const char* text, const SearchOptions& options = {}) {
    return index.search(text, 0, 100, options).records;
}

TEST(SearchIndex, MatchesByTheSearchRules) {
    const ActivityCatalogue catalogue = sample();
    const SearchIndex index(catalogue);
    const struct { const char* text; std::vector<std::uint32_t> expected; const char* why; } cases[] = {
        {"rome colosseum", {1, 6}, "every term must match"},
        {"colosseum venice", {}, "no record holds both terms"},
        {"sacre coeur", {2}, "accents and ligatures fold"},
        {"SACRÉ-CŒUR", {2}, "case folds"},
        {"coloseum rome", {1, 6}, "one edit allowed for a long term"},
        {"colossseumm rome", {1, 6}, "two edits allowed for a term of more than 5 characters"},
        {"cooossseumm rome", {}, "three edits are too many"},
        {"colsoseum rome", {1, 6}, "a swap of neighbours counts as one edit"},
        {"rone arena", {1, 6}, "one edit allowed for a term of 3 to 5 characters"},
        {"rxne arena", {}, "two edits too many for a 4-character term"},
        {"st mosaics", {4}, "a 2-character term matches exactly"},
        {"sx mosaics", {}, "no edit for a 2-character term"},
        {"colo", {1, 6}, "the last term matches as a prefix"},
        {"colo rome", {}, "a term before the last does not match as a prefix"},
        {"rome colo", {1, 6}, "prefix on the last term with a full term before it"},
        {"arena", {1, 6}, "equal matches keep catalogue order"},
        {"", {}, "an empty text matches nothing"},
        {" !? ", {}, "a text without terms matches nothing"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find(index, c.text), c.expected) << c.text << ": " << c.why;
}

TEST(SearchIndex, RanksTitleMatchesFirstAndTiesInCatalogueOrder) {
    const ActivityCatalogue catalogue = sample();
    const SearchIndex index(catalogue);
    // Record 0 names the Louvre only in its description and comes first in the catalogue.
    EXPECT_EQ(find(index, "louvre"), (std::vector<std::uint32_t>{3, 5, 0}));
    // An exact title match outranks a fuzzy one, which outranks a match in the category.
    EXPECT_EQ(find(index, "museums"), (std::vector<std::uint32_t>{0, 3, 5}));
    // Both match in the title and in the same way: catalogue order decides.
    EXPECT_EQ(find(index, "colosseum"), (std::vector<std::uint32_t>{1, 6}));
    // A match in the city outranks one in the description.
    EXPECT_EQ(find(index, "rome"), (std::vector<std::uint32_t>{0, 1, 6, 7}));
    // The exact city outranks a misspelling in a title: "rome" is not "dome".
    const ActivityCatalogue domes{{activity("Dome climb", "Florence", "The cupola."), activity("Catacombs", "Rome", "Tombs.")}};
    const SearchIndex domeIndex(domes);
    EXPECT_EQ(find(domeIndex, "rome"), (std::vector<std::uint32_t>{1, 0}));
}

TEST(SearchIndex, PagesByRecordOffset) {
    ActivityCatalogue catalogue;
    for (int i = 0; i < 25; ++i)
        catalogue.activities.push_back(activity("Harbour cruise " + std::to_string(i), "Sydney"));
    const SearchIndex index(catalogue);
    const struct { std::size_t offset, limit; std::vector<std::uint32_t> expected; } cases[] = {
        {0, 3, {0, 1, 2}}, {1, 3, {1, 2, 3}}, {10, 10, {10, 11, 12, 13, 14, 15, 16, 17, 18, 19}},
        {20, 10, {20, 21, 22, 23, 24}}, {25, 10, {}}, {1000, 10, {}},
    };
    for (const auto& c : cases) {
        const SearchPage page = index.search("harbour", c.offset, c.limit);
        EXPECT_EQ(page.total, 25u);
        EXPECT_EQ(page.records, c.expected) << c.offset;
    }
}

TEST(SearchIndex, FollowsTheOtherQueryOptions) {
    const ActivityCatalogue catalogue = sample();
    const SearchIndex index(catalogue);
    SearchOptions any;
    any.everyTerm = false;
    EXPECT_EQ(find(index, "venice paris", any), (std::vector<std::uint32_t>{2, 3, 4, 5, 7}));
    SearchOptions all;
    all.emptyTextMatchesAll = true;
    EXPECT_EQ(index.search("", 5, 10, all).records, (std::vector<std::uint32_t>{5, 6, 7}));
    EXPECT_EQ(index.search("", 5, 10, all).total, 8u);
    SearchOptions exact;
    exact.fixedFuzziness = 0;
    EXPECT_EQ(find(index, "colloseum rome", exact), std::vector<std::uint32_t>{});
}

TEST(SearchIndex, FindsTheSightsOfTheDemoCatalogue) {
    const ActivityCatalogue& catalogue = embeddedCatalogue();
    const SearchIndex index(catalogue);
    const std::pair<const char*, const char*> cases[] = {
        {"colo", "Colosseum"}, {"sacre coeur", "Sacré-Cœur"}, {"sagrada familia", "Sagrada Família"},
        {"machu pichu", "Machu Picchu"}, {"louvre", "Louvre"}, {"eiffel", "Eiffel Tower"},
    };
    for (const auto& [text, title] : cases) {
        const SearchPage page = index.search(text, 0, 10);
        ASSERT_FALSE(page.records.empty()) << text;
        EXPECT_NE(catalogue.activities[page.records[0]].title.find(title), std::string::npos)
            << text << " gave " << catalogue.activities[page.records[0]].title;
    }
}

}
}
