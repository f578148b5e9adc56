#pragma once

#include "color.h"
#include "outlets.h"

#include <QFlags>
#include <QWidget>

class QPainter;

namespace wayfarer::ui {

// The bits of the autoresizingMask property in interface files.
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

// For a child of a View, which lays it out again as it is resized.
void setAutoresizingMask(QWidget& widget, AutoresizingMask mask);
AutoresizingMask autoresizingMask(const QWidget& widget);

void paintBackground(QPainter& painter, const QRectF& rect, const Color& color, double cornerRadius);

// For the setters of what a paintEvent draws.
template <class T>
void assignAndUpdate(QWidget& widget, T& member, const T& value) {
    member = value;
    widget.update();
}

// A QWidget with a background colour, rounded corners and an autoresizing mask.
class View : public QWidget, public OutletOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(View)
    Q_PROPERTY(QColor backgroundColor READ backgroundQColor WRITE setBackgroundQColor)
    Q_PROPERTY(QColor darkBackgroundColor READ darkBackgroundQColor WRITE setDarkBackgroundQColor)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)

public:
    explicit View(QWidget* parent = nullptr);

    QRect frame() const { return geometry(); }
    void setFrame(const QRect& frame) { setGeometry(frame); }
    QRect bounds() const { return rect(); }

    const Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color) { assignAndUpdate(*this, backgroundColor_, color); }
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius) { assignAndUpdate(*this, cornerRadius_, radius); }
    AutoresizingMask autoresizingMask() const { return ui::autoresizingMask(*this); }
    void setAutoresizingMask(AutoresizingMask mask) { ui::setAutoresizingMask(*this, mask); }

    // On top of the other subviews, keeping its frame.
    void addSubview(QWidget& subview);

    // For an interface file loaded with this view as owner or top-level object.
    void declareOutlets(Outlets&) override {}
    // After an interface file that made this view has connected its outlets.
    virtual void awakeFromNib() {}

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void childEvent(QChildEvent* event) override;

private:
    QColor backgroundQColor() const { return backgroundColor_.resolved(); }
    void setBackgroundQColor(const QColor& color) { setBackgroundColor(Color(color)); }
    QColor darkBackgroundQColor() const { return backgroundColor_.resolved(Appearance::dark); }
    void setDarkBackgroundQColor(const QColor& color) { setBackgroundColor(backgroundColor_.withDarkVariant(color)); }

    Color backgroundColor_ = Color::clear();
    double cornerRadius_ = 0.0;
};

}
