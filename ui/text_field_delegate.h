#pragma once

#include <QString>

namespace wayfarer::ui {

class TextField;

// A span of a text field's text, in UTF-16 code units as the field counts them.
struct TextRange {
    int location = 0;
    int length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// What a text field asks and tells its delegate. Each answer defaults to allowing.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    // Before an edit by the user replaces `range` of the text with `replacement`; false
    // refuses the edit, and the field keeps its text and selection.
    virtual bool textFieldShouldChangeCharacters(TextField&, TextRange, const QString& /*replacement*/) { return true; }
    // After every edit by the user and every move of the cursor or the selection.
    virtual void textFieldDidChangeSelection(TextField&) {}
    // When the user presses Return.
    virtual bool textFieldShouldReturn(TextField&) { return true; }
    // When the user presses the clear button; true lets the field empty itself.
    virtual bool textFieldShouldClear(TextField&) { return true; }
    virtual void textFieldDidBeginEditing(TextField&) {}
    virtual void textFieldDidEndEditing(TextField&) {}
};

}
