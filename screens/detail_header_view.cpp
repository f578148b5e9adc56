#include "detail_header_view.h"

#include "catalogue/attraction.h"
#include "cover_image.h"
#include "hearts.h"
#include "shell/shared_colors.h"
#include "texts.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image_view.h"
#include "ui/nib.h"

namespace wayfarer {

DetailHeaderView::DetailHeaderView(const QRect& frame, QWidget* parent) : ui::View(parent) {
    setFrame(frame);
    setupView();
}

DetailHeaderView::DetailHeaderView(QWidget* parent) : ui::View(parent) { setupView(); }

void DetailHeaderView::declareOutlets(ui::Outlets& outlets) {
    outlets.add("contentView", contentView);
    outlets.add("backButton", backButton);
    outlets.add("imageView", imageView);
    outlets.add("separatorView", separatorView);
    outlets.add("likeButton", likeButton);
}

void DetailHeaderView::setupView() {
    static const auto nib = ui::Nib::named(QStringLiteral("DetailHeaderView"));
    addSubview(*ui::instantiateOrDie(*nib, this).release());
    // Read once: backButton's background derives from it.
    const ui::Color pageBackground = ui::platformVersion() >= 13 ? ui::Color::systemBackground() : ui::Color::white();
    contentView->setFrame(bounds());
    contentView->setAutoresizingMask(ui::Autoresizing::flexibleWidth | ui::Autoresizing::flexibleHeight);
    contentView->setBackgroundColor(pageBackground);
    separatorView->setBackgroundColor(shell::amberColor());
    imageView->setImage(std::nullopt);
    backButton->setTitle(localizedText("back"), ui::ControlState::normal);
    backButton->setTintColor(ui::Color::white());
    backButton->setBackgroundColor(pageBackground.withAlphaComponent(0.1));
    backButton->setAccessibleDescription(localizedText("accessibility_back_hint"));
    likeButton->setImage(std::nullopt, ui::ControlState::normal);
    likeButton->setSelected(false);
}

void DetailHeaderView::configure(const Attraction& attraction) {
    imageView->setImage(coverImage(attraction.coverImg));
    showLike(*likeButton, attraction.userDidLike, shell::ImageAsset::heartBlack);
}

}
