#include "tour.h"

#include "catalogue/attraction.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/detail_header_view.h"
#include "screens/detail_view_controller.h"
#include "screens/main_view_controller.h"
#include "screens/results_table_view_controller.h"
#include "screens/text_field_header_view.h"
#include "shell/application.h"
#include "ui/activity_indicator_view.h"
#include "ui/alert_controller.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/navigation_controller.h"
#include "ui/text_field.h"
#include "ui/window.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStyleHints>
#include <QTimer>

#include <chrono>
#include <cstdio>
#include <functional>

namespace wayfarer::app {

namespace {


constexpr std::chrono::seconds stepLimit{20};

// Runs the event loop until `done` holds; false when that takes longer than a step may.
bool waitUntil(const std::function<bool()>& done) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > std::chrono::milliseconds(stepLimit).count())
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

QString late(const char* step) {
    return QStringLiteral("%1 did not finish within %2 s").arg(QString::fromLatin1(step)).arg(stepLimit.count());
}

// Lets pending layouts and paints run.
void settle() {
    for (int i = 0; i < 5; ++i)
        QApplication::processEvents(QEventLoop::AllEvents, 10);
}

void type(ui::TextField& field, const QString& text) {
    QWidget& editor = field.editorWidget();
    for (const QChar character : text) {
        const int key = character.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(character));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(character));
        QApplication::sendEvent(&editor, &press);
        QApplication::sendEvent(&editor, &release);
    }
}

void tap(QWidget& widget) {
    const QPointF centre = QRectF(widget.rect()).center();
    QMouseEvent press(QEvent::MouseButtonPress, centre, widget.mapToGlobal(centre), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QMouseEvent release(QEvent::MouseButtonRelease, centre, widget.mapToGlobal(centre), Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(&widget, &press);
    QApplication::sendEvent(&widget, &release);
}

ResultsTableViewController* resultsScreen(ui::Window& window) {
    auto* main = window.rootViewController();
    auto* navigation = main ? qobject_cast<ui::NavigationController*>(main->presentedViewController()) : nullptr;
    if (!navigation || navigation->viewControllers().empty())
        return nullptr;
    return qobject_cast<ResultsTableViewController*>(navigation->viewControllers().front());
}

// Whether every card in view shows its cover, or has none to show.
bool visibleCoversLoaded(ResultsTableViewController& results) {
    const auto& attractions = DataManager::shared()->attractions();
    ui::TableView& table = *results.tableView();
    for (const ui::IndexPath& row : table.indexPathsForVisibleRows()) {
        const auto* cell = qobject_cast<AttractionTableViewCell*>(table.cellForRow(row));
        if (static_cast<std::size_t>(row.row) >= attractions.size() || !cell)
            continue;
        const Attraction& attraction = *attractions[static_cast<std::size_t>(row.row)];
        const bool nothingToShow = attraction.didLoadImage && !attraction.coverImg;
        if (!nothingToShow && !cell->thumbnailView->image())
            return false;
    }
    return true;
}

bool searchIdle(ResultsTableViewController& results) {
    return !results.tableView()->findChild<ui::ActivityIndicatorView*>()->isAnimating();
}

}

Tour::Tour(shell::Application& application, QString directory)
    : application_(application), directory_(std::move(directory)) {}

void Tour::start() {
    // No cursor blinking: the text field's cursor is in every picture, whenever it is taken.
    QGuiApplication::styleHints()->setCursorFlashTime(0);
    QTimer::singleShot(0, [this] { QApplication::exit(run()); });
}

int Tour::run() {
    ui::Window* window = application_.window();
    int saved = 0;
    const auto stop = [&](const QString& why) {
        std::fprintf(stderr, "wayfarer: the tour stopped after %d pictures: %s\n", saved, qPrintable(why));
        return 1;
    };
    const auto save = [&](const char* name) {
        // A first picture has every view drawn, which starts the covers' rendering.
        settle();
        window->grab();
        ui::Image::waitForBackgroundRendering();
        settle();
        const QString path = QDir(directory_).filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
        if (!window->grab().save(path))
            return false;
        std::printf("  %s\n", qPrintable(path));
        ++saved;
        return true;
    };
    const auto cannotSave = [&] { return stop(QStringLiteral("cannot write into ") + directory_); };

    if (!QDir().mkpath(directory_))
        return stop(QStringLiteral("cannot make the folder ") + directory_);
    // Every change completes before the picture of it is taken.
    ui::setAnimationsEnabled(false);

    std::printf("wayfarer: the tour's pictures:\n");
    if (!save("1-welcome"))
        return cannotSave();

    auto* main = qobject_cast<MainViewController*>(window->rootViewController());
    if (!main)
        return stop(QStringLiteral("the first screen is not the welcome screen"));
    main->view()->findChild<ui::Button*>(QStringLiteral("searchButton"))->click();
    ResultsTableViewController* results = resultsScreen(*window);
    if (!results)
        return stop(QStringLiteral("the search button opened no results screen"));
    ui::TextField& field = *results->tableView()->findChild<ui::TextField*>();
    const auto& attractions = DataManager::shared()->attractions();

    type(field, QStringLiteral("rome"));
    if (!waitUntil([&] { return searchIdle(*results) && !attractions.empty(); }))
        return stop(late("the search for \"rome\""));
    if (!waitUntil([&] { return visibleCoversLoaded(*results); }))
        return stop(late("loading the covers"));
    if (!save("2-results"))
        return cannotSave();

    ui::TableView& table = *results->tableView();
    const std::size_t firstPage = attractions.size();
    table.setContentOffset(table.contentHeight());
    if (!waitUntil([&] {
            return searchIdle(*results) && (attractions.size() > firstPage || DataManager::shared()->didFinishLoading());
        }))
        return stop(late("the next page"));
    table.setContentOffset(table.contentHeight());
    if (!waitUntil([&] { return visibleCoversLoaded(*results); }))
        return stop(late("loading the covers of the next page"));
    if (!save("3-next-page"))
        return cannotSave();

    table.setContentOffset(0);
    if (!waitUntil([&] { return visibleCoversLoaded(*results); }))
        return stop(late("loading the first covers again"));
    auto* firstCell = qobject_cast<AttractionTableViewCell*>(table.cellForRow({0, 0}));
    if (!firstCell)
        return stop(QStringLiteral("the first row shows no card"));
    firstCell->likeButton->click();
    if (!save("4-like"))
        return cannotSave();

    tap(*firstCell);
    auto* detail = qobject_cast<DetailViewController*>(window->topmostViewController());
    if (!detail)
        return stop(QStringLiteral("a tap on the first card opened no detail screen"));
    if (!save("5-detail"))
        return cannotSave();

    detail->tableView()->findChild<DetailHeaderView*>()->backButton->click();
    settle();
    field.setText(QString());
    type(field, QStringLiteral("%%%"));
    const auto alert = [&] { return qobject_cast<ui::AlertController*>(window->topmostViewController()); };
    if (!waitUntil([&] { return alert() != nullptr; }))
        return stop(late("the error alert"));
    if (!save("6-error"))
        return cannotSave();
    alert()->choose(0);
    settle();

    field.setText(QString());
    type(field, QStringLiteral("qxzvw"));
    if (!waitUntil([&] { return searchIdle(*results) && results->tableView()->backgroundView()->findChild<ui::Label*>()->isVisible(); }))
        return stop(late("the search that finds nothing"));
    if (!save("7-no-results"))
        return cannotSave();

    window->resize(1300, 850);
    field.setText(QString());
    type(field, QStringLiteral("rome"));
    if (!waitUntil([&] { return searchIdle(*results) && !attractions.empty(); }))
        return stop(late("the search for \"rome\" in a wide window"));
    if (!waitUntil([&] { return visibleCoversLoaded(*results); }))
        return stop(late("loading the covers in a wide window"));
    if (!save("8-wide"))
        return cannotSave();
    return 0;
}

}
