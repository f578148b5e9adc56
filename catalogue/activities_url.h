#pragma once

#include "platform/url.h"

#include <cstdint>
#include <optional>
#include <string_view>

namespace wayfarer {

// baseURL + activities path + nine query items. nullopt when `text` has fewer than 3
// characters or any byte besides [A-Za-z0-9 %], or URL::parse fails. Only spaces are
// escaped (%20). `offset` is a page number.
std::optional<platform::URL> activitiesURL(std::string_view baseURL, std::string_view text, std::int64_t offset);

}
