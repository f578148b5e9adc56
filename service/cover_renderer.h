#pragma once

#include "activity.h"

#include <string>

namespace wayfarer::service {

inline constexpr int coverWidth = 1200;
inline constexpr int coverHeight = 800;

// A procedural JPEG cover (sky by time of day; skyline, hills or mountains by category
// and city; water for coastal cities). Deterministic per activity; empty only when the
// JPEG encoder fails.
std::string renderCover(const Activity& activity);

}
