#include "service/text_folding.h"

#include <gtest/gtest.h>

namespace wayfarer::service {
namespace {

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
        {"  ", {}},
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
