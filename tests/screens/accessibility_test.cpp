// The screens as assistive technology sees them: the tree of accessible interfaces with
// the names, roles, descriptions and states a screen reader reads, in two languages.
#include "screens_fixture.h"

#include "screens/detail_header_view.h"
#include "screens/main_view_controller.h"
#include "screens/texts.h"
#include "ui/button.h"
#include "ui/nib.h"

#include <QAccessible>

namespace wayfarer::testing {
namespace {

// What a row of a test expects of an element; an absent value is not checked.
struct Expected {
    QAccessible::Role role;
    QString name;
    std::optional<QString> description = std::nullopt;
    std::optional<bool> checked = std::nullopt;
};

bool matches(QAccessibleInterface* element, const Expected& expected) {
    const QAccessible::State state = element->state();
    return element->role() == expected.role && element->text(QAccessible::Name) == expected.name &&
           (!expected.description || element->text(QAccessible::Description) == *expected.description) &&
           (!expected.checked || (state.checkable && state.checked == *expected.checked));
}

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
        const auto found = std::find_if(from, tree.end(), [&](QAccessibleInterface* element) { return matches(element, e); });
        if (found == tree.end()) {
            ADD_FAILURE() << "not found after the elements before it: role 0x" << std::hex << e.role << " \""
                          << e.name.toStdString() << "\"";
            continue;
        }
        from = found + 1;
    }
}

// Each test runs in the language its parameter names.
class Accessibility : public ScreensTest, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        ScreensTest::SetUp();
        setenv("LC_ALL", GetParam(), 1);
    }
    void TearDown() override {
        setenv("LC_ALL", "en_US.UTF-8", 1);
        ScreensTest::TearDown();
    }
    // What the reader says of the heart `button` after a key: liked or not, and checked so.
    void expectHeart(ui::Button& button, bool liked) {
        QAccessibleInterface* heart = QAccessible::queryAccessibleInterface(&button);
        EXPECT_EQ(heart->state().checked, liked);
        EXPECT_EQ(heart->text(QAccessible::Name), localizedText(liked ? "accessibility_unlike" : "accessibility_like"));
    }
};

INSTANTIATE_TEST_SUITE_P(Languages, Accessibility, ::testing::Values("en_GB.UTF-8", "it_IT.UTF-8"),
                         [](const auto& language) { return std::string(language.param).substr(0, 2); });

TEST_P(Accessibility, TheWelcomeScreenReadsItsTitleTextAndSearchButton) {
    auto owned = std::make_unique<MainViewController>();
    ASSERT_TRUE(owned->loadViewFromNib(*ui::Nib::named("Main")).ok());
    window->setRootViewController(std::move(owned));
    expectInReadingOrder(*window, {
        {QAccessible::Heading, localizedText("welcome")},
        {QAccessible::StaticText, localizedText("scope_of_work")},
        {QAccessible::Button, localizedText("search_placeholder"), localizedText("accessibility_search_hint")},
    });
}

TEST_P(Accessibility, TheResultsScreenReadsItsFieldCardsAndHeartsAndTheKeysLikeACard) {
    auto& screen = openResultsFor();
    // The list holds the search header that stays above its cards.
    expectInReadingOrder(*window, {
        {QAccessible::List, ""},
        {QAccessible::EditableText, localizedText("accessibility_search_field"),
         localizedText("search_results_placeholder")},
        {QAccessible::Button, localizedText("accessibility_clear_search")},
        {QAccessible::Button, localizedText("accessibility_close_search")},
        {QAccessible::ListItem, "Sight 0, $10.00", localizedText("accessibility_open_details")},
        {QAccessible::Button, localizedText("accessibility_like"), std::nullopt, false},
        {QAccessible::ListItem, "Sight 1, $11.00", localizedText("accessibility_open_details")},
        {QAccessible::Button, localizedText("accessibility_like"), std::nullopt, false},
    });

    // From the keyboard: the arrow marks the first card, which the reader finds has the
    // focus; Tab goes on to its heart, Space likes it and again unlikes it, and no other.
    press(Qt::Key_Down);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&table());
    ASSERT_NE(list->focusChild(), nullptr);
    EXPECT_EQ(list->focusChild()->object(), &cellAt(0));
    EXPECT_TRUE(list->focusChild()->state().focused);
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), cellAt(0).likeButton);
    for (const bool liked : {true, false}) {
        press(Qt::Key_Space);
        EXPECT_EQ(screen.dataManager->attractions()[0]->userDidLike, liked);
        EXPECT_FALSE(screen.dataManager->attractions()[1]->userDidLike);
        expectHeart(*cellAt(0).likeButton, liked);
        EXPECT_EQ(cellAt(0).likeButton->image()->name(), liked ? "Lorvanta_Heart_Fill" : "Lorvanta_Heart_White");
        EXPECT_EQ(cellAt(1).likeButton->image()->name(), "Lorvanta_Heart_White");
    }
}

TEST_P(Accessibility, TheDetailScreenReadsItsButtonsAndTextsAndTheKeysLikeIt) {
    auto& screen = openResultsFor();
    screen.dataManager->attractions()[0]->userDidLike = true;
    screen.didSelectRow(table(), {0, 0});
    ASSERT_NE(detail(), nullptr);
    QCoreApplication::processEvents();
    expectInReadingOrder(*window, {
        {QAccessible::Button, localizedText("back"), localizedText("accessibility_back_hint")},
        {QAccessible::Button, localizedText("accessibility_unlike"), std::nullopt, true},
        {QAccessible::StaticText, "Sight 0"},
        {QAccessible::StaticText, "A sight."},
        {QAccessible::StaticText, localizedText("from")},
        {QAccessible::StaticText, "$10.00", localizedText("accessibility_price")},
        {QAccessible::StaticText, "Daily", localizedText("accessibility_days")},
    });

    detail()->header->backButton->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), detail()->header->likeButton);
    press(Qt::Key_Space);
    EXPECT_FALSE(detail()->attraction->userDidLike);
    expectHeart(*detail()->header->likeButton, false);
}

// Asking for a next page with no text is the one failure shown without a search.
TEST_P(Accessibility, TheAlertIsADialogWithItsMessageAndItsButtonHasTheKeys) {
    auto& screen = openResults();
    screen.loadResults(std::nullopt, true);
    EXPECT_FALSE(screen.indicator->isAnimating());
    ASSERT_NE(alert(), nullptr);
    QWidget* ok = alert()->buttonForAction(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == ok; }, 5000));
    expectInReadingOrder(*window, {
        {QAccessible::Dialog, localizedText("error_title"), localizedText("error_no_text")},
        {QAccessible::StaticText, localizedText("error_title")},
        {QAccessible::StaticText, localizedText("error_no_text")},
        {QAccessible::Button, "OK"},
    });
    EXPECT_TRUE(QAccessible::queryAccessibleInterface(ok)->state().focused);
    press(Qt::Key_Return);
    EXPECT_EQ(topmost(), &screen);
}

}
}
