#pragma once

#include "color.h"
#include "view.h"

#include <QBasicTimer>

namespace wayfarer::ui {

// The indicator styles, with the platform's values. `medium` and `large` exist from
// platform version 13; before it they show as `gray` and `whiteLarge`.
enum class ActivityIndicatorStyle { whiteLarge = 0, white = 1, gray = 2, medium = 100, large = 101 };

// A spinning wheel of spokes, centred in its bounds, that hides when stopped.
class ActivityIndicatorView final : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityIndicatorView)

public:
    explicit ActivityIndicatorView(QWidget* parent = nullptr);
    explicit ActivityIndicatorView(const QRect& frame, QWidget* parent = nullptr);

    ActivityIndicatorStyle style() const { return style_; }
    // The style in effect on the running platform version.
    ActivityIndicatorStyle effectiveStyle() const;
    void setStyle(ActivityIndicatorStyle style);
    const Color& color() const { return color_; }
    void setColor(const Color& color);
    bool hidesWhenStopped() const { return hidesWhenStopped_; }
    void setHidesWhenStopped(bool hides);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }

    // The diameter of the wheel for the effective style.
    int wheelDiameter() const;

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
