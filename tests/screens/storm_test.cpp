// A seeded storm of user actions on the real screens against the local catalogue, with latency
// and injected failures, checking after every action what must always hold.
#include "screens_fixture.h"

#include "screens/detail_header_view.h"
#include "service/catalogue_server.h"
#include "ui/button.h"

#include <chrono>
#include <cstdlib>
#include <deque>
#include <random>
#include <set>
#include <sstream>

namespace wayfarer::testing {
namespace {

std::uint64_t environmentNumber(const char* name, std::uint64_t fallback) {
    const char* value = std::getenv(name);
    return value && *value ? std::strtoull(value, nullptr, 10) : fallback;
}

// One kind of user action, chosen `weight` times in a hundred; it says what it did.
struct Action {
    int weight;
    std::function<std::string()> run;
};

class Storm : public ScreensTest {
protected:
    void SetUp() override {
        ScreensTest::SetUp();
        service::ServerOptions options;
        options.plainHttp = true;
        options.latency = std::chrono::milliseconds(15);
        options.failRate = 0.04;
        options.seed = seed;
        auto started = service::CatalogueServer::start(std::move(options));
        ASSERT_TRUE(started.ok()) << started.error().detail;
        catalogue = std::move(*started);
        useCatalogueAt(catalogue->baseURL(), [this] { sent(); });
    }

    template <typename T>
    T pick(const std::vector<T>& choices) {
        return choices[std::uniform_int_distribution<std::size_t>(0, choices.size() - 1)(random)];
    }
    int between(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random); }
    std::string choose(const std::vector<Action>& actions) {
        int choice = between(0, 99);
        for (const Action& action : actions)
            if ((choice -= action.weight) < 0)
                return action.run();
        return actions.back().run();
    }
    std::string wait(int longest, const std::string& name) {
        QTest::qWait(between(0, longest));
        return name;
    }
    std::string press(QWidget& target, const std::vector<Qt::Key>& keys, const std::string& name) {
        const Qt::Key key = pick(keys);
        QTest::keyClick(&target, key);
        return name + " " + std::to_string(key);
    }

    // A run of searches starts at offset 0, and each next page asks for the offset after
    // the last, never once the end is found.
    void sent() {
        const std::string text = session->textToSearch();
        const std::int64_t offset = session->offsetPage();
        const std::string asked = "\"" + text + "\" asked for page " + std::to_string(offset);
        pagesSent += offset > 0;
        if (offset > 0 && !pagingProblem && (text != lastText || offset != lastOffset + 1))
            pagingProblem = asked + " after page " + std::to_string(lastOffset) + " of \"" + lastText + "\"";
        else if (offset > 0 && !pagingProblem && session->didFinishLoading())
            pagingProblem = asked + " after its end was found";
        lastText = text;
        lastOffset = offset;
    }

    std::string act();
    std::string actOnResults(ResultsTableViewController& screen);
    std::optional<std::string> broken();
    std::optional<std::string> brokenAfterSettling();

    const std::uint64_t seed = environmentNumber("WAYFARER_STORM_SEED", 20261206);
    std::mt19937_64 random{seed};
    std::unique_ptr<service::CatalogueServer> catalogue;
    std::string lastText;
    std::int64_t lastOffset = 0;
    int pagesSent = 0;
    std::optional<std::string> pagingProblem;
};

std::string Storm::act() {
    if (ui::AlertController* shown = alert())
        return choose({
            {75, [=] { shown->buttonForAction(0)->click(); return std::string("OK"); }},
            {25, [&] { return wait(30, "wait under the alert"); }},
        });
    if (DetailViewController* screen = detail())
        return choose({
            {25, [=] { screen->header->likeButton->click(); return std::string("heart on the detail"); }},
            {25, [=] { screen->header->backButton->click(); return std::string("back button"); }},
            {25, [&] { return press(*window, {Qt::Key_Escape}, "Escape on the detail"); }},
            {25, [&] { return wait(30, "wait on the detail"); }},
        });
    if (ResultsTableViewController* screen = shownResults())
        return actOnResults(*screen);
    presentResults(*window->rootViewController(), session);
    return "open the results";
}

std::string Storm::actOnResults(ResultsTableViewController& screen) {
    static const std::vector<QString> words = {"rome", "paris", "tower", "museum", "new york", "temple", "park"};
    ui::TextField& field = *screen.header->textField;
    QWidget& editor = field.editorWidget();
    ui::TableView& table = *screen.tableView();
    return choose({
        // A whole word typed afresh, as a user starting over does, or the field just cleared.
        {7, [&] {
             const QString word = between(0, 6) < 2 ? QString() : pick(words);
             field.clearButton().click();
             QTest::keyClicks(&editor, word);
             return "clear and type \"" + word.toStdString() + "\"";
         }},
        // Mostly the next letter of a word, so that searches find something; off the way to
        // every word, a backspace.
        {9, [&] {
             std::vector<QString> ahead;
             for (const QString& word : words)
                 if (word.size() > field.text().size() && word.startsWith(field.text(), Qt::CaseInsensitive))
                     ahead.push_back(word);
             if (ahead.empty())
                 return press(editor, {Qt::Key_Backspace}, "backspace");
             const QChar next = pick(ahead).at(field.text().size());
             QTest::keyClick(&editor, next.toLatin1());
             return "type '" + QString(next).toStdString() + "'";
         }},
        {2, [&] {
             const QString odd = pick(std::vector<QString>{"!", "-", "'", "é", "%", "😀"});
             QKeyEvent key(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, odd);
             QCoreApplication::sendEvent(&editor, &key);
             return "type refused " + odd.toStdString();
         }},
        {8, [&] {
             const std::vector keys{Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home,
                                    Qt::Key_End};
             return press(editor, keys, "field key");
         }},
        {16, [&] {
             const int delta = pick(std::vector<int>{360, -120, -480, -960});
             turnWheel(table, delta);
             return "wheel " + std::to_string(delta);
         }},
        // Slow drags, and flings that go on moving after the release.
        {14, [&] {
             const int distance = pick(std::vector<int>{-300, 400, 700, -400, 500});
             const int stepMilliseconds = pick(std::vector<int>{40, 4});
             drag(table, distance, stepMilliseconds);
             return "drag " + std::to_string(distance) + " in steps of " + std::to_string(stepMilliseconds) + " ms";
         }},
        {13, [&] {
             const std::vector keys{Qt::Key_End, Qt::Key_End, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp,
                                    Qt::Key_Down, Qt::Key_Up};
             return press(table, keys, "list key");
         }},
        {11, [&] {
             const auto rows = table.indexPathsForVisibleRows();
             auto* cell = rows.empty() ? nullptr : qobject_cast<AttractionTableViewCell*>(table.cellForRow(pick(rows)));
             if (!cell)
                 return std::string("no card to tap");
             const std::string row = std::to_string(table.indexPathForCell(*cell)->row);
             if (between(0, 1) == 0) {
                 QTest::mouseClick(cell->likeButton, Qt::LeftButton, {}, cell->likeButton->rect().center());
                 return "heart of row " + row;
             }
             QTest::mouseClick(cell, Qt::LeftButton, {}, QPoint(cell->width() / 3, cell->height() / 2));
             return "card of row " + row;
         }},
        {1, [&] { return press(*window, {Qt::Key_Escape}, "Escape on the results"); }},
        {1, [&] {
             screen.header->closeButton->click();
             return std::string("close button");
         }},
        {18, [&] { return wait(40, "wait"); }},
    });
}

std::optional<std::string> Storm::broken() {
    int alerts = 0;
    for (ui::ViewController* shown = window->rootViewController(); shown; shown = shown->presentedViewController())
        alerts += qobject_cast<ui::AlertController*>(shown) != nullptr;
    if (alerts > 1)
        return std::to_string(alerts) + " alerts at once";
    if (ResultsTableViewController* screen = shownResults()) {
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
    return pagingProblem;
}

// Once every answer is in, the indicator stands still.
std::optional<std::string> Storm::brokenAfterSettling() {
    ResultsTableViewController* screen = shownResults();
    if (!screen || alert())
        return std::nullopt;
    const QPointer<ui::ActivityIndicatorView> indicator = screen->indicator;
    if (!QTest::qWaitFor([&] { return !indicator || !indicator->isAnimating() || alert(); }, 15000))
        return "the indicator still turns with no request of its search in flight";
    return broken();
}

TEST_F(Storm, EveryActionKeepsTheScreensConsistent) {
    const auto end = std::chrono::steady_clock::now() +
                     std::chrono::seconds(environmentNumber("WAYFARER_STORM_SECONDS", 30));
    std::deque<std::string> last;
    long long count = 0;
    while (std::chrono::steady_clock::now() < end) {
        last.push_back(act());
        if (last.size() > 25)
            last.pop_front();
        ++count;
        QCoreApplication::processEvents();
        auto problem = broken();
        if (!problem && count % 200 == 0)
            problem = brokenAfterSettling();
        if (problem) {
            std::ostringstream history;
            for (const auto& action : last)
                history << "\n  " << action;
            FAIL() << *problem << "\nseed " << seed << " (WAYFARER_STORM_SEED), after " << count
                   << " actions; the last ones:" << history.str();
        }
    }
    std::cout << "storm: seed " << seed << ", " << count << " actions, " << pagesSent << " next pages\n";
    EXPECT_GT(pagesSent, 0) << "the storm never paged";
}

}
}
