#pragma once

#include "activity_catalogue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wayfarer::service {

// Mirrors the activities request's query items.
struct SearchOptions {
    // text_operator: AND when every term must match, OR when one is enough.
    bool everyTerm = true;
    // zero_terms_query: whether a text without terms matches every record (ALL) or none.
    bool emptyTextMatchesAll = false;
    // fuzziness_level: a fixed number of edits, or nothing for AUTO (0 edits for terms of
    // 1 or 2 characters, 1 for 3 to 5, 2 for longer).
    std::optional<int> fixedFuzziness;
};

// One page of ranked records plus the total match count.
struct SearchPage {
    std::size_t total = 0;
    std::vector<std::uint32_t> records;  // indices into the catalogue
};

// Inverted index over title, city, country, category and description. Terms match
// exactly, within the allowed edits (optimal string alignment: a transposition is one
// edit), and the last term also as a word prefix. Ranked by field (title first), then
// closeness, ties in catalogue order. search() is const and thread-safe.
class SearchIndex {
public:
    explicit SearchIndex(const ActivityCatalogue& catalogue);

    // Here `offset` is a record index, not a page number.
    SearchPage search(std::string_view text, std::size_t offset, std::size_t limit,
                      const SearchOptions& options = {}) const;

    std::size_t termCount() const { return terms_.size(); }

private:
    struct Posting {
        std::uint32_t record;
        std::uint8_t fields;  // Field bits where the term occurs
    };
    struct TermMatch {
        std::uint32_t term;
        float quality;
    };

    std::vector<TermMatch> matchingTerms(const std::string& term, bool isLast, const SearchOptions& options) const;

    std::vector<std::string> terms_;                  // sorted, for prefix look-up
    std::vector<std::vector<Posting>> postings_;      // per term, in record order
    std::vector<std::vector<std::uint32_t>> byLength_;  // term ids by character count
    std::vector<std::uint64_t> masks_;                 // letterMask per term
    std::size_t recordCount_ = 0;
};

}
