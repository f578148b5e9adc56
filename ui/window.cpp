#include "window.h"

#include "navigation_controller.h"
#include "transition.h"
#include "view.h"

#include <QKeyEvent>
#include <QPropertyAnimation>
#include <QResizeEvent>

#include <algorithm>

namespace wayfarer::ui {

namespace {

constexpr int slideMilliseconds = 300;
constexpr int sheetTopInset = 40;

}

Window::Window(QWidget* parent) : QWidget(parent) {
    setWindowTitle(QStringLiteral("Wayfarer"));
    resize(defaultSize);
}

Window::~Window() {
    abandonTransitions(*this);
}

void Window::setRootViewController(std::unique_ptr<ViewController> controller) {
    if (root_) {
        root_->window_ = nullptr;
        discardLater(std::move(root_));
    }
    root_ = std::move(controller);
    if (!root_)
        return;
    root_->window_ = this;
    QWidget* view = root_->view();
    view->setParent(this);
    view->setGeometry(rect());
    view->lower();
    view->show();
}

void Window::makeKeyAndVisible() {
    show();
    activateWindow();
}

ViewController* Window::topmostViewController() const {
    ViewController* top = root_.get();
    while (top && top->presentedViewController())
        top = top->presentedViewController();
    for (auto* navigation = qobject_cast<NavigationController*>(top); navigation && navigation->topViewController();
         navigation = qobject_cast<NavigationController*>(top))
        top = navigation->topViewController();
    return top;
}

StatusBarStyle Window::statusBarStyle() const {
    const ViewController* top = topmostViewController();
    return top ? top->preferredStatusBarStyle() : StatusBarStyle::defaultStyle;
}

QRect Window::frameFor(const ViewController& controller) const {
    if (controller.effectivePresentationStyle() == ModalPresentationStyle::pageSheet)
        return rect().adjusted(0, sheetTopInset, 0, 0);
    return rect();
}

void Window::showPresented(ViewController& controller, bool animated, std::function<void()> completion) {
    const ModalPresentationStyle style = controller.effectivePresentationStyle();
    // Covers the window, takes the clicks meant for the screens below, and dims them.
    auto* container = new View(this);
    if (style == ModalPresentationStyle::pageSheet)
        container->setBackgroundColor(Color(QColor(0, 0, 0, 100)));
    container->setGeometry(rect());
    QWidget* view = controller.view();
    view->setParent(container);
    view->setGeometry(frameFor(controller));
    view->show();
    QWidget* focused = focusWidget();
    layers_.push_back({&controller, container, focused});
    container->show();
    container->raise();
    if (focused && !container->isAncestorOf(focused))
        focused->clearFocus();

    auto finish = [this, completion = std::move(completion)] {
        updateCoveredLayers();
        if (completion)
            completion();
    };
    if (!animated || style == ModalPresentationStyle::overFullScreen)
        return finish();
    auto* animation = slideAnimation(*view, QPoint(view->x(), height()), view->pos(), slideMilliseconds,
                                     QEasingCurve::OutCubic);
    view->move(view->x(), height());
    startTransition(animation, *this, std::move(finish));
}

void Window::hidePresented(std::unique_ptr<ViewController> controller, bool animated, std::function<void()> completion) {
    const auto layer = std::ranges::find(layers_, controller.get(), &Layer::controller);
    if (layer == layers_.end()) {
        discardLater(std::move(controller));
        if (completion)
            completion();
        return;
    }
    QWidget* container = layer->container;
    const QPointer<QWidget> previousFocus = layer->previousFocus;
    layers_.erase(layer);
    updateCoveredLayers();
    if (previousFocus && previousFocus->isVisible())
        previousFocus->setFocus(Qt::OtherFocusReason);

    // A QObject child until the slide is done; ~QObject deletes it if the window goes first.
    ViewController* leaving = controller.release();
    leaving->setParent(this);
    auto finish = [leaving, container, completion = std::move(completion)] {
        container->hide();
        container->deleteLater();
        discardLater(std::unique_ptr<ViewController>(leaving));
        if (completion)
            completion();
    };
    QWidget* view = leaving->isViewLoaded() ? leaving->view() : nullptr;
    if (!animated || !view || leaving->effectivePresentationStyle() == ModalPresentationStyle::overFullScreen)
        return finish();
    startTransition(slideAnimation(*view, {}, QPoint(view->x(), height()), slideMilliseconds, QEasingCurve::InCubic),
                    *this, std::move(finish));
}

void Window::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        for (ViewController* screen = topmostViewController(); screen; screen = screen->parentViewController())
            if (screen->performEscape())
                return event->accept();
    }
    QWidget::keyPressEvent(event);
}

void Window::updateCoveredLayers() {
    // Hidden under a fullScreen one: not seen, not painted.
    bool covered = false;
    for (auto layer = layers_.rbegin(); layer != layers_.rend(); ++layer) {
        layer->container->setVisible(!covered);
        if (layer->controller->effectivePresentationStyle() == ModalPresentationStyle::fullScreen)
            covered = true;
    }
    if (root_ && root_->isViewLoaded())
        root_->view()->setVisible(!covered);
}

void Window::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    if (root_ && root_->isViewLoaded())
        root_->view()->setGeometry(rect());
    for (const Layer& layer : layers_) {
        layer.container->setGeometry(rect());
        if (layer.controller->isViewLoaded())
            layer.controller->view()->setGeometry(frameFor(*layer.controller));
    }
}

}
