// wayfarer: the application, in a phone-sized window.
#include "tour.h"

#include "screens/screen_classes.h"
#include "shell/application.h"
#include "tools/catalogue_choice.h"
#include "ui/color.h"

#include <QApplication>
#include <QEvent>

#include <cstdio>
#include <cstdlib>
#include <future>
#include <optional>
#include <string>
#include <utility>
#include <variant>
#include <vector>

namespace {

using namespace wayfarer;

constexpr const char* helpText =
    "Usage: wayfarer [OPTION]... [QT-OPTION]...\n"
    "Find attractions in the activity catalogue, in a phone-sized window. Without --catalogue\n"
    "(or WAYFARER_CATALOGUE_URL) it uses the demo catalogue, served inside this process.\n"
    "\n"
    "Options:\n"
    "  --catalogue URL  search the catalogue at URL: https://, or http:// on this machine\n"
    "  --ca-file PEM    trust the certificate authorities in the file PEM as well\n"
    "  --tour DIR       save a picture of every screen into DIR and exit (needs no display)\n"
    "  --appearance light|dark|system\n"
    "                   show the screens light or dark, or as the desktop does (the default)\n"
    "  -h, --help       show this help and exit\n"
    "  --version        show the version and exit\n"
    "Qt's own options, such as -platform NAME or -style NAME, are handed on to Qt.\n"
    "\n"
    "Exit status:\n"
    "  0  the window was closed, or the tour saved\n"
    "  1  the catalogue or the tour failed\n"
    "  2  a usage error\n"
    "\n"
    "Environment:\n"
    "  WAYFARER_CATALOGUE_URL     the catalogue to search when --catalogue is not given\n"
    "  LC_ALL, LC_MESSAGES, LANG  the language of the texts (the first set and not empty)\n"
    "  WAYFARER_TEXT_SCALE        scales every text by this factor, from 0.5 to 4 (e.g. 1.5)\n";


struct Options {
    tools::CatalogueChoice catalogue;
    std::optional<std::string> tourDirectory;
    std::string appearanceName = "system";
    ui::AppearancePreference appearance = ui::AppearancePreference::system;
    bool help = false;
    bool version = false;
    // What is not ours, for Qt: the program name first.
    std::vector<char*> qtArguments;
};

std::variant<Options, std::string> parseOptions(int argc, char** argv) {
    Options options;
    options.qtArguments.push_back(argv[0]);
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--catalogue" || argument == "--ca-file" || argument == "--tour" || argument == "--appearance") {
            if (i + 1 >= argc)
                return argument + " needs a value";
            const std::string value = argv[++i];
            if (argument == "--catalogue")
                options.catalogue.catalogue = value;
            else if (argument == "--ca-file")
                options.catalogue.caFile = value;
            else if (argument == "--appearance")
                options.appearanceName = value;
            else
                options.tourDirectory = value;
        } else if (argument == "--help" || argument == "-h") {
            options.help = true;
        } else if (argument == "--version") {
            options.version = true;
        } else {
            options.qtArguments.push_back(argv[i]);
        }
    }
    if (options.help || options.version)
        return options;
    if (const auto checked = tools::completeCatalogueChoice(options.catalogue); !checked)
        return checked.error().detail;
    const auto appearance = ui::appearancePreferenceNamed(options.appearanceName);
    if (!appearance)
        return "--appearance takes light, dark or system, not \"" + options.appearanceName + "\"";
    options.appearance = *appearance;
    return options;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "wayfarer: %s\nTry 'wayfarer --help' for more information.\n", message.c_str());
    return 2;
}

// Starts the catalogue (the demo one: TLS identity, index, listener) on a thread once the
// first QEvent::Paint is flushed, and puts it in use when it is up, or at once, waiting for
// it, on the first input or AT-SPI call: no search can be sent before.
class CatalogueStart final : public QObject {
public:
    explicit CatalogueStart(tools::CatalogueChoice choice) : choice_(std::move(choice)) {}

    void start() {
        if (started_.valid() || finished_)
            return;
        started_ = std::async(std::launch::async, [this] {
            auto connected = tools::connectCatalogue(choice_);
            QMetaObject::invokeMethod(this, [this] { finish(); }, Qt::QueuedConnection);
            return connected;
        });
    }

    // Exits with status 1 when the catalogue cannot be used.
    void finish() {
        if (finished_)
            return;
        start();
        finished_ = true;
        QCoreApplication::instance()->removeEventFilter(this);
        const auto catalogue = started_.get();
        const auto used = catalogue ? tools::useCatalogue(*catalogue) : platform::Result<void>(catalogue.error());
        if (!used) {
            std::fprintf(stderr, "wayfarer: %s\n", used.error().detail.c_str());
            std::fflush(stderr);
            std::_Exit(1);
        }
    }

    bool eventFilter(QObject* watched, QEvent* event) override {
        switch (event->type()) {
        case QEvent::Paint:
            // Queued behind the paint, which QWidgetRepaintManager flushes before returning.
            if (!std::exchange(startQueued_, true))
                QMetaObject::invokeMethod(this, [this] { start(); }, Qt::QueuedConnection);
            break;
        case QEvent::KeyPress:
        case QEvent::ShortcutOverride:
        case QEvent::MouseButtonPress:
        case QEvent::TouchBegin:
            finish();
            break;
        case QEvent::MetaCall:
            // A D-Bus call to the AT-SPI adaptor, which can press a button.
            if (watched->inherits("QDBusVirtualObject"))
                finish();
            break;
        default:
            break;
        }
        return false;
    }

private:
    const tools::CatalogueChoice choice_;
    std::future<platform::Result<tools::ConnectedCatalogue>> started_;
    bool startQueued_ = false;
    bool finished_ = false;
};

bool hasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}

int main(int argc, char** argv) {
    auto parsed = parseOptions(argc, argv);
    if (const auto* message = std::get_if<std::string>(&parsed))
        return usageError(*message);
    Options& options = std::get<Options>(parsed);
    if (options.help) {
        std::fputs(helpText, stdout);
        return 0;
    }
    if (options.version) {
        std::puts("wayfarer (Wayfarer) " WAYFARER_VERSION);
        return 0;
    }

    CatalogueStart catalogue(options.catalogue);
    if (options.tourDirectory && !hasDisplay() && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::optional<app::Tour> tour;
    shell::LaunchHooks hooks;
    hooks.beforeLaunch = [&options, &catalogue](const QStringList& arguments) -> std::optional<int> {
        if (arguments.size() > 1) {
            const std::string argument = arguments.at(1).toStdString();
            return usageError((argument.starts_with('-') ? "unknown option '" : "unexpected argument '") + argument +
                              "'");
        }
        // Lets the desktop match the window with the installed desktop entry and its icon.
        QGuiApplication::setDesktopFileName(QStringLiteral(WAYFARER_APP_ID));
        // The desktop's own appearance is left to the desktop, also when it changes.
        if (options.appearance != ui::AppearancePreference::system)
            ui::setAppearancePreference(options.appearance);

        registerScreenViews();
        QCoreApplication::instance()->installEventFilter(&catalogue);
        return std::nullopt;
    };
    if (options.tourDirectory)
        hooks.afterLaunch = [&](shell::Application& application) {
            catalogue.finish();
            tour.emplace(application, QString::fromStdString(*options.tourDirectory));
            tour->start();
        };
    int qtArgc = static_cast<int>(options.qtArguments.size());
    options.qtArguments.push_back(nullptr);
    return shell::runApplication(qtArgc, options.qtArguments.data(), screenControllerClasses(), hooks);
}
