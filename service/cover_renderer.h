#pragma once

#include "activity.h"

#include <string>

namespace wayfarer::service {

inline constexpr int coverWidth = 1200;
inline constexpr int coverHeight = 800;

// Paints the cover picture of an activity (a sky at a time of day, with a skyline, hills
// or mountains after its category and city, water for cities by the sea) and encodes it
// as a JPEG. The same activity always gives the same bytes. Empty only when the encoder
// fails.
std::string renderCover(const Activity& activity);

}
