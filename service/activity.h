#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace wayfarer::service {

// Prices in euro cents, converted per answer so every currency derives from one figure.
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
