// wayfarer: the application, in a phone-sized window.
#include "tour.h"

#include "screens/screen_classes.h"
#include "shell/application.h"
#include "tools/catalogue_choice.h"
#include "ui/color.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace {

using namespace wayfarer;

constexpr const char* usageText =
    "usage: wayfarer [--catalogue URL] [--ca-file PEM] [--appearance light|dark|system] [--tour DIR] [Qt options]\n"
    "\n"
    "Finds attractions in the activity catalogue. Without --catalogue (or WAYFARER_CATALOGUE_URL)\n"
    "it uses the demo catalogue, served inside this process. --tour walks through every screen,\n"
    "saves a picture of each into DIR and exits; without a display it draws off screen.\n"
    "--appearance shows the screens light or dark whatever the desktop's appearance (default: system).\n";

struct Options {
    tools::CatalogueChoice catalogue;
    std::optional<std::string> tourDirectory;
    std::string appearanceName = "system";
    ui::AppearancePreference appearance = ui::AppearancePreference::system;
    bool help = false;
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
        } else {
            options.qtArguments.push_back(argv[i]);
        }
    }
    if (auto wrong = tools::completeCatalogueChoice(options.catalogue))
        return *wrong;
    const auto appearance = ui::appearancePreferenceNamed(options.appearanceName);
    if (!appearance)
        return "--appearance takes light, dark or system, not \"" + options.appearanceName + "\"";
    options.appearance = *appearance;
    return options;
}

int usageError(const std::string& message) {
    std::fprintf(stderr, "wayfarer: %s\n%s", message.c_str(), usageText);
    return 2;
}

bool hasDisplay() {
    const char* x11 = std::getenv("DISPLAY");
    const char* wayland = std::getenv("WAYLAND_DISPLAY");
    return (x11 && *x11) || (wayland && *wayland);
}

}

int main(int argc, char** argv) {
    const auto processStart = std::chrono::steady_clock::now();
    auto parsed = parseOptions(argc, argv);
    if (const auto* message = std::get_if<std::string>(&parsed))
        return usageError(*message);
    Options& options = std::get<Options>(parsed);
    if (options.help) {
        std::fputs(usageText, stdout);
        return 0;
    }

    std::string error;
    const auto catalogue = tools::connectCatalogue(options.catalogue, &error);
    if (!catalogue) {
        std::fprintf(stderr, "wayfarer: %s\n", error.c_str());
        return 1;
    }
    tools::useCatalogue(*catalogue);

    if (options.tourDirectory && !hasDisplay() && std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);

    std::optional<app::Tour> tour;
    shell::LaunchHooks hooks;
    hooks.beforeLaunch = [&options](const QStringList& arguments) -> std::optional<int> {
        if (arguments.size() > 1)
            return usageError("unknown option " + arguments.at(1).toStdString());
        // The desktop's own appearance is left to the desktop, also when it changes.
        if (options.appearance != ui::AppearancePreference::system)
            ui::setAppearancePreference(options.appearance);
        registerScreenViews();
        return std::nullopt;
    };
    if (options.tourDirectory)
        hooks.afterLaunch = [&](shell::Application& application) {
            tour.emplace(application, QString::fromStdString(*options.tourDirectory), processStart);
            tour->start();
        };
    int qtArgc = static_cast<int>(options.qtArguments.size());
    options.qtArguments.push_back(nullptr);
    return shell::runApplication(qtArgc, options.qtArguments.data(), screenControllerClasses(), hooks);
}
