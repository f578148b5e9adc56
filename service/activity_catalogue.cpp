#include "activity_catalogue.h"

#include "wayfarer_catalogue_data.h"

#include <simdjson.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <random>
#include <unordered_set>

namespace wayfarer::service {

namespace {

std::optional<std::string> optionalString(simdjson::dom::object record, std::string_view key) {
    std::string_view text;
    if (record[key].get_string().get(text) != simdjson::SUCCESS)
        return std::nullopt;
    return std::string(text);
}

std::optional<std::int64_t> euroCents(simdjson::dom::object record) {
    double amount = 0;
    if (record["price_eur"].get_double().get(amount) != simdjson::SUCCESS) {
        std::int64_t whole = 0;
        if (record["price_eur"].get_int64().get(whole) != simdjson::SUCCESS)
            return std::nullopt;
        amount = static_cast<double>(whole);
    }
    if (!std::isfinite(amount) || amount < 0 || amount > 1e9)
        return std::nullopt;
    return std::llround(amount * 100);
}

platform::Error refusal(std::string reason) {
    return platform::Error{platform::ErrorCode::cannotParse, std::move(reason)};
}

CatalogueResult readParsed(simdjson::dom::element root) {
    simdjson::dom::array records;
    if (root["activities"].get_array().get(records) != simdjson::SUCCESS)
        return refusal("the catalogue has no \"activities\" array");
    ActivityCatalogue catalogue;
    std::unordered_set<std::string> seen;
    std::size_t index = 0;
    for (simdjson::dom::element element : records) {
        const std::string where = "activity " + std::to_string(index++);
        simdjson::dom::object record;
        if (element.get_object().get(record) != simdjson::SUCCESS)
            return refusal(where + " is not an object");
        Activity activity;
        auto uuid = optionalString(record, "uuid");
        auto title = optionalString(record, "title");
        if (!uuid || uuid->empty())
            return refusal(where + " has no uuid");
        if (!title || title->empty())
            return refusal(where + " has no title");
        if (!seen.insert(*uuid).second)
            return refusal(where + " repeats the uuid " + *uuid);
        activity.uuid = std::move(*uuid);
        activity.title = std::move(*title);
        activity.description = optionalString(record, "description");
        activity.city = optionalString(record, "city").value_or("");
        activity.country = optionalString(record, "country").value_or("");
        activity.continent = optionalString(record, "continent").value_or("");
        activity.category = optionalString(record, "category").value_or("");
        activity.operationalDays = optionalString(record, "operational_days");
        activity.priceEuroCents = euroCents(record);
        bool hasCover = true;
        if (record["has_cover"].get_bool().get(hasCover) == simdjson::SUCCESS)
            activity.hasCover = hasCover;
        catalogue.activities.push_back(std::move(activity));
    }
    return catalogue;
}

CatalogueResult parse(std::string_view json, bool padded) {
    simdjson::dom::parser parser;
    simdjson::dom::element root;
    const auto error = parser.parse(json.data(), json.size(), !padded).get(root);
    if (error != simdjson::SUCCESS)
        return refusal(std::string("the catalogue is not valid JSON: ") + simdjson::error_message(error));
    return readParsed(root);
}

}

const ActivityCatalogue& embeddedCatalogue() {
    static const ActivityCatalogue catalogue = [] {
        // Validated by the tests; a bad embedded file is a build fault, not a runtime error.
        const auto bytes = embedded::catalogue::find("activities.json");
        if (!bytes)
            return ActivityCatalogue{};
        auto result = parse(*bytes, true);
        return result ? std::move(*result) : ActivityCatalogue{};
    }();
    return catalogue;
}

CatalogueResult readCatalogue(std::string_view json) {
    return parse(json, false);
}

ActivityCatalogue generateCatalogue(std::size_t count, std::uint64_t seed) {
    static constexpr std::array<std::string_view, 12> variants{
        "morning tour", "evening tour", "private tour", "family tour", "tour with lunch",
        "photography walk", "small-group visit", "guided visit", "ticket and transfer",
        "premium experience", "tour in Spanish", "combo ticket"};
    static constexpr std::array<std::string_view, 30> syllables{
        "ka", "lo", "ri", "ven", "ta", "mor", "si", "dal", "ne", "vo", "quel", "ar",
        "bri", "zo", "mi", "tur", "pe", "ga", "lis", "do", "ran", "fe", "cor", "nu",
        "bel", "sa", "tri", "on", "mu", "ver"};
    const auto& demo = embeddedCatalogue().activities;
    ActivityCatalogue catalogue;
    if (demo.empty())
        return catalogue;
    catalogue.activities.reserve(count);
    std::mt19937_64 random(seed);
    for (std::size_t i = 0; i < count; ++i) {
        const Activity& base = demo[random() % demo.size()];
        // A made-up operator name per record gives the SearchIndex term dictionary a real
        // catalogue's long tail of rare words.
        std::string operatorName;
        for (int s = 0; s < 3; ++s)
            operatorName += syllables[random() % syllables.size()];
        operatorName[0] = static_cast<char>(operatorName[0] - 'a' + 'A');
        Activity activity = base;
        char uuid[48];
        std::snprintf(uuid, sizeof uuid, "%08llx-0000-4000-8000-%012llx",
                      static_cast<unsigned long long>(seed & 0xffffffffu),
                      static_cast<unsigned long long>(i));
        activity.uuid = uuid;
        const std::string_view sight = std::string_view(base.title).substr(0, base.title.find(':'));
        activity.title = std::string(sight) + ": " + std::string(variants[random() % variants.size()]) +
                         " by " + operatorName;
        if (activity.description)
            *activity.description += " Operated by " + operatorName + ".";
        if (activity.priceEuroCents)
            *activity.priceEuroCents += static_cast<std::int64_t>(random() % 4000) - 1000;
        if (activity.priceEuroCents && *activity.priceEuroCents < 500)
            activity.priceEuroCents = 500;
        catalogue.activities.push_back(std::move(activity));
    }
    return catalogue;
}

}
