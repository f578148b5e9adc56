#pragma once

namespace wayfarer {

class Attraction;

namespace ui {
class Button;
}

// Flips the record's like and shows the new state on the tapped heart: filled when
// liked, white when not. Shared by the list's hearts and the detail screen's.
void flipLike(Attraction& attraction, ui::Button& heart);

}
