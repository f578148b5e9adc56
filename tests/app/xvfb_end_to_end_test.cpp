// The whole program: in a real X server (Xvfb) with the keys a user would press (xdotool)
// and screenshots of what the user saw, and its own options, on that display or off screen.
#include <QDir>
#include <QElapsedTimer>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>
#include <QThread>

#include <gtest/gtest.h>

#include <functional>

namespace {

bool haveDisplay = false;

// Whether it succeeded; `output` gets the first line it printed.
bool xdotool(const QStringList& arguments, QString* output = nullptr) {
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForFinished(15000))
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

// Takes screenshots until one shows what `seen` looks for, for up to `seconds`; the last.
QImage screenshotWhen(const std::function<bool(const QImage&)>& seen, int seconds) {
    QElapsedTimer clock;
    clock.start();
    QImage shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    while (!seen(shot) && clock.elapsed() < seconds * 1000) {
        QThread::msleep(200);
        shot = QGuiApplication::primaryScreen()->grabWindow(0).toImage();
    }
    return shot;
}

TEST(EndToEnd, TheKeysOfAUserOpenTheSearchAndShowTheResults) {
    if (!haveDisplay)
        GTEST_SKIP() << "Xvfb or xdotool is missing";
    QProcess app;
    app.setProcessChannelMode(QProcess::ForwardedChannels);
    app.start(QStringLiteral(WAYFARER_APP), {});
    ASSERT_TRUE(app.waitForStarted());
    QString window;
    ASSERT_TRUE(xdotool({"search", "--sync", "--name", "^Wayfarer$"}, &window)) << "no Wayfarer window appeared";
    ASSERT_TRUE(xdotool({"windowfocus", "--sync", window}));
    const QColor coral(255, 110, 91);  // the welcome title, and the prices of the cards
    const QColor amber(255, 196, 96);  // the strip of every result card
    const QImage welcome = screenshotWhen([&](const QImage& shot) { return pixelsLike(shot, coral) > 20; }, 10);
    ASSERT_GT(pixelsLike(welcome, coral), 20) << "the welcome screen was never drawn";
    EXPECT_EQ(pixelsLike(welcome, amber), 0) << "the welcome screen shows no cards";

    // Return on the search button opens the results, mostly white where the welcome is a
    // picture, and its field takes the keys.
    ASSERT_TRUE(xdotool({"key", "--window", window, "Return"}));
    const QColor white(255, 255, 255);
    const QImage opened = screenshotWhen([&](const QImage& shot) { return pixelsLike(shot, white) > 40000; }, 10);
    ASSERT_GT(pixelsLike(opened, white), 40000) << "Return opened no results screen";
    ASSERT_TRUE(xdotool({"type", "--window", window, "--delay", "60", "rome"}));
    const QImage shot = screenshotWhen([&](const QImage& image) { return pixelsLike(image, amber) > 200; }, 15);
    shot.save(QDir(QStringLiteral(WAYFARER_SCREENSHOT_DIR)).filePath(QStringLiteral("xvfb-results.png")));
    EXPECT_GT(pixelsLike(shot, amber), 200) << "no result cards after typing \"rome\"";
    EXPECT_GT(pixelsLike(shot, coral), 100) << "no coral strip or prices";

    ASSERT_TRUE(xdotool({"key", "--window", window, "Escape"}));
    const QImage back = screenshotWhen([&](const QImage& image) { return pixelsLike(image, amber) == 0; }, 5);
    EXPECT_EQ(pixelsLike(back, amber), 0) << "Escape left the results";
    app.terminate();
    if (!app.waitForFinished(5000))
        app.kill();
}

TEST(Program, TheTourLeavesItsPicturesInTheAppearanceAskedForAndAnyOtherIsAUsageError) {
    struct Case {
        const char* appearance;
        int exitCode;
        double minimumWhite;  // of the screens after the welcome screen
        double maximumWhite;
    };
    for (const Case c : {Case{"light", 0, 0.05, 1.0}, Case{"dark", 0, 0.0, 0.04}, Case{"dim", 2, 0, 0},
                         Case{"Dark", 2, 0, 0}, Case{"", 2, 0, 0}}) {
        SCOPED_TRACE(c.appearance);
        const QDir directory(QDir(QStringLiteral(WAYFARER_SCREENSHOT_DIR)).filePath(QStringLiteral("tour-") + c.appearance));
        QDir(directory).removeRecursively();
        QProcess app;
        app.start(QStringLiteral(WAYFARER_APP), {"--appearance", c.appearance, "--tour", directory.path()});
        ASSERT_TRUE(app.waitForFinished(120000));
        ASSERT_EQ(app.exitStatus(), QProcess::NormalExit);
        ASSERT_EQ(app.exitCode(), c.exitCode) << app.readAllStandardError().toStdString();
        if (c.exitCode != 0) {
            EXPECT_TRUE(app.readAllStandardError().contains("--appearance takes light, dark or system"));
            continue;
        }
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
    qputenv("QT_QPA_PLATFORM", haveDisplay ? "xcb" : "offscreen");
    int status = 0;
    {
        QGuiApplication application(argc, argv);
        status = RUN_ALL_TESTS();
    }
    xvfb.terminate();
    xvfb.waitForFinished(5000);
    return status;
}
