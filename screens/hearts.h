#pragma once

#include "shell/image_asset.h"

#include <optional>

namespace wayfarer {

class Attraction;

namespace ui {
class Button;
}

// The heart asset, loaded once and shared so each ui::Image keeps its cached rendering.
const std::optional<ui::Image>& heartImage(shell::ImageAsset heart);

// heartFill and selected (QAccessible::CheckBox checked) when liked, else `unliked`; the
// accessible name is the tap's effect, "accessibility_like" or "accessibility_unlike".
void showLike(ui::Button& heart, bool liked, shell::ImageAsset unliked);

// Flips userDidLike and shows it on `heart`, heartWhite when unliked.
void flipLike(Attraction& attraction, ui::Button& heart);

}
