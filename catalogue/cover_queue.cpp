#include "cover_queue.h"

#include "data_task_manager.h"

#include "platform/image_decode_queue.h"
#include "platform/no_destructor.h"

namespace wayfarer {

namespace {

// HttpSession pointer plus scheme://authority: the unit of connection sharing.
std::string hostOf(const platform::HttpSession* client, std::string_view url) {
    const auto schemeEnd = url.find("://");
    const auto authority = schemeEnd == std::string_view::npos ? 0 : schemeEnd + 3;
    return std::to_string(reinterpret_cast<std::uintptr_t>(client)) + ' ' +
           std::string(url.substr(0, url.find_first_of("/?#", authority)));
}

}

CoverQueue& CoverQueue::shared() {
    static platform::NoDestructor<CoverQueue> queue;
    return *queue;
}

std::int64_t CoverQueue::rankFor(const std::string& url) {
    return (visible_.contains(url) ? onScreen : 0) + ++lastStamp_;
}

void CoverQueue::fetch(const platform::URL& url, Delivery completion, const CatalogueContext& context,
                       platform::AddressSpace initiator) {
    std::string address(url.string());
    // Keyed by HttpSession (another session may be destroyed before the transfer starts) and
    // initiator (the AddressSpace policy depends on it), not by URL alone.
    std::string key = std::to_string(reinterpret_cast<std::uintptr_t>(context.http)) + ' ' +
                      std::to_string(static_cast<int>(initiator)) + ' ' + address;
    std::vector<std::shared_ptr<Download>> startable;
    {
        std::lock_guard lock(mutex_);
        auto& download = downloads_[key];
        if (!download) {
            download = std::make_shared<Download>();
            download->key = std::move(key);
            download->url = address;
            download->host = hostOf(context.http, address);
            download->context = context;
            download->initiator = initiator;
        }
        download->waiters.push_back(Waiter{std::move(completion), context});
        download->priority->store(rankFor(address));
        startable = takeStartable();
    }
    for (const auto& download : startable)
        start(download);
}

void CoverQueue::shown(const std::string& url) {
    std::lock_guard lock(mutex_);
    ++visible_[url];
    rerank(url);
}

void CoverQueue::hidden(const std::string& url) {
    std::lock_guard lock(mutex_);
    const auto shown = visible_.find(url);
    if (shown == visible_.end() || --shown->second > 0)
        return;
    visible_.erase(shown);
    // Its recency stamp becomes the newest among off-screen URLs.
    rerank(url);
}

void CoverQueue::rerank(const std::string& url) {
    const std::int64_t rank = rankFor(url);
    for (const auto& [key, download] : downloads_)
        if (download->url == url)
            download->priority->store(rank);
}

std::vector<std::shared_ptr<CoverQueue::Download>> CoverQueue::takeStartable() {
    std::vector<std::shared_ptr<Download>> startable;
    while (true) {
        std::shared_ptr<Download> best;
        for (const auto& [url, download] : downloads_) {
            if (download->started || running_[download->host] >= transfersPerHost_)
                continue;
            if (!best || download->priority->load() > best->priority->load())
                best = download;
        }
        if (!best)
            return startable;
        best->started = true;
        ++running_[best->host];
        startable.push_back(std::move(best));
    }
}

void CoverQueue::start(const std::shared_ptr<Download>& download) {
    platform::HttpRequest request;
    request.url = download->url;
    request.initiator = download->initiator;
    request.requestTimeout = download->context.timeout;
    request.resourceTimeout = download->context.timeout;
    request.maxBodySize = DataTaskManager::maxImageSize;
    download->context.http->start(std::move(request), [this, download](platform::HttpResult result) {
        transferred(download, result ? std::move(result->body) : std::string());
    });
}

void CoverQueue::transferred(const std::shared_ptr<Download>& download, std::string body) {
    std::vector<std::shared_ptr<Download>> startable;
    {
        std::lock_guard lock(mutex_);
        if (--running_[download->host] == 0)
            running_.erase(download->host);
        startable = takeStartable();
    }
    for (const auto& next : startable)
        start(next);
    if (body.empty()) {
        deliver(download, nullptr);
        return;
    }
    platform::decodeImageAsync(
        std::move(body), [this, download](std::shared_ptr<const platform::Image> image) { deliver(download, image); },
        download->priority);
}

void CoverQueue::deliver(const std::shared_ptr<Download>& download, const std::shared_ptr<const platform::Image>& image) {
    std::vector<Waiter> waiters;
    {
        std::lock_guard lock(mutex_);
        // Later fetch() calls for this URL start a new transfer.
        if (const auto found = downloads_.find(download->key); found != downloads_.end() && found->second == download)
            downloads_.erase(found);
        waiters.swap(download->waiters);
    }
    for (auto& waiter : waiters)
        waiter.context.postToMain([completion = std::move(waiter.completion), image] { completion(image); });
}

}
