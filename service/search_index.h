#pragma once

#include "activity_catalogue.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace wayfarer::service {

// How a search text is matched, after the query items of the activities request.
struct SearchOptions {
    // text_operator: AND when every term must match, OR when one is enough.
    bool everyTerm = true;
    // zero_terms_query: whether a text without terms matches every record (ALL) or none.
    bool emptyTextMatchesAll = false;
    // fuzziness_level: a fixed number of edits, or nothing for AUTO (0 edits for terms of
    // 1 or 2 characters, 1 for 3 to 5, 2 for longer).
    std::optional<int> fixedFuzziness;
};

// The records of one page of a ranked result, with the number of all matches.
struct SearchPage {
    std::size_t total = 0;
    std::vector<std::uint32_t> records;  // indices into the catalogue
};

// An inverted index over the searchable fields of a catalogue (title, city, country,
// category, description). Terms match exactly, within the allowed edits (a swap of two
// neighbouring letters counts as one), and, for the last term of the text, as the
// prefix of a word. Results are ranked by where their terms matched (the title first),
// then by how closely, ties in catalogue order. Safe to search from several threads.
class SearchIndex {
public:
    explicit SearchIndex(const ActivityCatalogue& catalogue);

    // Records offset to offset + limit - 1 of the ranked matches of `text`.
    SearchPage search(std::string_view text, std::size_t offset, std::size_t limit,
                      const SearchOptions& options = {}) const;

    std::size_t termCount() const { return terms_.size(); }

private:
    struct Posting {
        std::uint32_t record;
        std::uint8_t fields;  // bit set of the fields holding the term
    };
    struct TermMatch {
        std::uint32_t term;
        float quality;
    };

    std::vector<TermMatch> matchingTerms(const std::string& term, bool isLast, const SearchOptions& options) const;

    std::vector<std::string> terms_;                  // sorted, for prefix look-up
    std::vector<std::vector<Posting>> postings_;      // per term, in record order
    std::vector<std::vector<std::uint32_t>> byLength_;  // term ids by character count
    std::vector<std::uint64_t> masks_;                 // per term, for the fuzzy match
    std::size_t recordCount_ = 0;
};

}
