#include "hearts.h"

#include "catalogue/attraction.h"
#include "texts.h"
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

void showLike(ui::Button& heart, bool liked, shell::ImageAsset unliked) {
    heart.setImage(heartImage(liked ? shell::ImageAsset::heartFill : unliked), ui::ControlState::normal);
    heart.setSelected(liked);
    heart.setAccessibleName(localizedText(liked ? "accessibility_unlike" : "accessibility_like"));
}

void flipLike(Attraction& attraction, ui::Button& heart) {
    attraction.userDidLike = !attraction.userDidLike;
    showLike(heart, attraction.userDidLike, shell::ImageAsset::heartWhite);
}

}
