// The welcome and detail screens, and the cells and headers the screens are made of.
#include "screens_fixture.h"

#include "catalogue/attraction.h"
#include "platform/image.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/cover_image.h"
#include "screens/detail_cell.h"
#include "screens/detail_header_view.h"
#include "screens/detail_view_controller.h"
#include "screens/main_view_controller.h"
#include "screens/screen_classes.h"
#include "screens/text_field_header_view.h"
#include "screens/texts.h"
#include "shell/cell_nibs.h"
#include "tests/support/image_samples.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/navigation_controller.h"
#include "ui/nib.h"
#include "ui/text_field.h"

#include <QApplication>
#include <QFile>
#include <QTest>

#include <cmath>

// The application's resources, compiled into the shell library.
int qInitResources_wayfarer_application_resources();
int qCleanupResources_wayfarer_application_resources();

namespace wayfarer::testing {
namespace {

class WelcomeScreen : public ScreensTest {
protected:
    MainViewController& showWelcome(const ui::Nib& nib) {
        auto owned = std::make_unique<MainViewController>();
        MainViewController& welcome = *owned;
        welcome.setSession(session);
        EXPECT_TRUE(welcome.loadViewFromNib(nib).ok());
        window->setRootViewController(std::move(owned));
        return welcome;
    }
};

TEST_F(WelcomeScreen, SetsUpItsButtonAndCyclesItsPicturesOnlyWhenItHasThem) {
    QFile file(":/Interface/Main.ui");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto nib = ui::Nib::fromData("Main", file.readAll());
    for (const bool withPictures : {true, false}) {
        SCOPED_TRACE(withPictures ? "with its pictures" : "without its pictures");
        if (!withPictures)
            qCleanupResources_wayfarer_application_resources();
        MainViewController& welcome = showWelcome(*nib);
        qInitResources_wayfarer_application_resources();
        EXPECT_EQ(welcome.searchButton->actionCount(ui::ControlEvent::touchUpInside), 1);
        std::vector<QString> frames;
        for (const ui::Image& frame : welcome.backgroundImageView->animationImages())
            frames.push_back(frame.name());
        const std::vector<QString> pictures = {"Milan_Gallery", "Rome_Cathedral", "Archeology"};
        EXPECT_EQ(frames, withPictures ? pictures : std::vector<QString>());
        EXPECT_EQ(welcome.backgroundImageView->isAnimating(), withPictures);
    }
}

TEST_F(WelcomeScreen, ReturnOpensAFullScreenSearchAndEveryOpeningIsANewEmptyOne) {
    MainViewController& welcome = showWelcome(*ui::Nib::named("Main"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(welcome.searchButton->hasFocus());
    ResultsTableViewController* previous = nullptr;
    for (int opening = 0; opening < 2; ++opening) {
        QTest::keyClick(welcome.searchButton, Qt::Key_Return);
        auto* navigation = qobject_cast<ui::NavigationController*>(welcome.presentedViewController());
        ASSERT_NE(navigation, nullptr);
        EXPECT_EQ(navigation->modalPresentationStyle(), ui::ModalPresentationStyle::fullScreen);
        EXPECT_TRUE(navigation->isNavigationBarHidden());
        auto* screen = qobject_cast<ResultsTableViewController*>(navigation->viewControllers().front());
        ASSERT_NE(screen, nullptr);
        EXPECT_NE(screen, previous);
        previous = screen;
        EXPECT_EQ(screen->tableView()->numberOfRows(), 0);
        screen->header->textField->setText("Rom");
        QTest::keyClicks(&screen->header->textField->editorWidget(), "e");
        ASSERT_TRUE(QTest::qWaitFor([&] { return screen->tableView()->numberOfRows() > 0; }, 10000));
        QTest::keyClick(window.get(), Qt::Key_Escape);
        EXPECT_EQ(welcome.presentedViewController(), nullptr);
        EXPECT_TRUE(session->attractions().empty());
        QCoreApplication::processEvents();
        EXPECT_TRUE(welcome.searchButton->hasFocus()) << "the keys come back to the search button";
    }
}

class DetailScreen : public ScreensTest {
protected:
    DetailViewController& openDetail(int row) {
        results().didSelectRow(table(), {0, row});
        EXPECT_NE(detail(), nullptr);
        QCoreApplication::processEvents();
        return *detail();
    }
};

TEST_F(DetailScreen, ShowsTheRowsOwnRecordInOneRowThatGrowsPastItsShareOnlyWhenItsTextsNeedMore) {
    struct Case {
        const char* name;
        double textScale;
        int sentences;
        bool grows;
    };
    const Case cases[] = {
        {"standard text", 1.0, 6, false},
        {"a long description", 1.0, 40, true},
        {"text one and a half times the standard", 1.5, 6, true},
    };
    const QFont standard = QApplication::font();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFont font = standard;
        font.setPointSizeF(standard.pointSizeF() * c.textScale);
        QApplication::setFont(font);
        openResultsFor();
        QString description;
        for (int i = 0; i < c.sentences; ++i)
            description += QStringLiteral("The great amphitheatre once held fifty thousand spectators. ");
        session->attractions()[1]->description = description.toStdString();
        DetailViewController& detail = openDetail(1);
        EXPECT_EQ(detail.attraction, session->attractions()[1]) << "the same record, not a copy";

        ui::TableView& detailTable = *detail.tableView();
        EXPECT_EQ(detailTable.numberOfRows(), 1);
        const double share = detailTable.frame().height() * 40.0 / 100.0;
        const double row = detail.heightForRow(detailTable, {0, 0});
        if (c.grows)
            EXPECT_GT(row, share);
        else
            EXPECT_DOUBLE_EQ(row, share);
        auto* cell = qobject_cast<DetailCell*>(detailTable.cellForRow({0, 0}));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->titleLabel->text(), "Sight 1");
        EXPECT_EQ(cell->height(), static_cast<int>(std::lround(row)));
        for (const ui::Label* label : {cell->titleLabel, cell->descriptionLabel, cell->fromLabel, cell->priceLabel,
                                       cell->availabilityLabel}) {
            SCOPED_TRACE(label->objectName().toStdString());
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << "the text is cut";
            EXPECT_LE(label->mapTo(cell, QPoint(0, label->height())).y(), cell->height());
        }
        QApplication::setFont(standard);
        closeResults();
    }
}

TEST_F(DetailScreen, GoingBackReloadsTheListOnlyAfterALikeChangedHereEvenWhenUndone) {
    for (const int taps : {0, 1, 2}) {
        SCOPED_TRACE(taps);
        openResultsFor();
        DetailViewController& detail = openDetail(0);
        const char* const hearts[] = {"Lorvanta_Heart_Black", "Lorvanta_Heart_Fill", "Lorvanta_Heart_White"};
        EXPECT_EQ(detail.header->likeButton->image()->name(), hearts[0]);
        for (int tap = 1; tap <= taps; ++tap) {
            detail.header->likeButton->click();
            EXPECT_EQ(detail.header->likeButton->image()->name(), hearts[tap]);
        }
        EXPECT_EQ(detail.didChangeLike, taps > 0);
        session->attractions()[0]->title = "Renamed behind the list's back";
        detail.header->backButton->click();
        EXPECT_EQ(topmost(), &results());
        const auto* cell = qobject_cast<AttractionTableViewCell*>(table().cellForRow({0, 0}));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->titleLabel->text(), taps > 0 ? "Renamed behind the list's back" : "Sight 0");
        EXPECT_EQ(cell->likeButton->image()->name(), taps == 1 ? "Lorvanta_Heart_Fill" : "Lorvanta_Heart_White");
        closeResults();
    }
}

TEST_F(DetailScreen, UnderAnotherRootGoingBackAfterALikeOnlyPops) {
    auto detailOwner = std::make_unique<DetailViewController>();
    DetailViewController& detail = *detailOwner;
    detail.attraction = Attraction::make("solo");
    auto navigation = std::make_unique<ui::NavigationController>(std::make_unique<ui::ViewController>());
    ui::NavigationController& stack = *navigation;
    window->rootViewController()->present(std::move(navigation), false);
    stack.pushViewController(std::move(detailOwner), false);
    detail.header->likeButton->click();
    EXPECT_TRUE(detail.attraction->userDidLike);
    EXPECT_FALSE(detail.header->imageView->image().has_value()) << "a record without a cover shows none";
    detail.closeDetail();
    EXPECT_EQ(stack.viewControllers().size(), 1u);
}

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

TEST(AttractionCell, IsFilledAndEmptiedWhollyOnTheGreyOfItsPlatformVersion) {
    for (const int version : {12, 13}) {
        SCOPED_TRACE(version);
        ui::setPlatformVersion(version);
        auto cell = makeCell<AttractionTableViewCell>(*shell::attractionTableViewCellNib());
        ui::setPlatformVersion(13);
        EXPECT_EQ(cell->contentView().backgroundColor(),
                  version >= 13 ? ui::Color::secondaryLabel() : ui::Color::lightGray());
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

        cell->prepareForReuse();
        EXPECT_FALSE(cell->isShowing(*record));
        EXPECT_FALSE(cell->thumbnailView->image().has_value());
        EXPECT_FALSE(cell->likeButton->image().has_value());
        cell->configure(*Attraction::make("bare"));
        EXPECT_EQ(cell->titleLabel->text(), std::nullopt);
        EXPECT_EQ(cell->priceLabel->text(), std::nullopt);
        EXPECT_FALSE(cell->thumbnailView->image().has_value());
        EXPECT_EQ(cell->likeButton->image()->name(), "Lorvanta_Heart_White");
    }
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

TEST(DetailCell, ShowsNothingOfABareRecordButTheCaption) {
    auto cell = makeCell<DetailCell>(*shell::detailCellNib());
    cell->configure(*fullRecord());
    cell->configure(*Attraction::make("bare"));
    for (const ui::Label* label : {cell->titleLabel, cell->descriptionLabel, cell->priceLabel, cell->availabilityLabel})
        EXPECT_EQ(label->text(), std::nullopt);
    EXPECT_EQ(cell->fromLabel->text(), localizedText("from"));
}

TEST(Headers, TheirContentFollowsTheirSize) {
    registerScreenViews();
    TextFieldHeaderView search(QRect(0, 0, 390, 50));
    DetailHeaderView detail(QRect(0, 0, 390, 440));
    for (auto [header, content] : {std::pair<QWidget*, QWidget*>{&search, search.contentView},
                                   std::pair<QWidget*, QWidget*>{&detail, detail.contentView}}) {
        EXPECT_EQ(content->parentWidget(), header);
        header->show();
        header->resize(600, 64);
        EXPECT_EQ(content->geometry(), QRect(0, 0, 600, 64));
    }
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
        EXPECT_FALSE(header.likeButton->image().has_value()) << "no heart before configure";

        header.configure(*fullRecord());
        EXPECT_TRUE(header.imageView->image().has_value());
        EXPECT_EQ(header.likeButton->image()->name(), "Lorvanta_Heart_Fill");
        header.configure(*Attraction::make("bare"));
        EXPECT_FALSE(header.imageView->image().has_value());
        EXPECT_EQ(header.likeButton->image()->name(), "Lorvanta_Heart_Black");
    }
}

}
}
