#pragma once

#include "activity.h"

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wayfarer::service {

// The activities a server offers, in their stable catalogue order.
struct ActivityCatalogue {
    std::vector<Activity> activities;
};

// A catalogue, or the reason it could not be read (the error's detail).
using CatalogueResult = platform::Result<ActivityCatalogue>;

// The demo catalogue carried inside the binary.
const ActivityCatalogue& embeddedCatalogue();

// Reads a catalogue document: {"activities": [{"uuid", "title", "city", "country",
// "continent", "category", "description"?, "operational_days"?, "price_eur"?,
// "has_cover"?}, ...]}. Every record needs a unique, non-empty uuid and a title.
CatalogueResult readCatalogue(std::string_view json);

// A catalogue of `count` activities made from the demo catalogue's sights, with
// varied titles and operators, for scale tests. The same count and seed give the
// same catalogue.
ActivityCatalogue generateCatalogue(std::size_t count, std::uint64_t seed = 1);

}
