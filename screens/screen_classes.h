#pragma once

#include "shell/controller_classes.h"

namespace wayfarer {

// Registers the screens' widget classes for the interface files; idempotent.
void registerScreenViews();

// The controller classes the interface files may name.
const shell::ControllerClasses& screenControllerClasses();

}
