#pragma once

#include "platform/url.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace wayfarer {

// The address of one activities search: the base address of the catalogue service,
// its activities path and nine query items, or nothing when the text is refused
// (fewer than 3 characters, or a character other than an ASCII letter, a digit, a
// space or '%') or the result does not parse as a URL. Spaces travel as %20; nothing
// else is escaped. `offset` is the page number as the session counts it.
std::optional<platform::URL> activitiesURL(std::string_view baseURL, std::string_view text, std::int64_t offset);

}
