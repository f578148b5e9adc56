#include "text_folding.h"

#include <array>
#include <cstdint>

namespace wayfarer::service {

namespace {

// Folded forms of U+00C0 to U+00FF; an empty entry is a separator (× and ÷).
constexpr std::array<std::string_view, 64> latin1{
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th", "ss",
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i", "i",
    "d", "n", "o", "o", "o", "o", "o", "", "o", "u", "u", "u", "u", "y", "th", "y"};

// Folded forms of Latin Extended-A, U+0100 to U+017F.
constexpr std::array<std::string_view, 128> latinExtendedA{
    "a", "a", "a", "a", "a", "a", "c", "c", "c", "c", "c", "c", "c", "c", "d", "d",
    "d", "d", "e", "e", "e", "e", "e", "e", "e", "e", "e", "e", "g", "g", "g", "g",
    "g", "g", "g", "g", "h", "h", "h", "h", "i", "i", "i", "i", "i", "i", "i", "i",
    "i", "i", "ij", "ij", "j", "j", "k", "k", "k", "l", "l", "l", "l", "l", "l", "l",
    "l", "l", "l", "n", "n", "n", "n", "n", "n", "n", "n", "n", "o", "o", "o", "o",
    "o", "o", "oe", "oe", "r", "r", "r", "r", "r", "r", "s", "s", "s", "s", "s", "s",
    "s", "s", "t", "t", "t", "t", "t", "t", "u", "u", "u", "u", "u", "u", "u", "u",
    "u", "u", "u", "u", "w", "w", "y", "y", "y", "z", "z", "z", "z", "z", "z", "s"};

constexpr char32_t invalid = 0xFFFFFFFF;

// UTF-8; malformed input yields `invalid`.
char32_t decode(std::string_view text, std::size_t& at) {
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(text[i]); };
    const unsigned char lead = byte(at);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
    if (length == 0 || at + length > text.size()) {
        ++at;
        return invalid;
    }
    char32_t code = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80) {
            at += i;
            return invalid;
        }
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    at += length;
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < smallest[length] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return invalid;
    return code;
}

void appendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

// Appends the folded form of a code point to `term`; returns false for a separator.
bool fold(char32_t code, std::string& term) {
    if (code == invalid)
        return false;
    if (code < 0x80) {
        if (code >= 'A' && code <= 'Z') {
            term += static_cast<char>(code - 'A' + 'a');
            return true;
        }
        if ((code >= 'a' && code <= 'z') || (code >= '0' && code <= '9')) {
            term += static_cast<char>(code);
            return true;
        }
        return false;
    }
    if (code >= 0xC0 && code <= 0xFF) {
        const auto folded = latin1[code - 0xC0];
        term += folded;
        return !folded.empty();
    }
    if (code >= 0x100 && code <= 0x17F) {
        term += latinExtendedA[code - 0x100];
        return true;
    }
    switch (code) {
    case 0x218: case 0x219: term += 's'; return true;  // Ș ș
    case 0x21A: case 0x21B: term += 't'; return true;  // Ț ț
    default: break;
    }
    // Below U+0370 the rest is Latin Extended-B, phonetic letters, spacing modifiers and
    // combining marks; the marks are dropped so that decomposed accents fold like
    // composed ones. General punctuation, symbols and spaces separate terms.
    if (code >= 0x300 && code <= 0x36F)
        return true;
    if ((code >= 0x2000 && code <= 0x2BFF) || (code >= 0x3000 && code <= 0x303F) || code == 0xA0 ||
        (code >= 0x80 && code < 0xC0) || (code >= 0xFE00 && code <= 0xFE0F) || code == 0xFEFF)
        return false;
    appendUtf8(term, code);
    return true;
}

}

std::vector<std::string> searchTerms(std::string_view text) {
    std::vector<std::string> terms;
    std::string term;
    std::size_t at = 0;
    while (at < text.size()) {
        if (!fold(decode(text, at), term) && !term.empty())
            terms.push_back(std::move(term)), term.clear();
    }
    if (!term.empty())
        terms.push_back(std::move(term));
    return terms;
}

std::size_t characterCount(std::string_view term) {
    std::size_t count = 0;
    for (const char c : term)
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return count;
}

}
