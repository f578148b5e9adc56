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

// The only part of the catalogue that talks to the network: sends one search to the
// catalogue service, reads its JSON answer into records and remembers the service's
// total. Completions of searches run on the HTTP worker thread.
class DataTaskManager : public std::enable_shared_from_this<DataTaskManager> {
public:
    struct Success {
        // Always filled by this transport, possibly empty.
        std::optional<std::vector<std::shared_ptr<Attraction>>> attractions;
        // The total this answer reported in "meta", when it reported one. It travels with
        // its answer so that a late answer of another search cannot change this one's end.
        std::optional<std::int64_t> count;
    };
    struct Failure {
        std::optional<platform::Error> error;
    };
    using Result = std::variant<Success, Failure>;
    using Completion = std::function<void(Result)>;

    struct Configuration {
        // The catalogue service's base address, without the activities path.
        std::string baseURL;
        CatalogueContext context = CatalogueContext::shared();
        // The user's language code for "accept-language"; asked at every request.
        std::function<std::optional<std::string>()> languageCode = nullptr;
    };

    static constexpr std::size_t maxAnswerSize = 8u << 20;
    static constexpr std::size_t maxImageSize = 16u << 20;

    explicit DataTaskManager(Configuration configuration);
    // Cancels the last search task, if any.
    ~DataTaskManager();
    DataTaskManager(const DataTaskManager&) = delete;
    DataTaskManager& operator=(const DataTaskManager&) = delete;

    // The process's transport, made on first use from the configuration set before it.
    static std::shared_ptr<DataTaskManager> shared();
    // Takes effect only before the first call of shared(); fails after it.
    static platform::Result<void> setSharedConfiguration(Configuration configuration);

    // Where this transport's work runs; cover downloads for its records go the same way.
    const CatalogueContext& context() const { return configuration_.context; }

    // Searches `text` at page `offset`. When no address can be made, `completion` runs
    // at once, before this returns, with a failure without an error, and nothing is sent.
    void fetchAttractions(std::string_view text, Attraction::Currency currency, std::int64_t offset,
                          Completion completion);

    // The GET request for `url` with the transport's settings; nothing without a URL.
    std::optional<platform::HttpRequest> makeGetRequest(const std::optional<platform::URL>& url) const;

    // Reads one finished search: the body of a 2xx response (read in place when received
    // with JSON padding); any other status fails as badServerResponse, whatever the body.
    void parseAttractions(const platform::HttpResult& result, const Completion& completion);

    // Fetches and decodes one image on behalf of a server in `initiator`'s space, as
    // CoverQueue::shared() schedules it. `completion` runs once on the main queue, with the
    // image or with nothing (no body, a transport error, a refused address, bytes that are
    // no image).
    static void downloadImage(const platform::URL& url,
                              std::function<void(std::shared_ptr<const platform::Image>)> completion,
                              const CatalogueContext& context = CatalogueContext::shared(),
                              platform::AddressSpace initiator = platform::AddressSpace::internet);

    // The total the service reported in the last answer that carried one.
    std::int64_t count() const { return count_.load(); }
    // The last search task started; main thread only.
    const std::shared_ptr<platform::HttpTask>& dataTask() const { return dataTask_; }

private:
    Configuration configuration_;
    std::shared_ptr<platform::HttpTask> dataTask_;
    std::atomic<std::int64_t> count_ = 0;
};

}
