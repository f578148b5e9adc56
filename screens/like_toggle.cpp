#include "like_toggle.h"

#include "catalogue/attraction.h"
#include "shell/image_asset.h"
#include "ui/button.h"

namespace wayfarer {

void flipLike(Attraction& attraction, ui::Button& heart) {
    attraction.userDidLike = !attraction.userDidLike;
    heart.setImage(shell::image(attraction.userDidLike ? shell::ImageAsset::heartFill : shell::ImageAsset::heartWhite),
                   ui::ControlState::normal);
}

}
