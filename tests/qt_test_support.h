#pragma once

#include <QDir>
#include <QImage>
#include <QWidget>

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

}
