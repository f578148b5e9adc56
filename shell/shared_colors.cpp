#include "shared_colors.h"

namespace wayfarer::shell {

const ui::Color& coralColor() {
    static const ui::Color coral = ui::Color::fromRgb(1.0, 110.0 / 255.0, 91.0 / 255.0);
    return coral;
}

const ui::Color& amberColor() {
    static const ui::Color amber = ui::Color::fromRgb(1.0, 196.0 / 255.0, 96.0 / 255.0);
    return amber;
}

}
