#include "label.h"

#include <QEvent>

namespace wayfarer::ui {

Label::Label(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    // Fixed roles: inside a QAbstractScrollArea's viewport (QPalette::Base) the inherited
    // foreground role would be QPalette::Text, which applyColors() does not set.
    setForegroundRole(QPalette::WindowText);
    setBackgroundRole(QPalette::Window);
    applyColors();
}

void Label::setText(const std::optional<QString>& text) {
    text_ = text;
    QLabel::setText(text.value_or(QString()));
}

void Label::setTextColor(const Color& color) {
    textColor_ = color;
    applyColors();
}

void Label::setBackgroundColor(const Color& color) {
    backgroundColor_ = color;
    applyColors();
}

void Label::changeEvent(QEvent* event) {
    QLabel::changeEvent(event);
    // The application's palette decides the appearance, and a change of it reaches every
    // widget as QEvent::PaletteChange: colours that follow it are resolved anew into the
    // palette roles QLabel paints with. Setting an equal palette sends no further event.
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void Label::applyColors() {
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, textColor_.resolved());
    colors.setColor(QPalette::Window, backgroundColor_.resolved());
    setPalette(colors);
    setAutoFillBackground(backgroundColor_.resolved().alpha() > 0);
}

}
