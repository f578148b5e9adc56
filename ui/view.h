#pragma once

#include "color.h"
#include "outlets.h"

#include <QFlags>
#include <QWidget>

class QPainter;

namespace wayfarer::ui {

// How a view follows its parent's size, with the platform's bit values.
enum class Autoresizing : int {
    none = 0,
    flexibleLeftMargin = 1,
    flexibleWidth = 2,
    flexibleRightMargin = 4,
    flexibleTopMargin = 8,
    flexibleHeight = 16,
    flexibleBottomMargin = 32,
};
Q_DECLARE_FLAGS(AutoresizingMask, Autoresizing)
Q_DECLARE_OPERATORS_FOR_FLAGS(AutoresizingMask)

// Makes `widget` follow its parent's size changes by `mask`, whatever kind of widget
// either is; an empty mask stops it.
void setAutoresizingMask(QWidget& widget, AutoresizingMask mask);
AutoresizingMask autoresizingMask(const QWidget& widget);

// Paints a background of `color` with rounded corners, as views do.
void paintBackground(QPainter& painter, const QRectF& rect, const Color& color, double cornerRadius);

// A rectangle of the screen: a background colour, rounded corners, subviews, and the
// autoresizing that keeps it in step with its parent. Views made from an interface file
// can list outlets and are told when the file has been loaded.
class View : public QWidget, public OutletOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(View)
    Q_PROPERTY(QColor backgroundColor READ backgroundQColor WRITE setBackgroundQColor)
    // The background in dark appearance, where it differs; named after backgroundColor.
    Q_PROPERTY(QColor darkBackgroundColor READ darkBackgroundQColor WRITE setDarkBackgroundQColor)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(int autoresizingMask READ autoresizingMaskValue WRITE setAutoresizingMaskValue)

public:
    explicit View(QWidget* parent = nullptr);

    QRect frame() const { return geometry(); }
    void setFrame(const QRect& frame) { setGeometry(frame); }
    QRect bounds() const { return rect(); }

    const Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);
    AutoresizingMask autoresizingMask() const { return ui::autoresizingMask(*this); }
    void setAutoresizingMask(AutoresizingMask mask) { ui::setAutoresizingMask(*this, mask); }

    // Adds `subview` on top of the other subviews; it keeps its frame.
    void addSubview(QWidget& subview);

    // The outlets that an interface file loaded with this view (as owner, or as the
    // file's top-level object) connects.
    void declareOutlets(Outlets& outlets) override;
    // Runs once, after an interface file that made this view has connected its outlets.
    virtual void awakeFromNib() {}

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor backgroundQColor() const { return backgroundColor_.resolved(); }
    void setBackgroundQColor(const QColor& color) { setBackgroundColor(Color(color)); }
    QColor darkBackgroundQColor() const { return backgroundColor_.resolved(Appearance::dark); }
    void setDarkBackgroundQColor(const QColor& color) { setBackgroundColor(backgroundColor_.withDarkVariant(color)); }
    int autoresizingMaskValue() const { return autoresizingMask().toInt(); }
    void setAutoresizingMaskValue(int mask) { setAutoresizingMask(AutoresizingMask::fromInt(mask)); }

    Color backgroundColor_ = Color::clear();
    double cornerRadius_ = 0.0;
};

}
