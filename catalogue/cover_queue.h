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

// Schedules cover downloads: at most `transfersPerHost` transfers at once for each host
// (streams of one connection over HTTP/2), the others waiting in the order of what the
// list shows: addresses on screen first, the most recently shown next, those long gone
// last. Their decoding takes the same order. Nothing is ever cancelled; a waiting
// download only waits longer. Downloads of one address that overlap share one transfer,
// and each still gets its own delivery, exactly once.
class CoverQueue {
public:
    using Delivery = std::function<void(std::shared_ptr<const platform::Image>)>;

    explicit CoverQueue(std::size_t transfersPerHost = 6) : transfersPerHost_(transfersPerHost) {}
    CoverQueue(const CoverQueue&) = delete;
    CoverQueue& operator=(const CoverQueue&) = delete;

    // The process's queue, which DataTaskManager::downloadImage uses. Never destroyed.
    static CoverQueue& shared();

    // Fetches and decodes `url` as DataTaskManager::downloadImage does: `completion` runs
    // once on the context's main queue, with the image or with nothing.
    void fetch(const platform::URL& url, Delivery completion, const CatalogueContext& context,
               platform::AddressSpace initiator = platform::AddressSpace::internet);

    // A row showing `url` came on screen, or left it; a row may show the same address as
    // another. Main thread.
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

    // Visible addresses rank above every stamp.
    static constexpr std::int64_t onScreen = std::int64_t{1} << 62;

    std::int64_t rankFor(const std::string& url);
    void rerank(const std::string& url);
    // Marks the best waiting download of hosts with a free slot as started, and returns it.
    std::vector<std::shared_ptr<Download>> takeStartable();
    void start(const std::shared_ptr<Download>& download);
    void transferred(const std::shared_ptr<Download>& download, std::string body);
    void deliver(const std::shared_ptr<Download>& download, const std::shared_ptr<const platform::Image>& image);

    const std::size_t transfersPerHost_;
    std::mutex mutex_;
    // Downloads waiting or running, by client and address.
    std::unordered_map<std::string, std::shared_ptr<Download>> downloads_;
    std::unordered_map<std::string, std::size_t> running_;
    // How many rows show each address now.
    std::unordered_map<std::string, int> visible_;
    std::int64_t lastStamp_ = 0;
};

}
