// The screens as a user and a screen reader drive them, and the cells and headers they are made of.
#include "screens_fixture.h"

#include "qt_test_support.h"

#include "catalogue/attraction.h"
#include "platform/image.h"
#include "screens/cover_image.h"
#include "screens/detail_cell.h"
#include "screens/texts.h"
#include "shell/cell_nibs.h"
#include "ui/image_view.h"

#include <QAccessible>

#include <algorithm>
#include <cmath>

namespace wayfarer::testing {
namespace {

QString messageOf(platform::ErrorCode code) {
    return QString::fromStdString(platform::Error{code, {}}.localizedDescription());
}

using ResultsScreen = ScreensTest;
using DetailScreen = ScreensTest;
using EveryScreen = ScreensTest;

TEST_F(ResultsScreen, SearchesFromTheThirdCharacterOnEveryEditAndMoveOrBeforeVersion13TheTextBeforeTheEdit) {
    const std::pair<int, std::vector<std::string>> versions[] = {
        {13, {"Rom@0", "Rome@0", "Rome@0"}},
        {12, {"Rom@0"}},
    };
    for (const auto& [version, searched] : versions) {
        SCOPED_TRACE(version);
        ui::setPlatformVersion(version);
        const std::size_t before = searches().size();
        openResults();
        QCoreApplication::processEvents();
        EXPECT_TRUE(field().isFirstResponder()) << "the field takes the keys when the screen opens";
        type("ro");
        QTest::keyClick(&field().editorWidget(), Qt::Key_Return);
        EXPECT_FALSE(indicator().isAnimating()) << "two characters and Return start no search";
        EXPECT_FALSE(field().isFirstResponder()) << "Return hides the keyboard";
        EXPECT_EQ(field().text(), "Ro") << "typed words are capitalised";
        type("m");
        EXPECT_EQ(indicator().isAnimating(), version >= 13);
        waitForAnswer();
        type("e");
        EXPECT_EQ(table().numberOfRows(), 0) << "every new text starts from an empty list";
        waitForAnswer();
        EXPECT_EQ(table().numberOfRows(), 10);
        QTest::keyClick(&field().editorWidget(), Qt::Key_Left);
        waitForAnswer();
        const std::vector<std::string> seen = searches();
        EXPECT_EQ(std::vector(seen.begin() + static_cast<std::ptrdiff_t>(before), seen.end()), searched);
        closeResults();
    }
}

TEST_F(ResultsScreen, PagesFromTheTriggerRowForShortAndLongLists) {
    for (const auto& [rows, triggerRow] : {std::pair{1, 0}, std::pair{2, 1}, std::pair{10, 8}}) {
        SCOPED_TRACE(rows);
        // Each page brings the next record: the list grows by one and never ends.
        answerWith([&, rows = rows](int offset) { return page(offset, rows, 1000); });
        const std::size_t before = searches().size();
        openResultsFor("Rome");
        table().scrollToRow({0, triggerRow}, ui::ScrollPosition::bottom, false);
        waitForAnswer();
        ASSERT_GE(searches().size(), before + 2);
        EXPECT_EQ(searches()[before + 1], "Rome@1");
        EXPECT_GT(session->attractions().size(), static_cast<std::size_t>(rows));
        closeResults();
    }
}

TEST_F(ResultsScreen, AsksForEachPageOnceNotWhileTheTriggerRowComesBackAndNotPastTheEnd) {
    // Pages of ten of a total of 25: the fourth page is empty, and ends the search.
    answerWith([&](int offset) {
        const int first = 10 * offset;
        return page(first, std::clamp(25 - first, 0, 10), 25);
    });
    openResultsFor("Rome");
    // Through the delegate, as ui::TableView reports rows entering and leaving the viewport.
    ui::TableViewDelegate& delegate = *table().delegate();
    auto& cell = cellAt(0);
    delegate.didEndDisplayingCell(table(), cell, {0, 8});
    delegate.willDisplayCell(table(), cell, {0, 8});
    EXPECT_EQ(searches().size(), 1u) << "the trigger row came back with no other row gone in between";
    delegate.didEndDisplayingCell(table(), cell, {0, 3});
    delegate.willDisplayCell(table(), cell, {0, 8});
    waitForAnswer();
    // Every other page comes while the user is back at the top, the others at the end.
    for (int turn = 0; turn < 8; ++turn) {
        table().setContentOffset(table().contentHeight());
        if (turn % 2 == 0)
            table().setContentOffset(0);
        waitForAnswer();
    }
    EXPECT_EQ(searches(), (std::vector<std::string>{"Rome@0", "Rome@1", "Rome@2", "Rome@3"}));
    EXPECT_EQ(table().numberOfRows(), 25);
    // Rows no longer indexing the emptied list: the heart and the selection do nothing.
    session->cancelSearch();
    cellAt(table().indexPathsForVisibleRows().front().row).likeButton->click();
    delegate.didSelectRow(table(), {0, 24});
    EXPECT_EQ(topmost(), &results());
}

TEST_F(ResultsScreen, EveryTextIsSearchedAsTypedOrFailsInOneAlertWhoseButtonEmptiesTheList) {
    struct Case {
        QString typed;
        Answer answer;
        std::optional<QString> alert;  // none: the search goes out and is answered
        bool sent = true;
    };
    const QString cannotParse = messageOf(platform::ErrorCode::cannotParse);
    const QString badResponse = messageOf(platform::ErrorCode::badServerResponse);
    const QString refused = localizedText("error_message");
    std::vector<Case> cases = {
        {"Rome", page(), {}},
        {"new york", page(), {}},
        {"   ", page(), {}},
        {"rome", {200, "<html><body>Bad gateway</body></html>", "text/html"}, cannotParse},
        {"rome", {500, "<html>Internal error</html>", "text/html"}, badResponse},
        {"rome", {503, R"({"message": "overloaded"})"}, badResponse},
        {"rome", {200, "[1, 2, 3]"}, refused},
    };
    // Punctuation, accents, other scripts and a malformed escape are refused before anything is sent.
    for (const char* text : {"%%%", "a&b=c?d#e", "St. Peter's", "東京タワー", "🙂🙂🙂", "Zürich", "50%", "%zz", "50 % off"})
        cases.push_back({QString::fromUtf8(text), page(), refused, false});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed.toStdString() + " answered with " + c.answer.body);
        answerWith(nullptr);
        openResultsFor("Abc");
        ASSERT_EQ(table().numberOfRows(), 10);
        const std::size_t before = searches().size();
        answerWith([&](int) { return c.answer; });
        search(c.typed);
        if (!c.alert) {
            waitForAnswer();
            EXPECT_EQ(searches().back(), c.typed.toStdString() + "@0") << "the service sees the text as typed";
        } else {
            ASSERT_NE(waitForAlert(), nullptr);
            EXPECT_EQ(alert()->message(), *c.alert);
            EXPECT_FALSE(field().isFirstResponder());
            alert()->choose(0);
            EXPECT_EQ(table().numberOfRows(), 0);
            EXPECT_EQ(field().text(), c.typed) << "the field keeps its text";
        }
        EXPECT_EQ(searches().size(), before + (c.sent ? 1 : 0));
        closeResults();
    }
}

// Where the list is empty with three letters or more, after an answer or an alert.
TEST_F(ResultsScreen, TheEmptyListSaysNothingWasFoundButNothingAfterAFailureOrACancelledSearch) {
    const auto message = [&] { return listMessage(table()).value_or("(none)").toStdString(); };
    answerWith([this](int) { return page(0, 0, 0); });
    openResultsFor("Qxz");
    EXPECT_EQ(message(), "No attractions found for “Qxz”");
    answerWith([](int) { return Answer{500, "<html/>", "text/html"}; });
    search("Rome");
    waitForAlert()->choose(0);
    EXPECT_EQ(message(), "(none)");

    // The clear button cancels a search still running: it fails in an alert, and then asks for a word.
    Gate held;
    answerWith([opened = held.opened, this](int) {
        opened.wait();
        return page();
    });
    search("Slow");
    field().clearButton().click();
    ASSERT_NE(waitForAlert(), nullptr);
    EXPECT_EQ(alert()->message(), messageOf(platform::ErrorCode::cancelled));
    EXPECT_EQ(message(), "(none)");
    alert()->choose(0);
    EXPECT_EQ(message(), localizedText("search_hint").toStdString());
    EXPECT_EQ(localizedText("no_such_key", "Rome"), "**no_such_key**");
}

TEST_F(ResultsScreen, ClosingWhileTheListStillMovesNeverReachesPastTheList) {
    struct AnimationsOn {
        AnimationsOn() { ui::setAnimationsEnabled(true); }
        ~AnimationsOn() { ui::setAnimationsEnabled(false); }
    } slides;
    AnimationClock clock;
    openResultsFor();
    QCoreApplication::processEvents();
    // A fling upward, and leave at once.
    drag(table(), 550, 5);
    const QPointer<ui::TableView> leaving = &table();
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_TRUE(session->attractions().empty());
    EXPECT_EQ(leaving->numberOfRows(), 0) << "the table still counts the emptied list's rows";
    // The wheel keeps turning while the screen slides away, until the screen is gone.
    int turns = 0;
    EXPECT_TRUE(QTest::qWaitFor(
        [&] {
            if (!leaving)
                return true;
            turnWheel(*leaving->viewport(), -240);
            ++turns;
            clock.advance(std::chrono::milliseconds(20));
            return false;
        },
        10000));
    EXPECT_GT(turns, 1) << "the screen went before the wheel could turn during its slide";
    EXPECT_EQ(topmost(), window->rootViewController());
}

// A phone's width is the column; a wider window keeps every screen to one centred column.
TEST_F(EveryScreen, KeepsToAReadableColumnOnAWideWindowAndTheCardInViewThroughAResize) {
    const auto resizeWindow = [&](QSize size) {
        window->resize(size);
        ASSERT_TRUE(QTest::qWaitFor([&] { return window->rootViewController()->view()->size() == size; }, 5000));
    };
    const auto left = [&](QWidget& part) { return part.mapTo(window.get(), QPoint()).x(); };
    for (const auto& [size, column] : {std::pair{QSize(390, 844), 390}, std::pair{QSize(1300, 850), 480}}) {
        SCOPED_TRACE(size.width());
        const int margin = (size.width() - column) / 2;
        resizeWindow(size);
        showWelcome(*ui::Nib::named("Main"));
        QCoreApplication::processEvents();
        auto& background = welcomePart<ui::ImageView>("backgroundImageView");
        EXPECT_EQ(background.size(), size) << "the pictures fill the window";
        EXPECT_TRUE(background.isAnimating());
        for (const char* name : {"welcomeButton", "searchButton"}) {
            EXPECT_EQ(left(welcomePart<ui::Button>(name)), margin + 24) << name;
            EXPECT_EQ(welcomePart<ui::Button>(name).width(), column - 48) << name;
        }
        welcomePart<ui::Button>("searchButton").click();
        search("Rome");
        waitForAnswer();
        EXPECT_EQ(table().width(), column);
        EXPECT_EQ(left(table()), margin);
        for (int row : {0, 1})
            for (ui::Label* label : {cellAt(row).titleLabel, cellAt(row).priceLabel})
                EXPECT_LE(label->mapTo(window.get(), QPoint(0, label->height())).y(), size.height()) << row;
        turnWheel(*results().view(), -120, QPointF(margin / 2, 300));
        EXPECT_GT(table().contentOffset(), 0) << "a wheel beside the column scrolls the list";

        DetailViewController& detail = openDetail(0);
        EXPECT_EQ(detail.tableView()->width(), column);
        EXPECT_EQ(left(*detail.tableView()), margin);
        EXPECT_EQ(detailHeader().width(), column);
        detailHeader().backButton->click();
        closeResults();
    }
    // A maximised window and back: the card just below the search header stays there.
    openResultsFor("Rome");
    table().scrollToRow({0, 3}, ui::ScrollPosition::top, false);
    for (const QSize size : {QSize(1300, 850), QSize(390, 844)}) {
        resizeWindow(size);
        EXPECT_EQ(table().rectForRow({0, 3}).top() - table().contentOffset(), ResultsTableViewController::headerHeight);
    }
}

// Each case: the text's scale, the description's sentences, and whether the row outgrows its 40 % share.
TEST_F(DetailScreen, GrowsItsRowOnlyForLongerTextsAndGoingBackAfterALikeUnderAnotherRootOnlyPops) {
    const QFont standard = QApplication::font();
    for (const auto& [textScale, sentences, grows] :
         {std::tuple{1.0, 6, false}, std::tuple{1.0, 40, true}, std::tuple{1.5, 6, true}}) {
        SCOPED_TRACE(::testing::Message() << textScale << " times the text, " << sentences << " sentences");
        QFont font = standard;
        font.setPointSizeF(standard.pointSizeF() * textScale);
        QApplication::setFont(font);
        openResultsFor();
        session->attractions()[1]->description =
            QStringLiteral("The great amphitheatre once held fifty thousand spectators. ").repeated(sentences).toStdString();
        ui::TableView& detailTable = *openDetail(1).tableView();
        const double share = detailTable.frame().height() * 40.0 / 100.0;
        const double row = detailTable.delegate()->heightForRow(detailTable, {0, 0});
        if (grows)
            EXPECT_GT(row, share);
        else
            EXPECT_DOUBLE_EQ(row, share);
        auto* cell = qobject_cast<DetailCell*>(detailTable.cellForRow({0, 0}));
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->titleLabel->text(), "Sight 1");
        EXPECT_EQ(cell->height(), static_cast<int>(std::lround(row)));
        for (const ui::Label* label : {cell->titleLabel, cell->descriptionLabel, cell->fromLabel, cell->priceLabel,
                                       cell->availabilityLabel}) {
            EXPECT_GE(label->height(), label->heightForWidth(label->width())) << label->objectName().toStdString();
            EXPECT_LE(label->mapTo(cell, QPoint(0, label->height())).y(), cell->height());
        }
        QApplication::setFont(standard);
        detailHeader().backButton->click();
        closeResults();
    }
    auto owned = std::make_unique<DetailViewController>();
    owned->attraction = Attraction::make("solo");
    auto navigation = std::make_unique<ui::NavigationController>(std::make_unique<ui::ViewController>());
    ui::NavigationController& stack = *navigation;
    window->rootViewController()->present(std::move(navigation), false);
    stack.pushViewController(std::move(owned), false);
    // The detail's heart starts black and, once unliked again, turns white.
    for (const char* heart : {"Lorvanta_Heart_Black", "Lorvanta_Heart_Fill", "Lorvanta_Heart_White"}) {
        EXPECT_EQ(detailHeader().likeButton->image()->name(), heart);
        detailHeader().likeButton->click();
    }
    EXPECT_TRUE(detail()->attraction->userDidLike);
    detailHeader().backButton->click();
    EXPECT_EQ(stack.viewControllers().size(), 1u);
}

// What a screen reader is to read of an element; an absent value is not checked.
struct Expected {
    QAccessible::Role role;
    QString name;
    std::optional<QString> description = std::nullopt;
    std::optional<bool> checked = std::nullopt;
};

// The shown elements under `element`, depth first as a screen reader walks them. Every
// child names its parent as the one it is listed under.
void collect(QAccessibleInterface* element, std::vector<QAccessibleInterface*>& elements) {
    if (!element || element->state().invisible)
        return;
    elements.push_back(element);
    for (int i = 0; i < element->childCount(); ++i) {
        QAccessibleInterface* child = element->child(i);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->parent(), element) << "child " << i << " of " << element->text(QAccessible::Name).toStdString();
        EXPECT_EQ(element->indexOfChild(child), i);
        collect(child, elements);
    }
}

// Each expected element is in the window's tree, in the order given: the order it is read in.
void expectInReadingOrder(QWidget& window, const std::vector<Expected>& expected) {
    std::vector<QAccessibleInterface*> tree;
    collect(QAccessible::queryAccessibleInterface(&window), tree);
    auto from = tree.begin();
    for (const Expected& e : expected) {
        const auto found = std::find_if(from, tree.end(), [&](QAccessibleInterface* element) {
            const QAccessible::State state = element->state();
            return element->role() == e.role && element->text(QAccessible::Name) == e.name &&
                   (!e.description || element->text(QAccessible::Description) == *e.description) &&
                   (!e.checked || (state.checkable && state.checked == *e.checked));
        });
        if (found == tree.end()) {
            ADD_FAILURE() << "not found after the elements before it: role 0x" << std::hex << e.role << " \""
                          << e.name.toStdString() << "\"";
            continue;
        }
        from = found + 1;
    }
}

class Accessibility : public ScreensTest, public ::testing::WithParamInterface<const char*> {
protected:
    Accessibility() { locale = GetParam(); }
};

INSTANTIATE_TEST_SUITE_P(Languages, Accessibility,
                         ::testing::Values("en_GB.UTF-8", "it_IT.UTF-8", "de_DE.UTF-8", "fr_FR.UTF-8", "es_ES.UTF-8"),
                         [](const auto& language) { return std::string(language.param).substr(0, 2); });

// Every screen in turn, each read as a whole and then walked with the keys.
TEST_P(Accessibility, EveryScreenReadsInOrderAndTheKeysGoThroughItsCardsHeartsAndButtons) {
    MainViewController& welcome = showWelcome(*ui::Nib::named("Main"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(welcomePart<ui::Button>("searchButton").hasFocus());
    expectInReadingOrder(*window, {
        {QAccessible::Heading, localizedText("welcome")},
        {QAccessible::StaticText, localizedText("scope_of_work")},
        {QAccessible::Button, localizedText("search_placeholder"), localizedText("accessibility_search_hint")},
    });

    // Return opens a full-screen search; a next page with no text fails at once in an alert.
    press(Qt::Key_Return);
    ASSERT_NE(shownResults(), nullptr);
    auto& screen = results();
    screen.loadResults(std::nullopt, true);
    EXPECT_FALSE(indicator().isAnimating());
    ASSERT_NE(alert(), nullptr);
    QWidget* ok = alert()->buttonForAction(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == ok; }, 5000));
    EXPECT_EQ(alert()->message(), localizedText("error_no_text"));
    press(Qt::Key_Return);
    EXPECT_EQ(topmost(), &screen);
    expectInReadingOrder(*window, {
        {QAccessible::EditableText, localizedText("accessibility_search_field"),
         localizedText("search_results_placeholder")},
        {QAccessible::StaticText, localizedText("search_hint")},
    });

    field().becomeFirstResponder();
    search("Rome");
    waitForAnswer();
    // The search header stays above the cards, inside the list.
    expectInReadingOrder(*window, {
        {QAccessible::List, ""},
        {QAccessible::EditableText, localizedText("accessibility_search_field"),
         localizedText("search_results_placeholder")},
        {QAccessible::Button, localizedText("accessibility_clear_search")},
        {QAccessible::Button, localizedText("accessibility_close_search")},
        {QAccessible::ListItem, "Sight 0, $10.00", localizedText("accessibility_open_details")},
        {QAccessible::CheckBox, localizedText("accessibility_like"), std::nullopt, false},
        {QAccessible::ListItem, "Sight 1, $11.00", localizedText("accessibility_open_details")},
        {QAccessible::CheckBox, localizedText("accessibility_like"), std::nullopt, false},
    });

    // The arrows take the keys from the field to the cards; the reader finds the marked one focused.
    const auto markedRow = [&] { return table().keyboardRow().value_or(ui::IndexPath{0, -1}).row; };
    press(Qt::Key_PageDown);
    EXPECT_GT(table().contentOffset(), 0) << "Page Down in the field scrolls the list";
    table().setContentOffset(0);
    press(Qt::Key_Down);
    EXPECT_EQ(markedRow(), 0);
    press(Qt::Key_Down);
    EXPECT_EQ(markedRow(), 1);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&table());
    ASSERT_NE(list->focusChild(), nullptr);
    EXPECT_EQ(list->focusChild()->object(), &cellAt(1));
    EXPECT_TRUE(list->focusChild()->state().focused);
    AttractionTableViewCell& second = cellAt(1);
    QWidget* close = table().findChild<TextFieldHeaderView*>()->closeButton;
    const std::pair<Qt::KeyboardModifiers, QWidget*> tabs[] = {
        {Qt::NoModifier, second.likeButton},    {Qt::NoModifier, &field().editorWidget()},
        {Qt::NoModifier, close},                {Qt::NoModifier, &table()},
        {Qt::ShiftModifier, close},             {Qt::ShiftModifier, &field().editorWidget()},
        {Qt::ShiftModifier, second.likeButton},
    };
    for (std::size_t i = 0; i < std::size(tabs); ++i) {
        press(Qt::Key_Tab, tabs[i].first);
        EXPECT_EQ(QApplication::focusWidget(), tabs[i].second) << "Tab " << i;
    }
    // Space likes the heart's card and again unlikes it, and no other.
    for (const bool liked : {true, false}) {
        press(Qt::Key_Space);
        EXPECT_EQ(session->attractions()[1]->userDidLike, liked);
        EXPECT_FALSE(session->attractions()[0]->userDidLike);
        EXPECT_EQ(second.likeButton->image()->name(), liked ? "Lorvanta_Heart_Fill" : "Lorvanta_Heart_White");
        EXPECT_EQ(cellAt(0).likeButton->image()->name(), "Lorvanta_Heart_White");
    }
    press(Qt::Key_Up);
    EXPECT_EQ(QApplication::focusWidget(), &table()) << "the arrows go on from the heart through the cards";
    EXPECT_EQ(markedRow(), 0);

    session->attractions()[0]->userDidLike = true;
    press(Qt::Key_Return);
    ASSERT_NE(detail(), nullptr);
    EXPECT_EQ(detail()->attraction, session->attractions()[0]);
    QCoreApplication::processEvents();
    expectInReadingOrder(*window, {
        {QAccessible::Button, localizedText("back"), localizedText("accessibility_back_hint")},
        {QAccessible::CheckBox, localizedText("accessibility_unlike"), std::nullopt, true},
        {QAccessible::StaticText, "Sight 0"},
        {QAccessible::StaticText, "A sight."},
        {QAccessible::StaticText, localizedText("from")},
        {QAccessible::StaticText, "$10.00", localizedText("accessibility_price")},
        {QAccessible::StaticText, "Daily", localizedText("accessibility_days")},
    });
    detailHeader().backButton->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), detailHeader().likeButton);
    press(Qt::Key_Space);
    EXPECT_FALSE(detail()->attraction->userDidLike);

    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(topmost(), &screen);
    QTest::keyClick(window.get(), Qt::Key_Escape);
    EXPECT_EQ(topmost(), &welcome);
    QCoreApplication::processEvents();
    EXPECT_TRUE(welcomePart<ui::Button>("searchButton").hasFocus()) << "the keys come back to the search button";
    press(Qt::Key_Return);
    ASSERT_NE(shownResults(), nullptr);
    EXPECT_EQ(field().text(), "") << "every opening is a new search";
    EXPECT_EQ(table().numberOfRows(), 0);
}

template <class Cell>
std::unique_ptr<Cell> makeCell(const ui::Nib& nib) {
    auto loaded = nib.instantiate();
    EXPECT_TRUE(loaded.ok());
    auto* cell = qobject_cast<Cell*>(loaded.value().get());
    EXPECT_NE(cell, nullptr);
    loaded.value().release();
    return std::unique_ptr<Cell>(cell);
}

// The headers lay out over the size they are given; a record with no values empties the card,
// the detail's cell and its header wholly.
TEST(RecordViews, FollowTheirSizeAndAreEmptiedWhollyByABareRecord) {
    registerScreenViews();
    const auto full = Attraction::make("full");
    full->description = full->price = full->operationalDays = full->title = "Colosseum";
    full->coverImg = platform::Image::decode(samples::encodeJpeg(samples::makePicture(60, 40)));
    full->userDidLike = true;
    auto card = makeCell<AttractionTableViewCell>(*shell::attractionTableViewCellNib());
    auto cell = makeCell<DetailCell>(*shell::detailCellNib());
    DetailHeaderView header(QRect(0, 0, 390, 440));
    TextFieldHeaderView search(QRect(0, 0, 390, 50));
    for (const auto& [view, content] : {std::pair<QWidget*, QWidget*>{&header, header.contentView},
                                        std::pair<QWidget*, QWidget*>{&search, search.contentView}}) {
        view->show();
        view->resize(600, 64);
        EXPECT_EQ(content->geometry(), QRect(0, 0, 600, 64));
    }
    header.configure(*full);
    EXPECT_TRUE(header.imageView->image().has_value());
    for (const auto& record : {full, Attraction::make("bare")}) {
        card->configure(*record);
        header.configure(*record);
        cell->configure(*record);
    }
    for (const ui::Label* label : {card->titleLabel, card->priceLabel, cell->titleLabel, cell->descriptionLabel,
                                   cell->priceLabel, cell->availabilityLabel})
        EXPECT_EQ(label->text(), std::nullopt) << label->objectName().toStdString();
    EXPECT_EQ(cell->fromLabel->text(), localizedText("from"));
    EXPECT_FALSE(card->thumbnailView->image().has_value());
    EXPECT_FALSE(header.imageView->image().has_value());
    EXPECT_EQ(header.likeButton->image()->name(), "Lorvanta_Heart_Black");
}

TEST(CoverImage, ScalesToTheSizeAskedAndGivesNothingAtOnceForAnEmptySize) {
    const auto cover = coverImage(platform::Image::decode(samples::encodeJpeg(samples::makePicture(60, 40))));
    ASSERT_TRUE(cover.has_value());
    for (const auto& [size, drawn] : std::initializer_list<std::pair<QSize, bool>>{
             {{60, 40}, true}, {{13, 9}, true}, {{0, 0}, false}, {{0, 40}, false}, {{60, 0}, false}, {{-1, -1}, false}}) {
        const QImage picture = cover->toQImage(size);
        EXPECT_EQ(picture.size(), drawn ? size : QSize(0, 0)) << size.width() << " x " << size.height();
    }
}

}
}
