#pragma once

namespace wayfarer::ui {

// The platform version whose behaviour the toolkit follows: 13; tests set 12 for the older one.
int platformVersion();
void setPlatformVersion(int major);

// Whether transitions animate; off, each is complete when the call returns.
bool animationsEnabled();
void setAnimationsEnabled(bool enabled);

}
