#pragma once

#include <QEasingCurve>
#include <QPoint>

#include <functional>
#include <optional>

class QAbstractAnimation;
class QObject;
class QPropertyAnimation;
class QWidget;

namespace wayfarer::ui {

// A QPropertyAnimation of `widget`'s "pos" to `to`, from `from` when given.
QPropertyAnimation* slideAnimation(QWidget& widget, std::optional<QPoint> from, QPoint to, int milliseconds,
                                   QEasingCurve::Type curve);

// Starts `animation`, owned by `owner`, and runs `done` once as it stops (QAbstractAnimation::
// finished comes only at its end): also when a QPropertyAnimation of the same property
// stops it, or the widget it moves is destroyed.
void startTransition(QAbstractAnimation* animation, QObject& owner, std::function<void()> done);

// Disconnects the `done` of `owner`'s transitions, for an owner being destroyed.
void abandonTransitions(QObject& owner);

}
