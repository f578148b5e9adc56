#pragma once

#include "view_controller.h"

#include <QPointer>
#include <QWidget>

#include <functional>
#include <memory>
#include <vector>

namespace wayfarer::ui {

// Shows the root controller's view and, above it, each presented screen in a layer of its own.
class Window final : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Window)

public:
    static constexpr QSize defaultSize{390, 844};

    explicit Window(QWidget* parent = nullptr);
    ~Window() override;

    ViewController* rootViewController() const { return root_.get(); }
    void setRootViewController(std::unique_ptr<ViewController> controller);
    void makeKeyAndVisible();

    // The last presented screen, or the root; for a navigation stack, its top screen.
    ViewController* topmostViewController() const;
    StatusBarStyle statusBarStyle() const;

protected:
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    friend class ViewController;
    struct Layer {
        ViewController* controller;
        QWidget* container;
        QPointer<QWidget> previousFocus;
    };

    void showPresented(ViewController& controller, bool animated, std::function<void()> completion);
    void hidePresented(std::unique_ptr<ViewController> controller, bool animated, std::function<void()> completion);
    void updateCoveredLayers();
    QRect frameFor(const ViewController& controller) const;

    std::unique_ptr<ViewController> root_;
    std::vector<Layer> layers_;
};

}
