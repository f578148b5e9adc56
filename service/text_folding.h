#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace wayfarer::service {

// Splits UTF-8 text into search terms: runs of letters and digits, lower-cased, with the
// accents of the Latin alphabets folded away ("Sacré-Cœur" gives "sacre" and "coeur",
// "Straße" gives "strasse"). Letters of other scripts are kept as they are; punctuation,
// spaces and symbols separate terms. Bytes that are not valid UTF-8 separate terms too.
std::vector<std::string> searchTerms(std::string_view text);

// The number of characters (code points) of a UTF-8 term.
std::size_t characterCount(std::string_view term);

}
