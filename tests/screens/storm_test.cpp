// A seeded storm of user actions on the real screens against the local catalogue, with answers
// delivered late and out of order and injected failures, checking after every action what
// must always hold. The same seed makes the same run: every choice comes from the seed, and
// the network moves only when the storm says.
#include "screens_fixture.h"

#include "screens/detail_header_view.h"
#include "service/catalogue_server.h"
#include "ui/button.h"

#include <QScroller>

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

// SplitMix64's finaliser: a well-spread number for each input.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15u;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

// Stands between the screens and the HTTP client. Each transfer is numbered in the order the
// main thread starts it and goes out at once, but its completion runs only when deliver()
// is called for it, on the main thread: cancelled by then, it ends cancelled. Whether it
// fails is drawn from the seed and its number alone.
class DrivenNetwork final : public platform::HttpSession {
public:
    enum class Fault { none, serverError, connectionLost };

    DrivenNetwork(platform::HttpClient& client, std::uint64_t seed, int failuresPerThousand)
        : client_(client), seed_(seed), failuresPerThousand_(failuresPerThousand) {}
    // What was never delivered is dropped: a completion holds its transport, which holds its task.
    ~DrivenNetwork() override {
        for (const auto& transfer : pending_)
            transfer->completion = nullptr;
    }

    std::shared_ptr<platform::HttpTask> start(platform::HttpRequest request,
                                              platform::HttpCompletion completion) override {
        auto transfer = std::make_shared<Transfer>();
        transfer->number = started_++;
        transfer->completion = std::move(completion);
        transfer->fault = faultOf(transfer->number);
        // The address without the server's port, which changes from run to run.
        const std::string& url = request.url;
        transfer->path = url.substr(std::min(url.find('/', url.find("://") + 3), url.size()));
        if (transfer->fault == Fault::none)
            // Weak: the client's task keeps its completion, and the transfer keeps the task.
            transfer->sent = client_.start(std::move(request), [weak = std::weak_ptr(transfer)](auto result) {
                if (const auto waiting = weak.lock())
                    waiting->arrived.set_value(std::move(result));
            });
        pending_.push_back(transfer);
        return transfer;
    }

    std::size_t pendingCount() const { return pending_.size(); }
    long long faultsDelivered() const { return faults_; }
    long long started() const { return started_; }

    // Runs the completion of pending transfer `index` (in starting order) and says what it
    // delivered; nothing when the catalogue never answered it.
    std::optional<std::string> deliver(std::size_t index) {
        const std::shared_ptr<Transfer> transfer = pending_.at(index);
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(index));
        std::string said = "#" + std::to_string(transfer->number) + " " + transfer->path;
        std::optional<platform::HttpResult> result;
        if (transfer->cancelled) {
            result = platform::Error{platform::ErrorCode::cancelled, "cancelled"};
            said += " cancelled";
        } else if (transfer->fault == Fault::serverError) {
            result = platform::HttpResponse{500, "<html><body><h1>Internal Server Error</h1></body></html>"};
            said += " failed with 500";
        } else if (transfer->fault == Fault::connectionLost) {
            result = platform::Error{platform::ErrorCode::networkConnectionLost, "reset"};
            said += " lost its connection";
        } else if (transfer->result.wait_for(std::chrono::seconds(30)) == std::future_status::ready) {
            result = transfer->result.get();
        } else {
            return std::nullopt;
        }
        faults_ += transfer->fault != Fault::none && !transfer->cancelled;
        std::exchange(transfer->completion, nullptr)(std::move(*result));
        return said;
    }

private:
    struct Transfer final : platform::HttpTask {
        void cancel() override {
            cancelled = true;
            if (sent)
                sent->cancel();
        }
        long long number = 0;
        std::string path;
        platform::HttpCompletion completion;
        Fault fault = Fault::none;
        std::shared_ptr<platform::HttpTask> sent;
        std::atomic<bool> cancelled = false;
        // What the client's worker delivered.
        std::promise<platform::HttpResult> arrived;
        std::future<platform::HttpResult> result = arrived.get_future();
    };

    Fault faultOf(long long number) const {
        const std::uint64_t draw = mix(seed_ ^ mix(static_cast<std::uint64_t>(number)));
        if (static_cast<int>(draw % 1000) >= failuresPerThousand_)
            return Fault::none;
        return (draw >> 32) % 2 ? Fault::serverError : Fault::connectionLost;
    }

    platform::HttpClient& client_;
    const std::uint64_t seed_;
    const int failuresPerThousand_;
    long long started_ = 0;
    long long faults_ = 0;
    std::vector<std::shared_ptr<Transfer>> pending_;
};

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
        auto started = service::CatalogueServer::start(std::move(options));
        ASSERT_TRUE(started.ok()) << started.error().detail;
        catalogue = std::move(*started);
        network = std::make_unique<DrivenNetwork>(*http, seed, 40);
        useCatalogueAt(catalogue->baseURL(), [this] { sent(); }, network.get());
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
    std::string press(QWidget& target, const std::vector<Qt::Key>& keys, const std::string& name) {
        const Qt::Key key = pick(keys);
        QTest::keyClick(&target, key);
        return name + " " + std::to_string(key);
    }

    // A few of the transfers in flight, any of them, come back; what each sets going on
    // this side runs to its end before the next.
    std::string networkTurn(int most) {
        std::string said = "the network delivers";
        for (int turn = between(1, most); turn > 0 && network->pendingCount() > 0; --turn) {
            const int last = static_cast<int>(network->pendingCount()) - 1;
            const auto delivered = network->deliver(static_cast<std::size_t>(between(0, last)));
            if (!delivered && !networkProblem)
                networkProblem = "a transfer never came back from the catalogue";
            said += " " + delivered.value_or("nothing");
            finishPostedWork();
        }
        return said;
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
    std::string drag(ui::TableView& table);
    std::optional<std::string> broken();
    std::optional<std::string> brokenAfterSettling();

    const std::uint64_t seed = environmentNumber("WAYFARER_STORM_SEED", 20261206);
    std::mt19937_64 random{seed};
    std::unique_ptr<service::CatalogueServer> catalogue;
    std::unique_ptr<DrivenNetwork> network;
    // What a fling still has to go: the offsets of its frames to come, on that table.
    QPointer<ui::TableView> flinging;
    std::deque<int> flingFrames;
    std::string lastText;
    std::int64_t lastOffset = 0;
    int pagesSent = 0;
    std::optional<std::string> pagingProblem;
    std::optional<std::string> networkProblem;
};

std::string Storm::act() {
    if (ui::AlertController* shown = alert())
        return choose({
            {75, [=] { shown->buttonForAction(0)->click(); return std::string("OK"); }},
            {25, [&] { return networkTurn(3) + " under the alert"; }},
        });
    if (DetailViewController* screen = detail())
        return choose({
            {25, [=] { screen->header->likeButton->click(); return std::string("heart on the detail"); }},
            {25, [=] { screen->header->backButton->click(); return std::string("back button"); }},
            {25, [&] { return press(*window, {Qt::Key_Escape}, "Escape on the detail"); }},
            {25, [&] { return networkTurn(3) + " on the detail"; }},
        });
    if (ResultsTableViewController* screen = shownResults())
        return actOnResults(*screen);
    presentResults(*window->rootViewController(), session);
    return "open the results";
}

// A press on the table, moved up or down in six steps, and let go: slow steps end where the
// finger left the list, quick ones fling it on. The fling goes on frame by frame between
// the actions that follow, as Qt's scroller would move it while the user goes on.
std::string Storm::drag(ui::TableView& table) {
    const int distance = pick(std::vector<int>{-300, 400, 700, -400, 500});
    const int stepMilliseconds = pick(std::vector<int>{40, 4});
    ScreensTest::drag(table, distance, stepMilliseconds);
    // Qt's scroller moves the content on the wall clock, from its timer: the storm stops it
    // at the release and moves the list toward where it would have come to rest itself.
    QScroller* scroller = QScroller::scroller(table.viewport());
    const bool flung = scroller->state() == QScroller::Scrolling;
    const int end = flung ? qRound(scroller->finalPosition().y()) : table.contentOffset();
    scroller->stop();
    const int from = table.contentOffset();
    flinging = &table;
    flingFrames.clear();
    if (end != from)
        for (const double share : {0.45, 0.75, 0.92, 1.0})
            flingFrames.push_back(from + qRound((end - from) * share));
    return "drag " + std::to_string(distance) + " in steps of " + std::to_string(stepMilliseconds) +
           " ms, to rest at " + std::to_string(end);
}

std::string Storm::actOnResults(ResultsTableViewController& screen) {
    static const std::vector<QString> words = {"rome", "paris", "tower", "museum", "new york", "temple", "park"};
    ui::TextField& field = *screen.header->textField;
    QWidget& editor = field.editorWidget();
    ui::TableView& table = *screen.tableView();
    if (flinging == &table && !flingFrames.empty() && between(0, 1) == 0) {
        table.setContentOffset(flingFrames.front());
        flingFrames.pop_front();
        return "the fling moves to " + std::to_string(table.contentOffset());
    }
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
        {14, [&] {
             const int delta = pick(std::vector<int>{360, -120, -480, -960});
             turnWheel(table, delta);
             return "wheel " + std::to_string(delta);
         }},
        {12, [&] { return drag(table); }},
        {12, [&] {
             const std::vector keys{Qt::Key_End, Qt::Key_End, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp,
                                    Qt::Key_Down, Qt::Key_Up};
             return press(table, keys, "list key");
         }},
        {11, [&] {
             const auto rows = table.indexPathsForVisibleRows();
             auto* cell = rows.empty() ? nullptr : qobject_cast<AttractionTableViewCell*>(table.cellForRow(pick(rows)));
             if (!cell)
                 return std::string("no card to tap");
             flingFrames.clear();  // a touch stops the list
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
        {23, [&] { return networkTurn(4); }},
    });
}

std::optional<std::string> Storm::broken() {
    if (networkProblem)
        return networkProblem;
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
                return "row " + std::to_string(row.row) + " is not showing its record";
        }
    }
    return pagingProblem;
}

// Once every answer is in, the indicator stands still.
std::optional<std::string> Storm::brokenAfterSettling() {
    for (int turns = 0; network->pendingCount() > 0; ++turns) {
        if (turns == 1000)
            return "the network never fell quiet";
        networkTurn(1);
    }
    ResultsTableViewController* screen = shownResults();
    if (screen && !alert() && screen->indicator->isAnimating())
        return "the indicator still turns with no request of its search in flight";
    return broken();
}

TEST_F(Storm, EveryActionKeepsTheScreensConsistent) {
    const long long actions = static_cast<long long>(environmentNumber("WAYFARER_STORM_ACTIONS", 8000));
    // Only a guard: the run is the same whatever the machine's speed, until this stops it.
    const auto guard = std::chrono::steady_clock::now() +
                       std::chrono::seconds(environmentNumber("WAYFARER_STORM_SECONDS", 240));
    const std::string replay = "WAYFARER_STORM_SEED=" + std::to_string(seed) + " WAYFARER_STORM_ACTIONS=";
    std::deque<std::string> last;
    std::uint64_t digest = seed;
    long long count = 0;
    while (count < actions) {
        if (std::chrono::steady_clock::now() > guard) {
            std::cout << "storm: the time guard stopped the run; " << replay << count << " replays it\n";
            break;
        }
        const std::string action = act();
        ++count;
        finishPostedWork();
        auto problem = broken();
        if (!problem && count % 200 == 0)
            problem = brokenAfterSettling();
        last.push_back(action);
        if (last.size() > 25)
            last.pop_front();
        digest = mix(digest ^ std::hash<std::string>{}(action) ^ (session->attractions().size() << 48));
        if (problem) {
            std::ostringstream history;
            for (const auto& said : last)
                history << "\n  " << said;
            FAIL() << *problem << "\nafter " << count << " actions; " << replay << count
                   << " build/tests/screens/storm_tests replays it. The last ones:" << history.str();
        }
    }
    std::cout << "storm: seed " << seed << ", " << count << " actions, " << network->started() << " transfers ("
              << network->faultsDelivered() << " failed), " << pagesSent << " next pages; run " << std::hex << digest
              << std::dec << "\n";
    if (count >= 1000) {
        EXPECT_GT(pagesSent, 0) << "the storm never paged";
    }
}

}
}
