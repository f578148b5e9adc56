#pragma once

#include <functional>

class QAbstractAnimation;
class QObject;

namespace wayfarer::ui {

// Starts `animation`, owned by `owner` from then on, and runs `done` once as it stops: at
// its end, or cut short, when it is stopped (a QPropertyAnimation of the same property
// stops the top-level group of the one before) or the widget it moves is destroyed.
// QAbstractAnimation::finished comes only at the end.
void startTransition(QAbstractAnimation* animation, QObject& owner, std::function<void()> done);

// Lets the transitions `owner` started stop without their `done`: for an owner being
// destroyed, whose screens the callbacks would reach.
void abandonTransitions(QObject& owner);

}
