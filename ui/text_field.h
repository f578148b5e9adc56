#pragma once

#include "color.h"
#include "text_field_delegate.h"
#include "view.h"

#include <QPointer>

#include <optional>

class QLineEdit;

namespace wayfarer::ui {

class Button;

// Values as the platform numbers them.
enum class ReturnKeyType { defaultKey = 0, go = 1, search = 6, done = 9 };
enum class TextFieldViewMode { never = 0, whileEditing = 1, unlessEditing = 2, always = 3 };
enum class AutocapitalizationType { none = 0, words = 1, sentences = 2, allCharacters = 3 };
enum class TextBorderStyle { none = 0, line = 1, bezel = 2, roundedRect = 3 };

// A one-line text field with the platform's delegate: the delegate may refuse each edit
// before it happens, and hears of every edit and cursor move after it. A clear button
// empties the field when the delegate allows; Return asks the delegate and reports.
class TextField final : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextField)
    Q_PROPERTY(QString text READ text WRITE setText)
    Q_PROPERTY(QString placeholder READ placeholder WRITE setPlaceholder)

public:
    explicit TextField(QWidget* parent = nullptr);
    ~TextField() override;

    // An observer: the delegate must outlive the field or be unset first.
    void setDelegate(TextFieldDelegate* delegate) { delegate_ = delegate; }
    TextFieldDelegate* delegate() const { return delegate_; }

    // The text as it stands; while the delegate is asked about an edit, the text from
    // before it.
    QString text() const { return committed_; }
    // Sets the text without asking the delegate or reporting a selection change.
    void setText(const QString& text);
    QString placeholder() const;
    void setPlaceholder(const QString& placeholder);
    // The name assistive technology gives the field, with the placeholder as its
    // description; without one, the placeholder is its name.
    QString accessibleLabel() const { return accessibleLabel_; }
    void setAccessibleLabel(const QString& label);
    void setTextColor(const Color& color);
    // The selection, or the cursor as an empty range.
    TextRange selectedRange() const;
    void setSelectedRange(TextRange range);

    ReturnKeyType returnKeyType() const { return returnKeyType_; }
    void setReturnKeyType(ReturnKeyType type) { returnKeyType_ = type; }
    // When set, Return does nothing while the field is empty.
    bool enablesReturnKeyAutomatically() const { return enablesReturnKeyAutomatically_; }
    void setEnablesReturnKeyAutomatically(bool enables) { enablesReturnKeyAutomatically_ = enables; }
    TextFieldViewMode clearButtonMode() const { return clearButtonMode_; }
    void setClearButtonMode(TextFieldViewMode mode);
    AutocapitalizationType autocapitalizationType() const { return autocapitalization_; }
    void setAutocapitalizationType(AutocapitalizationType type) { autocapitalization_ = type; }
    TextBorderStyle borderStyle() const { return borderStyle_; }
    void setBorderStyle(TextBorderStyle style);

    bool becomeFirstResponder();
    bool resignFirstResponder();
    bool isFirstResponder() const;

    bool isClearButtonShown() const;
    // The widgets that take the user's keys and clicks.
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
    void clearPressed();
    void returnKeyPressed();
    void focusChanged(bool focused);
    void updateClearButton();
    void layoutParts();
    void shiftTapped();
    void updateAccessibleTexts();
    void paintBorder();
    void paintPlaceholder();

    Editor* editor_ = nullptr;
    Button* clearButton_ = nullptr;
    TextFieldDelegate* delegate_ = nullptr;
    QString committed_;
    // The text the delegate allowed last, until QLineEdit reports it changed to it: Qt
    // validates that text again (after the field's capitals, in checks of its own).
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
    ReturnKeyType returnKeyType_ = ReturnKeyType::defaultKey;
    bool enablesReturnKeyAutomatically_ = false;
    TextFieldViewMode clearButtonMode_ = TextFieldViewMode::never;
    AutocapitalizationType autocapitalization_ = AutocapitalizationType::sentences;
    TextBorderStyle borderStyle_ = TextBorderStyle::none;
};

}
