#pragma once

#include "color.h"
#include "view.h"

#include <QLabel>

#include <optional>

namespace wayfarer::ui {

// A plain-text QLabel whose colours follow the appearance; an absent text shows nothing.
class Label final : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Label)
    Q_PROPERTY(QColor textColor READ textQColor WRITE setTextQColor)
    Q_PROPERTY(QColor backgroundColor READ backgroundQColor WRITE setBackgroundQColor)
    Q_PROPERTY(int numberOfLines READ numberOfLines WRITE setNumberOfLines)

public:
    explicit Label(QWidget* parent = nullptr);

    std::optional<QString> text() const { return text_; }
    void setText(const std::optional<QString>& text);
    const Color& textColor() const { return textColor_; }
    void setTextColor(const Color& color);
    void setBackgroundColor(const Color& color);
    // 1 keeps the text on one line; 0 wraps it over as many as it needs.
    int numberOfLines() const { return wordWrap() ? 0 : 1; }
    void setNumberOfLines(int lines) { setWordWrap(lines != 1); }

protected:
    void changeEvent(QEvent* event) override;

private:
    QColor textQColor() const { return textColor_.resolved(); }
    void setTextQColor(const QColor& color) { setTextColor(Color(color)); }
    QColor backgroundQColor() const { return backgroundColor_.resolved(); }
    void setBackgroundQColor(const QColor& color) { setBackgroundColor(Color(color)); }
    void applyColors();

    std::optional<QString> text_;
    Color textColor_ = Color::label();
    Color backgroundColor_ = Color::clear();
};

}
