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

// The current search: text, records in display order, next page offset, end reached.
// Main thread only; answers are merged on the main queue just before their completion.
class DataManager : public std::enable_shared_from_this<DataManager> {
public:
    struct Failure {
        std::string message;
    };
    struct Success {};
    using Result = std::variant<Failure, Success>;
    using Completion = std::function<void(Result)>;

    // Empty `mainQueue`: platform::mainQueue() at each post.
    explicit DataManager(std::shared_ptr<DataTaskManager> taskManager,
                         std::shared_ptr<platform::MainQueue> mainQueue = nullptr);

    // On DataTaskManager::shared().
    static std::shared_ptr<DataManager> shared();

    // New search: (text, false); next page: (nullopt, true). `completion` runs once:
    // synchronously when there is no text, else on the main queue.
    void loadAttractions(std::optional<std::string> text, bool nextPage, Completion completion);

    // Drops duplicate uuids; didFinishLoading compares against `count`, or without it the
    // last count merged.
    void merge(std::vector<std::shared_ptr<Attraction>>& answer, std::optional<std::int64_t> count = std::nullopt);

    // The request in flight is not cancelled; its answer is just not merged.
    void resetSearch();
    // resetSearch() plus cancelling DataTaskManager::dataTask().
    void cancelSearch();

    const std::shared_ptr<DataTaskManager> taskManager;
    const std::vector<std::shared_ptr<Attraction>>& attractions() const { return attractions_; }
    Attraction::Currency currency() const { return currency_; }
    // For later requests; the app never changes it from USD.
    void setCurrency(Attraction::Currency currency) { currency_ = currency; }
    std::int64_t offsetPage() const { return offsetPage_; }
    const std::string& textToSearch() const { return textToSearch_; }
    bool didFinishLoading() const { return didFinishLoading_; }
    // meta.count of the last merged answer that had one.
    std::int64_t count() const { return count_; }

private:
    // Merges only when `currentSearch` is non-null, i.e. the answer is for the current search.
    static Result respond(DataManager* currentSearch, DataTaskManager::Result& result);

    std::shared_ptr<platform::MainQueue> mainQueue_;
    std::vector<std::shared_ptr<Attraction>> attractions_;
    std::unordered_set<std::string> heldUuids_;
    Attraction::Currency currency_ = Attraction::Currency::USD;
    std::int64_t offsetPage_ = 0;
    std::string textToSearch_;
    bool didFinishLoading_ = false;
    std::int64_t count_ = 0;
    // Bumped by reset and cancel; answers tagged with an older value are not merged.
    std::uint64_t search_ = 0;
};

}
