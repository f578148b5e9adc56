// A seeded storm of user actions on the real screens, against the local catalogue with
// latency and injected failures, checking after every action what must always hold.
// WAYFARER_STORM_SECONDS and WAYFARER_STORM_SEED make longer runs with other seeds.
#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/http_client.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/detail_header_view.h"
#include "screens/detail_view_controller.h"
#include "screens/main_view_controller.h"
#include "screens/results_table_view_controller.h"
#include "screens/screen_classes.h"
#include "screens/text_field_header_view.h"
#include "service/catalogue_server.h"
#include "ui/activity_indicator_view.h"
#include "ui/alert_controller.h"
#include "ui/button.h"
#include "ui/navigation_controller.h"
#include "ui/qt_main_queue.h"
#include "ui/text_field.h"
#include "ui/window.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <deque>
#include <random>
#include <set>
#include <sstream>

namespace wayfarer::testing {
namespace {

using Clock = std::chrono::steady_clock;

std::uint64_t environmentNumber(const char* name, std::uint64_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtoull(value, nullptr, 10) : fallback;
}

// The searches the session sent, in the order it sent them: a run starts at offset 0,
// and each next page must ask for the offset after the last, never once the end is found.
class SearchLog {
public:
    void sent(const std::string& text, std::int64_t offset, bool didFinishLoading) {
        ++searches_;
        if (offset == 0) {
            lastText_ = text;
            lastOffset_ = 0;
            return;
        }
        ++pages_;
        if (problem_)
            return;
        if (text != lastText_ || offset != lastOffset_ + 1)
            problem_ = "\"" + text + "\" asked for page " + std::to_string(offset) + " after page " +
                       std::to_string(lastOffset_) + " of \"" + lastText_ + "\"";
        else if (didFinishLoading)
            problem_ = "\"" + text + "\" asked for page " + std::to_string(offset) + " after its end was found";
        lastOffset_ = offset;
    }

    const std::optional<std::string>& problem() const { return problem_; }
    int searches() const { return searches_; }
    int pages() const { return pages_; }

private:
    std::string lastText_;
    std::int64_t lastOffset_ = 0;
    int searches_ = 0, pages_ = 0;
    std::optional<std::string> problem_;
};

class Storm : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("LC_ALL", "en_US.UTF-8", 1);
        registerScreenViews();
        seed = environmentNumber("WAYFARER_STORM_SEED", 20261206);
        duration = std::chrono::seconds(environmentNumber("WAYFARER_STORM_SECONDS", 30));
        random.seed(seed);

        service::ServerOptions options;
        options.plainHttp = true;
        options.latency = std::chrono::milliseconds(15);
        options.failRate = 0.04;
        options.seed = seed;
        auto started = service::CatalogueServer::start(std::move(options));
        ASSERT_TRUE(started.ok()) << started.error().detail;
        server = std::move(*started);

        const auto queue = std::make_shared<ui::QtMainQueue>();
        // The transport asks for the user's language as it sends each search, on the main
        // thread: the moment to note what the session sends.
        const auto languageCode = [this] {
            if (session)
                log.sent(session->textToSearch(), session->offsetPage(), session->didFinishLoading());
            return std::optional<std::string>("en");
        };
        DataTaskManager::Configuration configuration{server->baseURL(), CatalogueContext{http.get(), queue},
                                                     languageCode};
        session = std::make_shared<DataManager>(std::make_shared<DataTaskManager>(std::move(configuration)), queue);

        window->resize(ui::Window::defaultSize);
        window->setRootViewController(std::make_unique<ui::ViewController>());
        window->show();
    }

    void TearDown() override {
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QCoreApplication::processEvents();
        session.reset();
        http.reset();
        server.reset();
    }

    // The results screen under whatever is shown now, or null when it is closed.
    ResultsTableViewController* results() {
        auto* navigation = qobject_cast<ui::NavigationController*>(window->rootViewController()->presentedViewController());
        if (!navigation || navigation->viewControllers().empty())
            return nullptr;
        return qobject_cast<ResultsTableViewController*>(navigation->viewControllers().front());
    }
    DetailViewController* detail() { return qobject_cast<DetailViewController*>(window->topmostViewController()); }
    ui::AlertController* alert() { return qobject_cast<ui::AlertController*>(window->topmostViewController()); }

    template <typename T>
    T pick(const std::vector<T>& choices) {
        return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
    }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }

    void act();
    void actOnResults(ResultsTableViewController& screen);
    void actOnDetail(DetailViewController& screen);
    void drag(ui::TableView& table, int distance, int stepMilliseconds);
    std::optional<std::string> broken();
    std::optional<std::string> brokenAfterSettling();
    std::string history() const;

    std::uint64_t seed = 0;
    std::chrono::seconds duration{30};
    std::mt19937_64 random;
    SearchLog log;
    std::unique_ptr<service::CatalogueServer> server;
    std::unique_ptr<platform::HttpClient> http = std::make_unique<platform::HttpClient>();
    std::shared_ptr<DataManager> session;
    std::unique_ptr<ui::Window> window = std::make_unique<ui::Window>();
    std::deque<std::string> actions;
    long long actionCount = 0;
    int alertsConfirmed = 0, detailsOpened = 0, endsSeen = 0;
    DetailViewController* lastDetail = nullptr;
};

void Storm::drag(ui::TableView& table, int distance, int stepMilliseconds) {
    QWidget* surface = table.viewport();
    const QPoint start(surface->width() / 2, distance > 0 ? surface->height() * 3 / 4 : surface->height() / 4);
    QTest::mousePress(surface, Qt::LeftButton, {}, start);
    for (int step = 1; step <= 6; ++step)
        QTest::mouseMove(surface, start - QPoint(0, distance * step / 6), stepMilliseconds);
    QTest::mouseRelease(surface, Qt::LeftButton, {}, start - QPoint(0, distance), stepMilliseconds);
}

void Storm::act() {
    if (ui::AlertController* shown = alert()) {
        if (between(0, 3) != 0) {
            actions.push_back("OK");
            ++alertsConfirmed;
            shown->buttonForAction(0)->click();
        } else {
            actions.push_back("wait under the alert");
            QTest::qWait(between(0, 30));
        }
        return;
    }
    if (DetailViewController* screen = detail()) {
        if (screen != lastDetail)
            ++detailsOpened;
        lastDetail = screen;
        return actOnDetail(*screen);
    }
    if (ResultsTableViewController* screen = results())
        return actOnResults(*screen);
    actions.push_back("open the results");
    presentResults(*window->rootViewController(), session);
}

void Storm::actOnDetail(DetailViewController& screen) {
    switch (between(0, 3)) {
    case 0:
        actions.push_back("heart on the detail");
        screen.header->likeButton->click();
        break;
    case 1:
        actions.push_back("back button");
        screen.header->backButton->click();
        break;
    case 2:
        actions.push_back("Escape on the detail");
        QTest::keyClick(window.get(), Qt::Key_Escape);
        break;
    default:
        actions.push_back("wait on the detail");
        QTest::qWait(between(0, 30));
    }
}

void Storm::actOnResults(ResultsTableViewController& screen) {
    static const std::vector<QString> words = {"rome", "paris", "tower", "museum", "new york", "temple", "park"};
    ui::TextField& field = *screen.header->textField;
    QWidget& editor = field.editorWidget();
    ui::TableView& table = *screen.tableView();
    const int choice = between(0, 99);
    if (choice < 5) {
        // A whole word typed afresh, as a user starting over does.
        const QString word = pick(words);
        actions.push_back("clear and type \"" + word.toStdString() + "\"");
        field.clearButton().click();
        for (const QChar letter : word)
            QTest::keyClick(&editor, letter.toLatin1());
    } else if (choice < 14) {
        // Mostly the next letter of a word, so that searches find something; off the way
        // to every word, a backspace first.
        const QString text = field.text();
        std::vector<QString> ahead;
        for (const QString& word : words)
            if (word.size() > text.size() && word.startsWith(text, Qt::CaseInsensitive))
                ahead.push_back(word);
        if (ahead.empty()) {
            actions.push_back("backspace");
            QTest::keyClick(&editor, Qt::Key_Backspace);
            return;
        }
        const QChar next = pick(ahead).at(text.size());
        actions.push_back("type '" + QString(next).toStdString() + "'");
        QTest::keyClick(&editor, next.toLatin1());
    } else if (choice < 16) {
        const QString odd = pick(std::vector<QString>{"!", "-", "'", "é", "%", "😀"});
        actions.push_back("type refused " + odd.toStdString());
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, odd);
        QCoreApplication::sendEvent(&editor, &press);
    } else if (choice < 21) {
        actions.push_back("backspace");
        QTest::keyClick(&editor, Qt::Key_Backspace);
    } else if (choice < 24) {
        const auto key = pick(std::vector<Qt::Key>{Qt::Key_Left, Qt::Key_Right, Qt::Key_Home, Qt::Key_End});
        actions.push_back("cursor key " + std::to_string(key));
        QTest::keyClick(&editor, key);
    } else if (choice < 26) {
        actions.push_back("clear button");
        field.clearButton().click();
    } else if (choice < 42) {
        const int delta = pick(std::vector<int>{360, -120, -480, -960});
        actions.push_back("wheel " + std::to_string(delta));
        QWheelEvent wheel(QPointF(150, 300), QPointF(150, 300), QPoint(), QPoint(0, delta), Qt::NoButton,
                          Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(table.viewport(), &wheel);
    } else if (choice < 50) {
        const int distance = pick(std::vector<int>{-300, 400, 700});
        actions.push_back("drag " + std::to_string(distance));
        drag(table, distance, 40);
    } else if (choice < 57) {
        actions.push_back("End");
        QTest::keyClick(&table, Qt::Key_End);
    } else if (choice < 63) {
        actions.push_back("fling");
        drag(table, pick(std::vector<int>{-400, 500}), 4);
    } else if (choice < 69) {
        const auto key = pick(std::vector<Qt::Key>{Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_End, Qt::Key_PageUp, Qt::Key_Down, Qt::Key_Up});
        actions.push_back("list key " + std::to_string(key));
        QTest::keyClick(&table, key);
    } else if (choice < 80) {
        const auto rows = table.indexPathsForVisibleRows();
        if (rows.empty())
            return actions.push_back("no card to tap");
        const ui::IndexPath row = pick(rows);
        auto* cell = qobject_cast<AttractionTableViewCell*>(table.cellForRow(row));
        if (!cell)
            return actions.push_back("no card to tap");
        if (between(0, 1) == 0) {
            actions.push_back("heart of row " + std::to_string(row.row));
            QTest::mouseClick(cell->likeButton, Qt::LeftButton, {}, cell->likeButton->rect().center());
        } else {
            actions.push_back("card of row " + std::to_string(row.row));
            QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(cell->width() / 3, cell->height() / 2));
        }
    } else if (choice < 82) {
        if (between(0, 1) == 0) {
            actions.push_back("close button");
            screen.header->closeButton->click();
        } else {
            actions.push_back("Escape on the results");
            QTest::keyClick(window.get(), Qt::Key_Escape);
        }
    } else {
        actions.push_back("wait");
        QTest::qWait(between(0, 40));
    }
}

std::optional<std::string> Storm::broken() {
    int alerts = 0;
    for (ui::ViewController* shown = window->rootViewController(); shown; shown = shown->presentedViewController())
        alerts += qobject_cast<ui::AlertController*>(shown) != nullptr;
    if (alerts > 1)
        return std::to_string(alerts) + " alerts at once";

    if (ResultsTableViewController* screen = results()) {
        ui::TableView& table = *screen->tableView();
        const auto& attractions = session->attractions();
        if (table.numberOfRows() != static_cast<int>(attractions.size()))
            return "the table counts " + std::to_string(table.numberOfRows()) + " rows for a list of " +
                   std::to_string(attractions.size());
        std::set<std::string> uuids;
        for (const auto& record : attractions)
            if (!uuids.insert(record->uuid).second)
                return std::string(record->uuid) + " is listed twice";
        for (const ui::IndexPath& row : table.indexPathsForVisibleRows()) {
            if (row.row >= static_cast<int>(attractions.size()))
                return "row " + std::to_string(row.row) + " is shown past the list";
            auto* cell = qobject_cast<AttractionTableViewCell*>(table.cellForRow(row));
            if (cell && !cell->isShowing(*attractions[static_cast<std::size_t>(row.row)]))
                return "row " + std::to_string(row.row) + " shows another record";
        }
    }

    if (log.problem())
        return log.problem();
    if (session->didFinishLoading())
        ++endsSeen;
    return std::nullopt;
}

// Once every answer is in, the indicator stands still.
std::optional<std::string> Storm::brokenAfterSettling() {
    ResultsTableViewController* screen = results();
    if (!screen || alert())
        return std::nullopt;
    const QPointer<ui::ActivityIndicatorView> indicator = screen->indicator;
    if (!QTest::qWaitFor([&] { return !indicator || !indicator->isAnimating() || alert(); }, 15000))
        return "the indicator still turns with no request of its search in flight";
    return broken();
}

std::string Storm::history() const {
    std::ostringstream out;
    out << "seed " << seed << " (WAYFARER_STORM_SEED), after " << actionCount << " actions; the last ones:\n";
    for (const auto& action : actions)
        out << "  " << action << "\n";
    return out.str();
}

TEST_F(Storm, EveryActionKeepsTheScreensConsistent) {
    const auto end = Clock::now() + duration;
    while (Clock::now() < end) {
        act();
        ++actionCount;
        while (actions.size() > 25)
            actions.pop_front();
        QCoreApplication::processEvents();
        auto problem = broken();
        if (!problem && actionCount % 200 == 0)
            problem = brokenAfterSettling();
        ASSERT_FALSE(problem) << *problem << "\n" << history();
    }
    std::cout << "storm: seed " << seed << ", " << actionCount << " actions, " << log.searches()
              << " searches sent, " << log.pages() << " of them next pages, " << alertsConfirmed
              << " alerts confirmed, " << detailsOpened << " details opened, " << endsSeen
              << " actions with the end found\n";
    EXPECT_GT(log.pages(), 0) << "the storm never paged";
}

}
}
