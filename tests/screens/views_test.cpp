#include "catalogue/attraction.h"
#include "platform/image.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/cover_image.h"
#include "screens/detail_cell.h"
#include "screens/detail_header_view.h"
#include "screens/screen_classes.h"
#include "screens/text_field_header_view.h"
#include "screens/texts.h"
#include "shell/cell_nibs.h"
#include "shell/shared_colors.h"
#include "tests/support/image_samples.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/text_field.h"

#include <gtest/gtest.h>

namespace wayfarer::testing {
namespace {

template <class Cell>
std::unique_ptr<Cell> makeCell(const ui::Nib& nib) {
    registerScreenViews();
    auto loaded = nib.instantiate();
    EXPECT_TRUE(loaded.ok());
    auto* cell = qobject_cast<Cell*>(loaded.value().get());
    EXPECT_NE(cell, nullptr);
    loaded.value().release();
    return std::unique_ptr<Cell>(cell);
}

std::shared_ptr<Attraction> fullRecord() {
    auto record = Attraction::make("full");
    record->title = "Colosseum";
    record->description = "An amphitheatre.";
    record->price = "$30.00";
    record->operationalDays = "Daily";
    record->coverImg = platform::Image::decode(samples::encodeJpeg(samples::makePicture(60, 40)));
    record->didLoadImage = true;
    record->userDidLike = true;
    return record;
}

TEST(AttractionCell, IsStyledOnceAndFilledAndEmptiedWholly) {
    auto cell = makeCell<AttractionTableViewCell>(*shell::attractionTableViewCellNib());
    EXPECT_EQ(cell->selectionStyle(), ui::TableViewCellSelectionStyle::none);
    EXPECT_EQ(cell->priceLabel->textColor(), shell::coralColor());
    EXPECT_EQ(cell->separatorView->backgroundColor(), shell::amberColor());
    EXPECT_DOUBLE_EQ(cell->containerView->cornerRadius(), 2.0);
    EXPECT_EQ(cell->contentView().backgroundColor(), ui::Color::secondaryLabel());
    cell->resize(390, 312);
    cell->show();
    EXPECT_EQ(cell->likeButton->geometry().right(), cell->thumbnailView->width() - 9)
        << "the heart keeps to the picture's corner";

    const auto record = fullRecord();
    cell->configure(*record);
    EXPECT_EQ(cell->titleLabel->text(), "Colosseum");
    EXPECT_EQ(cell->priceLabel->text(), "$30.00");
    EXPECT_EQ(cell->likeButton->image()->name(), "Lorvanta_Heart_Fill");
    ASSERT_TRUE(cell->thumbnailView->image().has_value());
    EXPECT_EQ(cell->thumbnailView->image()->size(), QSizeF(60, 40));
    EXPECT_TRUE(cell->isShowing(*record));

    const auto bare = Attraction::make("bare");
    cell->prepareForReuse();
    EXPECT_FALSE(cell->isShowing(*record));
    EXPECT_FALSE(cell->thumbnailView->image().has_value());
    EXPECT_FALSE(cell->likeButton->image().has_value());
    cell->configure(*bare);
    EXPECT_EQ(cell->titleLabel->text(), std::nullopt);
    EXPECT_EQ(cell->priceLabel->text(), std::nullopt);
    EXPECT_FALSE(cell->thumbnailView->image().has_value());
    EXPECT_EQ(cell->likeButton->image()->name(), "Lorvanta_Heart_White");
}

TEST(CoverImage, ScalesToTheSizeAskedAndGivesNothingAtOnceForAnEmptySize) {
    const auto cover = coverImage(platform::Image::decode(samples::encodeJpeg(samples::makePicture(60, 40))));
    ASSERT_TRUE(cover.has_value());
    const struct {
        QSize size;
        bool drawn;
    } cases[] = {
        {{60, 40}, true}, {{13, 9}, true}, {{0, 0}, false}, {{0, 40}, false}, {{60, 0}, false}, {{-1, -1}, false},
    };
    for (const auto& row : cases) {
        const QImage picture = cover->toQImage(row.size);
        EXPECT_EQ(!picture.isNull(), row.drawn) << row.size.width() << " x " << row.size.height();
        if (row.drawn) {
            EXPECT_EQ(picture.size(), row.size);
        }
    }
}

TEST(AttractionCell, BeforeVersion13UsesTheFixedGrey) {
    ui::setPlatformVersion(12);
    auto cell = makeCell<AttractionTableViewCell>(*shell::attractionTableViewCellNib());
    ui::setPlatformVersion(13);
    EXPECT_EQ(cell->contentView().backgroundColor(), ui::Color::lightGray());
}

TEST(DetailCell, ShowsTheValuesAsTheyAreAndKeepsTheCaption) {
    auto cell = makeCell<DetailCell>(*shell::detailCellNib());
    EXPECT_EQ(cell->selectionStyle(), ui::TableViewCellSelectionStyle::none);
    EXPECT_EQ(cell->fromLabel->text(), localizedText("from"));
    EXPECT_EQ(cell->priceLabel->textColor(), shell::coralColor());
    cell->configure(*fullRecord());
    EXPECT_EQ(cell->descriptionLabel->text(), "An amphitheatre.");
    cell->configure(*Attraction::make("bare"));
    for (const ui::Label* label : {cell->titleLabel, cell->descriptionLabel, cell->priceLabel, cell->availabilityLabel})
        EXPECT_EQ(label->text(), std::nullopt);
    EXPECT_EQ(cell->fromLabel->text(), localizedText("from"));
}

TEST(TextFieldHeader, ConfiguresTheFieldAndFollowsItsSize) {
    registerScreenViews();
    TextFieldHeaderView header(QRect(0, 0, 390, 50));
    EXPECT_EQ(header.contentView->parentWidget(), &header);
    EXPECT_EQ(header.contentView->frame(), QRect(0, 0, 390, 50));
    EXPECT_EQ(header.offsetView->backgroundColor(), shell::coralColor());
    EXPECT_EQ(header.contentView->backgroundColor(), ui::Color::systemBackground());
    ui::TextField& field = *header.textField;
    EXPECT_EQ(field.placeholder(), localizedText("search_results_placeholder"));
    EXPECT_EQ(field.returnKeyType(), ui::ReturnKeyType::done);
    EXPECT_FALSE(field.enablesReturnKeyAutomatically());
    EXPECT_EQ(field.clearButtonMode(), ui::TextFieldViewMode::always);
    EXPECT_EQ(field.autocapitalizationType(), ui::AutocapitalizationType::words);
    header.show();
    header.resize(600, 64);
    EXPECT_EQ(header.contentView->frame(), QRect(0, 0, 600, 64));
}

TEST(DetailHeader, FollowsThePlatformVersionAndTheRecord) {
    registerScreenViews();
    for (const int version : {12, 13}) {
        SCOPED_TRACE(version);
        ui::setPlatformVersion(version);
        DetailHeaderView header(QRect(0, 0, 390, 440));
        ui::setPlatformVersion(13);
        const ui::Color page = version >= 13 ? ui::Color::systemBackground() : ui::Color::white();
        EXPECT_EQ(header.contentView->backgroundColor(), page);
        EXPECT_EQ(header.backButton->backgroundColor(), page.withAlphaComponent(0.1));
        EXPECT_EQ(header.backButton->tintColor(), ui::Color::white());
        EXPECT_EQ(header.backButton->title(), localizedText("back"));
        EXPECT_EQ(header.separatorView->backgroundColor(), shell::amberColor());
        EXPECT_FALSE(header.likeButton->image().has_value()) << "no heart before configure";

        const auto record = fullRecord();
        header.configure(*record);
        EXPECT_TRUE(header.imageView->image().has_value());
        EXPECT_EQ(header.likeButton->image()->name(), "Lorvanta_Heart_Fill");
        header.configure(*Attraction::make("bare"));
        EXPECT_FALSE(header.imageView->image().has_value());
        EXPECT_EQ(header.likeButton->image()->name(), "Lorvanta_Heart_Black");
        header.show();
        header.resize(500, 300);
        EXPECT_EQ(header.contentView->size(), QSize(500, 300));
    }
}

}
}
