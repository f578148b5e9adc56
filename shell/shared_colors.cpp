#include "shared_colors.h"

namespace wayfarer::shell {

const ui::Color& coralColor() {
    static const ui::Color coral = ui::Color(QColor(255, 110, 91));
    return coral;
}

const ui::Color& amberColor() {
    static const ui::Color amber = ui::Color(QColor(255, 196, 96));
    return amber;
}

}
