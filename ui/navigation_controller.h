#pragma once

#include "view_controller.h"

#include <memory>
#include <vector>

namespace wayfarer::ui {

class Button;
class Label;
class View;

// A stack of screens under a bar with the top one's title and a back button. Push and
// pop slide (QPropertyAnimation) when `animated` and animationsEnabled().
class NavigationController final : public ViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(NavigationController)

public:
    explicit NavigationController(std::unique_ptr<ViewController> root = nullptr);
    ~NavigationController() override;

    void setViewControllers(std::vector<std::unique_ptr<ViewController>> controllers);
    std::vector<ViewController*> viewControllers() const;
    ViewController* topViewController() const;

    void pushViewController(std::unique_ptr<ViewController> controller, bool animated);
    // Not the root. The screen returned is released by discardLater().
    ViewController* popViewController(bool animated);

    bool isNavigationBarHidden() const { return barHidden_; }
    void setNavigationBarHidden(bool hidden);

    StatusBarStyle preferredStatusBarStyle() const override;
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

    std::vector<std::unique_ptr<ViewController>> stack_;
    View* bar_ = nullptr;
    Label* barTitle_ = nullptr;
    Button* backButton_ = nullptr;
    bool barHidden_ = false;
    int slides_ = 0;  // the slides running
};

}
