#include "shell/application.h"
#include "shell/image_asset.h"
#include "ui/environment.h"
#include "ui/image_view.h"

#include <gtest/gtest.h>

namespace wayfarer::shell {
namespace {

// Stands in for the welcome screen, which takes the main interface file's other outlets.
struct WelcomeStandIn : ui::ViewController {
    void declareOutlets(ui::Outlets& outlets) override { outlets.add("backgroundImageView", backgroundImageView); }
    void viewDidLoad() override { ++loads; }
    ui::ImageView* backgroundImageView = nullptr;
    int loads = 0;
};

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
        EXPECT_TRUE(parsed.error().detail.starts_with(message)) << parsed.error().detail;
    }
}

class ApplicationTest : public ::testing::TestWithParam<int> {
protected:
    ApplicationTest() { classes.add<WelcomeStandIn>(QStringLiteral("MainViewController")); }
    ~ApplicationTest() override { ui::setPlatformVersion(13); }
    ControllerClasses classes, none;
};

// From the bundled settings: the name, the main interface file and, from 13, the scene's delegate.
TEST_P(ApplicationTest, LaunchOpensOneWindowWithTheMainInterfacesScreen) {
    ui::setPlatformVersion(GetParam());
    Application application(ApplicationSettings::load().value(), classes);
    auto launched = application.launch({{QStringLiteral("ignored"), true}});
    ASSERT_TRUE(launched.ok()) << launched.error().detail;
    ui::Window* window = application.window();
    ASSERT_TRUE(window && window->isVisible());
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Wayfarer"));
    ASSERT_EQ(application.sceneDelegate() != nullptr, GetParam() >= 13);
    EXPECT_EQ(application.appDelegate().window(), GetParam() >= 13 ? nullptr : window);
    auto* screen = dynamic_cast<WelcomeStandIn*>(window->rootViewController());
    ASSERT_NE(screen, nullptr);
    EXPECT_NE(screen->backgroundImageView->image(), std::nullopt);
    application.enterBackground();
    application.enterForeground();
    EXPECT_EQ(window->rootViewController(), screen);
    EXPECT_EQ(screen->loads, 1) << "the round trip to the background changes nothing";
}

INSTANTIATE_TEST_SUITE_P(PlatformVersions, ApplicationTest, ::testing::Values(12, 13));

TEST_F(ApplicationTest, LaunchFailsClearlyWithoutTheFirstScreensClassOrTheSceneConfiguration) {
    auto renamed = ApplicationSettings::load().value();
    renamed.sceneConfigurations.front().name = QStringLiteral("Other");
    const struct { ApplicationSettings settings; const ControllerClasses& classes; const char* message; } cases[] = {
        {ApplicationSettings::load().value(), none, "screen class \"MainViewController\", which the program lacks"},
        {renamed, classes, "no scene configuration \"Default Configuration\""},
    };
    for (const auto& row : cases) {
        Application application(row.settings, row.classes);
        auto launched = application.launch();
        ASSERT_FALSE(launched.ok()) << row.message;
        EXPECT_NE(launched.error().detail.find(row.message), std::string::npos) << launched.error().detail;
        EXPECT_EQ(application.window(), nullptr);
    }
}

TEST(Application, TextScaleIsANumberFromHalfToFourTimes) {
    for (const auto& [value, scale] : {std::pair{"1.5", 1.5}, {" 2 ", 2.0}, {"0.5", 0.5}, {"4", 4.0}})
        EXPECT_EQ(textScaleNamed(QString::fromLatin1(value)), scale) << value;
    for (const char* value : {"0.49", "4.5", "-1", "large", "1,5", "nan", "inf"})
        EXPECT_EQ(textScaleNamed(QString::fromLatin1(value)), std::nullopt) << value;
}

// Each asset under its name and, drawn for a 2x screen, with content, not just transparency;
// a missing one gives nothing, and every call looks again.
TEST(ImageAsset, EveryAssetIsBundledUnderItsNameAndMissingOnesGiveNothing) {
    const QStringList names = {"Milan_Gallery", "Rome_Cathedral", "Archeology", "Lorvanta_Logo_Main", "Lorvanta_Glyph",
                               "Search", "Lorvanta_Heart_Fill", "Lorvanta_Heart_White", "Lorvanta_Heart_Black"};
    ASSERT_EQ(allImageAssets.size(), static_cast<std::size_t>(names.size()));
    for (std::size_t i = 0; i < allImageAssets.size(); ++i) {
        const auto picture = image(allImageAssets[i]);
        ASSERT_TRUE(picture.has_value()) << names[i].toStdString();
        EXPECT_EQ(picture->name(), names[i]);
        const QImage alpha = picture->toQImage((picture->size() * 2).toSize()).convertToFormat(QImage::Format_Alpha8);
        const auto clear = std::count(alpha.constBits(), alpha.constBits() + alpha.sizeInBytes(), uchar{0});
        EXPECT_LT(clear, alpha.sizeInBytes() * 99 / 100) << names[i].toStdString();
    }
    for (const QString& name : {QStringLiteral("Venice_Canal"), QString(), QStringLiteral("../Info")})
        EXPECT_EQ(ui::Image::named(name), std::nullopt) << name.toStdString();
    EXPECT_FALSE(image(ImageAsset::heartFill)->isSameAs(*image(ImageAsset::heartFill)));
}

}
}
