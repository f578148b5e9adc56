#include "navigation_controller.h"

#include "button.h"
#include "environment.h"
#include "label.h"
#include "transition.h"
#include "view.h"

#include <QEvent>
#include <QPointer>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

#include <algorithm>

namespace wayfarer::ui {

namespace {
constexpr int barHeight = 44;
constexpr int slideMilliseconds = 250;
}

NavigationController::NavigationController(std::unique_ptr<ViewController> root) {
    pushViewController(std::move(root), false);
}

NavigationController::~NavigationController() {
    abandonTransitions(*this);
}

void NavigationController::loadView() {
    auto* view = new View;
    view->setBackgroundColor(Color::systemBackground());
    view->installEventFilter(this);
    bar_ = new View(view);
    bar_->setBackgroundColor(Color::dynamic(QColor(248, 248, 248), QColor(28, 28, 30)));
    barTitle_ = new Label(bar_);
    barTitle_->setAlignment(Qt::AlignCenter);
    QFont font = barTitle_->font();
    font.setBold(true);
    barTitle_->setFont(font);
    backButton_ = new Button(bar_);
    backButton_->setObjectName(QStringLiteral("backButton"));
    connect(backButton_, &Button::touchUpInside, this, [this] { popViewController(animationsEnabled()); });
    setView(view);
    for (const auto& controller : stack_)
        adopt(*controller);
    layoutChildren();
}

bool NavigationController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize && isViewLoaded() && watched == view())
        layoutChildren();
    return ViewController::eventFilter(watched, event);
}

QRect NavigationController::contentRect() const {
    QWidget* host = const_cast<NavigationController*>(this)->view();
    return barHidden_ ? host->rect() : host->rect().adjusted(0, barHeight, 0, 0);
}

void NavigationController::adopt(ViewController& controller) {
    controller.parent_ = this;
    if (!isViewLoaded())
        return;
    QWidget* child = controller.view();
    child->setParent(view());
    child->setGeometry(contentRect());
    child->setVisible(&controller == topViewController());
    bar_->raise();
}

void NavigationController::setViewControllers(std::vector<std::unique_ptr<ViewController>> controllers) {
    for (auto& old : stack_)
        discardLater(std::move(old));
    stack_ = std::move(controllers);
    std::erase(stack_, nullptr);
    for (const auto& controller : stack_)
        adopt(*controller);
    updateBar();
}

std::vector<ViewController*> NavigationController::viewControllers() const {
    std::vector<ViewController*> controllers(stack_.size());
    std::ranges::transform(stack_, controllers.begin(), &std::unique_ptr<ViewController>::get);
    return controllers;
}

ViewController* NavigationController::topViewController() const {
    return stack_.empty() ? nullptr : stack_.back().get();
}

void NavigationController::pushViewController(std::unique_ptr<ViewController> controller, bool animated) {
    if (!controller)
        return;
    ViewController* previous = topViewController();
    stack_.push_back(std::move(controller));
    adopt(*stack_.back());
    updateBar();
    if (!isViewLoaded())
        return;
    QWidget* leaving = previous && previous->isViewLoaded() ? previous->view() : nullptr;
    slide(stack_.back()->view(), leaving, true, animated, [this, leaving = QPointer<QWidget>(leaving)] {
        // A pop may have brought it back on top before the push was in.
        ViewController* top = topViewController();
        if (leaving && !(top && top->isViewLoaded() && top->view() == leaving))
            leaving->hide();
    });
}

ViewController* NavigationController::popViewController(bool animated) {
    if (stack_.size() < 2)
        return nullptr;
    std::unique_ptr<ViewController> popped = std::move(stack_.back());
    stack_.pop_back();
    ViewController* raw = popped.get();
    raw->parent_ = nullptr;  // off the stack it presents nothing and finds no stack
    updateBar();
    if (!isViewLoaded()) {
        discardLater(std::move(popped));
        return raw;
    }
    // A QObject child until the slide is done; ~QObject deletes it if this goes first.
    popped.release()->setParent(this);
    auto release = [raw] { discardLater(std::unique_ptr<ViewController>(raw)); };
    QWidget* entering = topViewController()->view();
    entering->setGeometry(contentRect());
    entering->show();
    // QWidget::focusWidget() of the screen coming back: the focus it had.
    if (QWidget* lastFocused = entering->focusWidget())
        lastFocused->setFocus(Qt::OtherFocusReason);
    slide(entering, raw->isViewLoaded() ? raw->view() : nullptr, false, animated, release);
    return raw;
}

void NavigationController::slide(QWidget* entering, QWidget* leaving, bool forward, bool animated,
                                 std::function<void()> done) {
    const QRect content = contentRect();
    const int width = content.width();
    if (!animated || !animationsEnabled()) {
        layoutChildren();
        return done();
    }
    auto* group = new QParallelAnimationGroup;
    auto move = [&](QWidget* widget, int fromX, int toX) {
        group->addAnimation(slideAnimation(*widget, content.topLeft() + QPoint(fromX, 0),
                                           content.topLeft() + QPoint(toX, 0), slideMilliseconds,
                                           QEasingCurve::OutCubic));
    };
    move(entering, forward ? width : -width / 3, 0);
    if (leaving)
        move(leaving, 0, forward ? -width / 3 : width);
    if (QWidget* front = forward ? entering : leaving)
        front->raise();
    bar_->raise();
    // A slide of the same views stops this one half way; the last one places them.
    ++slides_;
    startTransition(group, *this, [this, done = std::move(done)] {
        if (--slides_ == 0)
            layoutChildren();
        done();
    });
}

void NavigationController::setNavigationBarHidden(bool hidden) {
    barHidden_ = hidden;
    layoutChildren();
}

StatusBarStyle NavigationController::preferredStatusBarStyle() const {
    const ViewController* top = topViewController();
    return top ? top->preferredStatusBarStyle() : ViewController::preferredStatusBarStyle();
}

void NavigationController::layoutChildren() {
    if (!bar_)
        return;
    bar_->setVisible(!barHidden_);
    bar_->setGeometry(0, 0, view()->width(), barHeight);
    barTitle_->setGeometry(bar_->rect().adjusted(80, 0, -80, 0));
    backButton_->setGeometry(4, 0, 76, barHeight);
    for (const auto& controller : stack_)
        if (controller->isViewLoaded())
            controller->view()->setGeometry(contentRect());
    bar_->raise();
}

void NavigationController::updateBar() {
    if (!bar_)
        return;
    ViewController* top = topViewController();
    barTitle_->setText(top ? top->title() : QString());
    backButton_->setVisible(stack_.size() > 1);
    backButton_->setTitle(QStringLiteral("‹ ") + (stack_.size() > 1 ? stack_[stack_.size() - 2]->title() : QString()));
}

}
