#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace wayfarer::service {

// One activity as the catalogue stores it. Prices are kept in euro cents and converted
// when an answer is written, so that every currency comes from the same figure.
struct Activity {
    std::string uuid;
    std::string title;
    std::optional<std::string> description;
    std::string city;
    std::string country;
    std::string continent;
    std::string category;
    std::optional<std::string> operationalDays;
    std::optional<std::int64_t> priceEuroCents;
    bool hasCover = true;
};

}
