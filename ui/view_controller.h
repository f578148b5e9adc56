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

enum class StatusBarStyle { defaultStyle = 0, lightContent = 1, darkContent = 3 };
// With the platform's values. `automatic` is a sheet over a dimmed screen from platform
// version 13, full screen before.
enum class ModalPresentationStyle { fullScreen = 0, pageSheet = 1, overFullScreen = 5, automatic = -2 };

// Manages one screen: its view, made on first use, and its place among the screens (in
// a navigation stack, or presented over another screen).
class ViewController : public QObject, public OutletOwner {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ViewController)

public:
    // With a nib name, the view comes from that interface file with this controller as
    // its owner; the file's top-level widget becomes the view.
    explicit ViewController(QString nibName = {});
    ~ViewController() override;

    // The view, loaded on first use; viewDidLoad runs once, right after.
    QWidget* view();
    // Loads the view from `nib` with this controller as the owner, then runs viewDidLoad;
    // fails, loading nothing, when the view is loaded already or the file is broken.
    platform::Result<void> loadViewFromNib(const Nib& nib);
    bool isViewLoaded() const { return view_ != nullptr; }
    const QString& nibName() const { return nibName_; }

    QString title() const { return title_; }
    void setTitle(const QString& title);

    virtual StatusBarStyle preferredStatusBarStyle() const { return StatusBarStyle::defaultStyle; }
    // The Escape key, unused by the focused view: a screen that can go back does so and
    // answers true. The window asks the top screen first, then the screens it sits in.
    virtual bool performEscape() { return false; }
    ModalPresentationStyle modalPresentationStyle() const { return modalPresentationStyle_; }
    void setModalPresentationStyle(ModalPresentationStyle style) { modalPresentationStyle_ = style; }
    // The style the presentation uses on the running platform version.
    ModalPresentationStyle effectivePresentationStyle() const;

    // Presents `controller` over this screen (or over the container this screen sits
    // in). Does nothing when this screen is not in a window or already presents one.
    void present(std::unique_ptr<ViewController> controller, bool animated, std::function<void()> completion = {});
    // Dismisses the screen this one presents, or, when it presents none, this screen
    // itself (with what it presents) from the screen that presented it.
    void dismiss(bool animated, std::function<void()> completion = {});
    ViewController* presentedViewController() const { return presented_.get(); }
    ViewController* presentingViewController() const;

    ViewController* parentViewController() const { return parent_; }
    NavigationController* navigationController() const;
    // The window whose screens include this one, if any.
    Window* window() const;

    void declareOutlets(Outlets& outlets) override;

protected:
    // Makes the view; by default from the nib, or an empty view.
    virtual void loadView();
    virtual void viewDidLoad() {}
    void setView(QWidget* view);
    // The size a new view starts with: its container's, else the window's.
    QSize initialViewSize() const;

private:
    friend class NavigationController;
    friend class Window;

    ViewController* presentationContext();
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
