#pragma once

#include "shell/image_asset.h"

#include <optional>

namespace wayfarer {

class Attraction;

namespace ui {
class Button;
}

// One of the hearts, read once and then shared by every card: a list shows the same two
// hearts in every row, and each picture keeps its rendering at the size it is shown.
const std::optional<ui::Image>& heartImage(shell::ImageAsset heart);

// Shows on `heart` whether the record is liked: the filled heart when it is, else the
// `unliked` one. A screen reader reads the heart as a toggle, checked when liked, named
// after what a tap does: "Like", or "Unlike".
void showLike(ui::Button& heart, bool liked, shell::ImageAsset unliked);

// Flips the record's like and shows the new state on the tapped heart: filled when
// liked, white when not. Shared by the list's hearts and the detail screen's.
void flipLike(Attraction& attraction, ui::Button& heart);

}
