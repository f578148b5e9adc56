#include "ui/button.h"
#include "ui/text_field.h"

#include <QAccessible>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QValidator>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

namespace wayfarer::ui {
namespace {

using Events = std::vector<std::string>;

// Writes down the delegate's callbacks with what the field holds at that moment:
// "change 0+0 'a' in ''" (before an edit), "selection 'a' 1" (after it).
class RecordingDelegate : public TextFieldDelegate {
public:
    bool textFieldShouldChangeCharacters(TextField& field, TextRange range, const QString& replacement) override {
        const QString change = QStringLiteral("change %1+%2 '%3' in '%4'").arg(range.location).arg(range.length);
        note(change.arg(replacement, field.text()));
        return !refuse || !replacement.contains(*refuse);
    }
    void textFieldDidChangeSelection(TextField& field) override {
        note(QStringLiteral("selection '%1' %2").arg(field.text()).arg(field.selectedRange().location));
    }
    bool textFieldShouldReturn(TextField&) override {
        note(QStringLiteral("return"));
        return true;
    }
    bool textFieldShouldClear(TextField& field) override {
        note(QStringLiteral("clear '%1'").arg(field.text()));
        return allowClear;
    }
    Events take() { return std::exchange(events, {}); }

    Events events;
    std::optional<QChar> refuse;
    bool allowClear = true;

private:
    void note(const QString& event) { events.push_back(event.toStdString()); }
};

class TextFieldTest : public ::testing::Test {
protected:
    TextFieldTest() {
        window.resize(390, 60);
        field = new TextField(&window);
        field->setGeometry(10, 10, 370, 36);
        field->setDelegate(&delegate);
        window.show();
    }
    void type(const QString& keys) { QTest::keyClicks(&field->editorWidget(), keys); }

    QWidget window;
    TextField* field = nullptr;
    RecordingDelegate delegate;
};

// A refused edit and a key that changes nothing report no selection change and leave the
// selection as it was; Return edits nothing.
TEST_F(TextFieldTest, EachKeyIsAskedForBeforeAndReportedAfterInOrder) {
    const struct {
        const char* name;
        QString start;
        TextRange selection;
        QKeyCombination key;
        Events events;
        QString result;
        std::optional<QChar> refused = {};
        AutocapitalizationType capitalization = AutocapitalizationType::none;
    } steps[] = {
        {"backspace at the end", "rome", {4, 0}, Qt::Key_Backspace, {"change 3+1 '' in 'rome'", "selection 'rom' 3"},
         "rom"},
        {"backspace in the middle", "rome", {2, 0}, Qt::Key_Backspace, {"change 1+1 '' in 'rome'", "selection 'rme' 1"},
         "rme"},
        {"delete forwards", "rome", {0, 0}, Qt::Key_Delete, {"change 0+1 '' in 'rome'", "selection 'ome' 0"}, "ome"},
        {"backspace a selection", "rome", {1, 2}, Qt::Key_Backspace, {"change 1+2 '' in 'rome'", "selection 're' 1"},
         "re"},
        {"backspace at the start", "rome", {0, 0}, Qt::Key_Backspace, {}, "rome"},
        {"cursor left", "rome", {4, 0}, Qt::Key_Left, {"selection 'rome' 3"}, "rome"},
        {"select a letter", "rome", {4, 0}, QKeyCombination(Qt::ShiftModifier, Qt::Key_Left), {"selection 'rome' 3"},
         "rome"},
        {"a refused letter", "a", {1, 0}, Qt::Key_X, {"change 1+0 'x' in 'a'"}, "a", u'x'},
        {"typing into an empty field", "", {0, 0}, Qt::Key_A, {"change 0+0 'a' in ''", "selection 'a' 1"}, "a"},
        {"typing over a selection", "roma", {3, 1}, Qt::Key_E, {"change 3+1 'e' in 'roma'", "selection 'rome' 4"},
         "rome"},
        {"typing a doubled letter", "aa", {1, 0}, Qt::Key_A, {"change 1+0 'a' in 'aa'", "selection 'aaa' 2"}, "aaa"},
        {"a letter the field capitalises", "", {0, 0}, Qt::Key_R, {"change 0+0 'R' in ''", "selection 'R' 1"}, "R", {},
         AutocapitalizationType::words},
        {"Return on an empty field", "", {0, 0}, Qt::Key_Return, {"return"}, ""},
        {"Enter", "a", {1, 0}, Qt::Key_Enter, {"return"}, "a"},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        QSignalSpy returns(field, &TextField::returnPressed);
        field->setText(step.start);
        field->setSelectedRange(step.selection);
        field->setAutocapitalizationType(step.capitalization);
        delegate.refuse = step.refused;
        delegate.take();
        QTest::keyClick(&field->editorWidget(), step.key.key(), step.key.keyboardModifiers());
        const Events events = delegate.take();
        EXPECT_EQ(events, step.events);
        EXPECT_EQ(field->text(), step.result);
        if (std::ranges::none_of(events, [](const std::string& e) { return e.starts_with("selection"); })) {
            EXPECT_EQ(field->selectedRange(), step.selection);
        }
        EXPECT_EQ(returns.count(), std::ranges::count(events, std::string("return")));
    }
}

// Edits that come other ways than a key are asked for once too, and Qt's own checks of a
// text (hasAcceptableInput, a screen reader's text before it is set) are no edit.
TEST_F(TextFieldTest, EachEditIsAskedForOnceAndQtsChecksOfTheTextAreNoEdits) {
    auto& editor = static_cast<QLineEdit&>(field->editorWidget());
    const auto reader = [&] { return QAccessible::queryAccessibleInterface(&editor); };
    const struct {
        const char* name;
        std::function<void()> act;
        Events events;
    } steps[] = {
        {"a screen reader sets the text", [&] { reader()->setText(QAccessible::Value, QStringLiteral("roma")); },
         {"change 0+0 'roma' in ''", "selection 'roma' 4"}},
        {"an input method commits a word", [&] {
             QInputMethodEvent commit;
             commit.setCommitString(QStringLiteral(" nord"));
             QCoreApplication::sendEvent(&editor, &commit);
         }, {"change 4+0 ' nord' in 'roma'", "selection 'roma nord' 9"}},
        {"Qt checks the text", [&] { EXPECT_TRUE(editor.hasAcceptableInput()); }, {}},
        {"a screen reader checks a text", [&] {
             QString text = QStringLiteral("milano");
             int position = 0;
             EXPECT_EQ(editor.validator()->validate(text, position), QValidator::Acceptable);
         }, {}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(delegate.take(), step.events);
    }
    EXPECT_EQ(field->text(), QStringLiteral("roma nord"));
}

TEST_F(TextFieldTest, ClearButtonShowsWheneverThereIsTextAndAsksTheDelegate) {
    EXPECT_FALSE(field->clearButton().isVisible());
    field->setText(QStringLiteral("Milan"));
    EXPECT_TRUE(field->clearButton().isVisible()) << "shown also without focus";
    EXPECT_TRUE(delegate.take().empty()) << "setting the text reports nothing";
    for (const bool allowed : {false, true}) {
        delegate.allowClear = allowed;
        QTest::mouseClick(&field->clearButton(), Qt::LeftButton);
        EXPECT_EQ(delegate.take(), (allowed ? Events{"clear 'Milan'", "selection '' 0"} : Events{"clear 'Milan'"}));
        EXPECT_EQ(field->text(), allowed ? QString() : QStringLiteral("Milan"));
        EXPECT_EQ(field->clearButton().isVisible(), !allowed);
    }
}

TEST_F(TextFieldTest, TypedWordsAreCapitalisedUnlessTheUserTapsShift) {
    field->setAutocapitalizationType(AutocapitalizationType::words);
    type(QStringLiteral("rome cathedral"));
    EXPECT_EQ(field->text(), QStringLiteral("Rome Cathedral"));
    field->setText({});
    delegate.take();
    QTest::keyClick(&field->editorWidget(), Qt::Key_Shift);
    type(QStringLiteral("rome"));
    EXPECT_EQ(delegate.take().front(), "change 0+0 'r' in ''") << "the delegate sees the letter as it goes in";
    type(QStringLiteral(" cathedral"));
    EXPECT_EQ(field->text(), QStringLiteral("rome Cathedral")) << "tapping Shift lasts one letter";
}
}
}
