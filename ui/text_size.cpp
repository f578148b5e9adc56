#include "text_size.h"

#include <QApplication>
#include <QEvent>
#include <QFontInfo>
#include <QPointer>
#include <QWidget>

namespace wayfarer::ui {

namespace {

constexpr const char* pointSizeProperty = "_wayfarer_scaledPointSize";

void applyScaledPointSize(QWidget& widget, double points) {
    QFont font = widget.font();
    font.setPointSizeF(points * textScale());
    widget.setFont(font);
}

// Rescales every widget with a scaled size when the application's font changes.
class FontFollower final : public QObject {
public:
    explicit FontFollower(QObject* parent) : QObject(parent) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == qApp && event->type() == QEvent::ApplicationFontChange)
            for (QWidget* widget : QApplication::allWidgets())
                if (const double points = scaledPointSize(*widget); points > 0)
                    applyScaledPointSize(*widget, points);
        return false;
    }
};

void followApplicationFont() {
    static QPointer<FontFollower> follower;
    if (follower || !qApp)
        return;
    follower = new FontFollower(qApp);
    qApp->installEventFilter(follower);
}

}

double textScale() {
    const QFont font = QApplication::font();
    const double points = font.pointSizeF() > 0 ? font.pointSizeF() : QFontInfo(font).pointSizeF();
    return points > 0 ? points / standardTextPointSize : 1.0;
}

void setScaledPointSize(QWidget& widget, double points) {
    followApplicationFont();
    widget.setProperty(pointSizeProperty, points);
    applyScaledPointSize(widget, points);
}

double scaledPointSize(const QWidget& widget) { return widget.property(pointSizeProperty).toDouble(); }

}
