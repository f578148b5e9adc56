#include "search_index.h"

#include "text_folding.h"

#include <algorithm>
#include <array>
#include <bit>
#include <unordered_map>

namespace wayfarer::service {

namespace {

enum Field : std::uint8_t { title = 1, city = 2, country = 4, category = 8, description = 16 };

// A title match outweighs any other field's, so title hits rank first.
float fieldWeight(std::uint8_t fields) {
    if (fields & title) return 1000;
    if (fields & city) return 100;
    if (fields & country) return 60;
    if (fields & category) return 30;
    return 10;
}

int autoFuzziness(std::size_t characters) {
    return characters <= 2 ? 0 : characters <= 5 ? 1 : 2;
}

// Optimal string alignment (restricted Damerau-Levenshtein) distance, cut off at
// limit + 1. Terms longer than maxFuzzyLength bytes only match exactly.
constexpr std::size_t maxFuzzyLength = 48;

int boundedDistance(std::string_view a, std::string_view b, int limit) {
    const std::size_t n = a.size(), m = b.size();
    if ((n > m ? n - m : m - n) > static_cast<std::size_t>(limit) || n > maxFuzzyLength || m > maxFuzzyLength)
        return limit + 1;
    std::array<std::array<int, maxFuzzyLength + 1>, 3> rows;
    auto* previous2 = &rows[0];
    auto* previous = &rows[1];
    auto* current = &rows[2];
    for (std::size_t j = 0; j <= m; ++j)
        (*previous)[j] = static_cast<int>(j);
    for (std::size_t i = 1; i <= n; ++i) {
        (*current)[0] = static_cast<int>(i);
        int rowMinimum = (*current)[0];
        for (std::size_t j = 1; j <= m; ++j) {
            const int cost = a[i - 1] == b[j - 1] ? 0 : 1;
            int value = std::min({(*previous)[j] + 1, (*current)[j - 1] + 1, (*previous)[j - 1] + cost});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                value = std::min(value, (*previous2)[j - 2] + 1);
            (*current)[j] = value;
            rowMinimum = std::min(rowMinimum, value);
        }
        if (rowMinimum > limit)
            return limit + 1;
        std::swap(previous2, previous);
        std::swap(previous, current);
    }
    return (*previous)[m];
}

// One bit per letter/digit present (other bytes fold onto bits 36-51). An edit adds at
// most one letter and removes at most one, so fewestEdits (the larger one-sided popcount)
// is a lower bound on the distance: a cheap filter before boundedDistance.
std::uint64_t letterMask(std::string_view term) {
    std::uint64_t mask = 0;
    for (const char c : term) {
        const auto byte = static_cast<unsigned char>(c);
        const int bit = byte >= 'a' && byte <= 'z' ? byte - 'a' : byte >= '0' && byte <= '9' ? 26 + byte - '0' : 36 + (byte & 15);
        mask |= std::uint64_t{1} << bit;
    }
    return mask;
}

int fewestEdits(std::uint64_t a, std::uint64_t b) {
    return std::max(std::popcount(a & ~b), std::popcount(b & ~a));
}

// thread_local, sized to the largest index searched; each search leaves them zeroed.
struct Scratch {
    std::vector<float> termScore;
    std::vector<float> total;
    std::vector<std::uint16_t> matchedTerms;
    std::vector<std::uint32_t> touchedByTerm;
    std::vector<std::uint32_t> touched;

    void fit(std::size_t records) {
        if (termScore.size() < records) {
            termScore.resize(records, 0);
            total.resize(records, 0);
            matchedTerms.resize(records, 0);
        }
    }
};

}

SearchIndex::SearchIndex(const ActivityCatalogue& catalogue) : recordCount_(catalogue.activities.size()) {
    std::unordered_map<std::string, std::vector<Posting>> postings;
    for (std::uint32_t record = 0; record < catalogue.activities.size(); ++record) {
        const Activity& activity = catalogue.activities[record];
        const auto add = [&](std::string_view text, Field field) {
            for (auto& term : searchTerms(text)) {
                auto& list = postings[std::move(term)];
                if (!list.empty() && list.back().record == record)
                    list.back().fields |= field;
                else
                    list.push_back({record, field});
            }
        };
        add(activity.title, title);
        add(activity.city, city);
        add(activity.country, country);
        add(activity.category, category);
        if (activity.description)
            add(*activity.description, description);
    }
    terms_.reserve(postings.size());
    for (const auto& entry : postings)
        terms_.push_back(entry.first);
    std::sort(terms_.begin(), terms_.end());
    postings_.reserve(terms_.size());
    for (std::uint32_t id = 0; id < terms_.size(); ++id) {
        postings_.push_back(std::move(postings[terms_[id]]));
        const std::size_t length = characterCount(terms_[id]);
        if (byLength_.size() <= length)
            byLength_.resize(length + 1);
        byLength_[length].push_back(id);
        masks_.push_back(letterMask(terms_[id]));
    }
}

std::vector<SearchIndex::TermMatch> SearchIndex::matchingTerms(const std::string& term, bool isLast,
                                                               const SearchOptions& options) const {
    std::vector<TermMatch> matches;
    const auto consider = [&](std::uint32_t id, float quality) {
        for (auto& match : matches)
            if (match.term == id) {
                match.quality = std::max(match.quality, quality);
                return;
            }
        matches.push_back({id, quality});
    };
    if (isLast) {
        // The sorted terms that start with `term` form one run, the exact term first.
        for (auto it = std::lower_bound(terms_.begin(), terms_.end(), term);
             it != terms_.end() && it->compare(0, term.size(), term) == 0; ++it)
            matches.push_back({static_cast<std::uint32_t>(it - terms_.begin()), *it == term ? 1.0f : 0.9f});
    } else if (auto it = std::lower_bound(terms_.begin(), terms_.end(), term); it != terms_.end() && *it == term) {
        matches.push_back({static_cast<std::uint32_t>(it - terms_.begin()), 1.0f});
    }
    const std::size_t length = characterCount(term);
    const int edits = std::clamp(options.fixedFuzziness.value_or(autoFuzziness(length)), 0, 2);
    if (edits == 0)
        return matches;
    const std::size_t from = length > static_cast<std::size_t>(edits) ? length - static_cast<std::size_t>(edits) : 0;
    const std::uint64_t mask = letterMask(term);
    for (std::size_t bucket = from; bucket <= length + static_cast<std::size_t>(edits) && bucket < byLength_.size(); ++bucket)
        for (const std::uint32_t id : byLength_[bucket]) {
            if (fewestEdits(mask, masks_[id]) > edits)
                continue;
            const int distance = boundedDistance(term, terms_[id], edits);
            // Fuzzy matches weigh 0.1, so "rome" in a city outranks "dome" in a title.
            if (distance > 0 && distance <= edits)
                consider(id, distance == 1 ? 0.08f : 0.06f);
        }
    return matches;
}

SearchPage SearchIndex::search(std::string_view text, std::size_t offset, std::size_t limit,
                               const SearchOptions& options) const {
    SearchPage page;
    const auto queryTerms = searchTerms(text);
    std::vector<std::uint32_t> ranked;
    if (queryTerms.empty()) {
        if (!options.emptyTextMatchesAll)
            return page;
        page.total = recordCount_;
        for (std::size_t r = offset; r < recordCount_ && r - offset < limit; ++r)
            page.records.push_back(static_cast<std::uint32_t>(r));
        return page;
    }

    thread_local Scratch scratch;
    scratch.fit(recordCount_);
    for (std::size_t i = 0; i < queryTerms.size(); ++i) {
        for (const TermMatch& match : matchingTerms(queryTerms[i], i + 1 == queryTerms.size(), options))
            for (const Posting& posting : postings_[match.term]) {
                float& score = scratch.termScore[posting.record];
                if (score == 0)
                    scratch.touchedByTerm.push_back(posting.record);
                score = std::max(score, match.quality * fieldWeight(posting.fields));
            }
        for (const std::uint32_t record : scratch.touchedByTerm) {
            if (scratch.matchedTerms[record] == 0)
                scratch.touched.push_back(record);
            scratch.total[record] += scratch.termScore[record];
            scratch.matchedTerms[record] += 1;
            scratch.termScore[record] = 0;
        }
        scratch.touchedByTerm.clear();
    }

    const std::size_t needed = options.everyTerm ? queryTerms.size() : 1;
    for (const std::uint32_t record : scratch.touched)
        if (scratch.matchedTerms[record] >= needed)
            ranked.push_back(record);
    page.total = ranked.size();
    if (offset < ranked.size()) {
        const auto before = [&](std::uint32_t a, std::uint32_t b) {
            return scratch.total[a] != scratch.total[b] ? scratch.total[a] > scratch.total[b] : a < b;
        };
        const std::size_t end = offset + std::min(limit, ranked.size() - offset);
        std::partial_sort(ranked.begin(), ranked.begin() + static_cast<std::ptrdiff_t>(end), ranked.end(), before);
        page.records.assign(ranked.begin() + static_cast<std::ptrdiff_t>(offset),
                            ranked.begin() + static_cast<std::ptrdiff_t>(end));
    }
    for (const std::uint32_t record : scratch.touched) {
        scratch.total[record] = 0;
        scratch.matchedTerms[record] = 0;
    }
    scratch.touched.clear();
    return page;
}

}
