// The whole application in a real X server: Xvfb runs the display, xdotool presses the
// keys a user would, and a screenshot of the display says what the user saw. The program's
// own options are tested here too, on that display or off screen.
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

QString display;

// Runs xdotool with `arguments` on the test's display; whether it succeeded.
bool xdotool(const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(15000))
        return false;
    if (output)
        *output = QString::fromLocal8Bit(process.readAllStandardOutput()).trimmed();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

// Pixels of the screen close to `colour`.
int pixelsLike(const QImage& image, QColor colour) {
    int count = 0;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2) {
            const QColor pixel = image.pixelColor(x, y);
            if (std::abs(pixel.red() - colour.red()) < 6 && std::abs(pixel.green() - colour.green()) < 6 &&
                std::abs(pixel.blue() - colour.blue()) < 6)
                ++count;
        }
    return count;
}

QImage screenshot() { return QGuiApplication::primaryScreen()->grabWindow(0).toImage(); }

// Takes screenshots until one shows what `seen` looks for, for up to `seconds`; the last.
QImage screenshotWhen(const std::function<bool(const QImage&)>& seen, int seconds) {
    QElapsedTimer clock;
    clock.start();
    QImage shot = screenshot();
    while (!seen(shot) && clock.elapsed() < seconds * 1000) {
        QThread::msleep(200);
        shot = screenshot();
    }
    return shot;
}

TEST(EndToEnd, TheKeysOfAUserOpenTheSearchAndShowTheResults) {
    if (display.isEmpty())
        GTEST_SKIP() << "Xvfb or xdotool is missing";
    QProcess app;
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(QStringLiteral(WAYFARER_APP), {});
    ASSERT_TRUE(app.waitForStarted());

    QString window;
    ASSERT_TRUE(xdotool({"search", "--sync", "--name", "^Wayfarer$"}, &window)) << "no Wayfarer window appeared";
    window = window.section(u'\n', 0, 0);
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
    const QColor coral(255, 110, 91);  // the welcome title, and the prices of the cards
    const QImage welcome = screenshotWhen([&](const QImage& shot) { return pixelsLike(shot, coral) > 20; }, 10);
    ASSERT_GT(pixelsLike(welcome, coral), 20) << "the welcome screen was never drawn";
    const QColor amber(255, 196, 96);  // the strip of every result card
    EXPECT_EQ(pixelsLike(welcome, amber), 0) << "the welcome screen shows no cards";

    // The search button holds the focus: Return opens the results, whose field takes the
    // keys. The empty results screen is mostly white, where the welcome screen is a picture.
    ASSERT_TRUE(xdotool({"key", "--window", window, "Return"}));
    const QColor white(255, 255, 255);
    const QImage opened = screenshotWhen([&](const QImage& shot) { return pixelsLike(shot, white) > 40000; }, 10);
    ASSERT_GT(pixelsLike(opened, white), 40000) << "Return opened no results screen";
    ASSERT_TRUE(xdotool({"type", "--window", window, "--delay", "60", "rome"}));

    const QImage shot = screenshotWhen([&](const QImage& image) { return pixelsLike(image, amber) > 200; }, 15);
    shot.save(QDir(QStringLiteral(WAYFARER_SCREENSHOT_DIR)).filePath(QStringLiteral("xvfb-results.png")));
    EXPECT_GT(pixelsLike(shot, amber), 200) << "no result cards after typing \"rome\"";
    EXPECT_GT(pixelsLike(shot, coral), 100) << "no coral strip or prices";

    // Escape goes back to the welcome screen.
    ASSERT_TRUE(xdotool({"key", "--window", window, "Escape"}));
    EXPECT_EQ(pixelsLike(screenshotWhen([&](const QImage& image) { return pixelsLike(image, amber) == 0; }, 5), amber), 0);

    app.terminate();
    if (!app.waitForFinished(5000))
        app.kill();
}

// The share of `image`'s pixels that are white, or nearly.
double whiteShare(const QImage& image) {
    int white = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            white += pixel.red() > 240 && pixel.green() > 240 && pixel.blue() > 240 ? 1 : 0;
        }
    return double(white) / (image.width() * image.height());
}

TEST(Program, TheTourLeavesItsPicturesInTheAppearanceAskedFor) {
    struct Case {
        const char* appearance;
        double minimumWhite;  // of the screens after the welcome screen
        double maximumWhite;
    };
    for (const Case c : {Case{"light", 0.05, 1.0}, Case{"dark", 0.0, 0.04}}) {
        SCOPED_TRACE(c.appearance);
        const QString directory = QDir(QStringLiteral(WAYFARER_SCREENSHOT_DIR)).filePath(QStringLiteral("tour-") + c.appearance);
        QDir(directory).removeRecursively();
        QProcess app;
        app.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        app.start(QStringLiteral(WAYFARER_APP), {"--appearance", c.appearance, "--tour", directory});
        ASSERT_TRUE(app.waitForFinished(120000));
        ASSERT_EQ(app.exitCode(), 0);
        for (const char* name : {"2-results", "3-next-page", "4-like", "5-detail", "6-error"}) {
            SCOPED_TRACE(name);
            const QImage picture(QDir(directory).filePath(QString::fromLatin1(name) + QStringLiteral(".png")));
            ASSERT_FALSE(picture.isNull());
            const double white = whiteShare(picture);
            EXPECT_GE(white, c.minimumWhite);
            EXPECT_LE(white, c.maximumWhite) << "a white box is left in the dark";
        }
    }
}

TEST(Program, AnAppearanceOtherThanLightDarkOrSystemIsAUsageError) {
    for (const char* wrong : {"dim", "Dark", ""}) {
        SCOPED_TRACE(wrong);
        QProcess app;
        app.start(QStringLiteral(WAYFARER_APP), {"--appearance", wrong, "--tour", "/nonexistent"});
        ASSERT_TRUE(app.waitForFinished(30000));
        EXPECT_EQ(app.exitCode(), 2);
        EXPECT_TRUE(app.readAllStandardError().contains("--appearance takes light, dark or system"));
    }
}

}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    QDir().mkpath(QStringLiteral(WAYFARER_SCREENSHOT_DIR));
    std::unique_ptr<QProcess> xvfb;
    const bool tools = !QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty() &&
                       !QStandardPaths::findExecutable(QStringLiteral("xdotool")).isEmpty();
    if (tools) {
        // A display number no other server holds.
        int number = 90;
        while (QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) ||
               QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)))
            ++number;
        display = QStringLiteral(":%1").arg(number);
        xvfb = std::make_unique<QProcess>();
        xvfb->start(QStringLiteral("Xvfb"), {display, "-screen", "0", "480x900x24", "-nolisten", "tcp"});
        QElapsedTimer clock;
        clock.start();
        while (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(number)) && clock.elapsed() < 10000)
            QThread::msleep(50);
        qputenv("DISPLAY", display.toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int status = 0;
    {
        QGuiApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    if (xvfb) {
        xvfb->terminate();
        xvfb->waitForFinished(5000);
    }
    return status;
}
