#include "qt_test_support.h"
#include "ui/button.h"
#include "ui/color.h"
#include "ui/environment.h"
#include "ui/image.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/nib.h"
#include "ui/text_field.h"
#include "ui/text_size.h"
#include "ui/view.h"

#include <QAccessible>
#include <QApplication>
#include <QBoxLayout>
#include <QPainter>
#include <QTest>
#include <QThread>

#include <gtest/gtest.h>

#include <atomic>
#include <cmath>
#include <future>

namespace wayfarer::ui {
namespace {

class Target : public QObject {
public:
    void tapped(Button* sender) { senders.push_back(sender->tag()); }
    void other() { ++others; }
    std::vector<int> senders;
    int others = 0;
};

// Qt drops a destroyed target and ignores a release outside; a selected button is a toggle
// whose state only its owner changes.
TEST(Button, EachTargetAndActionRunsOncePerTapOrReaderAction) {
    Button button;
    button.resize(100, 40);
    button.setTag(7);
    button.show();
    Target target;
    button.addTarget(&target, &Target::tapped, ControlEvent::touchUpInside);
    button.addTarget(&target, &Target::tapped, ControlEvent::touchUpInside);
    button.addTarget(&target, &Target::other, ControlEvent::touchUpInside);
    QTest::mouseClick(&button, Qt::LeftButton);
    EXPECT_EQ(target.senders, (std::vector<int>{7}));
    EXPECT_EQ(target.others, 1);

    QAccessibleInterface* reader = QAccessible::queryAccessibleInterface(&button);
    ASSERT_NE(reader, nullptr);
    EXPECT_EQ(reader->role(), QAccessible::Button);
    EXPECT_FALSE(reader->state().checkable) << "a plain button is no toggle";
    reader->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    EXPECT_EQ(target.senders, (std::vector<int>{7, 7}));
    EXPECT_EQ(target.others, 2);
    button.setSelected(true);
    EXPECT_EQ(reader->role(), QAccessible::CheckBox) << "a toggle, as Qt's own checkable buttons";
    EXPECT_TRUE(reader->state().checkable && reader->state().checked);
    QTest::mouseClick(&button, Qt::LeftButton);
    reader->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
    EXPECT_EQ(target.senders, (std::vector<int>{7, 7, 7, 7})) << "the reader's toggle runs the button's actions";
    EXPECT_TRUE(button.isSelected()) << "neither a click nor the reader's toggle changes the state";
}

// Larger text than a button was laid out for: a title that no longer fits beside the picture
// takes the whole width, on one line while it can, and the picture is left out. The rounded
// background shows inside its corners only.
TEST(Button, ATitleWiderThanTheButtonTakesTheWholeWidthThenWraps) {
    const QString title = QStringLiteral("Search the sights of the city");
    const int line = static_cast<int>(std::ceil(QFontMetricsF(QFont()).horizontalAdvance(title)));
    struct Case { int width; bool wraps; bool showsPicture; };
    for (const Case c : {Case{line + 60, false, true}, Case{line + 14, false, false}, Case{140, true, false}}) {
        SCOPED_TRACE(c.width);
        QWidget column;
        auto* layout = new QVBoxLayout(&column);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* button = new Button(&column);
        button->setTitle(title);
        button->setBackgroundColor(Color(QColor(255, 110, 91)));
        button->setCornerRadius(8);
        button->setImage(Image::fromSvg("<svg xmlns='http://www.w3.org/2000/svg' width='24' height='24'>"
                                        "<rect width='24' height='24' fill='#ff0000'/></svg>"));
        layout->addWidget(button);
        layout->addStretch();
        column.resize(c.width, 300);
        column.show();
        const int twoLines = 2 * QFontMetrics(button->font()).height() + 4;
        if (c.wraps)
            EXPECT_GE(button->height(), twoLines);
        else
            EXPECT_LT(button->height(), twoLines) << "one line";
        EXPECT_EQ(button->width(), c.width) << "the button keeps to its column";
        const QImage drawn = button->grab().toImage();
        EXPECT_EQ(drawn.pixelColor(10, drawn.height() / 2), QColor(255, 110, 91));
        EXPECT_NE(drawn.pixelColor(0, 0), QColor(255, 110, 91));
        bool red = false;
        for (int y = 0; y < drawn.height() && !red; ++y)
            for (int x = 0; x < drawn.width() && !red; ++x)
                red = drawn.pixelColor(x, y) == QColor(255, 0, 0);
        EXPECT_EQ(red, c.showsPicture);
    }
}

TEST(ImageView, ContentModesPlaceTheImage) {
    const struct { ContentMode mode; QSizeF image; QRectF expected; } cases[] = {
        {ContentMode::scaleToFill, {50, 50}, {0, 0, 200, 100}},
        {ContentMode::scaleAspectFit, {50, 50}, {50, 0, 100, 100}},
        {ContentMode::scaleAspectFit, {400, 100}, {0, 25, 200, 50}},
        {ContentMode::scaleAspectFill, {50, 50}, {0, -50, 200, 200}},
        {ContentMode::center, {40, 20}, {80, 40, 40, 20}},
        {ContentMode::center, {400, 20}, {-100, 40, 400, 20}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(imageRect(QRectF(0, 0, 200, 100), c.image, c.mode), c.expected) << static_cast<int>(c.mode);
}

QImage filled(QSize pixels, const QColor& color = Qt::red) {
    QImage image(pixels, QImage::Format_ARGB32_Premultiplied);
    image.fill(color);
    return image;
}

TEST(ImageView, AnimationCyclesThroughTheImagesUntilStopped) {
    using namespace std::chrono_literals;
    testing::AnimationClock clock;
    ImageView view;
    std::vector<Image> images;
    for (const QColor color : {Qt::red, Qt::green, Qt::blue})
        images.push_back(*Image::fromQImage(filled({8, 8}, color)));
    view.setAnimationImages(images);
    view.setAnimationDuration(0.3);
    EXPECT_FALSE(view.currentAnimationFrame());
    view.startAnimating();
    std::vector<std::size_t> seen;  // every 50 ms of the 300 ms cycle
    for (int step = 0; step < 13; ++step, clock.advance(50ms))
        seen.push_back(view.currentAnimationFrame().value_or(99));
    EXPECT_EQ(seen, (std::vector<std::size_t>{0, 0, 1, 1, 2, 2, 0, 0, 1, 1, 2, 2, 0}));
    view.stopAnimating();
    EXPECT_FALSE(view.currentAnimationFrame());
}

// A size is rendered once however often it is drawn meanwhile, off the GUI thread, and wakes
// each canvas that drew it meanwhile once; a rendering that gives nothing (no memory for the
// pixels just then) wakes nobody and is asked for again at the next draw.
TEST(Image, ASizeRendersOnceWhileDrawnOftenWakesEachCanvasOnceAndIsAskedAgainAfterItGaveNothing) {
    const QThread* gui = QThread::currentThread();
    for (const bool firstFails : {false, true}) {
        SCOPED_TRACE(firstFails ? "failing first" : "");
        std::atomic<int> renderings = 0;
        std::atomic<bool> renderedOnWorker = true;
        // Holds the first rendering on its worker until the picture has been drawn again.
        std::promise<void> release;
        const std::shared_future<void> released = release.get_future().share();
        const auto render = [&, released](QSize pixels) {
            const bool first = renderings++ == 0;
            renderedOnWorker = renderedOnWorker && QThread::currentThread() != gui;
            released.wait();
            return first && firstFails ? QImage() : filled(pixels);
        };
        const Image picture = Image::fromRenderer(QSizeF(40, 20), render);
        int woken = 0;
        bool wokenOnGui = true;
        const auto draw = [&](QImage& on) {
            QPainter painter(&on);
            picture.draw(painter, on.rect(), [&] {
                ++woken;
                wokenOnGui = wokenOnGui && QThread::currentThread() == gui;
            });
        };
        const auto settle = [] {
            Image::waitForBackgroundRendering();
            QCoreApplication::processEvents();
        };
        QImage canvas = filled({40, 20}, Qt::transparent);
        QImage other = canvas;
        for (QImage* on : {&canvas, &canvas, &other, &canvas})
            draw(*on);
        EXPECT_EQ(canvas.pixelColor(20, 10).alpha(), 0) << "nothing is drawn before the picture is ready";
        release.set_value();
        settle();
        EXPECT_EQ(woken, firstFails ? 0 : 2);
        draw(canvas);
        settle();
        canvas.fill(Qt::transparent);
        draw(canvas);
        EXPECT_EQ(canvas.pixelColor(20, 10), QColor(Qt::red));
        // A second size (the detail screen's picture of a card's cover) keeps the first.
        QImage larger = filled({80, 40}, Qt::transparent);
        draw(larger);
        settle();
        canvas.fill(Qt::transparent);
        draw(canvas);
        EXPECT_EQ(canvas.pixelColor(20, 10), QColor(Qt::red));
        EXPECT_EQ(renderings, firstFails ? 3 : 2);
        EXPECT_TRUE(renderedOnWorker);
        EXPECT_TRUE(wokenOnGui);
    }

    std::atomic<int> renderings = 0;
    const Image picture = Image::fromRenderer(QSizeF(40, 20), [&](QSize pixels) { ++renderings; return filled(pixels); });
    for (const QSize empty : {QSize(0, 0), QSize(0, 20), QSize(40, 0), QSize(-1, -1)})
        EXPECT_TRUE(picture.toQImage(empty).isNull()) << empty.width() << " x " << empty.height();
    EXPECT_EQ(renderings, 0);
    EXPECT_FALSE(picture.toQImage(QSize(4, 2)).isNull()) << "an empty size is no failure of the picture";
}

// Every kind of view follows its parent by its mask, also a loaded file's root, which lays out its parts.
TEST(View, AutoresizingFollowsTheParentsSizeForEveryKindOfView) {
    const std::vector<std::pair<AutoresizingMask, QRect>> cases = {
        {Autoresizing::flexibleWidth | Autoresizing::flexibleHeight, {10, 10, 280, 180}},
        {Autoresizing::none, {10, 10, 80, 80}},
        {Autoresizing::flexibleLeftMargin | Autoresizing::flexibleTopMargin, {210, 110, 80, 80}},
        {Autoresizing::flexibleWidth | Autoresizing::flexibleBottomMargin, {10, 10, 280, 80}},
        {Autoresizing::flexibleLeftMargin | Autoresizing::flexibleRightMargin, {110, 10, 80, 80}},
        {Autoresizing::flexibleWidth | Autoresizing::flexibleTopMargin, {10, 110, 280, 80}},
    };
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> kinds = {
        {"view", [] { return new View; }},
        {"button", [] { return new Button; }},
        {"loaded root", [] { return Nib::named(QStringLiteral("Form"))->instantiate().value().release(); }},
    };
    for (const auto& [kind, make] : kinds) {
        for (const auto& [mask, after] : cases) {
            SCOPED_TRACE(::testing::Message() << kind << " " << mask.toInt());
            View parent;
            parent.resize(100, 100);
            QWidget* child = make();
            parent.addSubview(*child);
            child->setGeometry(10, 10, 80, 80);
            child->setProperty("autoresizingMask", mask.toInt());  // as the interface loader sets it
            parent.resize(200, 150);  // hidden: one QResizeEvent as it is shown, without oldSize()
            parent.show();
            parent.resize(300, 200);
            EXPECT_EQ(child->geometry(), after);
        }
    }
}

// The owner of "Form.ui"; a row below may add an outlet the file lacks or one of the wrong type.
class FormOwner : public OutletOwner {
public:
    void declareOutlets(Outlets& outlets) override {
        outlets.add("contentView", contentView);
        outlets.add("marginView", marginView);
        outlets.add("textField", textField);
        outlets.add("doneButton", doneButton);
        if (extraOutlet)
            outlets.add(extraOutlet, extra);
        if (wronglyTyped)
            outlets.add("marginView", wronglyTyped);
    }
    View* contentView = nullptr;
    View* marginView = nullptr;
    TextField* textField = nullptr;
    Button* doneButton = nullptr;
    const char* extraOutlet = nullptr;
    View* extra = nullptr;
    Label* wronglyTyped = nullptr;
};

TEST(Nib, LoadingConnectsEveryOutletByNameOrFailsAtLoadWithAClearMessageAndConnectsNothing) {
    const auto form = Nib::named(QStringLiteral("Form"));
    const struct { const char* name; std::shared_ptr<const Nib> nib; const char* extraOutlet; bool wrongType;
                   const char* error; } cases[] = {
        {"the file as it is", form, nullptr, false, nullptr},
        {"an outlet without its object", form, "missingView", false,
         "interface file \"Form\": no object named \"missingView\" for the owner's outlet"},
        {"an outlet of the wrong type", form, nullptr, true,
         "interface file \"Form\": the object \"marginView\" is a wayfarer::ui::View, the owner's outlet "
         "needs a wayfarer::ui::Label"},
        {"a file that is not there", Nib::named(QStringLiteral("NoSuchFile")), nullptr, false,
         "interface file \"NoSuchFile\" is not among the application's resources"},
        {"a file that is not XML", Nib::fromData(QStringLiteral("Garbage"), "not a form"), nullptr, false,
         "interface file \"Garbage\" could not be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormOwner owner;
        owner.extraOutlet = c.extraOutlet;
        if (c.wrongType)
            owner.wronglyTyped = reinterpret_cast<Label*>(1);
        auto loaded = c.nib->instantiate(&owner);
        ASSERT_EQ(loaded.ok(), c.error == nullptr);
        if (c.error) {
            EXPECT_TRUE(loaded.error().detail.starts_with(c.error)) << loaded.error().detail;
            EXPECT_EQ(owner.textField, nullptr);
            EXPECT_EQ(owner.contentView, nullptr);
            EXPECT_EQ(owner.wronglyTyped, c.wrongType ? reinterpret_cast<Label*>(1) : nullptr);
            continue;
        }
        EXPECT_EQ(owner.contentView, loaded.value().get());
        ASSERT_NE(owner.textField, nullptr);
        EXPECT_EQ(owner.textField->parentWidget(), owner.contentView);
        EXPECT_EQ(owner.doneButton->title(), QStringLiteral("Done"));
        EXPECT_NE(owner.marginView, nullptr);
    }
}

// The appearance follows the desktop's palette unless a preference names one; colours from
// interface files switch to their dark variants, others stay.
TEST(Appearance, APreferenceOverridesTheDesktopsAndInterfaceFilesGiveDarkVariants) {
    auto loaded = Nib::named(QStringLiteral("Themed"))->instantiate();
    ASSERT_TRUE(loaded.ok()) << loaded.error().detail;
    auto* card = qobject_cast<View*>(loaded.value().get());
    auto* close = card->findChild<Button*>(QStringLiteral("close"));
    auto* caption = card->findChild<Label*>(QStringLiteral("caption"));
    Label& label = *new Label(card);
    label.setTextColor(Color::label());
    label.setText(QStringLiteral("Rome"));
    label.resize(80, 30);
    QPalette darkDesktop = QApplication::palette();
    darkDesktop.setColor(QPalette::Window, QColor(30, 30, 30));
    darkDesktop.setColor(QPalette::Text, QColor(230, 230, 230));
    card->show();

    using Preference = AppearancePreference;
    const struct { Preference preference; bool desktopTurnsDark; Appearance shown; } cases[] = {
        {Preference::dark, false, Appearance::dark}, {Preference::system, false, Appearance::light},
        {Preference::system, true, Appearance::dark}, {Preference::light, false, Appearance::light},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(::testing::Message() << static_cast<int>(c.preference) << " darkening " << c.desktopTurnsDark);
        setAppearancePreference(c.preference);
        if (c.desktopTurnsDark)
            QApplication::setPalette(darkDesktop);
        QCoreApplication::processEvents();  // the windows hear of the palette, and their widgets from them
        const bool dark = c.shown == Appearance::dark;
        EXPECT_EQ(currentAppearance(), c.shown);
        EXPECT_EQ(QApplication::palette().color(QPalette::Text).lightness() > 128, dark) << "fields type in it";
        EXPECT_EQ(Color::label().resolved(), dark ? QColor(255, 255, 255) : QColor(0, 0, 0));
        EXPECT_EQ(Color::systemBackground().resolved(), dark ? QColor(0, 0, 0) : QColor(255, 255, 255));
        EXPECT_EQ(label.palette().color(QPalette::WindowText), Color::label().resolved()) << "labels follow";
        const qint64 colors = label.palette().cacheKey();
        label.grab();
        EXPECT_EQ(label.palette().cacheKey(), colors) << "painting changes no palette, which would paint again";
        EXPECT_EQ(card->backgroundColor().resolved(), dark ? QColor(28, 28, 30) : QColor(255, 255, 255));
        EXPECT_EQ(close->tintColor().resolved(), dark ? QColor(235, 235, 245) : QColor(72, 72, 80));
        EXPECT_EQ(caption->textColor().resolved(), QColor(142, 142, 147)) << "a colour without a dark variant stays";
    }
    setPlatformVersion(12);
    EXPECT_EQ(Color::systemBackground().resolved(), QColor(255, 255, 255)) << "no dark appearance before 13";
    setPlatformVersion(13);
    setAppearancePreference(AppearancePreference::system);
    EXPECT_NEAR(Color::secondaryLabel().withAlphaComponent(0.1).resolved().alphaF(), 0.1, 0.001);
    label.setText(std::nullopt);
    EXPECT_TRUE(label.QLabel::text().isEmpty()) << "absent text shows nothing";

    QWidget& viewport = *new QWidget(card);
    viewport.setBackgroundRole(QPalette::Base);  // as QAbstractScrollArea's viewport, whose children inherit it
    Label& price = *new Label(&viewport);
    price.setTextColor(Color(QColor(255, 110, 91)));
    EXPECT_EQ(price.palette().color(price.foregroundRole()), QColor(255, 110, 91)) << "the colour QLabel paints with";
}

TEST(TextSize, SizesInInterfaceFilesFollowTheApplicationsFont) {
    const QFont original = QApplication::font();
    // The desktop's font when the file is loaded, then after.
    for (const auto& [loadedAt, later] : {std::pair{9.0, 13.5}, std::pair{13.5, 9.0}, std::pair{18.0, 9.0}}) {
        SCOPED_TRACE(loadedAt);
        QFont font = original;
        font.setPointSizeF(loadedAt);
        QApplication::setFont(font);
        auto loaded = Nib::named(QStringLiteral("Texts"))->instantiate();
        ASSERT_TRUE(loaded.ok());
        const auto fontOf = [&](const char* name) { return loaded.value()->findChild<Label*>(name)->font(); };
        const double scale = loadedAt / standardTextPointSize;
        EXPECT_DOUBLE_EQ(fontOf("sized").pointSizeF(), 12 * scale);
        EXPECT_DOUBLE_EQ(fontOf("boldOnly").pointSizeF(), loadedAt) << "a file that gives no size leaves the application's";
        EXPECT_DOUBLE_EQ(fontOf("plain").pointSizeF(), loadedAt);
        EXPECT_DOUBLE_EQ(fontOf("inheriting").pointSizeF(), 12 * scale) << "the size of its group, scaled once";
        EXPECT_DOUBLE_EQ(fontOf("boldInGroup").pointSizeF(), 12 * scale);
        font.setPointSizeF(later);
        QApplication::setFont(font);
        EXPECT_DOUBLE_EQ(fontOf("sized").pointSizeF(), 12 * later / standardTextPointSize);
        EXPECT_TRUE(fontOf("sized").bold());
    }
    QApplication::setFont(original);
}

}
}
