#include "screens_fixture.h"

#include "screens/main_view_controller.h"
#include "screens/texts.h"
#include "ui/button.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/navigation_controller.h"
#include "ui/nib.h"
#include "ui/text_field.h"
#include "screens/text_field_header_view.h"

#include <QFile>
#include <QTest>

// The application's resources, compiled into the shell library.
int qInitResources_wayfarer_application_resources();
int qCleanupResources_wayfarer_application_resources();

namespace wayfarer::testing {
namespace {

class WelcomeScreen : public ScreensTest {
protected:
    MainViewController& loadWelcome(const ui::Nib& nib) {
        auto owned = std::make_unique<MainViewController>();
        MainViewController& welcome = *owned;
        welcome.setSession(session);
        EXPECT_TRUE(welcome.loadViewFromNib(nib).ok());
        window.setRootViewController(std::move(owned));
        return welcome;
    }
};

TEST_F(WelcomeScreen, SetsUpItsTextsButtonsAndCyclingBackground) {
    MainViewController& welcome = loadWelcome(*ui::Nib::named("Main"));
    EXPECT_EQ(welcome.searchButton->title(), localizedText("search_placeholder"));
    EXPECT_EQ(welcome.welcomeButton->title(), localizedText("welcome"));
    EXPECT_EQ(welcome.scopeOfWorkLabel->text(), localizedText("scope_of_work"));
    EXPECT_EQ(welcome.preferredStatusBarStyle(), ui::StatusBarStyle::lightContent);
    const auto& frames = welcome.backgroundImageView->animationImages();
    ASSERT_EQ(frames.size(), 3u);
    EXPECT_EQ(frames[0].name(), "Milan_Gallery");
    EXPECT_EQ(frames[1].name(), "Rome_Cathedral");
    EXPECT_EQ(frames[2].name(), "Archeology");
    EXPECT_DOUBLE_EQ(welcome.backgroundImageView->animationDuration(), 9.0);
    EXPECT_TRUE(welcome.backgroundImageView->isAnimating());
}

TEST_F(WelcomeScreen, WithoutItsPicturesStillSetsUpEverythingButTheAnimation) {
    QFile file(":/Interface/Main.ui");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const auto nib = ui::Nib::fromData("Main", file.readAll());
    qCleanupResources_wayfarer_application_resources();
    MainViewController& welcome = loadWelcome(*nib);
    qInitResources_wayfarer_application_resources();
    EXPECT_EQ(welcome.searchButton->title(), localizedText("search_placeholder"));
    EXPECT_EQ(welcome.welcomeButton->title(), localizedText("welcome"));
    EXPECT_EQ(welcome.scopeOfWorkLabel->text(), localizedText("scope_of_work"));
    EXPECT_TRUE(welcome.searchButton->actionCount(ui::ControlEvent::touchUpInside) == 1);
    EXPECT_TRUE(welcome.backgroundImageView->animationImages().empty());
    EXPECT_FALSE(welcome.backgroundImageView->isAnimating());
}

TEST_F(WelcomeScreen, ReturnOpensAFullScreenSearchAndEveryOpeningIsANewEmptyOne) {
    MainViewController& welcome = loadWelcome(*ui::Nib::named("Main"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(welcome.searchButton->hasFocus());
    ResultsTableViewController* previous = nullptr;
    for (int opening = 0; opening < 2; ++opening) {
        QTest::keyClick(welcome.searchButton, Qt::Key_Return);
        auto* navigation = qobject_cast<ui::NavigationController*>(welcome.presentedViewController());
        ASSERT_NE(navigation, nullptr);
        EXPECT_EQ(navigation->modalPresentationStyle(), ui::ModalPresentationStyle::fullScreen);
        EXPECT_TRUE(navigation->isNavigationBarHidden());
        auto* screen = qobject_cast<ResultsTableViewController*>(navigation->viewControllers().front());
        ASSERT_NE(screen, nullptr);
        EXPECT_NE(screen, previous);
        previous = screen;
        EXPECT_EQ(screen->tableView()->numberOfRows(), 0);
        screen->header->textField->setText("Rom");
        QTest::keyClicks(&screen->header->textField->editorWidget(), "e");
        ASSERT_TRUE(QTest::qWaitFor([&] { return screen->tableView()->numberOfRows() > 0; }, 10000));
        QTest::keyClick(&window, Qt::Key_Escape);
        EXPECT_EQ(welcome.presentedViewController(), nullptr);
        EXPECT_TRUE(session->attractions().empty());
        QCoreApplication::processEvents();
        EXPECT_TRUE(welcome.searchButton->hasFocus()) << "the keys come back to the search button";
    }
}

}
}
