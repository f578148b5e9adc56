#pragma once

#include "color.h"
#include "view.h"

#include <QBasicTimer>

namespace wayfarer::ui {

// `gray` also sets the colour.
enum class ActivityIndicatorStyle { medium, gray };

// A wheel of spokes turned by a QBasicTimer, centred in its bounds.
class ActivityIndicatorView final : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityIndicatorView)

public:
    explicit ActivityIndicatorView(QWidget* parent = nullptr);
    explicit ActivityIndicatorView(const QRect& frame, QWidget* parent = nullptr);

    ActivityIndicatorStyle style() const { return style_; }
    void setStyle(ActivityIndicatorStyle style);
    const Color& color() const { return color_; }
    void setColor(const Color& color);
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void updateVisibility();

    ActivityIndicatorStyle style_ = ActivityIndicatorStyle::medium;
    Color color_ = Color::systemGray();
    bool hidesWhenStopped_ = true;
    bool animating_ = false;
    int phase_ = 0;
    QBasicTimer timer_;
};

}
