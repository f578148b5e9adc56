#pragma once

#include <string>
#include <string_view>

namespace wayfarer {

// bundledText("Localizable", key), or "**key**" when missing. Thread-safe.
std::string localized(std::string_view key);

}
