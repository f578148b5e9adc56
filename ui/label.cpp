#include "label.h"

#include <QEvent>

namespace wayfarer::ui {

Label::Label(QWidget* parent) : QLabel(parent) {
    setTextFormat(Qt::PlainText);
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

void Label::paintEvent(QPaintEvent* event) {
    // Colours that follow the appearance are resolved when drawn, so that a change of
    // the desktop's appearance shows at the next paint.
    const QPalette& colors = palette();
    if (colors.color(QPalette::WindowText) != textColor_.resolved() ||
        colors.color(QPalette::Window) != backgroundColor_.resolved())
        applyColors();
    QLabel::paintEvent(event);
}

void Label::applyColors() {
    if (applyingColors_)
        return;
    applyingColors_ = true;
    QPalette colors = palette();
    colors.setColor(QPalette::WindowText, textColor_.resolved());
    colors.setColor(QPalette::Window, backgroundColor_.resolved());
    setPalette(colors);
    setAutoFillBackground(backgroundColor_.resolved().alpha() > 0);
    applyingColors_ = false;
}

}
