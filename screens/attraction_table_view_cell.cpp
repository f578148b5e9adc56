#include "attraction_table_view_cell.h"

#include "catalogue/attraction.h"
#include "cover_image.h"
#include "hearts.h"
#include "texts.h"
#include "shell/shared_colors.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image_view.h"
#include "ui/label.h"

namespace wayfarer {

AttractionTableViewCell::AttractionTableViewCell(QWidget* parent) : ui::TableViewCell(parent) {}

void AttractionTableViewCell::declareOutlets(ui::Outlets& outlets) {
    outlets.add("containerView", containerView);
    outlets.add("thumbnailView", thumbnailView);
    outlets.add("separatorView", separatorView);
    outlets.add("likeButton", likeButton);
    outlets.add("titleLabel", titleLabel);
    outlets.add("priceLabel", priceLabel);
}

void AttractionTableViewCell::awakeFromNib() {
    ui::TableViewCell::awakeFromNib();
    setSelectionStyle(ui::TableViewCellSelectionStyle::none);
    contentView().setBackgroundColor(ui::platformVersion() >= 13 ? ui::Color::secondaryLabel()
                                                                 : ui::Color::lightGray());
    priceLabel->setTextColor(shell::coralColor());
    separatorView->setBackgroundColor(shell::amberColor());
    containerView->setCornerRadius(2.0);
    // QAccessible names the cell by its labels; the description says what activating does.
    setAccessibleDescription(localizedText("accessibility_open_details"));
    resetContent();
}

void AttractionTableViewCell::prepareForReuse() { resetContent(); }

void AttractionTableViewCell::resetContent() {
    thumbnailView->setImage(std::nullopt);
    likeButton->setImage(std::nullopt, ui::ControlState::normal);
    likeButton->setSelected(false);
    likeButton->setAccessibleName(QString());
    titleLabel->setText(std::nullopt);
    priceLabel->setText(std::nullopt);
    shown_.reset();
}

void AttractionTableViewCell::configure(const Attraction& attraction) {
    titleLabel->setText(recordText(attraction.title));
    priceLabel->setText(recordText(attraction.price));
    thumbnailView->setImage(coverImage(attraction.coverImg));
    showLike(*likeButton, attraction.userDidLike, shell::ImageAsset::heartWhite);
    shown_ = attraction.weak_from_this();
}

bool AttractionTableViewCell::isShowing(const Attraction& attraction) const {
    return shown_.lock().get() == &attraction;
}

}
