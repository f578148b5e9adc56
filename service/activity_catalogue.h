#pragma once

#include "activity.h"

#include "platform/result.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace wayfarer::service {

// In catalogue order, which breaks ranking ties.
struct ActivityCatalogue {
    std::vector<Activity> activities;
};

using CatalogueResult = platform::Result<ActivityCatalogue>;

// Compiled into the binary.
const ActivityCatalogue& embeddedCatalogue();

// Reads a catalogue document: {"activities": [{"uuid", "title", "city", "country",
// "continent", "category", "description"?, "operational_days"?, "price_eur"?,
// "has_cover"?}, ...]}. Every record needs a unique, non-empty uuid and a title.
CatalogueResult readCatalogue(std::string_view json);

// Deterministic in (count, seed): the demo sights with varied titles and operators,
// for scale tests and benchmarks.
ActivityCatalogue generateCatalogue(std::size_t count, std::uint64_t seed = 1);

}
