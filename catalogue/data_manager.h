#pragma once

#include "attraction.h"
#include "data_task_manager.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <variant>
#include <vector>

namespace wayfarer {

// The one search the results screen shows: its text, the records gathered so far in
// display order, the offset of the next page and whether the end has been reached.
// Every call and every read happens on the main thread; answers are merged there too,
// just before their completion runs, so a merge never overlaps another or a read.
class DataManager : public std::enable_shared_from_this<DataManager> {
public:
    struct Failure {
        std::string message;
    };
    struct Success {};
    using Result = std::variant<Failure, Success>;
    using Completion = std::function<void(Result)>;

    // `mainQueue` empty: the process's main queue at the time of each post.
    explicit DataManager(std::shared_ptr<DataTaskManager> taskManager,
                         std::shared_ptr<platform::MainQueue> mainQueue = nullptr);

    // The process's session, on the shared transport.
    static std::shared_ptr<DataManager> shared();

    // A new search (text given, nextPage false) or the next page of the current one (no
    // text, nextPage true). `completion` runs exactly once: at once when there is no text
    // to search, otherwise from the main queue.
    void loadAttractions(std::optional<std::string> text, bool nextPage, Completion completion);

    // Merges one answer of the current search into the list, dropping records already
    // held, and updates didFinishLoading against the answer's total, or without one the
    // total of the answers merged before it. Main thread only.
    void merge(std::vector<std::shared_ptr<Attraction>>& answer, std::optional<std::int64_t> count = std::nullopt);

    // Clears the session; a request in flight runs on, but its answer is no longer merged.
    void resetSearch();
    // Clears the session and cancels the transport's current task.
    void cancelSearch();

    const std::shared_ptr<DataTaskManager> taskManager;
    const std::vector<std::shared_ptr<Attraction>>& attractions() const { return attractions_; }
    Attraction::Currency currency() const { return currency_; }
    // The currency of the requests to come; the application keeps the default, USD.
    void setCurrency(Attraction::Currency currency) { currency_ = currency; }
    std::int64_t offsetPage() const { return offsetPage_; }
    const std::string& textToSearch() const { return textToSearch_; }
    bool didFinishLoading() const { return didFinishLoading_; }
    // The service's total as the last merged answer that carried one reported it.
    std::int64_t count() const { return count_; }

private:
    // The outcome of one answer. `currentSearch` is the session when the answer belongs to
    // its current search, and only then is the answer merged; otherwise null.
    static Result respond(DataManager* currentSearch, DataTaskManager::Result& result);

    std::shared_ptr<platform::MainQueue> mainQueue_;
    std::vector<std::shared_ptr<Attraction>> attractions_;
    std::unordered_set<std::string> heldUuids_;
    Attraction::Currency currency_ = Attraction::Currency::USD;
    std::int64_t offsetPage_ = 0;
    std::string textToSearch_;
    bool didFinishLoading_ = false;
    std::int64_t count_ = 0;
    // Raised by every reset and cancel: an answer to an earlier search is not merged.
    std::uint64_t search_ = 0;
};

}
