#include "qt_test_support.h"
#include "ui/activity_indicator_view.h"
#include "ui/button.h"
#include "ui/color.h"
#include "ui/environment.h"
#include "ui/image.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/nib.h"
#include "ui/qt_main_queue.h"
#include "ui/text_size.h"
#include "ui/view.h"

#include <QAccessible>
#include <QBoxLayout>

#include <QApplication>
#include <QPainter>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace wayfarer::ui {
namespace {

class Target : public QObject {
public:
    void tapped(Button* sender) { senders.push_back(sender->tag()); }
    void other() { ++others; }
    std::vector<int> senders;
    int others = 0;
};

TEST(Button, BindingTheSameTargetAndActionTwiceBindsOnce) {
    Button button;
    button.resize(100, 40);
    button.setTag(7);
    Target target;
    button.addTarget(&target, &Target::tapped, ControlEvent::touchUpInside);
    button.addTarget(&target, &Target::tapped, ControlEvent::touchUpInside);
    button.addTarget(&target, &Target::other, ControlEvent::touchUpInside);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(target.senders, (std::vector<int>{7}));
    EXPECT_EQ(target.others, 1);

    Target second;
    button.addTarget(&second, &Target::tapped, ControlEvent::touchUpInside);
    button.removeTarget(&target, &Target::other, ControlEvent::touchUpInside);
    button.sendActions(ControlEvent::touchUpInside);
    EXPECT_EQ(target.senders, (std::vector<int>{7, 7}));
    EXPECT_EQ(target.others, 1);
    EXPECT_EQ(second.senders, (std::vector<int>{7}));
}

TEST(Button, ReleaseOutsideIsNoTapAndADestroyedTargetIsDropped) {
    Button button;
    button.resize(100, 40);
    button.show();
    auto target = std::make_unique<Target>();
    button.addTarget(target.get(), &Target::other, ControlEvent::touchUpInside);
    QTest::mousePress(&button, Qt::LeftButton, {}, QPoint(10, 10));
    QTest::mouseRelease(&button, Qt::LeftButton, {}, QPoint(300, 300));
    EXPECT_EQ(target->others, 0);
    target.reset();
    EXPECT_EQ(button.actionCount(ControlEvent::touchUpInside), 0u);
    button.sendActions(ControlEvent::touchUpInside);  // must not reach the destroyed target
}

TEST(Button, AToggleKeepsTheStateItsOwnerSetsAndAReaderPressesItAsAClick) {
    Button heart;
    heart.resize(44, 44);
    Target target;
    heart.addTarget(&target, &Target::other, ControlEvent::touchUpInside);
    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&heart);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::Button);
    EXPECT_FALSE(reader->state().checkable) << "a plain button is no toggle";
    EXPECT_TRUE(reader->actionInterface()->actionNames().contains(QAccessibleActionInterface::pressAction()));

    heart.setSelected(true);
    heart.setAccessibleName(QStringLiteral("Unlike"));
    QTest::mouseClick(&heart, Qt::LeftButton);
    EXPECT_EQ(target.others, 1);
    EXPECT_TRUE(heart.isSelected()) << "a click leaves the state to the owner";
    EXPECT_TRUE(reader->state().checkable);
    EXPECT_TRUE(reader->state().checked);
    EXPECT_EQ(reader->text(QAccessible::Name), QStringLiteral("Unlike"));
    reader->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(target.others, 2) << "the reader's toggle runs the button's actions";
    EXPECT_TRUE(heart.isSelected());

    Button titled;
    titled.setTitle(QStringLiteral("Back"));
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&titled)->text(QAccessible::Name), QStringLiteral("Back"));
}

TEST(Button, ATitleWiderThanTheButtonWrapsAndTheButtonGrowsInALayout) {
    struct Case {
        int width;
        bool wraps;
    };
    for (const Case c : {Case{400, false}, Case{140, true}}) {
        SCOPED_TRACE(c.width);
        QWidget column;
        auto* layout = new QVBoxLayout(&column);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* button = new Button(&column);
        button->setTitle(QStringLiteral("Search the sights of the city"));
        button->setImage(Image::fromSvg("<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24'/>"));
        layout->addWidget(button);
        layout->addStretch();
        column.resize(c.width, 300);
        column.show();
        const int oneLine = button->sizeHint().height();
        if (c.wraps)
            EXPECT_GE(button->height(), 2 * QFontMetrics(button->font()).height() + 4) << "two lines at least";
        else
            EXPECT_EQ(button->height(), oneLine);
        EXPECT_EQ(button->width(), c.width) << "the button keeps to its column";
    }
}

TEST(Label, AbsentTextShowsNothing) {
    Label label;
    label.setText(QStringLiteral("Colosseum"));
    EXPECT_EQ(label.text(), QStringLiteral("Colosseum"));
    label.setText(std::nullopt);
    EXPECT_EQ(label.text(), std::nullopt);
    EXPECT_TRUE(label.QLabel::text().isEmpty());
}

TEST(ImageView, ContentModesPlaceTheImage) {
    struct Case {
        ContentMode mode;
        QSizeF image;
        QRectF expected;
    };
    const QRectF bounds(0, 0, 200, 100);
    const std::vector<Case> cases = {
        {ContentMode::scaleToFill, {50, 50}, bounds},
        {ContentMode::scaleAspectFit, {50, 50}, {50, 0, 100, 100}},
        {ContentMode::scaleAspectFit, {400, 100}, {0, 25, 200, 50}},
        {ContentMode::scaleAspectFill, {50, 50}, {0, -50, 200, 200}},
        {ContentMode::center, {40, 20}, {80, 40, 40, 20}},
        {ContentMode::center, {400, 20}, {-100, 40, 400, 20}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(imageRect(bounds, c.image, c.mode), c.expected) << static_cast<int>(c.mode);
}

std::optional<Image> solid(const QColor& color) {
    QImage image(8, 8, QImage::Format_ARGB32);
    image.fill(color);
    return Image::fromQImage(image);
}

TEST(ImageView, AnimationCyclesThroughTheImagesUntilItsRepeatCount) {
    using namespace std::chrono_literals;
    const struct {
        int repeatCount;
        std::vector<std::size_t> frames;  // every 50 ms of the 300 ms cycle of three images
    } cases[] = {
        {0, {0, 0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0}},
        {1, {0, 0, 1, 1, 2, 2}},
    };
    testing::AnimationClock clock;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.repeatCount);
        ImageView view;
        view.setAnimationImages({*solid(Qt::red), *solid(Qt::green), *solid(Qt::blue)});
        view.setAnimationDuration(0.3);
        view.setAnimationRepeatCount(c.repeatCount);
        EXPECT_FALSE(view.currentAnimationFrame());
        view.startAnimating();
        std::vector<std::size_t> seen;
        while (const auto frame = view.currentAnimationFrame()) {
            seen.push_back(*frame);
            if (seen.size() == 13)
                break;
            clock.advance(50ms);
        }
        EXPECT_EQ(seen, c.frames);
        EXPECT_EQ(view.isAnimating(), c.repeatCount == 0);
        view.stopAnimating();
        EXPECT_FALSE(view.currentAnimationFrame());
    }
}

TEST(Image, ARenderingInTheBackgroundIsDrawnOnceReadyAndCalledForOnce) {
    std::atomic<int> renderings = 0;
    std::atomic<bool> renderedOnWorker = false;
    const QThread* gui = QThread::currentThread();
    const Image picture = Image::fromRenderer(
        QSizeF(40, 20),
        [&](QSize pixels) {
            ++renderings;
            renderedOnWorker = QThread::currentThread() != gui;
            QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::red);
            return image;
        },
        Image::Rendering::inBackground);
    QImage canvas(40, 20, QImage::Format_ARGB32_Premultiplied);
    canvas.fill(Qt::transparent);
    bool readyOnGui = false;
    const auto draw = [&] {
        QPainter painter(&canvas);
        picture.draw(painter, QRectF(0, 0, 40, 20), [&] { readyOnGui = QThread::currentThread() == gui; });
    };
    draw();
    draw();  // asked again while it renders: still one rendering
    EXPECT_EQ(canvas.pixelColor(20, 10).alpha(), 0) << "nothing is drawn before the picture is ready";
    ASSERT_TRUE(QTest::qWaitFor([&] { return readyOnGui; }));
    EXPECT_TRUE(renderedOnWorker);
    draw();
    EXPECT_EQ(canvas.pixelColor(20, 10), QColor(Qt::red));
    EXPECT_EQ(renderings, 1);

    // A second size (the detail screen's picture of a card's cover) keeps the first.
    QImage larger(80, 40, QImage::Format_ARGB32_Premultiplied);
    readyOnGui = false;
    {
        QPainter painter(&larger);
        picture.draw(painter, QRectF(0, 0, 80, 40), [&] { readyOnGui = true; });
    }
    ASSERT_TRUE(QTest::qWaitFor([&] { return readyOnGui; }));
    canvas.fill(Qt::transparent);
    draw();
    EXPECT_EQ(canvas.pixelColor(20, 10), QColor(Qt::red)) << "the first size is still at hand";
    EXPECT_EQ(renderings, 2);
}

TEST(Image, AFailedRenderingIsNeverAskedForAgainAndAnEmptySizeIsNeverRendered) {
    for (const auto rendering : {Image::Rendering::whenDrawn, Image::Rendering::inBackground}) {
        std::atomic<int> renderings = 0;
        const Image picture = Image::fromRenderer(
            QSizeF(40, 20), [&](QSize) { ++renderings; return QImage(); }, rendering);
        QImage canvas(80, 40, QImage::Format_ARGB32_Premultiplied);
        int repaintsAsked = 0;
        // Painted again at the same size and at others: the pixels are not there at any.
        for (const QRectF target : {QRectF(0, 0, 40, 20), QRectF(0, 0, 40, 20), QRectF(0, 0, 80, 40)}) {
            {
                QPainter painter(&canvas);
                picture.draw(painter, target, [&] { ++repaintsAsked; });
            }
            Image::waitForBackgroundRendering();
            QCoreApplication::processEvents();
        }
        EXPECT_TRUE(picture.toQImage(QSize(40, 20)).isNull());
        EXPECT_EQ(renderings, 1) << "rendered " << (rendering == Image::Rendering::whenDrawn ? "when drawn" : "in the background");
        EXPECT_EQ(repaintsAsked, 0) << "nothing is ready to be drawn";
    }

    std::atomic<int> renderings = 0;
    const Image picture = Image::fromRenderer(QSizeF(40, 20), [&](QSize pixels) {
        ++renderings;
        QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::red);
        return image;
    });
    for (const QSize empty : {QSize(0, 0), QSize(0, 20), QSize(40, 0), QSize(-1, -1)})
        EXPECT_TRUE(picture.toQImage(empty).isNull()) << empty.width() << " x " << empty.height();
    EXPECT_EQ(renderings, 0);
    EXPECT_FALSE(picture.toQImage(QSize(4, 2)).isNull()) << "an empty size is no failure of the picture";
}

TEST(ActivityIndicator, HidesWhenStoppedAndUsesTheOlderStyleBeforeVersion13) {
    View parent;
    auto* indicator = new ActivityIndicatorView(QRect(0, 0, 100, 100), &parent);
    parent.show();
    EXPECT_FALSE(indicator->isVisible());
    indicator->startAnimating();
    EXPECT_TRUE(indicator->isVisible());
    indicator->stopAnimating();
    EXPECT_FALSE(indicator->isVisible());

    indicator->setStyle(ActivityIndicatorStyle::medium);
    EXPECT_EQ(indicator->effectiveStyle(), ActivityIndicatorStyle::medium);
    setPlatformVersion(12);
    EXPECT_EQ(indicator->effectiveStyle(), ActivityIndicatorStyle::gray);
    setPlatformVersion(13);
}

TEST(View, AutoresizingFollowsTheParentsSize) {
    struct Case {
        AutoresizingMask mask;
        QRect after;
    };
    const std::vector<Case> cases = {
        {Autoresizing::flexibleWidth | Autoresizing::flexibleHeight, {10, 10, 280, 180}},
        {Autoresizing::none, {10, 10, 80, 80}},
        {Autoresizing::flexibleLeftMargin | Autoresizing::flexibleTopMargin, {210, 110, 80, 80}},
        {Autoresizing::flexibleWidth | Autoresizing::flexibleBottomMargin, {10, 10, 280, 80}},
        {Autoresizing::flexibleLeftMargin | Autoresizing::flexibleRightMargin, {110, 10, 80, 80}},
    };
    for (const auto& c : cases) {
        View parent;
        parent.resize(100, 100);
        auto* child = new View(&parent);
        child->setFrame({10, 10, 80, 80});
        child->setAutoresizingMask(c.mask);
        parent.show();
        parent.resize(300, 200);
        EXPECT_EQ(child->frame(), c.after) << c.mask.toInt();
    }
}

TEST(View, InterfaceFilesGiveButtonsAndLabelsTheirAutoresizingToo) {
    View parent;
    parent.resize(100, 100);
    auto* button = new Button(&parent);
    auto* label = new Label(&parent);
    for (QWidget* child : {static_cast<QWidget*>(button), static_cast<QWidget*>(label)}) {
        child->setGeometry(10, 10, 80, 20);
        // As the interface loader sets it.
        child->setProperty("autoresizingMask", int(Autoresizing::flexibleWidth | Autoresizing::flexibleTopMargin));
    }
    parent.show();
    parent.resize(300, 200);
    EXPECT_EQ(button->geometry(), QRect(10, 110, 280, 20));
    EXPECT_EQ(label->geometry(), QRect(10, 110, 280, 20));
}

TEST(Color, SystemColoursFollowTheAppearanceFromVersion13) {
    const QPalette original = QApplication::palette();
    QPalette dark = original;
    dark.setColor(QPalette::Window, QColor(30, 30, 30));
    View screen;
    Label& label = *new Label(&screen);
    label.setTextColor(Color::label());
    EXPECT_EQ(label.palette().color(QPalette::WindowText), QColor(0, 0, 0));

    QApplication::setPalette(dark);
    label.setText(QStringLiteral("Rome"));
    label.resize(80, 30);
    const QImage drawn = label.grab().toImage();
    const QColor labelInDark = label.palette().color(QPalette::WindowText);
    EXPECT_EQ(labelInDark, QColor(255, 255, 255)) << "labels follow a change of appearance";
    bool lightText = false;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x)
            lightText = lightText || drawn.pixelColor(x, y).lightness() > 200;
    EXPECT_TRUE(lightText);
    EXPECT_EQ(Color::systemBackground().resolved(), QColor(0, 0, 0));
    EXPECT_EQ(Color::white().resolved(), QColor(255, 255, 255));
    setPlatformVersion(12);
    EXPECT_EQ(Color::systemBackground().resolved(), QColor(255, 255, 255));
    setPlatformVersion(13);
    QApplication::setPalette(original);
    EXPECT_EQ(Color::systemBackground().resolved(), QColor(255, 255, 255));
    EXPECT_NEAR(Color::secondaryLabel().withAlphaComponent(0.1).resolved().alphaF(), 0.1, 0.001);
}

TEST(Appearance, APreferenceOverridesTheDesktopsAndInterfaceFilesGiveDarkVariants) {
    const auto nib = Nib::fromData(
        QStringLiteral("Themed"),
        "<ui version=\"4.0\"><widget class=\"wayfarer::ui::View\" name=\"card\">"
        "<property name=\"backgroundColor\"><color><red>255</red><green>255</green><blue>255</blue></color></property>"
        "<property name=\"darkBackgroundColor\"><color><red>28</red><green>28</green><blue>30</blue></color></property>"
        "<widget class=\"wayfarer::ui::Button\" name=\"close\">"
        "<property name=\"tintColor\"><color><red>72</red><green>72</green><blue>80</blue></color></property>"
        "<property name=\"darkTintColor\"><color><red>235</red><green>235</green><blue>245</blue></color></property>"
        "</widget><widget class=\"wayfarer::ui::Label\" name=\"caption\">"
        "<property name=\"textColor\"><color><red>142</red><green>142</green><blue>147</blue></color></property>"
        "</widget></widget></ui>");
    auto loaded = nib->instantiate();
    ASSERT_TRUE(loaded.ok()) << loaded.error().message.toStdString();
    auto* card = qobject_cast<View*>(loaded.value().get());
    auto* close = card->findChild<Button*>(QStringLiteral("close"));
    auto* caption = card->findChild<Label*>(QStringLiteral("caption"));

    struct Case {
        const char* name;
        std::optional<Appearance> shown;  // nothing: not a preference
    };
    const std::vector<Case> cases = {
        {"dark", Appearance::dark}, {"system", Appearance::light}, {"dark", Appearance::dark},
        {"light", Appearance::light}, {"Dark", std::nullopt}, {"", std::nullopt}, {"dim", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto preference = appearancePreferenceNamed(c.name);
        ASSERT_EQ(preference.has_value(), c.shown.has_value());
        if (!preference)
            continue;
        setAppearancePreference(*preference);
        const bool dark = *c.shown == Appearance::dark;
        EXPECT_EQ(currentAppearance(), *c.shown);
        EXPECT_EQ(QApplication::palette().color(QPalette::Text).lightness() > 128, dark) << "fields type in the palette's text";
        EXPECT_EQ(Color::label().resolved(), dark ? QColor(255, 255, 255) : QColor(0, 0, 0));
        EXPECT_EQ(card->backgroundColor().resolved(), dark ? QColor(28, 28, 30) : QColor(255, 255, 255));
        EXPECT_EQ(close->tintColor().resolved(), dark ? QColor(235, 235, 245) : QColor(72, 72, 80));
        EXPECT_EQ(caption->textColor().resolved(), QColor(142, 142, 147)) << "a colour without a dark variant stays";
    }
    setAppearancePreference(AppearancePreference::system);
}

TEST(TextSize, SizesInInterfaceFilesFollowTheApplicationsFont) {
    const QFont original = QApplication::font();
    const auto nib = Nib::fromData(
        QStringLiteral("Texts"),
        "<ui version=\"4.0\"><widget class=\"wayfarer::ui::View\" name=\"root\">"
        "<widget class=\"wayfarer::ui::Label\" name=\"sized\">"
        "<property name=\"font\"><font><pointsize>12</pointsize><bold>true</bold></font></property></widget>"
        "<widget class=\"wayfarer::ui::Label\" name=\"boldOnly\">"
        "<property name=\"font\"><font><bold>true</bold></font></property></widget>"
        "<widget class=\"wayfarer::ui::Label\" name=\"plain\"/>"
        "<widget class=\"wayfarer::ui::View\" name=\"group\">"
        "<property name=\"font\"><font><pointsize>12</pointsize></font></property>"
        "<widget class=\"wayfarer::ui::Label\" name=\"inheriting\"/>"
        "<widget class=\"wayfarer::ui::Label\" name=\"boldInGroup\">"
        "<property name=\"font\"><font><bold>true</bold></font></property></widget>"
        "</widget></widget></ui>");
    struct Case {
        double applicationPoints;  // the desktop's font when the file is loaded, then after
        double later;
    };
    for (const Case c : {Case{9, 13.5}, Case{13.5, 9}, Case{18, 9}}) {
        SCOPED_TRACE(c.applicationPoints);
        QFont font = original;
        font.setPointSizeF(c.applicationPoints);
        QApplication::setFont(font);
        auto loaded = nib->instantiate();
        ASSERT_TRUE(loaded.ok());
        QWidget& root = *loaded.value();
        const double scale = c.applicationPoints / standardTextPointSize;
        EXPECT_DOUBLE_EQ(root.findChild<Label*>("sized")->font().pointSizeF(), 12 * scale);
        EXPECT_TRUE(root.findChild<Label*>("sized")->font().bold());
        EXPECT_DOUBLE_EQ(root.findChild<Label*>("boldOnly")->font().pointSizeF(), c.applicationPoints)
            << "a file that gives no size leaves the application's, not scaled twice";
        EXPECT_DOUBLE_EQ(root.findChild<Label*>("plain")->font().pointSizeF(), c.applicationPoints);
        for (const char* inside : {"inheriting", "boldInGroup"})
            EXPECT_DOUBLE_EQ(root.findChild<Label*>(inside)->font().pointSizeF(), 12 * scale)
                << inside << ": the size of its group, scaled once";
        // The desktop's font changes after the file was loaded.
        font.setPointSizeF(c.later);
        QApplication::setFont(font);
        EXPECT_DOUBLE_EQ(root.findChild<Label*>("sized")->font().pointSizeF(), 12 * c.later / standardTextPointSize);
        EXPECT_TRUE(root.findChild<Label*>("sized")->font().bold());
    }
    QApplication::setFont(original);
}

TEST(QtMainQueue, RunsTasksFromAnyThreadOnTheGuiThreadInOrder) {
    QtMainQueue queue;
    std::vector<int> order;
    std::vector<bool> onGuiThread;
    std::thread worker([&] {
        for (int i = 0; i < 50; ++i)
            queue.post([&, i] {
                order.push_back(i);
                onGuiThread.push_back(QThread::currentThread() == qApp->thread());
            });
    });
    worker.join();
    ASSERT_TRUE(QTest::qWaitFor([&] { return order.size() == 50; }));
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(order[static_cast<std::size_t>(i)], i);
    EXPECT_EQ(std::count(onGuiThread.begin(), onGuiThread.end(), true), 50);
}

TEST(Controls, Screenshot) {
    View screen;
    screen.resize(300, 200);
    screen.setBackgroundColor(Color::systemBackground());
    auto* button = new Button(&screen);
    button->setFrame({20, 20, 260, 44});
    button->setTitle(QStringLiteral("Search attractions"));
    button->setBackgroundColor(Color(QColor(255, 110, 91)));
    button->setTintColor(Color::white());
    button->setCornerRadius(8);
    auto* label = new Label(&screen);
    label->setGeometry(20, 80, 260, 30);
    label->setText(QStringLiteral("A label in the secondary colour"));
    label->setTextColor(Color::secondaryLabel());
    auto* indicator = new ActivityIndicatorView(QRect(20, 120, 60, 60), &screen);
    indicator->setColor(Color::systemGray());
    indicator->startAnimating();
    auto* large = new ActivityIndicatorView(QRect(100, 120, 60, 60), &screen);
    large->setStyle(ActivityIndicatorStyle::large);
    large->setColor(Color::systemGray());
    large->startAnimating();
    screen.show();
    const QImage shot = testing::saveScreenshot(screen, QStringLiteral("controls"));
    EXPECT_EQ(shot.pixelColor(30, 30), QColor(255, 110, 91));
}

}
}
