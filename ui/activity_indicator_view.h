#pragma once

#include "color.h"
#include "view.h"

#include <QTimer>

namespace wayfarer::ui {

// A wheel of Color::systemGray() spokes turned by a QTimer, centred in its bounds;
// hidden while stopped.
class ActivityIndicatorView final : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ActivityIndicatorView)

public:
    explicit ActivityIndicatorView(QWidget* parent = nullptr);
    explicit ActivityIndicatorView(const QRect& frame, QWidget* parent = nullptr);

    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return timer_.isActive(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int phase_ = 0;
    QTimer timer_;
};

}
