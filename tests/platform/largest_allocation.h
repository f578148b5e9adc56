#pragma once

#include <cstddef>

namespace wayfarer::testing {

// The largest single request made of the global operator new, on any thread, since the
// last reset; tells whether code took memory for something it should have refused first.
void resetLargestAllocation();
std::size_t largestAllocation();

}
