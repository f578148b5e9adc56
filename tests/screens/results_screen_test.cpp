#include "screens_fixture.h"

#include "qt_test_support.h"

#include "screens/attraction_table_view_cell.h"
#include "screens/cover_image.h"
#include "screens/detail_view_controller.h"
#include "screens/text_field_header_view.h"
#include "screens/texts.h"
#include "ui/activity_indicator_view.h"
#include "ui/alert_controller.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image_view.h"
#include "ui/text_field.h"

#include <QTest>

#include <algorithm>
#include <set>

namespace wayfarer::testing {
namespace {

AttractionTableViewCell& cellAt(ui::TableView& table, int row) {
    auto* cell = qobject_cast<AttractionTableViewCell*>(table.cellForRow({0, row}));
    EXPECT_NE(cell, nullptr) << "row " << row << " is not shown";
    return *cell;
}

ui::AlertController* alertOver(ui::Window& window) {
    return qobject_cast<ui::AlertController*>(window.topmostViewController());
}

class ResultsScreen : public ScreensTest {
protected:
    // Types the last character of `text` into a field that holds the others: one search.
    void search(const QString& text) {
        const std::u32string codePoints = text.toStdU32String();
        field().setText(QString::fromStdU32String(codePoints.substr(0, codePoints.size() - 1)));
        type(QString::fromStdU32String(codePoints.substr(codePoints.size() - 1)));
    }
};

TEST_F(ResultsScreen, SearchesFromTheThirdCharacterAndAgainOnEveryEditAndCursorMove) {
    openResults();
    QCoreApplication::processEvents();
    EXPECT_TRUE(field().isFirstResponder()) << "the field takes the keys when the screen opens";
    type("ro");
    EXPECT_FALSE(results().indicator->isAnimating()) << "two characters start no search";

    type("m");
    EXPECT_TRUE(results().indicator->isAnimating());
    EXPECT_EQ(table().numberOfRows(), 0);
    waitForAnswer();
    EXPECT_EQ(table().numberOfRows(), 10);

    type("e");
    EXPECT_EQ(table().numberOfRows(), 0) << "every new text starts from an empty list";
    waitForAnswer();
    QTest::keyClick(&field().editorWidget(), Qt::Key_Left);
    waitForAnswer();

    const auto seen = searches();
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].text, "Rom") << "typed words are capitalised";
    EXPECT_EQ(seen[1].text, "Rome");
    EXPECT_EQ(seen[2].text, "Rome");
    for (const auto& search : seen)
        EXPECT_EQ(search.offset, "0");
}

TEST_F(ResultsScreen, BeforeVersion13AnEditSearchesTheTextFromBeforeIt) {
    ui::setPlatformVersion(12);
    openResults();
    type("rom");
    EXPECT_FALSE(results().indicator->isAnimating()) << "the third character is checked against the two before it";
    type("e");
    waitForAnswer();
    ui::setPlatformVersion(13);
    ASSERT_EQ(searches().size(), 1u);
    EXPECT_EQ(searches()[0].text, "Rom");
}

TEST_F(ResultsScreen, PagesFromTheTriggerRowForShortAndLongLists) {
    struct Case {
        int rows;
        int triggerRow;
    };
    for (const Case c : {Case{1, 0}, Case{2, 1}, Case{10, 8}}) {
        SCOPED_TRACE(c.rows);
        answerWith([&, rows = c.rows](const SeenSearch& seen) {
            // Each page brings the next record: the list grows by one and never ends.
            const int page = std::stoi(seen.offset);
            return Answer{200, pageJson(server.baseURL(), page, rows, 1000)};
        });
        auto& screen = openResults();
        const std::size_t before = searches().size();
        search("Rome");
        waitForAnswer();
        // The trigger row of a short list is in view at once; a long one is scrolled to.
        table().scrollToRow({0, c.triggerRow}, ui::ScrollPosition::bottom, false);
        waitForAnswer();
        const auto seen = searches();
        ASSERT_GE(seen.size(), before + 2);
        EXPECT_EQ(seen[before + 1].offset, "1");
        EXPECT_EQ(seen[before + 1].text, "Rome");
        EXPECT_GT(screen.dataManager->attractions().size(), static_cast<std::size_t>(c.rows));
        screen.close();
        QCoreApplication::processEvents();
    }
}

TEST_F(ResultsScreen, ScrollingWhilePagesArriveKeepsListAndTableInStep) {
    answerWith([&](const SeenSearch& seen) {
        return Answer{200, pageJson(server.baseURL(), 10 * std::stoi(seen.offset), 10, 1000)};
    });
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    // Every other page comes while the user is back at the top, the others at the end.
    for (int round = 0; round < 10; ++round) {
        table().setContentOffset(table().contentHeight());
        if (round % 2 == 0)
            table().setContentOffset(0);
        waitForAnswer();
    }
    const auto& attractions = screen.dataManager->attractions();
    EXPECT_EQ(attractions.size(), 110u) << "each round asked for one page";
    EXPECT_EQ(table().numberOfRows(), static_cast<int>(attractions.size()));
    std::set<std::string> uuids;
    for (const auto& record : attractions)
        EXPECT_TRUE(uuids.insert(record->uuid).second) << record->uuid << " is listed twice";
    for (const ui::IndexPath& row : table().indexPathsForVisibleRows())
        EXPECT_TRUE(cellAt(table(), row.row).isShowing(*attractions[static_cast<std::size_t>(row.row)]));
}

TEST_F(ResultsScreen, ScrollingToTheEndAsksForEachWholePageOnceAndThenStops) {
    // Pages of ten of a total of 25: the fourth page is empty, and ends the search.
    answerWith([&](const SeenSearch& seen) {
        const int first = 10 * std::stoi(seen.offset);
        return Answer{200, pageJson(server.baseURL(), first, std::clamp(25 - first, 0, 10), 25)};
    });
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    for (int turn = 0; turn < 8; ++turn) {
        table().setContentOffset(table().contentHeight());
        waitForAnswer();
    }
    std::vector<std::string> offsets;
    for (const SeenSearch& seen : searches())
        offsets.push_back(seen.offset);
    EXPECT_EQ(offsets, (std::vector<std::string>{"0", "1", "2", "3"}));
    EXPECT_EQ(table().numberOfRows(), 25);
    EXPECT_TRUE(screen.dataManager->didFinishLoading());
}

TEST_F(ResultsScreen, AsksNothingOnceTheEndIsReachedOrWhileTheTriggerRowComesBack) {
    // The second page repeats the first: the list is complete.
    answerWith([&](const SeenSearch&) { return Answer{200, pageJson(server.baseURL(), 0, 3, 3)}; });
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    ASSERT_EQ(searches().size(), 2u) << "the trigger row of three rows is in view";
    waitForAnswer();
    EXPECT_TRUE(screen.dataManager->didFinishLoading());
    table().reloadData();
    table().setContentOffset(table().contentHeight());
    EXPECT_FALSE(screen.indicator->isAnimating()) << "a complete list asks for no page";

    // The flag: the trigger row leaving and coming back asks for nothing until another
    // row has left.
    answerWith([&](const SeenSearch& seen) {
        return Answer{200, pageJson(server.baseURL(), std::stoi(seen.offset), 10, 1000)};
    });
    search("Romex");
    waitForAnswer();
    const std::size_t before = searches().size();
    EXPECT_EQ(before, 3u) << "the service saw nothing between the end and the new search";
    auto& cell = cellAt(table(), 0);
    screen.didEndDisplayingCell(table(), cell, {0, 8});
    screen.willDisplayCell(table(), cell, {0, 8});
    EXPECT_TRUE(screen.didUploadMoreItems);
    EXPECT_EQ(searches().size(), before);
    screen.didEndDisplayingCell(table(), cell, {0, 3});
    EXPECT_FALSE(screen.didUploadMoreItems);
    screen.willDisplayCell(table(), cell, {0, 8});
    waitForAnswer();
    EXPECT_EQ(searches().size(), before + 1);
}

TEST_F(ResultsScreen, AHeartFlipsOnlyItsOwnRecordAndButton) {
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    auto& first = cellAt(table(), 0);
    auto& second = cellAt(table(), 1);
    first.likeButton->click();
    EXPECT_TRUE(screen.dataManager->attractions()[0]->userDidLike);
    EXPECT_FALSE(screen.dataManager->attractions()[1]->userDidLike);
    EXPECT_EQ(first.likeButton->image()->name(), "Lorvanta_Heart_Fill");
    EXPECT_EQ(second.likeButton->image()->name(), "Lorvanta_Heart_White");
    first.likeButton->click();
    EXPECT_FALSE(screen.dataManager->attractions()[0]->userDidLike);
    EXPECT_EQ(first.likeButton->image()->name(), "Lorvanta_Heart_White");
}

TEST_F(ResultsScreen, TapsOnRowsThatNoLongerIndexTheListDoNothing) {
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    auto& last = cellAt(table(), 2);
    screen.dataManager->cancelSearch();  // the list empties; the cells still show it
    last.likeButton->click();
    screen.didSelectRow(table(), {0, 2});
    EXPECT_EQ(topmost(), &screen);
}

TEST_F(ResultsScreen, ACoverGoesOnlyIntoACellThatStillShowsItsRecord) {
    holdCover("r0");
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    auto* firstCell = &cellAt(table(), 0);
    // Row 0 leaves and its cell is handed to a row further down before its cover comes
    // (not as far as the paging row, whose next page would refill the rows).
    table().scrollToRow({0, 4}, ui::ScrollPosition::top, false);
    QCoreApplication::processEvents();
    const auto reusedRow = table().indexPathForCell(*firstCell);
    ASSERT_TRUE(reusedRow.has_value());
    ASSERT_GT(reusedRow->row, 0);
    const auto& shown = *screen.dataManager->attractions()[static_cast<std::size_t>(reusedRow->row)];
    ASSERT_TRUE(QTest::qWaitFor([&] { return shown.didLoadImage; }, 10000));

    holdCover(std::nullopt);
    const auto& first = *screen.dataManager->attractions()[0];
    // Until its completion (and any other the covers posted) has run.
    ASSERT_TRUE(QTest::qWaitFor([&] { return first.didLoadImage && tasksPending() == 0; }, 10000));
    ASSERT_NE(first.coverImg, nullptr) << "the record keeps its cover";
    // The picture in the reused cell is its own row's, not row 0's.
    const QSize sample(12, 8);
    const QImage inCell = firstCell->thumbnailView->image()->toQImage(sample);
    EXPECT_EQ(inCell, coverImage(shown.coverImg)->toQImage(sample));
    EXPECT_NE(inCell, coverImage(first.coverImg)->toQImage(sample));
    table().setContentOffset(0);
    EXPECT_TRUE(cellAt(table(), 0).thumbnailView->image().has_value());
}

TEST_F(ResultsScreen, AReloadShowsTheCoversAlreadyScaledInsteadOfEmptyCards) {
    openResults();
    search("Rome");
    waitForAnswer();
    ASSERT_TRUE(QTest::qWaitFor([&] { return cellAt(table(), 0).thumbnailView->image().has_value(); }, 10000));
    const ui::Image before = *cellAt(table(), 0).thumbnailView->image();
    table().reloadData();
    ASSERT_TRUE(cellAt(table(), 0).thumbnailView->image().has_value());
    EXPECT_TRUE(cellAt(table(), 0).thumbnailView->image()->isSameAs(before));
}

TEST_F(ResultsScreen, ShowsEveryFailureInOneAlertWhoseButtonEmptiesTheList) {
    struct Case {
        const char* name;
        Answer answer;
        QString typed;
        QString message;
    };
    const std::vector<Case> cases = {
        {"html page", {200, "<html><body>Bad gateway</body></html>", "text/html"}, "rome",
         QString::fromStdString(platform::Error{platform::ErrorCode::cannotParse, {}}.localizedDescription())},
        {"server error page", {500, "<html>Internal error</html>", "text/html"}, "rome",
         QString::fromStdString(platform::Error{platform::ErrorCode::cannotParse, {}}.localizedDescription())},
        {"answer that is no object", {200, "[1, 2, 3]"}, "rome", localizedText("error_message")},
        {"refused text", {}, "%%%", localizedText("error_message")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        answerWith([&](const SeenSearch&) { return Answer{200, pageJson(server.baseURL(), 0, 10, 10)}; });
        auto& screen = openResults();
        search("Abc");
        waitForAnswer();
        ASSERT_EQ(table().numberOfRows(), 10);
        answerWith([&](const SeenSearch&) { return c.answer; });
        search(c.typed);
        ASSERT_TRUE(QTest::qWaitFor([&] { return alertOver(window) != nullptr; }, 10000));
        auto* alert = alertOver(window);
        EXPECT_EQ(alert->alertTitle(), localizedText("error_title"));
        EXPECT_EQ(alert->message(), c.message);
        ASSERT_EQ(alert->actions().size(), 1u);
        EXPECT_EQ(alert->actions()[0].title, "OK");
        EXPECT_FALSE(field().isFirstResponder());
        alert->choose(0);
        EXPECT_EQ(table().numberOfRows(), 0);
        EXPECT_EQ(field().text(), c.typed) << "the field keeps its text";
        screen.close();
        QCoreApplication::processEvents();
    }
}

TEST_F(ResultsScreen, AFailedTransferShowsThePlatformsOwnMessage) {
    useCatalogueAt("http://127.0.0.1:" + std::to_string(refusedPort()));
    openResults();
    search("Rome");
    ASSERT_TRUE(QTest::qWaitFor([&] { return alertOver(window) != nullptr; }, 10000));
    EXPECT_EQ(alertOver(window)->message(),
              QString::fromStdString(platform::Error{platform::ErrorCode::cannotConnectToHost, {}}.localizedDescription()));
}

TEST_F(ResultsScreen, EveryKindOfTextIsSearchedAsTypedOrRefusedWithAnAlert) {
    struct Case {
        QString text;
        bool refused;
    };
    // Letters, digits and spaces go out; punctuation, accents, other scripts and a
    // malformed escape are refused before anything is sent.
    const std::vector<Case> cases = {
        {"Rome", false},        {"new york", false},   {"   ", false},      {"a&b=c?d#e", true},
        {"St. Peter's", true},  {"東京タワー", true},  {"🙂🙂🙂", true},    {"Zürich", true},
        {"50%", true},          {"%zz", true},         {"50 % off", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text.toStdString());
        auto& screen = openResults();
        const std::size_t before = searches().size();
        search(c.text);
        if (c.refused) {
            ASSERT_TRUE(QTest::qWaitFor([&] { return alertOver(window) != nullptr; }, 5000));
            EXPECT_EQ(alertOver(window)->message(), localizedText("error_message"));
            EXPECT_EQ(searches().size(), before) << "nothing is sent";
            alertOver(window)->choose(0);
        } else {
            waitForAnswer();
            ASSERT_EQ(searches().size(), before + 1);
            EXPECT_EQ(QString::fromStdString(searches().back().text), c.text) << "the service sees the text as typed";
        }
        screen.close();
        QCoreApplication::processEvents();
    }
}

TEST_F(ResultsScreen, NextPageWithoutATextShowsTheNoTextAlert) {
    auto& screen = openResults();
    screen.loadResults(std::nullopt, true);
    EXPECT_FALSE(screen.indicator->isAnimating());
    ASSERT_NE(alertOver(window), nullptr);
    EXPECT_EQ(alertOver(window)->message(), localizedText("error_no_text"));
}

TEST_F(ResultsScreen, ClearingCancelsTheSearchInFlightAndEmptiesListAndField) {
    Gate slow;
    answerWith([&, slowAnswered = slow.opened](const SeenSearch& seen) {
        if (seen.text == "Slow")
            slowAnswered.wait();
        return Answer{200, pageJson(server.baseURL(), 0, 10, 10)};
    });
    openResults();
    search("Rome");
    waitForAnswer();
    field().setText(QString());
    search("Slow");
    field().clearButton().click();
    EXPECT_EQ(field().text(), "");
    EXPECT_EQ(table().numberOfRows(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return alertOver(window) != nullptr; }, 10000));
    EXPECT_EQ(alertOver(window)->message(),
              QString::fromStdString(platform::Error{platform::ErrorCode::cancelled, {}}.localizedDescription()));
}

TEST_F(ResultsScreen, ReturnOnlyHidesTheKeyboard) {
    openResults();
    type("ro");
    QTest::keyClick(&field().editorWidget(), Qt::Key_Return);
    EXPECT_FALSE(results().indicator->isAnimating());
    EXPECT_FALSE(field().isFirstResponder());
    EXPECT_EQ(field().text(), "Ro");
}

TEST_F(ResultsScreen, ClosingEmptiesTheSessionAndALateAnswerShowsNoAlert) {
    answerWith([&](const SeenSearch&) { return Answer{200, "not json", "text/plain"}; });
    openResults();
    search("Rome");
    const int before = tasksRun();
    results().close();  // before the loop can bring the answer
    EXPECT_EQ(window.rootViewController()->presentedViewController(), nullptr);
    EXPECT_TRUE(session->attractions().empty());
    ASSERT_TRUE(QTest::qWaitFor([&] { return tasksRun() > before; }, 10000)) << "the answer never came";
    EXPECT_EQ(topmost(), window.rootViewController()) << "no alert over the welcome screen";

    answerWith([&](const SeenSearch&) { return Answer{200, pageJson(server.baseURL(), 0, 10, 10)}; });
    auto& reopened = openResults();
    EXPECT_EQ(reopened.tableView()->numberOfRows(), 0);
    EXPECT_EQ(reopened.header->textField->text(), "");
}

TEST_F(ResultsScreen, AnswersOfAReplacedSearchLeaveTheScreenAlone) {
    // "Slow" fails only once "Rome" is on its way; "Rome" is answered when the test says.
    Gate slowGate, romeGate;
    answerWith([&, slow = slowGate.opened, rome = romeGate.opened](const SeenSearch& seen) {
        (seen.text == "Slow" ? slow : rome).wait();
        return seen.text == "Slow" ? Answer{200, "not json", "text/plain"}
                                   : Answer{200, pageJson(server.baseURL(), 0, 10, 10)};
    });
    auto& screen = openResults();
    search("Slow");
    search("Rome");
    const int before = tasksRun();
    slowGate.open();
    EXPECT_TRUE(QTest::qWaitFor([&] { return tasksRun() > before; }, 10000));
    EXPECT_TRUE(screen.indicator->isAnimating()) << "the replaced search stopped the indicator";
    EXPECT_EQ(alertOver(window), nullptr) << "the replaced search showed its failure";
    romeGate.open();
    waitForAnswer();
    EXPECT_EQ(table().numberOfRows(), 10);
    EXPECT_EQ(alertOver(window), nullptr);
}

TEST_F(ResultsScreen, ClosingWhileTheListStillMovesNeverReachesPastTheList) {
    struct AnimationsOn {
        AnimationsOn() { ui::setAnimationsEnabled(true); }
        ~AnimationsOn() { ui::setAnimationsEnabled(false); }
    } slides;
    AnimationClock clock;
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    ASSERT_EQ(table().numberOfRows(), 10);
    QCoreApplication::processEvents();

    // A fling: press on a card, drag upward fast, let go, and leave at once.
    QWidget* card = table().cellForRow({0, 1});
    ASSERT_NE(card, nullptr);
    QTest::mousePress(card, Qt::LeftButton, {}, QPoint(150, 250));
    for (int y = 230; y >= -300; y -= 60)
        QTest::mouseMove(card, QPoint(150, y), 5);
    QTest::mouseRelease(card, Qt::LeftButton, {}, QPoint(150, -300), 5);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_TRUE(session->attractions().empty());
    EXPECT_EQ(screen.tableView()->numberOfRows(), 0) << "the table still counts the emptied list's rows";

    // The wheel keeps turning while the screen slides away, until the screen is gone.
    const QPointer<ui::TableView> leaving = screen.tableView();
    int turns = 0;
    const bool gone = QTest::qWaitFor(
        [&] {
            if (!leaving)
                return true;
            QWheelEvent wheel(QPointF(100, 300), QPointF(100, 300), QPoint(), QPoint(0, -240), Qt::NoButton,
                              Qt::NoModifier, Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(leaving->viewport(), &wheel);
            ++turns;
            clock.advance(std::chrono::milliseconds(20));
            return false;
        },
        10000);
    EXPECT_TRUE(gone);
    EXPECT_GT(turns, 1) << "the screen went before the wheel could turn during its slide";
    EXPECT_EQ(topmost(), window.rootViewController());
}

TEST_F(ResultsScreen, KeysMoveThroughTheCardsOpenOneAndGoBack) {
    auto& screen = openResults();
    search("Rome");
    waitForAnswer();
    QTest::keyClick(&field().editorWidget(), Qt::Key_PageDown);
    EXPECT_GT(table().contentOffset(), 0) << "Page Down in the field scrolls the list";
    table().setContentOffset(0);
    QTest::keyClick(&field().editorWidget(), Qt::Key_Down);
    EXPECT_TRUE(table().hasFocus()) << "the arrows take the keys from the field to the list";
    ASSERT_TRUE(table().keyboardRow().has_value());
    EXPECT_EQ(table().keyboardRow()->row, 0);
    QTest::keyClick(&table(), Qt::Key_Down);
    ASSERT_TRUE(table().keyboardRow().has_value());
    EXPECT_EQ(table().keyboardRow()->row, 1);
    QTest::keyClick(&table(), Qt::Key_Return);
    auto* detail = qobject_cast<DetailViewController*>(topmost());
    ASSERT_NE(detail, nullptr);
    EXPECT_EQ(detail->attraction, screen.dataManager->attractions()[1]);

    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(topmost(), &screen);
    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_EQ(topmost(), window.rootViewController());
}

}
}
