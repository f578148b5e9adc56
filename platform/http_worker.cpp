#include "http_worker.h"

#include "http_error.h"
#include "url.h"

#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>

namespace wayfarer::platform {

namespace {

// Pause before retrying CURLE_COULDNT_CONNECT with an isUnreachable() errno.
constexpr auto unreachableRetryPause = std::chrono::milliseconds(500);
constexpr long maxRedirects = 5;
// Reusing a handle after curl_easy_reset is cheaper than curl_easy_init.
constexpr std::size_t maxSpareHandles = 8;
// Consecutive curl_multi_poll failures before the running transfers fail.
constexpr int maxPollFailures = 5;

constexpr const char* localRefusal = "a server on the internet may not reach a local address";

// The refusal message for `url`, or nullopt; `afterHttps`: an earlier hop was https.
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

// CURLOPT_OPENSOCKETFUNCTION: CURL_SOCKET_BAD for a local address on an internet hop.
curl_socket_t openPermittedSocket(void* user, curlsocktype, curl_sockaddr* address) {
    auto& transfer = *static_cast<Transfer*>(user);
    if (transfer.space_ == AddressSpace::internet && addressSpaceOf(address->addr) == AddressSpace::local) {
        transfer.addressRefused_ = true;
        return CURL_SOCKET_BAD;
    }
    return ::socket(address->family, address->socktype | SOCK_CLOEXEC, address->protocol);
}

// CURLOPT_PREREQFUNCTION: the same check on reused connections (no opensocket call),
// and records the hop's AddressSpace for its redirects.
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
    // As browsers do: a few kept-alive connections per host, not one per request.
    curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
    for (const auto& pinned : options_.pinnedHosts) {
        const std::string entry = pinned.host + ":" + std::to_string(pinned.port) + ":" + pinned.address;
        pinned_.reset(curl_slist_append(pinned_.release(), entry.c_str()));
    }
    // CURLSH: without it each easy handle keeps its own DNS and TLS session cache.
    share_ = calls_.shareInit();
    if (!share_)
        return;
    // No CURLSHOPT_LOCKFUNC: only the worker thread touches these handles.
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
}

HttpClient::Worker::~Worker() {
    // Before curl_share_cleanup, which fails while an easy handle still uses the share.
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
    // exit() from a completion gets here on the worker thread, which cannot join itself.
    if (thread_.get_id() == std::this_thread::get_id())
        thread_.detach();
    else if (thread_.joinable())
        thread_.join();
}

void HttpClient::Worker::submit(std::shared_ptr<Transfer> transfer) {
    Stop mode = Stop::cancelling;
    {
        std::lock_guard lock(mutex_);
        // Queued even while stopping, so no completion runs inside start(); after closed_
        // only the atexit stop is left, and it drops them.
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
    // EAGAIN means the eventfd counter is full, which already wakes the worker.
    static_cast<void>(write(wakeFd_, &one, sizeof one));
}

void HttpClient::Worker::add(const std::shared_ptr<Transfer>& transfer) {
    if (broken_)
        return transfer->finish(*broken_);
    // Before curl_multi_add_handle: no DNS lookup, connect or send for a refused URL.
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
    // Read before curl_easy_reset wipes them on the way back to spareHandles_.
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
    // Backs off so a failing curl_multi_poll cannot spin; from maxPollFailures on, the
    // running transfers fail with its error.
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
    // Completions above may have started more; they end the same way.
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
            // swap, not move: both vectors keep their capacity.
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
        // No eventfd: curl_multi_wakeup uses curl's own wake-up socketpair instead.
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
