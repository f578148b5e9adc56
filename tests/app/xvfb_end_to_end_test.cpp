// The whole program in Xvfb: keys sent with xdotool, screenshots, the AT-SPI tree, and --tour.
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

bool haveDisplay = false;
// The address of the test's own session bus, on which the AT-SPI bus is started; empty without one.
QString sessionBus;

// Whether it succeeded; `output` gets the first line it printed.
bool xdotool(const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(60000))  // a guard: a sanitized build starts slowly on a busy machine
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed().section(u'\n', 0, 0);
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Of every other pixel of `image` in each direction, those within `tolerance` of `colour`.
int pixelsLike(const QImage& image, QColor colour, int tolerance = 6) {
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor pixel = image.pixelColor(x, y);
            count += std::abs(pixel.red() - colour.red()) < tolerance &&
                     std::abs(pixel.green() - colour.green()) < tolerance &&
                     std::abs(pixel.blue() - colour.blue()) < tolerance;
        }
    return count;
}

// Polls `condition`, for up to `seconds`: the application's state is in another process.
bool eventually(const std::function<bool()>& condition, int seconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QThread::msleep(100);
    }
    return true;
}

// Takes screenshots until one shows what `seen` looks for, for up to `seconds`; the last.
QImage screenshotWhen(const std::function<bool(const QImage&)>& seen, int seconds) {
    QImage shot;
    eventually([&] { return seen(shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage()); }, seconds);
    return shot;
}

// Starts the program with its accessibility on and in English; the window's id once mapped
// (XSetInputFocus needs a viewable window) and focused, or empty.
QString startApplication(QProcess& app) {
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON"), QStringLiteral("1"));
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    app.setProcessEnvironment(environment);
    app.start(QStringLiteral(WAYFARER_APP), {});
    QString window;
    if (!app.waitForStarted() || !xdotool({"search", "--sync", "--onlyvisible", "--name", "^Wayfarer$"}, &window) ||
        !xdotool({"windowfocus", "--sync", window}))
        return {};
    return window;
}

// What a screen reader reads of one element over AT-SPI.
struct Element {
    QString role;  // AT-SPI's role name: "push button", "check box"
    QString name;
    bool checked = false;
};

// The AT-SPI bus (org.a11y.Bus on the session bus) and an application's showing elements, depth first.
class ScreenReader {
public:
    bool connect() {
        const QDBusMessage reply = QDBusConnection::sessionBus().call(QDBusMessage::createMethodCall(
            "org.a11y.Bus", "/org/a11y/bus", "org.a11y.Bus", "GetAddress"));
        if (reply.type() != QDBusMessage::ReplyMessage)
            return false;
        bus_ = QDBusConnection::connectToBus(reply.arguments().value(0).toString(), "a11y");
        return bus_.isConnected();
    }

    // The elements shown by the application called `name`; none while it is not on the bus.
    std::vector<Element> shownElements(const QString& name) {
        std::vector<Element> elements;
        for (const auto& [service, path] : children("org.a11y.atspi.Registry", "/org/a11y/atspi/accessible/root"))
            if (property(service, path, "Name") == name)
                collect(service, path, elements);
        return elements;
    }

private:
    static constexpr int showingState = 25;  // ATSPI_STATE_SHOWING
    static constexpr int checkedState = 4;   // ATSPI_STATE_CHECKED

    QDBusMessage call(const QString& service, const QString& path, const QString& interface, const QString& method,
                      const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(service, path, interface, method);
        message.setArguments(arguments);
        return bus_.call(message, QDBus::Block, 5000);
    }
    std::vector<std::pair<QString, QString>> children(const QString& service, const QString& path) {
        std::vector<std::pair<QString, QString>> found;
        const QDBusMessage reply = call(service, path, "org.a11y.atspi.Accessible", "GetChildren");
        if (reply.type() != QDBusMessage::ReplyMessage)
            return found;
        const auto list = reply.arguments().value(0).value<QDBusArgument>();
        list.beginArray();
        while (!list.atEnd()) {
            QString childService;
            QDBusObjectPath childPath;
            list.beginStructure();
            list >> childService >> childPath;
            list.endStructure();
            found.emplace_back(childService, childPath.path());
        }
        list.endArray();
        return found;
    }
    QString property(const QString& service, const QString& path, const QString& name) {
        const QDBusMessage reply = call(service, path, "org.freedesktop.DBus.Properties", "Get",
                                        {QStringLiteral("org.a11y.atspi.Accessible"), name});
        return reply.arguments().value(0).value<QDBusVariant>().variant().toString();
    }
    void collect(const QString& service, const QString& path, std::vector<Element>& elements) {
        const QDBusMessage states = call(service, path, "org.a11y.atspi.Accessible", "GetState");
        const auto words = qdbus_cast<QList<uint>>(states.arguments().value(0));
        const auto has = [&](int state) { return words.size() == 2 && (words[state / 32] >> (state % 32)) & 1u; };
        if (!has(showingState))
            return;
        const QDBusMessage role = call(service, path, "org.a11y.atspi.Accessible", "GetRoleName");
        elements.push_back({role.arguments().value(0).toString(), property(service, path, "Name"), has(checkedState)});
        for (const auto& [childService, childPath] : children(service, path))
            collect(childService, childPath, elements);
    }

    QDBusConnection bus_{QString()};
};

// The keys open the search and show the cards, drawn by xcb; every heart is a check box over
// AT-SPI, checked exactly when liked, also from the keyboard.
TEST(EndToEnd, TheKeysShowTheCardsAndAScreenReaderHearsEveryHeartAsAToggleCheckedWhenLiked) {
    if (!haveDisplay || sessionBus.isEmpty())
        GTEST_SKIP() << "Xvfb, xdotool or dbus-daemon is missing";
    ScreenReader reader;
    if (!reader.connect())
        GTEST_SKIP() << "no AT-SPI bus: at-spi2-core is missing";
    QProcess app;
    const QString window = startApplication(app);
    ASSERT_FALSE(window.isEmpty()) << "no Wayfarer window appeared";
    const QString application = QStringLiteral("Wayfarer");  // its name over AT-SPI
    ASSERT_TRUE(eventually([&] { return !reader.shownElements(application).empty(); }, 10)) << "not on the AT-SPI bus";

    const auto hearts = [&] {
        std::vector<Element> found;
        for (const Element& element : reader.shownElements(application))
            if (element.name == "Like" || element.name == "Unlike")
                found.push_back(element);
        return found;
    };
    // Each heart a check box, checked exactly at the `liked` ones of those shown.
    const auto heartsAre = [&](const std::vector<bool>& liked) {
        const std::vector<Element> shown = hearts();
        if (shown.size() < liked.size())
            return false;
        for (std::size_t i = 0; i < shown.size(); ++i)
            if (shown[i].role != "check box" || shown[i].checked != (i < liked.size() && liked[i]))
                return false;
        return true;
    };
    const auto keys = [&](const QStringList& names) {
        for (const QString& name : names)
            EXPECT_TRUE(xdotool({"key", "--window", window, name})) << name.toStdString();
    };
    keys({"Return"});
    ASSERT_TRUE(xdotool({"type", "--window", window, "--delay", "60", "rome"}));
    EXPECT_TRUE(eventually([&] { return heartsAre({false, false}); }, 15)) << "no cards with unliked hearts";
    const QColor amber(255, 196, 96);  // the strip of every result card
    const QImage shot = screenshotWhen([&](const QImage& image) { return pixelsLike(image, amber) > 200; }, 15);
    shot.save(QDir(QStringLiteral(WAYFARER_SCREENSHOT_DIR)).filePath(QStringLiteral("xvfb-results.png")));
    EXPECT_GT(pixelsLike(shot, amber), 200) << "no result cards drawn after typing \"rome\"";

    // The second card's heart, liked from the keyboard; then its detail.
    keys({"Down", "Down", "Tab", "space"});
    EXPECT_TRUE(eventually([&] { return heartsAre({false, true}); }, 10)) << "the liked heart is not checked";
    EXPECT_EQ(hearts().at(1).name, "Unlike");
    keys({"Up", "Down", "Return"});
    EXPECT_TRUE(eventually([&] { return hearts().size() == 1 && heartsAre({true}); }, 10))
        << "the detail's heart is not a checked toggle";
    keys({"Escape"});
    EXPECT_TRUE(eventually([&] { return hearts().size() > 1 && heartsAre({false, true}); }, 10));
    app.terminate();
    if (!app.waitForFinished(5000))
        app.kill();
}

TEST(Program, TheTourLeavesItsPicturesInTheAppearanceAskedFor) {
    struct Case {
        const char* appearance;
        double minimumWhite;  // of the screens after the welcome screen
        double maximumWhite;
    };
    for (const Case c : {Case{"light", 0.05, 1.0}, Case{"dark", 0.0, 0.04}}) {
        SCOPED_TRACE(c.appearance);
        const QDir directory(QDir(QStringLiteral(WAYFARER_SCREENSHOT_DIR)).filePath(QStringLiteral("tour-") + c.appearance));
        QDir(directory).removeRecursively();
        QProcess app;
        app.start(QStringLiteral(WAYFARER_APP), {"--appearance", c.appearance, "--tour", directory.path()});
        ASSERT_TRUE(app.waitForFinished(120000));
        ASSERT_EQ(app.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(app.exitCode(), 0) << app.readAllStandardError().toStdString();
        for (const char* name :
             {"2-results", "3-next-page", "4-like", "5-detail", "6-error", "7-no-results", "8-wide"}) {
            SCOPED_TRACE(name);
            const QImage picture(directory.filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
            ASSERT_FALSE(picture.isNull());
            // The share of pixels white, or nearly.
            const double white = 4.0 * pixelsLike(picture, QColor(248, 248, 248), 8) / (picture.width() * picture.height());
            EXPECT_GE(white, c.minimumWhite);
            EXPECT_LE(white, c.maximumWhite) << "a white box is left in the dark";
        }
    }
}

}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QDir().mkpath(QStringLiteral(WAYFARER_SCREENSHOT_DIR));
    QProcess xvfb;
    haveDisplay = !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
                  !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
    if (haveDisplay) {
        // Xvfb picks a free display and writes its number once it accepts connections.
        xvfb.start(QStringLiteral("Xvfb"), {"-displayfd", "1", "-screen", "0", "480x900x24", "-nolisten", "tcp"});
        const bool ready = xvfb.waitForReadyRead(10000);
        const QByteArray number = xvfb.readAllStandardOutput().trimmed();
        haveDisplay = ready && !number.isEmpty();
        qputenv("DISPLAY", ":" + number);
    }
    // A session bus of its own, and an XDG_RUNTIME_DIR for the AT-SPI bus's socket.
    const QTemporaryDir runtime;
    QProcess bus;
    if (haveDisplay && runtime.isValid() && !QStandardPaths::findExecutable(QStringLiteral("dbus-daemon")).isEmpty()) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
        bus.start(QStringLiteral("dbus-daemon"), {"--session", "--nofork", "--print-address=1"});
        if (bus.waitForReadyRead(10000))
            sessionBus = QString::fromLocal8Bit(bus.readLine()).trimmed();
        if (!sessionBus.isEmpty())
            qputenv("DBUS_SESSION_BUS_ADDRESS", sessionBus.toLocal8Bit());
    }
    qputenv("QT_QPA_PLATFORM", haveDisplay ? "xcb" : "offscreen");
    int status = 0;
    {
        QGuiApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    for (QProcess* process : {&bus, &xvfb}) {
        process->terminate();
        process->waitForFinished(5000);
    }
    return status;
}
