#include "environment.h"

#include <atomic>

namespace wayfarer::ui {

namespace {
std::atomic<int> currentVersion = 13;
std::atomic<bool> animationsOn = true;
}

int platformVersion() { return currentVersion.load(); }
void setPlatformVersion(int major) { currentVersion.store(major); }

bool animationsEnabled() { return animationsOn.load(); }
void setAnimationsEnabled(bool enabled) { animationsOn.store(enabled); }

}
