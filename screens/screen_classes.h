#pragma once

#include "shell/controller_classes.h"

namespace wayfarer {

// Makes the screens' views and cells known to the interface files that name them. Safe
// to call more than once.
void registerScreenViews();

// The screen classes that interface files may name: the welcome screen.
const shell::ControllerClasses& screenControllerClasses();

}
