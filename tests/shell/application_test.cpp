#include "qt_test_support.h"
#include "shell/application.h"
#include "ui/environment.h"
#include "ui/image_view.h"

#include <gtest/gtest.h>

namespace wayfarer::shell {
namespace {

// Stands in for the welcome screen, which takes the main interface file's other outlets.
class WelcomeStandIn : public ui::ViewController {
    Q_OBJECT

public:
    void declareOutlets(ui::Outlets& outlets) override { outlets.add("backgroundImageView", backgroundImageView); }
    void viewDidLoad() override { ++loads; }
    ui::ImageView* backgroundImageView = nullptr;
    int loads = 0;
};

ApplicationSettings settings() {
    auto loaded = ApplicationSettings::load();
    EXPECT_TRUE(loaded.ok());
    return loaded.value();
}

TEST(ApplicationSettings, BrokenFilesAreRefusedWithTheirFault) {
    const std::pair<const char*, const char*> broken[] = {
        {"{", "application settings: not JSON"},
        {"[]", "application settings: not a JSON object"},
        {"{}", "application settings: \"mainInterfaceFile\" must name an interface file"},
        {R"({"mainInterfaceFile": "Main", "sceneManifest": {"configurations": {"windowApplication": [{"name": "X"}]}}})",
         "application settings: a scene configuration of role \"windowApplication\" lacks"},
    };
    for (const auto& [json, message] : broken) {
        auto parsed = ApplicationSettings::parse(json);
        ASSERT_FALSE(parsed.ok()) << json;
        EXPECT_TRUE(parsed.error().message.startsWith(QString::fromUtf8(message))) << parsed.error().message.toStdString();
    }
}

class ApplicationTest : public ::testing::TestWithParam<int> {
protected:
    ApplicationTest() { classes.add<WelcomeStandIn>(QStringLiteral("MainViewController")); }
    ~ApplicationTest() override { ui::setPlatformVersion(13); }
    ControllerClasses classes;
};

// From the bundled settings: the name, the main interface file and, from 13, the scene's delegate.
TEST_P(ApplicationTest, LaunchOpensOneWindowWithTheMainInterfacesScreen) {
    ui::setPlatformVersion(GetParam());
    Application application(settings(), classes);
    auto launched = application.launch({{QStringLiteral("ignored"), true}});
    ASSERT_TRUE(launched.ok()) << launched.error().message.toStdString();
    ui::Window* window = application.window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Wayfarer"));
    const bool scenes = GetParam() >= 13;
    ASSERT_EQ(application.sceneDelegate() != nullptr, scenes);
    EXPECT_EQ(scenes ? application.sceneDelegate()->window() : application.appDelegate().window(), window);
    EXPECT_EQ(application.appDelegate().window(), scenes ? nullptr : window);
    auto* screen = qobject_cast<WelcomeStandIn*>(window->rootViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_NE(screen->backgroundImageView->image(), std::nullopt);
    application.enterBackground();
    application.enterForeground();
    EXPECT_EQ(window->rootViewController(), screen);
    EXPECT_EQ(screen->loads, 1) << "the round trip to the background changes nothing";
    window->resize(600, 900);
    EXPECT_EQ(screen->backgroundImageView->geometry(), QRect(0, 0, 600, 900)) << "the background follows the window";
}

INSTANTIATE_TEST_SUITE_P(PlatformVersions, ApplicationTest, ::testing::Values(12, 13));

TEST(Application, LaunchFailsClearlyWithoutTheFirstScreensClassOrTheSceneConfiguration) {
    auto renamed = settings();
    renamed.sceneConfigurations.front().name = QStringLiteral("Other");
    ControllerClasses none, classes;
    classes.add<WelcomeStandIn>(QStringLiteral("MainViewController"));
    const struct { ApplicationSettings settings; const ControllerClasses& classes; const char* message; } cases[] = {
        {settings(), none, "interface file \"Main\" names the screen class \"MainViewController\", which the program lacks"},
        {renamed, classes, "no scene configuration \"Default Configuration\""},
    };
    for (const auto& row : cases) {
        Application application(row.settings, row.classes);
        auto launched = application.launch();
        ASSERT_FALSE(launched.ok()) << row.message;
        EXPECT_TRUE(launched.error().message.contains(QString::fromUtf8(row.message))) << launched.error().message.toStdString();
        EXPECT_EQ(application.window(), nullptr);
    }
}

TEST(Application, TextScaleIsANumberFromHalfToFourTimes) {
    const std::pair<const char*, std::optional<double>> cases[] = {
        {"1.5", 1.5}, {" 2 ", 2.0}, {"0.5", 0.5}, {"4", 4.0}, {"0.49", std::nullopt}, {"4.5", std::nullopt},
        {"-1", std::nullopt}, {"large", std::nullopt}, {"1,5", std::nullopt}, {"nan", std::nullopt}, {"inf", std::nullopt},
    };
    for (const auto& [value, scale] : cases)
        EXPECT_EQ(textScaleNamed(QString::fromLatin1(value)), scale) << value;
}

}
}

#include "application_test.moc"
