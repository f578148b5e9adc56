#include "label.h"

#include <QEvent>

namespace wayfarer::ui {

Label::Label(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
    // In a QAbstractScrollArea's viewport the inherited foregroundRole() is QPalette::Text.
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
    // The appearance follows QApplication::palette(); an equal palette sends no new event.
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
