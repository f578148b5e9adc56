#pragma once

#include <string>
#include <string_view>

namespace wayfarer {

// The text of `key` in the strings table "Localizable", in the user's language, or
// "**key**" when the table has no such key. Safe from any thread.
std::string localized(std::string_view key);

}
