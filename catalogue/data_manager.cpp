#include "data_manager.h"

#include "platform/localized.h"
#include "platform/no_destructor.h"

namespace wayfarer {

DataManager::DataManager(std::shared_ptr<DataTaskManager> manager, std::shared_ptr<platform::MainQueue> mainQueue)
    : taskManager(std::move(manager)), mainQueue_(std::move(mainQueue)) {}

std::shared_ptr<DataManager> DataManager::shared() {
    static platform::NoDestructor<std::shared_ptr<DataManager>> instance(
        std::make_shared<DataManager>(DataTaskManager::shared()));
    return *instance;
}

void DataManager::loadAttractions(std::optional<std::string> text, bool nextPage, Completion completion) {
    if (text)
        textToSearch_ = std::move(*text);
    if (nextPage)
        ++offsetPage_;
    if (textToSearch_.empty()) {
        completion(Failure{localized("error_no_text")});
        return;
    }
    // Answers come on the HttpClient worker or, with no URL, synchronously; both are posted
    // to the main queue.
    taskManager->fetchAttractions(
        textToSearch_, currency_, offsetPage_,
        [weak = weak_from_this(), queue = mainQueue_ ? mainQueue_ : platform::mainQueue(), search = search_,
         completion = std::move(completion)](DataTaskManager::Result result) {
            queue->post([weak, search, result = std::move(result), completion]() mutable {
                const auto self = weak.lock();
                completion(respond(self && self->search_ == search ? self.get() : nullptr, result));
            });
        });
}

DataManager::Result DataManager::respond(DataManager* currentSearch, DataTaskManager::Result& result) {
    if (auto* success = std::get_if<DataTaskManager::Success>(&result)) {
        if (!success->attractions) {
            if (currentSearch != nullptr)
                currentSearch->cancelSearch();
            return Failure{localized("error_no_content")};
        }
        if (currentSearch != nullptr)
            currentSearch->merge(*success->attractions, success->count);
        return Success{};
    }
    const auto& failure = std::get<DataTaskManager::Failure>(result);
    return Failure{failure.error ? failure.error->localizedDescription() : localized("error_message")};
}

void DataManager::merge(std::vector<std::shared_ptr<Attraction>>& answer, std::optional<std::int64_t> count) {
    if (count)
        count_ = *count;
    const auto heldAll = [this] { return static_cast<std::int64_t>(attractions_.size()) >= count_; };
    // Pages never overlap, so the end is the empty page after the last, once meta.count
    // records are held.
    if (answer.empty()) {
        if (heldAll())
            didFinishLoading_ = true;
        return;
    }
    // A uuid set instead of a list scan: same result, linear in the answer.
    const std::size_t answerSize = answer.size();
    std::size_t duplicates = 0;
    for (auto& record : answer) {
        if (heldUuids_.insert(record->uuid).second) {
            attractions_.push_back(std::move(record));
            continue;
        }
        ++duplicates;
        didFinishLoading_ = duplicates == answerSize && heldAll();
    }
}

void DataManager::resetSearch() {
    textToSearch_.clear();
    offsetPage_ = 0;
    didFinishLoading_ = false;
    attractions_.clear();
    heldUuids_.clear();
    ++search_;
}

void DataManager::cancelSearch() {
    resetSearch();
    if (const auto& task = taskManager->dataTask())
        task->cancel();
}

}
