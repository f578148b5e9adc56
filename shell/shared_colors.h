#pragma once

#include "ui/color.h"

namespace wayfarer::shell {

// The application's two accent colours, each made once and the same object on every call.
const ui::Color& coralColor();
const ui::Color& amberColor();

}
