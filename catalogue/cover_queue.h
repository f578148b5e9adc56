#pragma once

#include "catalogue_context.h"

#include "platform/image.h"
#include "platform/url.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

namespace wayfarer {

// Cover download scheduler: at most `transfersPerHost` per host (HTTP/2 streams on one
// connection); waiting ones go on-screen first, then most recently shown; decodeImageAsync
// uses the same priority. Nothing is cancelled, only deprioritised. Concurrent fetches of
// one URL share a transfer; each caller still gets exactly one delivery.
class CoverQueue {
public:
    using Delivery = std::function<void(std::shared_ptr<const platform::Image>)>;

    explicit CoverQueue(std::size_t transfersPerHost = 6) : transfersPerHost_(transfersPerHost) {}
    CoverQueue(const CoverQueue&) = delete;
    CoverQueue& operator=(const CoverQueue&) = delete;

    // Leaked; used by DataTaskManager::downloadImage.
    static CoverQueue& shared();

    // `completion` runs once on the context's MainQueue, with nullptr for any failure.
    void fetch(const platform::URL& url, Delivery completion, const CatalogueContext& context,
               platform::AddressSpace initiator = platform::AddressSpace::internet);

    // Main thread; visibility is reference-counted, as several rows may show one URL.
    void shown(const std::string& url);
    void hidden(const std::string& url);

private:
    struct Waiter {
        Delivery completion;
        CatalogueContext context;
    };
    struct Download {
        std::string key;
        std::string url;
        std::string host;
        CatalogueContext context;
        platform::AddressSpace initiator = platform::AddressSpace::internet;
        std::vector<Waiter> waiters;
        std::shared_ptr<std::atomic<std::int64_t>> priority = std::make_shared<std::atomic<std::int64_t>>(0);
        bool started = false;
    };

    // Priority of visible URLs: above any recency stamp.
    static constexpr std::int64_t onScreen = std::int64_t{1} << 62;

    std::int64_t rankFor(const std::string& url);
    void rerank(const std::string& url);
    // Per host with a free slot, the highest-priority waiting download, marked started.
    std::vector<std::shared_ptr<Download>> takeStartable();
    void start(const std::shared_ptr<Download>& download);
    void transferred(const std::shared_ptr<Download>& download, std::string body);
    void deliver(const std::shared_ptr<Download>& download, const std::shared_ptr<const platform::Image>& image);

    const std::size_t transfersPerHost_;
    std::mutex mutex_;
    // Waiting or running, keyed by HttpSession and URL.
    std::unordered_map<std::string, std::shared_ptr<Download>> downloads_;
    std::unordered_map<std::string, std::size_t> running_;
    // URL -> number of rows showing it.
    std::unordered_map<std::string, int> visible_;
    std::int64_t lastStamp_ = 0;
};

}
