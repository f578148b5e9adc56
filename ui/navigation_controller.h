#pragma once

#include "view_controller.h"

#include <memory>
#include <vector>

namespace wayfarer::ui {

class Button;
class Label;
class View;

// A stack of screens: the top one is shown, under a bar with its title and a back button
// unless the bar is hidden. Pushing slides the new screen in from the right; popping
// slides it out again.
class NavigationController final : public ViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NavigationController)

public:
    NavigationController();
    explicit NavigationController(std::unique_ptr<ViewController> root);
    ~NavigationController() override;

    void setViewControllers(std::vector<std::unique_ptr<ViewController>> controllers, bool animated = false);
    std::vector<ViewController*> viewControllers() const;
    ViewController* topViewController() const;

    void pushViewController(std::unique_ptr<ViewController> controller, bool animated);
    // Removes the top screen unless it is the root. The screen returned is released once
    // control is back in the event loop.
    ViewController* popViewController(bool animated);

    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden, bool animated);

    StatusBarStyle preferredStatusBarStyle() const override;
    // Where the screens' views go: the view below the bar, or all of it.
    QRect contentRect() const;

protected:
    void loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    friend class ViewController;
    void adopt(ViewController& controller);
    void layoutChildren();
    void updateBar();
    void slide(QWidget* entering, QWidget* leaving, bool forward, bool animated, std::function<void()> done);
    void popViewControllerAnimated();

    std::vector<std::unique_ptr<ViewController>> stack_;
    std::vector<std::unique_ptr<ViewController>> leaving_;
    View* bar_ = nullptr;
    Label* barTitle_ = nullptr;
    Button* backButton_ = nullptr;
    bool barHidden_ = false;
    int slides_ = 0;  // the slides running
};

}
