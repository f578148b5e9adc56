// A seeded storm of user actions on the real screens against the local catalogue, with answers
// delivered late and out of order and injected failures, checking invariants after every action.
// Every choice comes from the seed, and the network moves only when the storm says: one seed, one run.
#include "screens_fixture.h"

#include "screens/cover_image.h"
#include "screens/texts.h"
#include "service/catalogue_server.h"
#include "ui/image_view.h"

#include <QScroller>

#include <algorithm>
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

// SplitMix64's finaliser.
std::uint64_t mix(std::uint64_t x) {
    x += 0x9E3779B97F4A7C15u;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9u;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBu;
    return x ^ (x >> 31);
}

// An HttpSession over HttpClient: each transfer goes out at once, numbered in starting order,
// but its completion runs on the main thread only when deliver() picks it; cancelled by then,
// it ends cancelled. Whether it fails (a 500 or a lost connection) depends on the seed and its number alone.
class DrivenNetwork final : public platform::HttpSession {
public:
    DrivenNetwork(platform::HttpClient& client, std::uint64_t seed) : client_(client), seed_(seed) {}
    // An undelivered completion holds its transport, which holds its task.
    ~DrivenNetwork() override {
        for (const auto& transfer : pending_)
            transfer->completion = nullptr;
    }

    std::shared_ptr<platform::HttpTask> start(platform::HttpRequest request,
                                              platform::HttpCompletion completion) override {
        auto transfer = std::make_shared<Transfer>();
        transfer->number = started++;
        transfer->completion = std::move(completion);
        const std::uint64_t draw = mix(seed_ ^ mix(static_cast<std::uint64_t>(transfer->number)));
        transfer->fault = draw % 1000 < 40 ? 1 + static_cast<int>((draw >> 32) % 2) : 0;
        // The path alone: the server's port changes from run to run.
        const std::string& url = request.url;
        transfer->path = url.substr(std::min(url.find('/', url.find("://") + 3), url.size()));
        if (!transfer->fault)
            // Weak: the client's task keeps this completion, and the transfer keeps the task.
            transfer->sent = client_.start(std::move(request), [weak = std::weak_ptr(transfer)](auto result) {
                if (const auto waiting = weak.lock())
                    waiting->arrived.set_value(std::move(result));
            });
        if (transfer->path.starts_with("/api/v3/activities"))
            lastSearch_ = transfer;
        pending_.push_back(transfer);
        return transfer;
    }

    std::size_t pendingCount() const { return pending_.size(); }

    // While the last search sent waits for its answer, whether it was cancelled.
    std::optional<bool> lastSearchCancelled() const {
        if (std::find(pending_.begin(), pending_.end(), lastSearch_) == pending_.end())
            return std::nullopt;
        return lastSearch_->cancelled.load();
    }

    // Runs the completion of pending transfer `index` and says what it delivered; nothing
    // when the catalogue never answered it.
    std::optional<std::string> deliver(std::size_t index) {
        const std::shared_ptr<Transfer> transfer = pending_.at(index);
        pending_.erase(pending_.begin() + static_cast<std::ptrdiff_t>(index));
        const bool cancelled = transfer->cancelled;
        std::optional<platform::HttpResult> result;
        if (cancelled)
            result = platform::Error{platform::ErrorCode::cancelled, "cancelled"};
        else if (transfer->fault == 1)
            result = platform::HttpResponse{500, "<html><body><h1>Internal Server Error</h1></body></html>"};
        else if (transfer->fault == 2)
            result = platform::Error{platform::ErrorCode::networkConnectionLost, "reset"};
        else if (transfer->result.wait_for(std::chrono::seconds(30)) == std::future_status::ready)
            result = transfer->result.get();
        else
            return std::nullopt;
        faults += transfer->fault && !cancelled;
        std::exchange(transfer->completion, nullptr)(std::move(*result));
        return "#" + std::to_string(transfer->number) + " " + transfer->path +
               (cancelled ? " cancelled" : transfer->fault ? " failed" : "");
    }

    long long started = 0;
    long long faults = 0;

private:
    struct Transfer final : platform::HttpTask {
        void cancel() override {
            cancelled = true;
            if (sent)
                sent->cancel();
        }
        long long number = 0;
        int fault = 0;
        std::string path;
        platform::HttpCompletion completion;
        std::shared_ptr<platform::HttpTask> sent;
        std::atomic<bool> cancelled = false;
        std::promise<platform::HttpResult> arrived;
        std::future<platform::HttpResult> result = arrived.get_future();
    };

    platform::HttpClient& client_;
    const std::uint64_t seed_;
    std::vector<std::shared_ptr<Transfer>> pending_;
    std::shared_ptr<Transfer> lastSearch_;
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
        network = std::make_unique<DrivenNetwork>(*http, seed);
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

    // Up to `most` transfers in flight, any of them, come back; what each sets going runs to its end first.
    std::string networkTurn(int most) {
        std::string said = "the network delivers";
        for (int turn = between(1, most); turn > 0 && network->pendingCount() > 0; --turn) {
            const auto delivered = network->deliver(static_cast<std::size_t>(between(0, int(network->pendingCount()) - 1)));
            if (!delivered && !networkProblem)
                networkProblem = "a transfer never came back from the catalogue";
            said += " " + delivered.value_or("nothing");
            finishPostedWork();
        }
        return said;
    }

    // A text's pages go out from 0 one after another, and none once its end is found.
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

    const std::uint64_t seed = environmentNumber("WAYFARER_STORM_SEED", 20261206);
    std::mt19937_64 random{seed};
    std::unique_ptr<service::CatalogueServer> catalogue;
    std::unique_ptr<DrivenNetwork> network;
    // The content offsets still to come of a fling on `flinging`.
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
    if (detail()) {
        DetailHeaderView& header = detailHeader();
        return choose({
            {25, [&] { header.likeButton->click(); return std::string("heart on the detail"); }},
            {25, [&] { header.backButton->click(); return std::string("back button"); }},
            {25, [&] { return press(*window, {Qt::Key_Escape}, "Escape on the detail"); }},
            {25, [&] { return networkTurn(3) + " on the detail"; }},
        });
    }
    if (ResultsTableViewController* screen = shownResults())
        return actOnResults(*screen);
    presentResults(*window->rootViewController(), session);
    return "open the results";
}

// A press on the table moved in six steps and let go: slow steps stop where the finger left,
// quick ones fling. QScroller moves on the wall clock, so the storm stops it at once and
// plays the fling's frames itself between the actions that follow.
std::string Storm::drag(ui::TableView& table) {
    const int distance = pick(std::vector<int>{-300, 400, 700, -400, 500});
    const int stepMilliseconds = pick(std::vector<int>{40, 4});
    ScreensTest::drag(table, distance, stepMilliseconds);
    QScroller* scroller = QScroller::scroller(table.viewport());
    const int from = table.contentOffset();
    const int end = scroller->state() == QScroller::Scrolling ? qRound(scroller->finalPosition().y()) : from;
    scroller->stop();
    flinging = &table;
    flingFrames.clear();
    for (const double share : {0.45, 0.75, 0.92, 1.0})
        if (end != from)
            flingFrames.push_back(from + qRound((end - from) * share));
    return "drag " + std::to_string(distance) + " in " + std::to_string(stepMilliseconds) + " ms steps to " +
           std::to_string(end);
}

std::string Storm::actOnResults(ResultsTableViewController& screen) {
    static const std::vector<QString> words = {"rome", "paris", "tower", "museum", "new york", "temple", "park"};
    ui::TextField& field = *screen.tableView()->findChild<ui::TextField*>();
    QWidget& editor = field.editorWidget();
    ui::TableView& table = *screen.tableView();
    if (flinging == &table && !flingFrames.empty() && between(0, 1) == 0) {
        table.setContentOffset(flingFrames.front());
        flingFrames.pop_front();
        return "the fling moves to " + std::to_string(table.contentOffset());
    }
    return choose({
        // A word typed afresh, or the field just cleared.
        {7, [&] {
             const QString word = between(0, 6) < 2 ? QString() : pick(words);
             field.clearButton().click();
             QTest::keyClicks(&editor, word);
             return "clear and type \"" + word.toStdString() + "\"";
         }},
        // Mostly the next letter of a word, so that searches find something; else a backspace.
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
             return press(editor, {Qt::Key_Backspace, Qt::Key_Backspace, Qt::Key_Left, Qt::Key_Right, Qt::Key_Home,
                                   Qt::Key_End}, "field key");
         }},
        {14, [&] {
             const int delta = pick(std::vector<int>{360, -120, -480, -960});
             turnWheel(*table.viewport(), delta);
             return "wheel " + std::to_string(delta);
         }},
        {12, [&] { return drag(table); }},
        {12, [&] {
             return press(table, {Qt::Key_End, Qt::Key_End, Qt::Key_PageDown, Qt::Key_PageDown, Qt::Key_PageUp,
                                  Qt::Key_Down, Qt::Key_Up}, "list key");
         }},
        {11, [&] {
             const auto rows = table.indexPathsForVisibleRows();
             auto* cell = rows.empty() ? nullptr : qobject_cast<AttractionTableViewCell*>(table.cellForRow(pick(rows)));
             if (!cell)
                 return std::string("no card to tap");
             flingFrames.clear();  // a touch stops the list
             const std::string row = std::to_string(table.indexPathForCell(*cell)->row);
             const bool heart = between(0, 1) == 0;
             QWidget* target = heart ? static_cast<QWidget*>(cell->likeButton) : cell;
             QTest::mouseClick(target, Qt::LeftButton, {},
                               heart ? target->rect().center() : QPoint(cell->width() / 3, cell->height() / 2));
             return (heart ? "heart of row " : "card of row ") + row;
         }},
        {1, [&] { return press(*window, {Qt::Key_Escape}, "Escape on the results"); }},
        {1, [&] {
             table.findChild<TextFieldHeaderView*>()->closeButton->click();
             return std::string("close button");
         }},
        {23, [&] { return networkTurn(4); }},
    });
}

// The invariants; every 200 actions they are also checked once the network fell quiet.
std::optional<std::string> Storm::broken() {
    if (networkProblem)
        return networkProblem;
    int alerts = 0;
    for (ui::ViewController* shown = window->rootViewController(); shown; shown = shown->presentedViewController())
        alerts += qobject_cast<ui::AlertController*>(shown) != nullptr;
    if (alerts > 1)
        return std::to_string(alerts) + " alerts at once";
    // A heart is filled exactly when liked.
    const auto filled = [](const ui::Button& heart) { return heart.image()->name() == "Lorvanta_Heart_Fill"; };
    if (detail() && filled(*detailHeader().likeButton) != detail()->attraction->userDidLike)
        return std::string("the detail's heart does not show its like");
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
            const Attraction& record = *attractions[static_cast<std::size_t>(row.row)];
            if (!cell)
                continue;
            if (!cell->isShowing(record))
                return "row " + std::to_string(row.row) + " is not showing its record";
            // RecentCovers gives a shown cover's ui::Image back: anything else is another record's.
            const auto cover = coverImage(record.coverImg);
            const auto thumbnail = cell->thumbnailView->image();
            if (thumbnail.has_value() != cover.has_value() || (cover && !thumbnail->isSameAs(*cover)))
                return "row " + std::to_string(row.row) + " does not show its record's cover";
            // Under the detail the list shows its likes as they were until going back reloads it.
            if (!detail() && filled(*cell->likeButton) != record.userDidLike)
                return "row " + std::to_string(row.row) + "'s heart does not show its like";
        }
        const bool turning = table.findChild<ui::ActivityIndicatorView*>()->isAnimating();
        // A search is replaced when the session's text changes; one the clear button cancelled
        // still stops the indicator when it comes back, and so does any page of a search that
        // asked for the next before the last came.
        const std::optional<bool> cancelled = network->lastSearchCancelled();
        if (turning && !cancelled.has_value())
            return std::string("the indicator turns with no search in flight");
        if (!turning && cancelled == false && lastOffset == 0 && session->textToSearch() == lastText &&
            session->offsetPage() == 0)
            return std::string("a search is in flight and the indicator stopped");
        // The empty list's message stands alone, and asks for a word while there are too few letters.
        const QString text = screen->tableView()->findChild<ui::TextField*>()->text();
        const std::optional<QString> message = listMessage(table);
        if (message && (!attractions.empty() || turning || alert()))
            return "the list's message shows beside records, the indicator or an alert";
        if (attractions.empty() && !turning && !alert() && text.size() < 3 && message != localizedText("search_hint"))
            return "an empty list with " + std::to_string(text.size()) + " letters does not ask for a word";
    }
    return pagingProblem;
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
        last.push_back(act());
        if (last.size() > 25)
            last.pop_front();
        digest = mix(digest ^ std::hash<std::string>{}(last.back()) ^ (session->attractions().size() << 48));
        finishPostedWork();
        if (++count % 200 == 0) {
            for (int turns = 0; turns < 1000 && network->pendingCount() > 0; ++turns)
                networkTurn(1);
            if (network->pendingCount() > 0 && !networkProblem)
                networkProblem = "the network never fell quiet";
        }
        if (const auto problem = broken()) {
            std::ostringstream history;
            for (const auto& said : last)
                history << "\n  " << said;
            FAIL() << *problem << "\nafter " << count << " actions; " << replay << count
                   << " build/tests/screens/storm_tests replays it. The last ones:" << history.str();
        }
    }
    std::cout << "storm: seed " << seed << ", " << count << " actions, " << network->started << " transfers ("
              << network->faults << " failed), " << pagesSent << " next pages; run " << std::hex << digest << std::dec
              << "\n";
    if (count >= 1000) {
        EXPECT_GT(pagesSent, 0) << "the storm never paged";
    }
}

}
}
