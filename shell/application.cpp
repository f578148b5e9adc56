#include "application.h"

#include "platform/http_client.h"
#include "platform/image_decode_queue.h"
#include "ui/environment.h"
#include "ui/image.h"
#include "ui/qt_main_queue.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>

#include <fontconfig/fontconfig.h>

#include <cstdio>
#include <future>

namespace wayfarer::shell {

Application::Application(ApplicationSettings settings, const ControllerClasses& classes)
    : settings_(std::move(settings)), classes_(classes) {}

ui::Window* Application::window() const {
    return sceneDelegate_ ? sceneDelegate_->window() : appDelegate_.window();
}

platform::Result<std::unique_ptr<ui::Window>> Application::makeWindow(const QString& interfaceFile) const {
    const auto nib = ui::Nib::named(interfaceFile);
    if (!nib->exists())
        return ui::loadError(QStringLiteral("interface file \"%1\" is not among the application's resources").arg(interfaceFile));
    const auto className = nib->topLevelStringProperty(viewControllerClassProperty);
    if (!className)
        return ui::loadError(QStringLiteral("interface file \"%1\" names no screen class (the property \"%2\")")
                                 .arg(interfaceFile, viewControllerClassProperty));
    auto controller = classes_.create(*className);
    if (!controller)
        return ui::loadError(QStringLiteral("interface file \"%1\" names the screen class \"%2\", which the program lacks")
                                 .arg(interfaceFile, *className));
    auto loaded = controller->loadViewFromNib(*nib);
    if (!loaded.ok())
        return loaded.error();
    auto window = std::make_unique<ui::Window>();
    if (!settings_.applicationName.isEmpty())
        window->setWindowTitle(settings_.applicationName);
    window->setRootViewController(std::move(controller));
    return window;
}

platform::Result<void> Application::launch(const QVariantMap& launchOptions) {
    appDelegate_.didFinishLaunchingWithOptions(launchOptions);
    if (ui::platformVersion() < 13) {
        auto window = makeWindow(settings_.mainInterfaceFile);
        if (!window.ok())
            return window.error();
        appDelegate_.setWindow(std::move(window.value()));
        appDelegate_.window()->makeKeyAndVisible();
        return {};
    }

    const SceneSession session;
    const SceneConfiguration configuration = appDelegate_.configurationForConnectingSceneSession(session, {});
    const SceneManifestEntry* entry = settings_.sceneConfiguration(configuration.name, configuration.sessionRole);
    if (!entry)
        return ui::loadError(QStringLiteral("application settings: no scene configuration \"%1\" for the role \"%2\"")
                                 .arg(configuration.name, configuration.sessionRole));
    if (entry->delegateClass != QLatin1String("SceneDelegate"))
        return ui::loadError(QStringLiteral("application settings: the scene delegate class \"%1\" is unknown")
                                 .arg(entry->delegateClass));
    auto window = makeWindow(entry->interfaceFile);
    if (!window.ok())
        return window.error();
    sceneDelegate_ = std::make_unique<SceneDelegate>();
    sceneDelegate_->setWindow(std::move(window.value()));
    sceneDelegate_->window()->makeKeyAndVisible();
    sceneDelegate_->willConnectToSession(session, {});
    return {};
}

void Application::enterBackground() {
    if (!sceneDelegate_)
        return;
    sceneDelegate_->sceneWillResignActive();
    sceneDelegate_->sceneDidEnterBackground();
}

void Application::enterForeground() {
    if (!sceneDelegate_)
        return;
    sceneDelegate_->sceneWillEnterForeground();
    sceneDelegate_->sceneDidBecomeActive();
}

namespace {

// Threads that post to QtMainQueue, stopped before ~QApplication.
struct BackgroundWorkStop {
    BackgroundWorkStop() = default;
    BackgroundWorkStop(const BackgroundWorkStop&) = delete;
    BackgroundWorkStop& operator=(const BackgroundWorkStop&) = delete;
    ~BackgroundWorkStop() {
        platform::HttpClient::stopShared();
        platform::stopImageDecoding();
        ui::Image::waitForBackgroundRendering();
    }
};

}

std::optional<double> textScaleNamed(const QString& value) {
    bool isNumber = false;
    const double scale = value.trimmed().toDouble(&isNumber);
    if (!isNumber || !(scale >= 0.5 && scale <= 4.0))
        return std::nullopt;
    return scale;
}

int runApplication(int argc, char** argv, const ControllerClasses& classes, const LaunchHooks& hooks) {
    // FcInit (fontconfig's configuration and font cache, which QFontDatabase's first use waits
    // for) on a thread while QApplication connects to the display.
    auto fontconfigLoaded = std::async(std::launch::async, [] { FcInit(); });
    QApplication qtApplication(argc, argv);
    // Over before anything else can reach fontconfig: QFontDatabase's first use, or the
    // FcConfigDestroy(FcConfigGetCurrent()) in ~QFontconfigDatabase on an early return.
    fontconfigLoaded.wait();
    // QFontDatabase (thread-safe) reads fontconfig's font list while the interface files load;
    // joined before QApplication goes.
    auto fontsListed = std::async(std::launch::async, [] { QFontDatabase::families(); });
    // Declared after QApplication, so destroyed before it.
    const BackgroundWorkStop backgroundWorkStop;
    platform::setMainQueue(std::make_shared<ui::QtMainQueue>());
    if (const QString value = qEnvironmentVariable(textScaleVariable); !value.isEmpty()) {
        const auto scale = textScaleNamed(value);
        if (!scale) {
            std::fprintf(stderr, "wayfarer: %s must be a number from 0.5 to 4, not \"%s\"\n", textScaleVariable,
                         qPrintable(value));
            return 2;
        }
        QFont font = QApplication::font();
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * *scale);
        else
            font.setPixelSize(static_cast<int>(font.pixelSize() * *scale + 0.5));
        QApplication::setFont(font);
    }
    if (hooks.beforeLaunch)
        if (const auto status = hooks.beforeLaunch(QApplication::arguments()))
            return *status;

    auto settings = ApplicationSettings::load();
    if (!settings.ok()) {
        std::fprintf(stderr, "wayfarer: %s\n", settings.error().detail.c_str());
        return 1;
    }
    QApplication::setApplicationName(settings.value().applicationName);
    Application application(std::move(settings.value()), classes);
    if (auto launched = application.launch(); !launched.ok()) {
        std::fprintf(stderr, "wayfarer: %s\n", launched.error().detail.c_str());
        return 1;
    }
    if (hooks.afterLaunch)
        hooks.afterLaunch(application);
    QObject::connect(&qtApplication, &QGuiApplication::applicationStateChanged, &qtApplication,
                     [&application](Qt::ApplicationState state) {
                         if (state == Qt::ApplicationActive)
                             application.enterForeground();
                         else if (state == Qt::ApplicationSuspended || state == Qt::ApplicationHidden)
                             application.enterBackground();
                     });
    const int status = QApplication::exec();
    // Widgets go before ~QApplication.
    application.appDelegate().setWindow(nullptr);
    if (application.sceneDelegate())
        application.sceneDelegate()->setWindow(nullptr);
    return status;
}

}
