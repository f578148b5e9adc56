#include "text_size.h"

#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QPointer>
#include <QWidget>

namespace wayfarer::ui {

namespace {

constexpr const char* pointSizeProperty = "_wayfarer_scaledPointSize";

void applyScaledPointSize(QWidget& widget) {
    QFont font = widget.font();
    font.setPointSizeF(widget.property(pointSizeProperty).toDouble() * textScale());
    widget.setFont(font);
}

// Rescales the widgets with a scaled size at qApp's QEvent::ApplicationFontChange.
class FontFollower final : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::ApplicationFontChange)
            for (QWidget* widget : QApplication::allWidgets())
                if (widget->property(pointSizeProperty).isValid())
                    applyScaledPointSize(*widget);
        return false;
    }
};

}

double textScale() {
    const QFont font = QApplication::font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    return points > 0 ? points / standardTextPointSize : 1.0;
}

void setScaledPointSize(QWidget& widget, double points) {
    static QPointer<FontFollower> follower;
    if (!follower && qApp) {
        follower = new FontFollower(qApp);
        qApp->installEventFilter(follower);
    }
    widget.setProperty(pointSizeProperty, points);
    applyScaledPointSize(widget);
}

}
