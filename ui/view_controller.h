#pragma once

#include "nib.h"
#include "outlets.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>

namespace wayfarer::ui {

class NavigationController;
class Window;

// Kept as a property: no status bar is drawn.
enum class StatusBarStyle { defaultStyle, lightContent, darkContent };
// `automatic` is `pageSheet` from platformVersion() 13, `fullScreen` before.
enum class ModalPresentationStyle { automatic, fullScreen, pageSheet, overFullScreen };

// One screen: its view, made on first use, and its place in a navigation stack or over
// the screen that presented it.
class ViewController : public QObject, public OutletOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ViewController)

public:
    // With a nib name, the view is that interface file's top-level widget, this its owner.
    explicit ViewController(QString nibName = {});
    ~ViewController() override;

    // The view, loaded on first use; viewDidLoad runs once, right after.
    QWidget* view();
    // Loads the view from `nib` with this controller as the owner, then runs viewDidLoad;
    // fails, loading nothing, when the view is loaded already or the file is broken.
    platform::Result<void> loadViewFromNib(const Nib& nib);
    bool isViewLoaded() const { return view_ != nullptr; }

    QString title() const { return title_; }
    void setTitle(const QString& title);

    virtual StatusBarStyle preferredStatusBarStyle() const { return StatusBarStyle::defaultStyle; }
    // Qt::Key_Escape, unused by the focus widget: true when the screen went back. The
    // window asks the top screen first, then its containers.
    virtual bool performEscape() { return false; }
    ModalPresentationStyle modalPresentationStyle() const { return modalPresentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) { modalPresentationStyle_ = style; }
    ModalPresentationStyle effectivePresentationStyle() const;

    // `animated` everywhere here is also subject to animationsEnabled().
    // Presents over this screen's outermost container; nothing when that is in no window
    // or already presents one.
    void present(std::unique_ptr<ViewController> controller, bool animated, std::function<void()> completion = {});
    // Dismisses the screen this one presents, or else this one (with what it presents).
    void dismiss(bool animated, std::function<void()> completion = {});
    ViewController* presentedViewController() const { return presented_.get(); }
    ViewController* presentingViewController() const;

    ViewController* parentViewController() const { return parent_; }
    NavigationController* navigationController() const;
    Window* window() const;

    void declareOutlets(Outlets& outlets) override;

protected:
    // By default from the nib, or an empty View.
    virtual void loadView();
    virtual void viewDidLoad() {}
    // Sized to the space it will fill: its stack's content, its window, or Window::defaultSize.
    void setView(QWidget* view);

private:
    friend class NavigationController;
    friend class Window;

    // The outermost container.
    ViewController* presentationContext() const;
    void dismissPresented(bool animated, std::function<void()> completion);

    QString nibName_;
    QString title_;
    QPointer<QWidget> view_;
    ModalPresentationStyle modalPresentationStyle_ = ModalPresentationStyle::automatic;
    ViewController* parent_ = nullptr;      // the container this one sits in
    ViewController* presenting_ = nullptr;  // the screen that presented this one
    std::unique_ptr<ViewController> presented_;
    Window* window_ = nullptr;              // set on a window's root controller only
};

// Releases `controller` once control is back in the event loop: a screen is often
// dismissed or popped from its own button's action.
void discardLater(std::unique_ptr<ViewController> controller);

}
