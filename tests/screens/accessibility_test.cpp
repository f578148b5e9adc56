// The screens as assistive technology sees them: the tree of accessible interfaces with
// the names, roles, descriptions and states a screen reader reads, in two languages.
#include "screens_fixture.h"

#include "catalogue/attraction.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/detail_header_view.h"
#include "screens/detail_view_controller.h"
#include "screens/main_view_controller.h"
#include "screens/texts.h"
#include "ui/activity_indicator_view.h"
#include "ui/alert_controller.h"
#include "ui/button.h"
#include "ui/nib.h"

#include <QAccessible>
#include <QApplication>
#include <QTest>

#include <cstdlib>
#include <optional>
#include <vector>

namespace wayfarer::testing {
namespace {

// One element a screen reader reaches: what it says, and of which object.
struct Element {
    QAccessible::Role role;
    QString name;
    QString description;
    QAccessible::State state;
    QObject* object;
};

// What a row of a test expects of an element; an absent value is not checked.
struct Expected {
    QAccessible::Role role;
    QString name;
    std::optional<QString> description = std::nullopt;
    std::optional<bool> checked = std::nullopt;
};

std::ostream& operator<<(std::ostream& out, const Expected& e) {
    return out << "role 0x" << std::hex << e.role << std::dec << " \"" << e.name.toStdString() << "\"";
}

// The shown elements under `interface`, depth first as a screen reader walks them. Every
// child names its parent as the one it is listed under.
void collect(QAccessibleInterface* interface, std::vector<Element>& elements) {
    if (!interface || interface->state().invisible)
        return;
    elements.push_back({interface->role(), interface->text(QAccessible::Name),
                        interface->text(QAccessible::Description), interface->state(), interface->object()});
    for (int i = 0; i < interface->childCount(); ++i) {
        QAccessibleInterface* child = interface->child(i);
        ASSERT_NE(child, nullptr);
        EXPECT_EQ(child->parent(), interface) << "child " << i << " of \"" << elements.back().name.toStdString() << "\"";
        EXPECT_EQ(interface->indexOfChild(child), i);
        collect(child, elements);
    }
}

std::vector<Element> treeOf(QWidget& window) {
    std::vector<Element> elements;
    collect(QAccessible::queryAccessibleInterface(&window), elements);
    return elements;
}

bool matches(const Element& element, const Expected& expected) {
    return element.role == expected.role && element.name == expected.name &&
           (!expected.description || element.description == *expected.description) &&
           (!expected.checked || (element.state.checkable && element.state.checked == *expected.checked));
}

// Each expected element is in the tree, in the order given: the order it is read in.
void expectInReadingOrder(const std::vector<Element>& tree, const std::vector<Expected>& expected) {
    auto from = tree.begin();
    for (const Expected& e : expected) {
        const auto found = std::find_if(from, tree.end(), [&](const Element& element) { return matches(element, e); });
        if (found == tree.end()) {
            ADD_FAILURE() << "not found after the elements before it: " << e;
            continue;
        }
        from = found + 1;
    }
}

const Element* elementOf(const std::vector<Element>& tree, const QObject* object) {
    const auto found = std::find_if(tree.begin(), tree.end(), [&](const Element& e) { return e.object == object; });
    return found == tree.end() ? nullptr : &*found;
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
};

INSTANTIATE_TEST_SUITE_P(Languages, Accessibility, ::testing::Values("en_GB.UTF-8", "it_IT.UTF-8"),
                         [](const auto& language) { return std::string(language.param).substr(0, 2); });

TEST_P(Accessibility, TheWelcomeScreenReadsItsTitleTextAndSearchButton) {
    auto owned = std::make_unique<MainViewController>();
    ASSERT_TRUE(owned->loadViewFromNib(*ui::Nib::named("Main")).ok());
    window.setRootViewController(std::move(owned));
    expectInReadingOrder(treeOf(window), {
        {QAccessible::Heading, localizedText("welcome")},
        {QAccessible::StaticText, localizedText("scope_of_work")},
        {QAccessible::Button, localizedText("search_placeholder"), localizedText("accessibility_search_hint")},
    });
}

TEST_P(Accessibility, TheResultsScreenReadsItsFieldCardsAndHeartsAndTheKeysLikeACard) {
    auto& screen = openResultsFor();
    // The list holds the search header that stays above its cards.
    expectInReadingOrder(treeOf(window), {
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
    // focus; Tab goes on to its heart, Space likes it.
    press(Qt::Key_Down);
    auto* first = qobject_cast<AttractionTableViewCell*>(table().cellForRow({0, 0}));
    ASSERT_NE(first, nullptr);
    QAccessibleInterface* list = QAccessible::queryAccessibleInterface(&table());
    ASSERT_NE(list->focusChild(), nullptr);
    EXPECT_EQ(list->focusChild()->object(), first);
    EXPECT_TRUE(list->focusChild()->state().focused);
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), first->likeButton);
    press(Qt::Key_Space);
    EXPECT_TRUE(screen.dataManager->attractions()[0]->userDidLike);
    QAccessibleInterface* heart = QAccessible::queryAccessibleInterface(first->likeButton);
    EXPECT_TRUE(heart->state().checked);
    EXPECT_EQ(heart->text(QAccessible::Name), localizedText("accessibility_unlike"));

    // A reader's own action on a heart is a tap: it flips the record, and back.
    auto* actions = heart->actionInterface();
    ASSERT_NE(actions, nullptr);
    ASSERT_TRUE(actions->actionNames().contains(QAccessibleActionInterface::toggleAction()));
    actions->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_FALSE(screen.dataManager->attractions()[0]->userDidLike);
    EXPECT_FALSE(heart->state().checked);
    EXPECT_EQ(heart->text(QAccessible::Name), localizedText("accessibility_like"));
}

TEST_P(Accessibility, TheDetailScreenReadsItsButtonsAndTextsAndTheKeysLikeIt) {
    auto& screen = openResultsFor();
    screen.dataManager->attractions()[0]->userDidLike = true;
    screen.didSelectRow(table(), {0, 0});
    auto* detail = qobject_cast<DetailViewController*>(topmost());
    ASSERT_NE(detail, nullptr);
    QCoreApplication::processEvents();
    expectInReadingOrder(treeOf(window), {
        {QAccessible::Button, localizedText("back"), localizedText("accessibility_back_hint")},
        {QAccessible::Button, localizedText("accessibility_unlike"), std::nullopt, true},
        {QAccessible::StaticText, "Sight 0"},
        {QAccessible::StaticText, "A sight."},
        {QAccessible::StaticText, localizedText("from")},
        {QAccessible::StaticText, "$10.00", localizedText("accessibility_price")},
        {QAccessible::StaticText, "Daily", localizedText("accessibility_days")},
    });

    ui::Button& heart = *detail->header->likeButton;
    detail->header->backButton->setFocus(Qt::OtherFocusReason);
    press(Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), &heart);
    press(Qt::Key_Space);
    EXPECT_FALSE(detail->attraction->userDidLike);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&heart);
    EXPECT_FALSE(reader->state().checked);
    EXPECT_EQ(reader->text(QAccessible::Name), localizedText("accessibility_like"));
    press(Qt::Key_Escape);
    EXPECT_EQ(topmost(), &screen);
}

// Asking for a next page with no text is the one failure shown without a search.
TEST_P(Accessibility, TheAlertIsADialogWithItsMessageAndItsButtonHasTheKeys) {
    auto& screen = openResults();
    screen.loadResults(std::nullopt, true);
    EXPECT_FALSE(screen.indicator->isAnimating());
    auto* alert = qobject_cast<ui::AlertController*>(topmost());
    ASSERT_NE(alert, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QApplication::focusWidget() == alert->buttonForAction(0); }, 5000));
    const auto tree = treeOf(window);
    expectInReadingOrder(tree, {
        {QAccessible::Dialog, localizedText("error_title"), localizedText("error_no_text")},
        {QAccessible::StaticText, localizedText("error_title")},
        {QAccessible::StaticText, localizedText("error_no_text")},
        {QAccessible::Button, "OK"},
    });
    const Element* ok = elementOf(tree, alert->buttonForAction(0));
    ASSERT_NE(ok, nullptr);
    EXPECT_TRUE(ok->state.focused);
    press(Qt::Key_Return);
    EXPECT_EQ(topmost(), &screen);
}

}
}
