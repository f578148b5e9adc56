#include "search_output.h"

#include "platform/image.h"

#include <cstdio>
#include <iomanip>

namespace wayfarer::tools {

std::string jsonString(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += c;
            }
        }
    }
    return out + "\"";
}

namespace {

std::string jsonOptional(const std::optional<std::string>& text) { return text ? jsonString(*text) : "null"; }

std::string coverSize(const Attraction& record) {
    if (!record.coverImg)
        return {};
    return std::to_string(record.coverImg->width()) + "x" + std::to_string(record.coverImg->height());
}

// At most `width` UTF-8 code points, the last one U+2026 when cut.
std::string clip(const std::string& text, std::size_t width) {
    std::size_t points = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if ((static_cast<unsigned char>(text[i]) & 0xC0) == 0x80)
            continue;
        if (++points == width)
            return i + 1 < text.size() ? text.substr(0, i) + "\xE2\x80\xA6" : text;
    }
    return text;
}

std::size_t codePoints(const std::string& text) {
    std::size_t points = 0;
    for (const char c : text)
        points += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return points;
}

void writeCell(std::ostream& out, const std::string& text, std::size_t width) {
    const std::string clipped = clip(text, width);
    out << clipped << std::string(width + 2 - std::min(width, codePoints(clipped)), ' ');
}

}

void writeJson(std::ostream& out, const DataManager& session) {
    out << "{\"attractions\": [";
    bool first = true;
    for (const auto& record : session.attractions()) {
        out << (first ? "\n  " : ",\n  ");
        first = false;
        out << "{\"uuid\": " << jsonString(record->uuid) << ", \"title\": " << jsonOptional(record->title)
            << ", \"description\": " << jsonOptional(record->description)
            << ", \"coverURL\": " << (record->coverURL ? jsonString(record->coverURL->string()) : "null")
            << ", \"price\": " << jsonOptional(record->price)
            << ", \"operationalDays\": " << jsonOptional(record->operationalDays)
            << ", \"userDidLike\": " << (record->userDidLike ? "true" : "false")
            << ", \"didLoadImage\": " << (record->didLoadImage ? "true" : "false") << ", \"coverImage\": ";
        if (record->coverImg)
            out << "{\"width\": " << record->coverImg->width() << ", \"height\": " << record->coverImg->height() << "}";
        else
            out << "null";
        out << "}";
    }
    out << (first ? "]" : "\n]") << ", \"count\": " << session.count()
        << ", \"offsetPage\": " << session.offsetPage()
        << ", \"didFinishLoading\": " << (session.didFinishLoading() ? "true" : "false") << "}\n";
}

void writeTable(std::ostream& out, const DataManager& session) {
    out << std::left;
    writeCell(out, "#", 4);
    writeCell(out, "Title", 56);
    writeCell(out, "Price", 12);
    writeCell(out, "Days", 16);
    out << "Cover\n";
    std::size_t row = 0;
    for (const auto& record : session.attractions()) {
        writeCell(out, std::to_string(++row), 4);
        writeCell(out, record->title.value_or("-"), 56);
        writeCell(out, record->price.value_or("-"), 12);
        writeCell(out, record->operationalDays.value_or("-"), 16);
        const std::string size = coverSize(*record);
        out << (size.empty() ? (record->didLoadImage ? "none" : "-") : size) << "\n";
    }
    out << session.attractions().size() << " shown of " << session.count() << " found, page "
        << session.offsetPage() << (session.didFinishLoading() ? ", the end of the results" : "") << "\n";
}

}
