#include "hearts.h"

#include "catalogue/attraction.h"
#include "ui/button.h"

namespace wayfarer {

const std::optional<ui::Image>& heartImage(shell::ImageAsset heart) {
    static const std::optional<ui::Image> fill = shell::image(shell::ImageAsset::heartFill);
    static const std::optional<ui::Image> white = shell::image(shell::ImageAsset::heartWhite);
    static const std::optional<ui::Image> black = shell::image(shell::ImageAsset::heartBlack);
    switch (heart) {
    case shell::ImageAsset::heartFill: return fill;
    case shell::ImageAsset::heartWhite: return white;
    default: return black;
    }
}

void flipLike(Attraction& attraction, ui::Button& heart) {
    attraction.userDidLike = !attraction.userDidLike;
    heart.setImage(heartImage(attraction.userDidLike ? shell::ImageAsset::heartFill : shell::ImageAsset::heartWhite),
                   ui::ControlState::normal);
}

}
