#include "view_controller.h"

#include "environment.h"
#include "navigation_controller.h"
#include "nib.h"
#include "view.h"
#include "window.h"

namespace wayfarer::ui {

ViewController::ViewController(QString nibName) : nibName_(std::move(nibName)) {}

ViewController::~ViewController() {
    presented_.reset();
    delete view_.data();
}

void discardLater(std::unique_ptr<ViewController> controller) {
    if (!controller)
        return;
    if (controller->isViewLoaded())
        controller->view()->hide();
    controller.release()->deleteLater();
}

QWidget* ViewController::view() {
    if (!view_) {
        loadView();
        if (!view_)
            setView(new View);
        viewDidLoad();
    }
    return view_;
}

void ViewController::setView(QWidget* view) {
    view_ = view;
    if (auto* navigation = navigationController(); navigation && navigation->isViewLoaded())
        view->resize(navigation->contentRect().size());
    else if (Window* host = window())
        view->resize(host->size());
    else
        view->resize(Window::defaultSize);
}

platform::Result<void> ViewController::loadViewFromNib(const Nib& nib) {
    if (view_)
        return loadError(QStringLiteral("interface file \"%1\": the screen's view is loaded already").arg(nib.name()));
    auto loaded = nib.instantiate(this);
    if (!loaded.ok())
        return loaded.error();
    setView(loaded.value().release());
    viewDidLoad();
    return {};
}

void ViewController::loadView() {
    if (!nibName_.isEmpty())
        setView(instantiateOrDie(*Nib::named(nibName_), this).release());
}

void ViewController::declareOutlets(Outlets&) {}

void ViewController::setTitle(const QString& title) {
    title_ = title;
    if (auto* navigation = navigationController())
        navigation->updateBar();
}

ModalPresentationStyle ViewController::effectivePresentationStyle() const {
    if (modalPresentationStyle_ == ModalPresentationStyle::automatic)
        return platformVersion() >= 13 ? ModalPresentationStyle::pageSheet : ModalPresentationStyle::fullScreen;
    return modalPresentationStyle_;
}

ViewController* ViewController::presentationContext() const {
    ViewController* context = const_cast<ViewController*>(this);
    while (context->parent_)
        context = context->parent_;
    return context;
}

ViewController* ViewController::presentingViewController() const { return presentationContext()->presenting_; }

NavigationController* ViewController::navigationController() const {
    for (ViewController* container = parent_; container; container = container->parent_)
        if (auto* navigation = qobject_cast<NavigationController*>(container))
            return navigation;
    return nullptr;
}

Window* ViewController::window() const {
    const ViewController* context = presentationContext();
    if (context->window_)
        return context->window_;
    return context->presenting_ ? context->presenting_->window() : nullptr;
}

void ViewController::present(std::unique_ptr<ViewController> controller, bool animated, std::function<void()> completion) {
    ViewController* context = presentationContext();
    Window* host = window();
    if (!controller || !host || context->presented_)
        return;
    ViewController* shown = controller.get();
    shown->presenting_ = context;
    context->presented_ = std::move(controller);
    host->showPresented(*shown, animated && animationsEnabled(), std::move(completion));
}

void ViewController::dismiss(bool animated, std::function<void()> completion) {
    ViewController* context = presentationContext();
    if (context->presented_)
        return context->dismissPresented(animated, std::move(completion));
    if (context->presenting_)
        context->presenting_->dismissPresented(animated, std::move(completion));
}

void ViewController::dismissPresented(bool animated, std::function<void()> completion) {
    if (!presented_)
        return;
    // What the dismissed screen presents goes with it, at once.
    if (presented_->presented_)
        presented_->dismissPresented(false, {});
    std::unique_ptr<ViewController> leaving = std::move(presented_);
    leaving->presenting_ = nullptr;  // off screen it presents nothing
    if (Window* host = window())
        return host->hidePresented(std::move(leaving), animated && animationsEnabled(), std::move(completion));
    discardLater(std::move(leaving));
    if (completion)
        completion();
}

}
