#include "transition.h"

#include <QPropertyAnimation>
#include <QWidget>

#include <utility>

namespace wayfarer::ui {

QPropertyAnimation* slideAnimation(QWidget& widget, std::optional<QPoint> from, QPoint to, int milliseconds,
                                   QEasingCurve::Type curve) {
    auto* animation = new QPropertyAnimation(&widget, "pos");
    animation->setDuration(milliseconds);
    animation->setEasingCurve(curve);
    if (from)
        animation->setStartValue(*from);
    animation->setEndValue(to);
    return animation;
}

void startTransition(QAbstractAnimation* animation, QObject& owner, std::function<void()> done) {
    animation->setParent(&owner);
    QObject::connect(animation, &QAbstractAnimation::stateChanged, &owner,
                     [done = std::move(done)](QAbstractAnimation::State state) mutable {
                         if (state == QAbstractAnimation::Stopped && done)
                             std::exchange(done, {})();
                     });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void abandonTransitions(QObject& owner) {
    for (QAbstractAnimation* animation : owner.findChildren<QAbstractAnimation*>(Qt::FindDirectChildrenOnly))
        animation->disconnect(&owner);
}

}
