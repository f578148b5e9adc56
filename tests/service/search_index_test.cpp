#include "service/search_index.h"
#include "service/text_folding.h"

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

TEST(SearchIndex, MatchesRanksAndPagesByTheSearchRules) {
    const ActivityCatalogue catalogue{{
        activity("Vatican Museums", "Rome", "Ends with a look at the Louvre of Rome.", "museum"),   // 0
        activity("Colosseum underground", "Rome", "Gladiators waited below the arena.", "landmark"), // 1
        activity("Montmartre & Sacré-Cœur", "Paris", "The painters' hill."),                         // 2
        activity("Louvre Museum", "Paris", "The Mona Lisa.", "museum"),                              // 3
        activity("St Mark's Basilica", "Venice", "Golden mosaics.", "religious"),                    // 4
        activity("Louvre night visit", "Paris", "", "museum"),                                       // 5
        activity("Colosseum at night", "Rome", "The arena by moonlight.", "landmark"),               // 6
        activity("Gondola ride", "Venice", "Far from Rome."),                                        // 7
    }};
    const SearchIndex index(catalogue);
    const struct {
        const char* text;
        std::vector<std::uint32_t> expected;
        const char* why;
        SearchOptions options{};  // every term, an empty text matches all, a fixed fuzziness
        std::size_t offset = 0, limit = 100;  // of records, not pages
    } cases[] = {
        {"rome colosseum", {1, 6}, "every term must match"},
        {"colosseum venice", {}, "no record holds both terms"},
        {"SACRÉ-CŒUR", {2}, "case, accents and ligatures fold"},
        {"coloseum rome", {1, 6}, "one edit allowed for a long term"},
        {"colossseumm rome", {1, 6}, "two edits allowed for a term of more than 5 characters"},
        {"cooossseumm rome", {}, "three edits are too many"},
        {"colsoseum rome", {1, 6}, "a swap of neighbours counts as one edit"},
        {"rone arena", {1, 6}, "one edit allowed for a term of 3 to 5 characters"},
        {"rxne arena", {}, "two edits too many for a 4-character term"},
        {"st mosaics", {4}, "a 2-character term matches exactly"},
        {"sx mosaics", {}, "no edit for a 2-character term"},
        {"colo rome", {}, "a term before the last does not match as a prefix"},
        {"rome colo", {1, 6}, "the last term matches as a prefix"},
        {"arena", {1, 6}, "equal matches keep catalogue order"},
        {"", {}, "an empty text matches nothing"},
        {"louvre", {3, 5, 0}, "title matches before the one in a description, first in the catalogue"},
        {"museums", {0, 3, 5}, "an exact title match, then a fuzzy one, then the category"},
        {"rome", {0, 1, 6, 7}, "a match in the city before one in the description"},
        {"venice paris", {2, 3, 4, 5, 7}, "any term", {false, false, {}}},
        {"", {0, 1, 2, 3, 4, 5, 6, 7}, "an empty text matches all", {true, true, {}}},
        {"colloseum rome", {}, "no edit allowed", {true, false, 0}},
        {"rome", {1, 6}, "a page from a record offset", {}, 1, 2},
        {"rome", {}, "a page past the end", {}, 4, 10},
        {"", {5, 6}, "a page of all", {true, true, {}}, 5, 2},
        {"", {}, "a page of all past the end", {true, true, {}}, 8, 2},
    };
    for (const auto& c : cases)
        EXPECT_EQ(index.search(c.text, c.offset, c.limit, c.options).records, c.expected) << c.text << ": " << c.why;
    EXPECT_EQ(index.search("rome", 1, 2).total, 4u) << "the total counts every match, not the page";
    EXPECT_EQ(index.search("", 5, 2, {true, true, {}}).total, 8u);
    // The exact city outranks a misspelling in a title: "rome" is not "dome".
    const ActivityCatalogue domes{{activity("Dome climb", "Florence", "The cupola."), activity("Catacombs", "Rome", "Tombs.")}};
    EXPECT_EQ(SearchIndex(domes).search("rome", 0, 100).records, (std::vector<std::uint32_t>{1, 0}));
}

TEST(TextFolding, SplitsAndFoldsTermsAndCountsCharactersNotBytes) {
    const struct { const char* text; std::vector<std::string> terms; } cases[] = {
        {"Sacré-Cœur", {"sacre", "coeur"}},
        {"SAGRADA FAMÍLIA", {"sagrada", "familia"}},
        {"Straße Æbleskiver", {"strasse", "aebleskiver"}},
        {"Český Krumlov, Łódź", {"cesky", "krumlov", "lodz"}},
        {"St. Peter's Basilica", {"st", "peter", "s", "basilica"}},
        {"Pastéis de Belém", {"pasteis", "de", "belem"}},
        // A decomposed accent (e + combining acute) folds like the composed letter.
        {"Cafe\xCC\x81 9/11", {"cafe", "9", "11"}},
        {"Kiyomizu‑dera — 清水寺", {"kiyomizu", "dera", "清水寺"}},
        {"", {}},
        // Malformed UTF-8 separates terms instead of ending up inside one.
        {"ab\xC3" "cd\xFF" "ef", {"ab", "cd", "ef"}},
        {"×÷", {}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(searchTerms(c.text), c.terms) << c.text;
    EXPECT_EQ(characterCount("rome"), 4u);
    EXPECT_EQ(characterCount("清水寺"), 3u);
    EXPECT_EQ(characterCount(""), 0u);
}

}
}
