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
    Q_PROPERTY(int autoresizingMask READ autoresizingMaskValue WRITE setAutoresizingMaskValue)
    Q_PROPERTY(QString text READ plainText WRITE setPlainText)
    Q_PROPERTY(QColor textColor READ textQColor WRITE setTextQColor)
    Q_PROPERTY(QColor backgroundColor READ backgroundQColor WRITE setBackgroundQColor)
    Q_PROPERTY(QColor darkTextColor READ darkTextQColor WRITE setDarkTextQColor)
    Q_PROPERTY(QColor darkBackgroundColor READ darkBackgroundQColor WRITE setDarkBackgroundQColor)
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
    int autoresizingMaskValue() const { return autoresizingMask(*this).toInt(); }
    void setAutoresizingMaskValue(int mask) { setAutoresizingMask(*this, AutoresizingMask::fromInt(mask)); }
    QString plainText() const { return text_.value_or(QString()); }
    void setPlainText(const QString& text) { setText(text); }
    QColor textQColor() const { return textColor_.resolved(); }
    void setTextQColor(const QColor& color) { setTextColor(Color(color)); }
    QColor backgroundQColor() const { return backgroundColor_.resolved(); }
    void setBackgroundQColor(const QColor& color) { setBackgroundColor(Color(color)); }
    QColor darkTextQColor() const { return textColor_.resolved(Appearance::dark); }
    void setDarkTextQColor(const QColor& color) { setTextColor(textColor_.withDarkVariant(color)); }
    QColor darkBackgroundQColor() const { return backgroundColor_.resolved(Appearance::dark); }
    void setDarkBackgroundQColor(const QColor& color) { setBackgroundColor(backgroundColor_.withDarkVariant(color)); }
    void applyColors();

    std::optional<QString> text_;
    Color textColor_ = Color::label();
    Color backgroundColor_ = Color::clear();
};

}
