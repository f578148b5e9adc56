#include "shell/image_asset.h"
#include "ui/image.h"

#include <QImage>

#include <gtest/gtest.h>

namespace wayfarer::shell {
namespace {

TEST(ImageAsset, EveryAssetIsBundledUnderItsName) {
    const std::vector<QString> names = {"Milan_Gallery", "Rome_Cathedral", "Archeology",
                                        "Lorvanta_Logo_Main", "Lorvanta_Glyph", "Search",
                                        "Lorvanta_Heart_Fill", "Lorvanta_Heart_White", "Lorvanta_Heart_Black"};
    ASSERT_EQ(allImageAssets.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) {
        SCOPED_TRACE(names[i].toStdString());
        const auto picture = image(allImageAssets[i]);
        ASSERT_TRUE(picture.has_value());
        EXPECT_EQ(picture->name(), names[i]);
        // Drawn for a 2x screen the picture has content, not just transparency.
        const QImage pixels = picture->toQImage((picture->size() * 2).toSize());
        int painted = 0;
        for (int y = 0; y < pixels.height(); y += 2)
            for (int x = 0; x < pixels.width(); x += 2)
                painted += pixels.pixelColor(x, y).alpha() > 0 ? 1 : 0;
        EXPECT_GT(painted, pixels.width() * pixels.height() / 400);
    }
}

TEST(ImageAsset, MissingAssetsGiveNothingAndEveryCallLooksAgain) {
    for (const QString& name : {QStringLiteral("Venice_Canal"), QString(), QStringLiteral("../Info")})
        EXPECT_EQ(ui::Image::named(name), std::nullopt) << name.toStdString();
    EXPECT_FALSE(image(ImageAsset::heartFill)->isSameAs(*image(ImageAsset::heartFill)));
}

}
}
