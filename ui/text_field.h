#pragma once

#include "color.h"
#include "text_field_delegate.h"
#include "view.h"

#include <optional>

namespace wayfarer::ui {

class Button;

// `words`: typed letters that start a word, unless Shift was tapped alone before.
enum class AutocapitalizationType { none, words };

// A QLineEdit whose QValidator asks the delegate before each edit; the delegate hears
// of every edit and cursor move after it (QLineEdit::textChanged, cursorPositionChanged).
// The clear button shows whenever there is text, with the focus or without.
class TextField final : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextField)

public:
    explicit TextField(QWidget* parent = nullptr);
    ~TextField() override;

    // An observer: the delegate must outlive the field or be unset first.
    void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }

    // While the delegate is asked about an edit, the text from before it.
    QString text() const { return committed_; }
    // Asks the delegate nothing and reports no selection change.
    void setText(const QString& text);
    void setPlaceholder(const QString& placeholder);
    // The editor's QAccessible name, with the placeholder as its description; without
    // one, the placeholder is the name.
    void setAccessibleLabel(const QString& label);
    // The selection, or the cursor as an empty range.
    TextRange selectedRange() const;
    void setSelectedRange(TextRange range);

    void setAutocapitalizationType(AutocapitalizationType type) { autocapitalization_ = type; }

    // Focus asked for while hidden is given in showEvent.
    bool becomeFirstResponder();
    bool resignFirstResponder();
    bool isFirstResponder() const;

    QWidget& editorWidget();
    Button& clearButton() { return *clearButton_; }

signals:
    // Return was pressed and the delegate, if any, answered true.
    void returnPressed();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    class Editor;
    class EditGate;
    struct State {
        QString text;
        int cursor = 0;
        int selectionStart = -1;
        int selectionLength = 0;
        friend bool operator==(const State&, const State&) = default;
    };

    int reviewEdit(QString& proposed, int& cursor);
    void commitText();
    void reportIfChanged();
    State currentState() const;
    void updateClearButton();
    void layoutParts();
    void updateAccessibleTexts();

    Editor* editor_ = nullptr;
    Button* clearButton_ = nullptr;
    TextFieldDelegate* delegate_ = nullptr;
    QString committed_;
    // The text the delegate allowed last, until textChanged: QLineEdit validates it again.
    std::optional<QString> allowed_;
    QString accessibleLabel_;
    QString placeholder_;
    State reported_;
    bool settingProgrammatically_ = false;
    bool clearing_ = false;
    bool reviewing_ = false;
    bool typing_ = false;
    bool shiftHeld_ = false;
    bool capitalizeNextLetter_ = true;
    bool focusWhenShown_ = false;
    AutocapitalizationType autocapitalization_ = AutocapitalizationType::none;
};

}
