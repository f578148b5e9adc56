#pragma once

namespace wayfarer::ui {

// The major version of the phone platform whose behaviour the toolkit follows. The
// screens branch on it in a few places; in use it is 13 or later, and tests set an
// older one to reach the earlier branches.
int platformVersion();
void setPlatformVersion(int major);

// Whether transitions (presentation, navigation, alerts) animate. Tests turn them off so
// that every change is complete when the call returns.
bool animationsEnabled();
void setAnimationsEnabled(bool enabled);

}
