#include "qt_test_support.h"
#include "ui/alert_controller.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/navigation_controller.h"
#include "ui/window.h"

#include <QTest>

#include <gtest/gtest.h>

namespace wayfarer::ui {
namespace {

class Screen : public ViewController {
    Q_OBJECT

public:
    explicit Screen(StatusBarStyle style = StatusBarStyle::defaultStyle) : style_(style) {}
    StatusBarStyle preferredStatusBarStyle() const override { return style_; }
    void viewDidLoad() override {
        ++loads;
        inNavigation = navigationController() != nullptr;
        loadedSize = view()->size();
    }
    void close() { dismiss(true); }
    int loads = 0;
    bool inNavigation = false;
    QSize loadedSize;

private:
    StatusBarStyle style_;
};

class ControllerTest : public ::testing::Test {
protected:
    ControllerTest() {
        auto root = std::make_unique<Screen>();
        rootScreen = root.get();
        window.setRootViewController(std::move(root));
        window.show();
    }
    // Runs the deferred releases of dismissed and popped screens.
    static void settle() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }

    Window window;
    Screen* rootScreen = nullptr;
};

// Each presented screen dismisses itself from a button of its own.
TEST_F(ControllerTest, OnlyAScreenInTheWindowPresentsOneAtATimeCoveringTheWindowOrAsASheet) {
    EXPECT_EQ(rootScreen->loadedSize, Window::defaultSize);
    Screen loose;
    auto presented = std::make_unique<Screen>();
    QPointer<Screen> dropped = presented.get();
    loose.present(std::move(presented), false);
    EXPECT_EQ(loose.presentedViewController(), nullptr);
    EXPECT_TRUE(dropped.isNull());

    const struct { ModalPresentationStyle style; int version; bool fullWindow; } cases[] = {
        {ModalPresentationStyle::fullScreen, 13, true}, {ModalPresentationStyle::automatic, 13, false},
        {ModalPresentationStyle::automatic, 12, true}, {ModalPresentationStyle::pageSheet, 13, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.style));
        setPlatformVersion(c.version);
        auto next = std::make_unique<Screen>();
        next->setModalPresentationStyle(c.style);
        QPointer<Screen> shown = next.get();
        rootScreen->present(std::move(next), true);
        rootScreen->present(std::make_unique<Screen>(), false);
        ASSERT_EQ(rootScreen->presentedViewController(), shown) << "one presentation at a time";
        EXPECT_EQ(shown->presentingViewController(), rootScreen);
        EXPECT_EQ(shown->loads, 1);
        const QWidget& view = *shown->view();
        EXPECT_EQ(view.mapTo(&window, QPoint(0, 0)) == QPoint(0, 0) && view.size() == window.size(), c.fullWindow);
        EXPECT_EQ(rootScreen->view()->isVisible(), !c.fullWindow) << "a full-screen cover hides what it covers";

        auto* close = new Button(shown->view());
        close->resize(80, 40);
        close->addTarget(shown.data(), &Screen::close, ControlEvent::touchUpInside);
        close->show();
        QTest::mouseClick(close, Qt::LeftButton);
        EXPECT_EQ(rootScreen->presentedViewController(), nullptr);
        EXPECT_TRUE(rootScreen->view()->isVisible());
        EXPECT_FALSE(shown.isNull()) << "released only once control is back in the event loop";
        settle();
        EXPECT_TRUE(shown.isNull());
    }
    setPlatformVersion(13);
}

TEST_F(ControllerTest, NavigationStackSlidesScreensInAndPopsThem) {
    auto results = std::make_unique<Screen>(StatusBarStyle::darkContent);
    Screen* root = results.get();
    auto navigation = std::make_unique<NavigationController>(std::move(results));
    NavigationController* stack = navigation.get();
    navigation->setModalPresentationStyle(ModalPresentationStyle::fullScreen);
    rootScreen->present(std::move(navigation), true);
    EXPECT_TRUE(root->inNavigation) << "the root knows its stack when its view loads";
    stack->setNavigationBarHidden(true);
    EXPECT_EQ(root->view()->geometry(), QRect(QPoint(0, 0), window.size()));

    using namespace std::chrono_literals;
    testing::AnimationClock clock;
    setAnimationsEnabled(true);
    auto detail = std::make_unique<Screen>(StatusBarStyle::lightContent);
    QPointer<Screen> pushed = detail.get();
    stack->pushViewController(std::move(detail), true);
    clock.advance(125ms);
    EXPECT_GT(pushed->view()->x(), 0) << "half way in";
    EXPECT_LT(pushed->view()->x(), window.width() / 2);
    clock.advance(125ms);
    EXPECT_EQ(pushed->view()->x(), 0);
    setAnimationsEnabled(false);
    EXPECT_EQ(stack->viewControllers(), (std::vector<ViewController*>{root, pushed.data()}));
    EXPECT_EQ(pushed->navigationController(), stack);
    EXPECT_FALSE(root->view()->isVisible());
    EXPECT_EQ(window.statusBarStyle(), StatusBarStyle::lightContent);

    // Each slide stops the one before on the same screen half way: a push popped again half
    // way in, that pop cut short by the next push. Every one still ends: the screen on top
    // shows, and the popped one is released.
    setAnimationsEnabled(true);
    auto quick = std::make_unique<Screen>();
    QPointer<Screen> popped = quick.get();
    stack->pushViewController(std::move(quick), true);
    clock.advance(125ms);
    EXPECT_EQ(stack->popViewController(true), popped.data());
    clock.advance(125ms);
    EXPECT_TRUE(pushed->view()->isVisible()) << "coming back on top";
    auto next = std::make_unique<Screen>();
    Screen* last = next.get();
    stack->pushViewController(std::move(next), true);
    clock.advance(500ms);
    setAnimationsEnabled(false);
    EXPECT_EQ(last->view()->pos(), QPoint(0, 0));
    EXPECT_TRUE(last->view()->isVisible());
    EXPECT_FALSE(pushed->view()->isVisible()) << "covered";
    settle();
    EXPECT_TRUE(popped.isNull());
    EXPECT_EQ(stack->popViewController(false), last);
    EXPECT_TRUE(pushed->view()->isVisible());
    settle();

    EXPECT_EQ(stack->popViewController(true), pushed.data());
    EXPECT_TRUE(root->view()->isVisible());
    EXPECT_EQ(window.statusBarStyle(), StatusBarStyle::darkContent);
    EXPECT_EQ(stack->popViewController(true), nullptr) << "the root stays";
    EXPECT_EQ(pushed->navigationController(), nullptr);
    pushed->present(std::make_unique<Screen>(), false);
    EXPECT_EQ(stack->presentedViewController(), nullptr) << "a popped screen is out of the window";
    settle();
    EXPECT_TRUE(pushed.isNull());

    // Dismissing the stack also takes what it presents.
    root->present(std::make_unique<AlertController>(QStringLiteral("Error"), QStringLiteral("No text")), false);
    EXPECT_NE(stack->presentedViewController(), nullptr) << "a screen in a stack presents from the stack";
    root->dismiss(false);
    EXPECT_EQ(stack->presentedViewController(), nullptr);
    stack->dismiss(false);
    EXPECT_EQ(rootScreen->presentedViewController(), nullptr);
    EXPECT_EQ(window.statusBarStyle(), StatusBarStyle::defaultStyle);
}

// A presentation cut short, its screen dismissed and released while it slides in, still
// completes, once; so does a dismissal.
TEST_F(ControllerTest, APresentationCutShortMidSlideStillCompletesOnce) {
    using namespace std::chrono_literals;
    testing::AnimationClock clock;
    setAnimationsEnabled(true);
    int presented = 0;
    int dismissed = 0;
    auto next = std::make_unique<Screen>();
    QPointer<Screen> shown = next.get();
    rootScreen->present(std::move(next), true, [&] { ++presented; });
    clock.advance(100ms);
    rootScreen->dismiss(false, [&] { ++dismissed; });
    settle();
    EXPECT_TRUE(shown.isNull());
    clock.advance(500ms);
    setAnimationsEnabled(false);
    EXPECT_EQ(presented, 1);
    EXPECT_EQ(dismissed, 1);
    EXPECT_TRUE(rootScreen->view()->isVisible());
}

// The alert dims the screen underneath; its buttons dismiss it before their handler runs.
TEST_F(ControllerTest, AlertButtonsRunTheirHandlerOnceAfterDismissal) {
    const auto key = [](Qt::Key k) { return [k](AlertController& alert) { QTest::keyClick(alert.view(), k); }; };
    const auto keyOnFirst = [](Qt::Key k) {
        return [k](AlertController& alert) { QTest::keyClick(alert.buttonForAction(0), k); };
    };
    const auto click = [](AlertController& alert) { QTest::mouseClick(alert.buttonForAction(0), Qt::LeftButton); };
    const auto twice = [](AlertController& alert) {
        alert.choose(0);
        alert.choose(0);
    };
    using Style = AlertActionStyle;
    const struct {
        const char* name;
        std::vector<AlertActionStyle> styles;
        std::function<void(AlertController&)> choose;
        std::vector<int> handled;
    } cases[] = {
        {"click", {Style::defaultStyle}, click, {0}},
        {"Return on the only button", {Style::defaultStyle}, key(Qt::Key_Return), {0}},
        {"Escape on the only button", {Style::defaultStyle}, key(Qt::Key_Escape), {0}},
        {"Return skips cancel", {Style::cancel, Style::defaultStyle}, key(Qt::Key_Return), {1}},
        {"Escape chooses cancel", {Style::defaultStyle, Style::cancel}, key(Qt::Key_Escape), {1}},
        {"Return on a focused cancel button", {Style::cancel, Style::defaultStyle}, keyOnFirst(Qt::Key_Return), {0}},
        {"Escape on a focused button", {Style::defaultStyle, Style::cancel}, keyOnFirst(Qt::Key_Escape), {1}},
        {"chosen twice", {Style::defaultStyle}, twice, {0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<int> handled;
        bool dismissedFirst = false;
        auto alert = std::make_unique<AlertController>(QStringLiteral("Something went wrong"),
                                                       QStringLiteral("The catalogue could not be reached."));
        for (std::size_t i = 0; i < c.styles.size(); ++i)
            alert->addAction({QStringLiteral("Button %1").arg(i), c.styles[i], [&, i] {
                                  handled.push_back(static_cast<int>(i));
                                  dismissedFirst = rootScreen->presentedViewController() == nullptr;
                              }});
        AlertController* shown = alert.get();
        rootScreen->present(std::move(alert), true);
        const QImage shot = testing::saveScreenshot(window, QStringLiteral("alert"));
        EXPECT_LT(shot.pixelColor(5, 5).lightness(), 200) << "the screen underneath is dimmed";
        c.choose(*shown);
        EXPECT_EQ(handled, c.handled);
        EXPECT_TRUE(dismissedFirst);
        settle();
    }
}

}
}

#include "controllers_test.moc"
