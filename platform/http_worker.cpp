#include "http_worker.h"

#include "http_error.h"
#include "url.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace wayfarer::platform {

namespace {

// A network that cannot be reached is retried after this pause, as the platform waits
// for connectivity instead of failing at once.
constexpr auto unreachableRetryPause = std::chrono::milliseconds(500);
constexpr long maxRedirects = 5;
// Easy handles kept for the next transfers: a reset handle is cheaper than a new one.
constexpr std::size_t maxSpareHandles = 8;
// Failed polls in a row after which the transfers running are given up.
constexpr int maxPollFailures = 5;

constexpr const char* localRefusal = "a server on the internet may not reach a local address";

// Why the next hop of a transfer may not go to `url`, or nothing when it may.
// `afterHttps`: an earlier hop of the same transfer went over https.
std::optional<std::string> refusalOf(const std::optional<URL>& url, bool afterHttps, AddressSpace space) {
    if (!url || (url->scheme() != "http" && url->scheme() != "https"))
        return "not an http or https URL";
    if (url->scheme() == "https")
        return std::nullopt;
    if (afterHttps)
        return "a transfer that went over https does not go on over plain http";
    if (!isLoopbackHost(url->host()))
        return "plain http goes only to this machine";
    if (space == AddressSpace::internet)
        return localRefusal;
    return std::nullopt;
}

// CURLOPT_OPENSOCKETFUNCTION, for every new connection, with the address resolved: no
// socket for a local address on an internet server's behalf, so nothing reaches it.
curl_socket_t openPermittedSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (transfer.space_ == AddressSpace::internet && addressSpaceOf(address->addr) == AddressSpace::local) {
        transfer.addressRefused_ = true;
        return CURL_SOCKET_BAD;
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// CURLOPT_PREREQFUNCTION, before each request, on a new or a reused connection: the same
// check, and where this hop went, for the hops it redirects to.
int checkConnectedAddress(void* user, char* primaryIp, char*, int, int) {
    auto& transfer = *static_cast<Transfer*>(user);
    const AddressSpace connected = addressSpaceOf(primaryIp);
    if (transfer.space_ == AddressSpace::internet && connected == AddressSpace::local) {
        transfer.addressRefused_ = true;
        return CURL_PREREQFUNC_ABORT;
    }
    transfer.space_ = connected;
    return CURL_PREREQFUNC_OK;
}

}

CURLcode initCurlOnce() {
    static const CURLcode code = curl_global_init(CURL_GLOBAL_DEFAULT);
    return code;
}

HttpClient::Worker::Worker(HttpClientOptions options, HttpCalls calls)
    : options_(std::move(options)), calls_(std::move(calls)) {
    if (const CURLcode code = calls_.globalInit(); code != CURLE_OK) {
        broken_ = Error{ErrorCode::unknown, std::string("curl_global_init: ") + curl_easy_strerror(code)};
        return;
    }
    multi_ = calls_.multiInit();
    if (!multi_) {
        broken_ = Error{ErrorCode::unknown, "curl_multi_init failed"};
        return;
    }
    wakeFd_ = calls_.eventFd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    // As browsers do: a few connections per server, kept alive and reused, rather than one
    // for every concurrent request, which a server would have to keep open.
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
    for (const auto& pinned : options_.pinnedHosts) {
        const std::string entry = pinned.host + ":" + std::to_string(pinned.port) + ":" + pinned.address;
        pinned_.reset(curl_slist_append(pinned_.release(), entry.c_str()));
    }
    // Without a share each handle keeps its own DNS and TLS session caches.
    share_ = calls_.shareInit();
    if (!share_)
        return;
    // Only the worker thread uses these handles, so the share needs no locks.
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
}

HttpClient::Worker::~Worker() {
    // Before the share, which a handle still attached would keep in use.
    spareHandles_.clear();
    curl_multi_cleanup(multi_);
    curl_share_cleanup(share_);
    if (wakeFd_ >= 0)
        close(wakeFd_);
}

void HttpClient::Worker::run() { thread_ = std::thread([self = shared_from_this()] { self->loop(); }); }

void HttpClient::Worker::stop(Stop mode) {
    {
        std::lock_guard lock(mutex_);
        if (stopping_)
            return;
        stopping_ = true;
        stopMode_ = mode;
    }
    wake();
    // A completion that ends the process stops the worker from the worker itself,
    // which cannot wait for its own end; it ends with the process.
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else if (thread_.joinable())
        thread_.join();
}

void HttpClient::Worker::submit(std::shared_ptr<Transfer> transfer) {
    Stop mode = Stop::cancelling;
    {
        std::lock_guard lock(mutex_);
        // Also while stopping: the thread ends these too, so none completes inside start().
        // Once it has closed only the shared client's stop at exit is left, which drops them.
        if (!closed_) {
            incoming_.push_back(std::move(transfer));
            transfer = nullptr;
        }
        mode = stopMode_;
    }
    if (transfer)
        end(*transfer, mode);
    else
        wake();
}

void HttpClient::Worker::wake() {
    wakeUp_.notify_one();
    if (wakeFd_ < 0)
        return static_cast<void>(curl_multi_wakeup(multi_));
    const std::uint64_t one = 1;
    // A full counter already wakes the worker; nothing else can fail here.
    static_cast<void>(write(wakeFd_, &one, sizeof one));
}

void HttpClient::Worker::add(const std::shared_ptr<Transfer>& transfer) {
    if (broken_)
        return transfer->finish(*broken_);
    // Before curl sees the address, so that nothing is looked up, connected to or sent
    // for an address the client may not fetch.
    const auto url = URL::parse(transfer->url_);
    if (auto refusal = refusalOf(url, transfer->wentOverHttps_, transfer->space_)) {
        transfer->finish(Error{ErrorCode::unsupportedURL, std::move(*refusal)});
        return;
    }
    transfer->wentOverHttps_ = transfer->wentOverHttps_ || url->scheme() == "https";
    EasyHandle easy;
    if (!spareHandles_.empty()) {
        easy = std::move(spareHandles_.back());
        spareHandles_.pop_back();
    } else {
        easy.reset(calls_.easyInit());
    }
    if (!easy)
        return transfer->finish(Error{ErrorCode::unknown, "curl_easy_init failed"});
    transfer->beginHop(TransferSettings{options_, share_, pinned_.get()}, std::move(easy));
    CURL* handle = transfer->easy_.get();
    transfer->addressRefused_ = false;
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETFUNCTION, &openPermittedSocket);
    curl_easy_setopt(handle, CURLOPT_OPENSOCKETDATA, transfer.get());
    curl_easy_setopt(handle, CURLOPT_PREREQFUNCTION, &checkConnectedAddress);
    curl_easy_setopt(handle, CURLOPT_PREREQDATA, transfer.get());
    if (const CURLMcode code = calls_.multiAddHandle(multi_, handle); code != CURLM_OK)
        return transfer->finish(Error{ErrorCode::unknown, std::string("curl_multi_add_handle: ") + curl_multi_strerror(code)});
    active_.emplace(handle, transfer);
}

void HttpClient::Worker::remove(Transfer& transfer) {
    if (!transfer.easy_)
        return;
    curl_multi_remove_handle(multi_, transfer.easy_.get());
    active_.erase(transfer.easy_.get());
    if (spareHandles_.size() < maxSpareHandles) {
        curl_easy_reset(transfer.easy_.get());
        spareHandles_.push_back(std::move(transfer.easy_));
    }
}

void HttpClient::Worker::end(Transfer& transfer, Stop mode) {
    if (mode == Stop::cancelling)
        transfer.finish(Error{ErrorCode::cancelled, "the client has stopped"});
    else
        transfer.drop();
}

void HttpClient::Worker::follow(const std::shared_ptr<Transfer>& transfer, std::string location) {
    if (++transfer->redirects_ > maxRedirects) {
        transfer->finish(Error{ErrorCode::tooManyRedirects, "more than 5 redirects"});
        return;
    }
    transfer->url_ = std::move(location);
    add(transfer);
}

void HttpClient::Worker::complete(CURL* easy, CURLcode code) {
    const auto found = active_.find(easy);
    if (found == active_.end())
        return;
    std::shared_ptr<Transfer> transfer = found->second;
    // Read before the handle goes back to the spares, which resets it.
    long status = 0;
    long osErrno = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno);
    const char* location = code == CURLE_OK ? redirectLocation(easy) : nullptr;
    std::string redirect = location ? location : "";
    remove(*transfer);

    if (code == CURLE_OK) {
        if (!redirect.empty())
            return follow(transfer, std::move(redirect));
        transfer->finish(HttpResponse{status, std::move(transfer->body_), transfer->space_});
        return;
    }
    if (transfer->addressRefused_)
        return transfer->finish(Error{ErrorCode::unsupportedURL, localRefusal});
    if (code == CURLE_COULDNT_CONNECT && isUnreachable(osErrno)) {
        const auto now = Clock::now();
        if (now + unreachableRetryPause < transfer->deadline_) {
            transfer->retryAt_ = now + unreachableRetryPause;
            transfer->easy_.reset();
            waiting_.push_back(std::move(transfer));
        } else {
            transfer->finish(Error{ErrorCode::timedOut, "the network stayed unreachable"});
        }
        return;
    }
    const ErrorCode errorCode = transfer->bodyTooLarge_ ? ErrorCode::tooLarge : errorCodeOf(code);
    std::string detail = transfer->errorBuffer_[0] != '\0' ? transfer->errorBuffer_ : curl_easy_strerror(code);
    transfer->finish(Error{errorCode, std::move(detail)});
}

void HttpClient::Worker::sweepCancelledAndRetries(Clock::time_point now) {
    std::vector<std::shared_ptr<Transfer>> cancelled;
    for (const auto& [easy, transfer] : active_)
        if (transfer->cancelRequested_)
            cancelled.push_back(transfer);
    for (const auto& transfer : cancelled) {
        remove(*transfer);
        transfer->finish(Error{ErrorCode::cancelled, "cancelled"});
    }

    std::vector<std::shared_ptr<Transfer>> due;
    std::erase_if(waiting_, [&](const std::shared_ptr<Transfer>& transfer) {
        if (transfer->cancelRequested_ || transfer->retryAt_ <= now) {
            due.push_back(transfer);
            return true;
        }
        return false;
    });
    for (const auto& transfer : due) {
        if (transfer->cancelRequested_)
            transfer->finish(Error{ErrorCode::cancelled, "cancelled"});
        else
            add(transfer);
    }
}

void HttpClient::Worker::pauseAfterPollFailure(CURLMcode code) {
    // A poll that keeps failing must not make the loop spin: each try waits longer, and
    // from the fifth on the transfers running end with its error.
    pollFailures_ = std::min(pollFailures_ + 1, maxPollFailures);
    if (pollFailures_ == maxPollFailures)
        failRunning(Error{ErrorCode::unknown, std::string("curl_multi_poll: ") + curl_multi_strerror(code)});
    std::unique_lock lock(mutex_);
    wakeUp_.wait_for(lock, std::chrono::milliseconds(20 << pollFailures_),
                     [this] { return stopping_ || !incoming_.empty(); });
}

void HttpClient::Worker::failRunning(const Error& error) {
    auto running = std::move(active_);
    active_.clear();
    for (auto& [easy, transfer] : running) {
        curl_multi_remove_handle(multi_, easy);
        transfer->finish(error);
    }
    auto waiting = std::move(waiting_);
    waiting_.clear();
    for (auto& transfer : waiting)
        transfer->finish(error);
}

void HttpClient::Worker::stopAll(Stop mode) {
    for (auto& transfer : arrived_)
        end(*transfer, mode);
    arrived_.clear();
    auto running = std::move(active_);
    for (auto& [easy, transfer] : running) {
        curl_multi_remove_handle(multi_, easy);
        end(*transfer, mode);
    }
    for (auto& transfer : waiting_)
        end(*transfer, mode);
    waiting_.clear();
    // The completions above may have started more; they end the same way, here.
    while (true) {
        {
            std::lock_guard lock(mutex_);
            if (incoming_.empty()) {
                closed_ = true;
                return;
            }
            arrived_.swap(incoming_);
        }
        for (auto& transfer : arrived_)
            end(*transfer, mode);
        arrived_.clear();
    }
}

void HttpClient::Worker::loop() {
    while (true) {
        bool stopping = false;
        Stop mode = Stop::cancelling;
        {
            // Swapped, not moved, so that neither list allocates again once it has grown.
            std::lock_guard lock(mutex_);
            arrived_.swap(incoming_);
            stopping = stopping_;
            mode = stopMode_;
        }
        if (stopping)
            return stopAll(mode);
        for (auto& transfer : arrived_) {
            if (transfer->cancelRequested_)
                transfer->finish(Error{ErrorCode::cancelled, "cancelled"});
            else
                add(transfer);
        }
        arrived_.clear();
        if (broken_) {
            std::unique_lock lock(mutex_);
            wakeUp_.wait(lock, [this] { return stopping_ || !incoming_.empty(); });
            continue;
        }
        sweepCancelledAndRetries(Clock::now());

        int running = 0;
        curl_multi_perform(multi_, &running);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(multi_, &queued))
            if (message->msg == CURLMSG_DONE)
                complete(message->easy_handle, message->data.result);

        int waitMs = 1000;
        for (const auto& transfer : waiting_) {
            const auto until = std::chrono::ceil<std::chrono::milliseconds>(transfer->retryAt_ - Clock::now());
            waitMs = std::clamp(static_cast<int>(until.count()), 0, waitMs);
        }
        // Without an eventfd curl polls its own wake-up pair and leaves `woken` alone.
        curl_waitfd woken{wakeFd_, CURL_WAIT_POLLIN, 0};
        if (const CURLMcode polled = calls_.multiPoll(multi_, &woken, wakeFd_ < 0 ? 0 : 1, waitMs, nullptr);
            polled != CURLM_OK) {
            pauseAfterPollFailure(polled);
            continue;
        }
        pollFailures_ = 0;
        if (woken.revents != 0) {
            std::uint64_t count = 0;
            static_cast<void>(read(wakeFd_, &count, sizeof count));
        }
    }
}

}
