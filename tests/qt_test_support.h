#pragma once

#include <QAbstractAnimation>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QWidget>

#include <chrono>
#include <ostream>

inline void PrintTo(const QRect& rect, std::ostream* out) {
    *out << "QRect(" << rect.x() << ", " << rect.y() << ", " << rect.width() << ", " << rect.height() << ")";
}

namespace wayfarer::testing {

// Saves a picture of `widget` as NAME.png among the tests' screenshots, for a person to
// look at, and returns it.
inline QImage saveScreenshot(QWidget& widget, const QString& name) {
    QImage image = widget.grab().toImage();
    const QString directory = QStringLiteral(WAYFARER_SCREENSHOT_DIR);
    QDir().mkpath(directory);
    image.save(directory + QLatin1Char('/') + name + QStringLiteral(".png"));
    return image;
}

// While it lives, Qt's animations (slides, kinetic scrolling, image sequences) move only
// when the test advances this clock, so that a test can look at one half way through.
class AnimationClock final : public QAnimationDriver {
public:
    AnimationClock() { install(); }
    ~AnimationClock() override { uninstall(); }
    void advance(std::chrono::milliseconds by) {
        // Animations started since the last step reach the clock through two queued calls.
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
        now_ += by.count();
        QAnimationDriver::advance();
    }
    qint64 elapsed() const override { return now_; }

private:
    using QAnimationDriver::advance;
    qint64 now_ = 0;
};

}
