#include "screens_fixture.h"

#include "catalogue/attraction.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/detail_cell.h"
#include "screens/detail_header_view.h"
#include "screens/detail_view_controller.h"
#include "ui/button.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/navigation_controller.h"
#include "ui/text_field.h"

#include <QApplication>
#include <QTest>

#include <cmath>

namespace wayfarer::testing {
namespace {

class DetailScreen : public ScreensTest {
protected:
    // Opens the detail of row `row` of a search for "Rome".
    DetailViewController& openDetail(int row) {
        openResults();
        field().setText("Rom");
        type("e");
        waitForAnswer();
        results().didSelectRow(table(), {0, row});
        auto* detail = qobject_cast<DetailViewController*>(topmost());
        EXPECT_NE(detail, nullptr);
        return *detail;
    }
    QString rowTitle(int row) {
        return qobject_cast<AttractionTableViewCell*>(table().cellForRow({0, row}))->titleLabel->text().value_or("");
    }
};

TEST_F(DetailScreen, ShowsTheRowsOwnRecordInAHeaderAndOneRow) {
    auto& detail = openDetail(1);
    EXPECT_EQ(detail.attraction, session->attractions()[1]) << "the same record, not a copy";
    ui::TableView& detailTable = *detail.tableView();
    EXPECT_EQ(detailTable.numberOfRows(), 1);
    const QRect frame = detailTable.frame();
    EXPECT_EQ(detail.header->height(), frame.height() * 55 / 100);
    EXPECT_EQ(detail.header->width(), frame.width());
    EXPECT_DOUBLE_EQ(detail.heightForRow(detailTable, {0, 0}), frame.height() * 40.0 / 100.0);
    EXPECT_EQ(detailTable.tableFooterView()->height(), 1);
    auto* cell = qobject_cast<DetailCell*>(detailTable.cellForRow({0, 0}));
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->titleLabel->text(), "Sight 1");
    EXPECT_EQ(cell->priceLabel->text(), "$11.00");
    EXPECT_EQ(cell->availabilityLabel->text(), "Daily");
    EXPECT_EQ(detail.header->likeButton->image()->name(), "Lorvanta_Heart_Black");
}

TEST_F(DetailScreen, TheRowGrowsPastItsShareOnlyWhenItsTextsNeedMoreAndCutsNone) {
    struct Case {
        const char* name;
        double textScale;
        int sentences;
        bool grows;
    };
    const std::vector<Case> cases = {
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
        openResults();
        field().setText("Rom");
        type("e");
        waitForAnswer();
        QString description;
        for (int i = 0; i < c.sentences; ++i)
            description += QStringLiteral("The great amphitheatre once held fifty thousand spectators. ");
        session->attractions()[0]->description = description.toStdString();
        results().didSelectRow(table(), {0, 0});
        auto* detail = qobject_cast<DetailViewController*>(topmost());
        ASSERT_NE(detail, nullptr);
        QCoreApplication::processEvents();

        ui::TableView& detailTable = *detail->tableView();
        const double share = detailTable.frame().height() * 40.0 / 100.0;
        const double row = detail->heightForRow(detailTable, {0, 0});
        if (c.grows)
            EXPECT_GT(row, share);
        else
            EXPECT_DOUBLE_EQ(row, share);
        auto* cell = qobject_cast<DetailCell*>(detailTable.cellForRow({0, 0}));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->height(), static_cast<int>(std::lround(row)));
        for (const ui::Label* label : {cell->titleLabel, cell->descriptionLabel, cell->fromLabel, cell->priceLabel,
                                       cell->availabilityLabel}) {
            SCOPED_TRACE(label->objectName().toStdString());
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << "the text is cut";
            EXPECT_LE(label->mapTo(cell, QPoint(0, label->height())).y(), cell->height());
        }
        QApplication::setFont(standard);
        results().close();
        QCoreApplication::processEvents();
    }
}

TEST_F(DetailScreen, GoingBackWithoutATapPopsWithoutReloadingTheList) {
    auto& detail = openDetail(0);
    session->attractions()[0]->title = "Renamed behind the list's back";
    detail.header->backButton->click();
    EXPECT_EQ(topmost(), &results());
    EXPECT_EQ(rowTitle(0), "Sight 0");
}

TEST_F(DetailScreen, ALikeChangedHereReloadsTheListOnTheWayBackEvenWhenUndone) {
    for (const int taps : {1, 2}) {
        SCOPED_TRACE(taps);
        auto& detail = openDetail(0);
        const bool liked = detail.attraction->userDidLike;
        detail.header->likeButton->click();
        EXPECT_EQ(detail.header->likeButton->image()->name(), liked ? "Lorvanta_Heart_White" : "Lorvanta_Heart_Fill");
        if (taps == 2) {
            detail.header->likeButton->click();
            EXPECT_EQ(detail.header->likeButton->image()->name(), liked ? "Lorvanta_Heart_Fill" : "Lorvanta_Heart_White");
        }
        EXPECT_TRUE(detail.didChangeLike);
        session->attractions()[0]->title = "Renamed " + std::to_string(taps);
        detail.header->backButton->click();
        EXPECT_EQ(topmost(), &results());
        EXPECT_EQ(rowTitle(0), QString("Renamed %1").arg(taps)) << "the list was reloaded";
        const auto* cell = qobject_cast<AttractionTableViewCell*>(table().cellForRow({0, 0}));
        EXPECT_EQ(cell->likeButton->image()->name(),
                  session->attractions()[0]->userDidLike ? "Lorvanta_Heart_Fill" : "Lorvanta_Heart_White");
        results().close();
        QCoreApplication::processEvents();
    }
}

TEST_F(DetailScreen, UnderAnotherRootGoingBackAfterALikeOnlyPops) {
    auto root = std::make_unique<ui::ViewController>();
    auto detailOwner = std::make_unique<DetailViewController>();
    DetailViewController& detail = *detailOwner;
    detail.attraction = Attraction::make("solo");
    auto navigation = std::make_unique<ui::NavigationController>(std::move(root));
    ui::NavigationController& stack = *navigation;
    window.rootViewController()->present(std::move(navigation), false);
    stack.pushViewController(std::move(detailOwner), false);
    detail.header->likeButton->click();
    EXPECT_TRUE(detail.attraction->userDidLike);
    EXPECT_FALSE(detail.header->imageView->image().has_value()) << "a record without a cover shows none";
    detail.closeDetail();
    EXPECT_EQ(stack.viewControllers().size(), 1u);
}

}
}
