#pragma once

#include "attraction.h"
#include "catalogue_context.h"

#include "platform/error.h"
#include "platform/http_client.h"
#include "platform/result.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <variant>
#include <vector>

namespace wayfarer {

// The catalogue's only HttpSession user: the activities GET, its JSON into Attraction
// records, meta.count kept. Search completions run on the HttpClient worker thread.
class DataTaskManager : public std::enable_shared_from_this<DataTaskManager> {
public:
    struct Success {
        // Always set by this class, possibly to an empty vector.
        std::optional<std::vector<std::shared_ptr<Attraction>>> attractions;
        // meta.count of this answer; carried with it so a stale answer cannot change count().
        std::optional<std::int64_t> count;
    };
    struct Failure {
        std::optional<platform::Error> error;
    };
    using Result = std::variant<Success, Failure>;
    using Completion = std::function<void(Result)>;

    struct Configuration {
        // Without the activities path.
        std::string baseURL;
        CatalogueContext context = CatalogueContext::shared();
        // Accept-Language value, called for every request.
        std::function<std::optional<std::string>()> languageCode = nullptr;
    };

    static constexpr std::size_t maxAnswerSize = 8u << 20;
    static constexpr std::size_t maxImageSize = 16u << 20;

    explicit DataTaskManager(Configuration configuration);
    // Cancels dataTask().
    ~DataTaskManager();
    DataTaskManager(const DataTaskManager&) = delete;
    DataTaskManager& operator=(const DataTaskManager&) = delete;

    // Made on first use from setSharedConfiguration's configuration.
    static std::shared_ptr<DataTaskManager> shared();
    // Fails once shared() has been called.
    static platform::Result<void> setSharedConfiguration(Configuration configuration);

    // Also used by downloadImage for this transport's records.
    const CatalogueContext& context() const { return configuration_.context; }

    // When no URL can be built, `completion` runs synchronously with a failure carrying no
    // Error, and nothing is sent.
    void fetchAttractions(std::string_view text, Attraction::Currency currency, std::int64_t offset,
                          Completion completion);

    std::optional<platform::HttpRequest> makeGetRequest(const std::optional<platform::URL>& url) const;

    // Non-2xx fails as badServerResponse whatever the body; a jsonPadding body parses in place.
    void parseAttractions(const platform::HttpResult& result, const Completion& completion);

    // Scheduled by CoverQueue::shared(); `initiator` becomes HttpRequest::initiator.
    // `completion` runs once on the main queue, with nullptr for any failure.
    static void downloadImage(const platform::URL& url,
                              std::function<void(std::shared_ptr<const platform::Image>)> completion,
                              const CatalogueContext& context = CatalogueContext::shared(),
                              platform::AddressSpace initiator = platform::AddressSpace::internet);

    // meta.count of the last answer that had one.
    std::int64_t count() const { return count_.load(); }
    // Main thread only.
    const std::shared_ptr<platform::HttpTask>& dataTask() const { return dataTask_; }

private:
    Configuration configuration_;
    std::shared_ptr<platform::HttpTask> dataTask_;
    std::atomic<std::int64_t> count_ = 0;
};

}
