#pragma once

#include "catalogue/data_manager.h"

#include <ostream>
#include <string>
#include <string_view>

namespace wayfarer::tools {

// DataManager's state as JSON:
// {"attractions": [...], "count": N, "offsetPage": K, "didFinishLoading": B}.
void writeJson(std::ostream& out, const DataManager& session);
// Human-readable table.
void writeTable(std::ostream& out, const DataManager& session);
std::string jsonString(std::string_view text);

}
