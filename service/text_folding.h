#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wayfarer::service {

// Lower-cased letter/digit runs with Latin diacritics folded ("Sacré-Cœur" -> "sacre",
// "coeur"; "Straße" -> "strasse"); other scripts kept as is. Punctuation, spaces, symbols
// and invalid UTF-8 separate terms.
std::vector<std::string> searchTerms(std::string_view text);

// Code points, not bytes.
std::size_t characterCount(std::string_view term);

}
