#include "transition.h"

#include <QAbstractAnimation>

#include <utility>

namespace wayfarer::ui {

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
