#include "qt_test_support.h"
#include "shell/cell_nibs.h"
#include "shell/image_asset.h"
#include "shell/shared_colors.h"
#include "ui/button.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/table_view_cell.h"
#include "ui/widget_classes.h"

#include <QPainter>

#include <gtest/gtest.h>

namespace wayfarer::shell {
namespace {

TEST(ImageAsset, EveryAssetIsBundledUnderItsName) {
    const std::vector<QString> names = {"Milan_Gallery", "Rome_Cathedral", "Archeology",
                                        "Lorvanta_Logo_Main", "Lorvanta_Glyph", "Search",
                                        "Lorvanta_Heart_Fill", "Lorvanta_Heart_White", "Lorvanta_Heart_Black"};
    ASSERT_EQ(allImageAssets.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        EXPECT_EQ(assetName(allImageAssets[i]), names[i]);
        const auto picture = image(allImageAssets[i]);
        ASSERT_TRUE(picture.has_value()) << names[i].toStdString();
        EXPECT_EQ(picture->name(), names[i]);
        EXPECT_FALSE(picture->size().isEmpty());
        // Drawn for a 2x screen the picture has content, not just transparency.
        const QImage pixels = picture->toQImage((picture->size() * 2).toSize());
        EXPECT_EQ(pixels.size(), (picture->size() * 2).toSize());
        int painted = 0;
        for (int y = 0; y < pixels.height(); y += 2)
            for (int x = 0; x < pixels.width(); x += 2)
                painted += pixels.pixelColor(x, y).alpha() > 0 ? 1 : 0;
        EXPECT_GT(painted, pixels.width() * pixels.height() / 400) << names[i].toStdString();
    }
    EXPECT_EQ(image(ImageAsset::milanGallery)->size(), QSizeF(390, 844));
}

TEST(ImageAsset, MissingAssetsGiveNothingAndEveryCallLooksAgain) {
    EXPECT_EQ(ui::Image::named(QStringLiteral("Venice_Canal")), std::nullopt);
    EXPECT_EQ(ui::Image::named(QString()), std::nullopt);
    EXPECT_EQ(ui::Image::named(QStringLiteral("../Info")), std::nullopt);
    EXPECT_FALSE(image(ImageAsset::heartFill)->isSameAs(*image(ImageAsset::heartFill)));
}

TEST(SharedColors, AreMadeOnceWithTheirComponents) {
    EXPECT_EQ(&coralColor(), &coralColor());
    EXPECT_EQ(&amberColor(), &amberColor());
    EXPECT_EQ(coralColor().resolved(), QColor(255, 110, 91));
    EXPECT_EQ(amberColor().resolved(), QColor(255, 196, 96));
    EXPECT_EQ(coralColor().resolved().alphaF(), 1.0f);
}

// Stand-ins for the two cells: they take the outlets the screens need from the files.
class AttractionCellStandIn : public ui::TableViewCell {
    Q_OBJECT

public:
    using ui::TableViewCell::TableViewCell;
    void declareOutlets(ui::Outlets& outlets) override {
        outlets.add("containerView", containerView);
        outlets.add("thumbnailView", thumbnailView);
        outlets.add("separatorView", separatorView);
        outlets.add("likeButton", likeButton);
        outlets.add("titleLabel", titleLabel);
        outlets.add("priceLabel", priceLabel);
    }
    ui::View* containerView = nullptr;
    ui::ImageView* thumbnailView = nullptr;
    ui::View* separatorView = nullptr;
    ui::Button* likeButton = nullptr;
    ui::Label* titleLabel = nullptr;
    ui::Label* priceLabel = nullptr;
};

class DetailCellStandIn : public ui::TableViewCell {
    Q_OBJECT

public:
    using ui::TableViewCell::TableViewCell;
    void declareOutlets(ui::Outlets& outlets) override {
        outlets.add("titleLabel", titleLabel);
        outlets.add("descriptionLabel", descriptionLabel);
        outlets.add("fromLabel", fromLabel);
        outlets.add("priceLabel", priceLabel);
        outlets.add("availabilityLabel", availabilityLabel);
    }
    ui::Label* titleLabel = nullptr;
    ui::Label* descriptionLabel = nullptr;
    ui::Label* fromLabel = nullptr;
    ui::Label* priceLabel = nullptr;
    ui::Label* availabilityLabel = nullptr;
};

TEST(CellNibs, ConnectEveryOutletTheCellsNeed) {
    ui::registerWidgetClass<AttractionCellStandIn>(QStringLiteral("AttractionTableViewCell"));
    ui::registerWidgetClass<DetailCellStandIn>(QStringLiteral("DetailCell"));

    auto attraction = attractionTableViewCellNib()->instantiate();
    ASSERT_TRUE(attraction.ok()) << attraction.error().message.toStdString();
    auto* card = qobject_cast<AttractionCellStandIn*>(attraction.value().get());
    ASSERT_NE(card, nullptr);
    card->resize(390, 312);
    card->contentView().setBackgroundColor(ui::Color::secondaryLabel());
    card->separatorView->setBackgroundColor(amberColor());
    card->containerView->setCornerRadius(2);
    card->titleLabel->setText(QStringLiteral("Colosseum, Roman Forum and Palatine Hill guided tour"));
    card->priceLabel->setText(QStringLiteral("$ 59.00"));
    card->priceLabel->setTextColor(coralColor());
    card->thumbnailView->setImage(image(ImageAsset::archeology));
    card->likeButton->setImage(image(ImageAsset::heartWhite));
    card->show();
    const QRect heart = card->likeButton->geometry();
    EXPECT_EQ(heart.right(), card->thumbnailView->width() - 9) << "the heart keeps to the picture's corner";
    wayfarer::testing::saveScreenshot(*card, QStringLiteral("attraction_cell"));

    auto detail = detailCellNib()->instantiate();
    ASSERT_TRUE(detail.ok()) << detail.error().message.toStdString();
    EXPECT_NE(qobject_cast<DetailCellStandIn*>(detail.value().get())->availabilityLabel, nullptr);
}

TEST(CellNibs, AreMadeOnce) {
    EXPECT_EQ(attractionTableViewCellNib().get(), attractionTableViewCellNib().get());
    EXPECT_EQ(detailCellNib().get(), detailCellNib().get());
    EXPECT_EQ(attractionTableViewCellNib()->name(), QStringLiteral("AttractionTableViewCell"));
    EXPECT_EQ(detailCellNib()->name(), QStringLiteral("DetailCell"));
}

TEST(ImageAsset, ScreenshotOfTheAssets) {
    QWidget sheet;
    sheet.resize(3 * 130, 3 * 230);
    int index = 0;
    for (ImageAsset asset : allImageAssets) {
        auto* view = new ui::ImageView(&sheet);
        view->setGeometry((index % 3) * 130 + 5, (index / 3) * 230 + 5, 120, 220);
        view->setContentMode(ui::ContentMode::scaleAspectFit);
        view->setBackgroundColor(ui::Color(QColor(200, 200, 205)));
        view->setImage(image(asset));
        ++index;
    }
    sheet.show();
    const QImage shot = wayfarer::testing::saveScreenshot(sheet, QStringLiteral("image_assets"));
    EXPECT_FALSE(shot.isNull());
}

}
}

#include "resources_test.moc"
