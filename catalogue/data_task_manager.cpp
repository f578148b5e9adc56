#include "data_task_manager.h"

#include "cover_queue.h"

#include "activities_url.h"

#include "platform/image.h"
#include "platform/json.h"
#include "platform/language.h"
#include "platform/process_wide.h"

namespace wayfarer {

DataTaskManager::DataTaskManager(Configuration configuration) : configuration_(std::move(configuration)) {
    if (!configuration_.languageCode)
        configuration_.languageCode = platform::userLanguageCode;
}

DataTaskManager::~DataTaskManager() {
    if (dataTask_)
        dataTask_->cancel();
    dataTask_ = nullptr;
}

namespace {

std::shared_ptr<DataTaskManager> makeSharedTransport(DataTaskManager::Configuration configuration) {
    return std::make_shared<DataTaskManager>(std::move(configuration));
}

constinit platform::ProcessWide<std::shared_ptr<DataTaskManager>, DataTaskManager::Configuration> sharedTransport(
    &makeSharedTransport);

}

platform::Result<void> DataTaskManager::setSharedConfiguration(Configuration configuration) {
    return sharedTransport.configure(std::move(configuration));
}

std::shared_ptr<DataTaskManager> DataTaskManager::shared() {
    return sharedTransport.get();
}

std::optional<platform::HttpRequest> DataTaskManager::makeGetRequest(const std::optional<platform::URL>& url) const {
    if (!url)
        return std::nullopt;
    platform::HttpRequest request;
    request.url = url->string();
    request.requestTimeout = configuration_.context.timeout;
    request.resourceTimeout = configuration_.context.timeout;
    request.maxBodySize = maxAnswerSize;
    return request;
}

void DataTaskManager::fetchAttractions(std::string_view text, Attraction::Currency currency, std::int64_t offset,
                                       Completion completion) {
    auto request = makeGetRequest(activitiesURL(configuration_.baseURL, text, offset));
    if (!request) {
        completion(Failure{});
        return;
    }
    request->headers = {
        {"accept", "application/json"},
        {"accept-language", configuration_.languageCode().value_or("en-US")},
        {"x-lorvanta-currency", std::string(Attraction::rawValue(currency))},
    };
    // The completion captures shared_from_this(): the manager outlives the transfer.
    dataTask_ = configuration_.context.http->start(
        std::move(*request), [self = shared_from_this(), completion = std::move(completion)](platform::HttpResult result) {
            self->parseAttractions(result, completion);
        });
}

void DataTaskManager::parseAttractions(const platform::HttpResult& result, const Completion& completion) {
    if (!result) {
        completion(Failure{result.error()});
        return;
    }
    // A JSON error body is not a results page.
    if (result->status < 200 || result->status > 299) {
        completion(Failure{platform::Error{platform::ErrorCode::badServerResponse,
                                           "HTTP status " + std::to_string(result->status)}});
        return;
    }
    const std::string& body = result->body;
    std::vector<std::shared_ptr<Attraction>> attractions;
    std::optional<std::int64_t> total;
    bool isObject = false;
    const auto read = [&](platform::JsonValue root) {
        isObject = root.isObject();
        if (!isObject)
            return;
        if (const auto meta = root.member("meta"))
            if (const auto reported = meta->member("count"))
                total = reported->wholeNumber();
        const auto data = root.member("data");
        if (!data || !data->isArray())
            return;
        // Any non-object element in "data" empties the whole list.
        bool allObjects = true;
        attractions.reserve(data->size());
        data->forEachElement([&](platform::JsonValue element) {
            allObjects = allObjects && element.isObject();
            if (!allObjects)
                return;
            if (auto record = Attraction::fromDictionary(element)) {
                record->origin = result->server;
                attractions.push_back(std::move(record));
            }
        });
        if (!allObjects)
            attractions.clear();
    };
    const auto parsed = platform::hasJsonPadding(body) ? platform::readPaddedJson(body, read)
                                                       : platform::readJson(body, read);
    if (!parsed) {
        completion(Failure{parsed.error()});
        return;
    }
    if (!isObject) {
        completion(Failure{});
        return;
    }
    if (total)
        count_ = *total;
    completion(Success{std::move(attractions), total});
}

void DataTaskManager::downloadImage(const platform::URL& url,
                                    std::function<void(std::shared_ptr<const platform::Image>)> completion,
                                    const CatalogueContext& context, platform::AddressSpace initiator) {
    CoverQueue::shared().fetch(url, std::move(completion), context, initiator);
}

}
