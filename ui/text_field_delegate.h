#pragma once

#include <QString>

namespace wayfarer::ui {

class TextField;

// A span of the text in UTF-16 code units, as QLineEdit counts them.
struct TextRange {
    int location = 0;
    int length = 0;
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// Each answer defaults to allowing.
class TextFieldDelegate {
public:
    virtual ~TextFieldDelegate() = default;
    // Before a user's edit replaces `range` with `replacement`; false refuses it.
    virtual bool textFieldShouldChangeCharacters(TextField&, TextRange, const QString& /*replacement*/) { return true; }
    // After every user's edit and every move of the cursor or the selection.
    virtual void textFieldDidChangeSelection(TextField&) {}
    virtual bool textFieldShouldReturn(TextField&) { return true; }
    // True lets the clear button empty the field.
    virtual bool textFieldShouldClear(TextField&) { return true; }
};

}
