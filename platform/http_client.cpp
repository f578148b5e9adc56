#include "http_client.h"

#include "json.h"
#include "process_wide.h"
#include "url.h"

#include <curl/curl.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>

namespace wayfarer::platform {

namespace {

using Clock = std::chrono::steady_clock;

// A network that cannot be reached is retried after this pause, as the platform waits
// for connectivity instead of failing at once.
constexpr auto unreachableRetryPause = std::chrono::milliseconds(500);
constexpr long maxRedirects = 5;

struct CurlGlobal {
    CurlGlobal() { curl_global_init(CURL_GLOBAL_DEFAULT); }
};

void ensureCurlGlobal() {
    static CurlGlobal global;
}

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

bool isRedirect(long status) {
    return status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
}

// Why the next hop of a transfer may not go to `url`, or nothing when it may.
// `afterHttps`: an earlier hop of the same transfer went over https.
std::optional<std::string> refusalOf(const std::optional<URL>& url, bool afterHttps) {
    if (!url || (url->scheme() != "http" && url->scheme() != "https"))
        return "not an http or https URL";
    if (url->scheme() == "https")
        return std::nullopt;
    if (afterHttps)
        return "a transfer that went over https does not go on over plain http";
    if (!isLoopbackHost(url->host()))
        return "plain http goes only to this machine";
    return std::nullopt;
}

bool isUnreachable(long osErrno) {
    return osErrno == ENETUNREACH || osErrno == EHOSTUNREACH || osErrno == ENETDOWN;
}

ErrorCode errorCodeOf(CURLcode code) {
    switch (code) {
    case CURLE_OPERATION_TIMEDOUT: return ErrorCode::timedOut;
    case CURLE_ABORTED_BY_CALLBACK: return ErrorCode::cancelled;
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY: return ErrorCode::cannotFindHost;
    case CURLE_COULDNT_CONNECT: return ErrorCode::cannotConnectToHost;
    case CURLE_SSL_CONNECT_ERROR:
    case CURLE_PEER_FAILED_VERIFICATION:
    case CURLE_SSL_CERTPROBLEM:
    case CURLE_SSL_CIPHER:
    case CURLE_SSL_CACERT_BADFILE:
    case CURLE_SSL_ISSUER_ERROR:
    case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
    case CURLE_SSL_INVALIDCERTSTATUS:
    case CURLE_SSL_CRL_BADFILE:
    case CURLE_SSL_ENGINE_INITFAILED:
    case CURLE_SSL_SHUTDOWN_FAILED:
    case CURLE_USE_SSL_FAILED: return ErrorCode::secureConnectionFailed;
    case CURLE_FILESIZE_EXCEEDED: return ErrorCode::tooLarge;
    // Every address is checked before curl sees it, so curl refusing a protocol means
    // the answer was not HTTP.
    case CURLE_UNSUPPORTED_PROTOCOL: return ErrorCode::cannotParseResponse;
    case CURLE_URL_MALFORMAT: return ErrorCode::unsupportedURL;
    case CURLE_TOO_MANY_REDIRECTS: return ErrorCode::tooManyRedirects;
    case CURLE_SEND_ERROR:
    case CURLE_RECV_ERROR:
    case CURLE_GOT_NOTHING:
    case CURLE_PARTIAL_FILE:
    case CURLE_HTTP2:
    case CURLE_HTTP2_STREAM:
    case CURLE_WEIRD_SERVER_REPLY: return ErrorCode::networkConnectionLost;
    default: return ErrorCode::unknown;
    }
}

}

// One transfer, from start() to its completion. The worker thread alone touches the
// curl handles and the body; `cancelRequested` is the only field other threads write.
class Transfer final : public HttpTask {
public:
    Transfer(HttpRequest request, HttpCompletion completion, std::weak_ptr<HttpClient::Worker> worker)
        : request_(std::move(request)), completion_(std::move(completion)), worker_(std::move(worker)),
          deadline_(Clock::now() + request_.resourceTimeout), url_(request_.url) {}

    void cancel() override;

    HttpRequest request_;
    HttpCompletion completion_;
    std::weak_ptr<HttpClient::Worker> worker_;
    Clock::time_point deadline_;
    Clock::time_point retryAt_{};
    // The address of this hop, and what the hops before it did.
    std::string url_;
    int redirects_ = 0;
    bool wentOverHttps_ = false;
    // Whether the body arriving belongs to a redirect, which is followed, not delivered;
    // known once the first bytes come.
    enum class Body { unknown, kept, skipped } bodyKind_ = Body::unknown;
    EasyHandle easy_;
    HeaderList headers_;
    std::string body_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    bool bodyTooLarge_ = false;
    bool finished_ = false;
    std::atomic<bool> cancelRequested_ = false;
};

class HttpClient::Worker : public std::enable_shared_from_this<HttpClient::Worker> {
public:
    // What becomes of the completions still to run when the worker stops.
    enum class Stop { cancelling, dropping };

    explicit Worker(HttpClientOptions options) : options_(std::move(options)) {
        ensureCurlGlobal();
        multi_ = curl_multi_init();
        // As browsers do: a few connections per server, kept alive and reused, rather than one
        // for every concurrent request, which a server would have to keep open.
        curl_multi_setopt(multi_, CURLMOPT_MAX_HOST_CONNECTIONS, 6L);
        for (const auto& pinned : options_.pinnedHosts) {
            const std::string entry = pinned.host + ":" + std::to_string(pinned.port) + ":" + pinned.address;
            pinned_.reset(curl_slist_append(pinned_.release(), entry.c_str()));
        }
        share_ = curl_share_init();
        // Only the worker thread uses these handles, so the share needs no locks.
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
        curl_share_setopt(share_, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    }

    ~Worker() {
        curl_multi_cleanup(multi_);
        curl_share_cleanup(share_);
    }

    void run() { thread_ = std::thread([self = shared_from_this()] { self->loop(); }); }

    void stop(Stop mode) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            stopping_ = true;
            stopMode_ = mode;
        }
        curl_multi_wakeup(multi_);
        // A completion that ends the process stops the worker from the worker itself,
        // which cannot wait for its own end; it ends with the process.
        if (thread_.get_id() == std::this_thread::get_id())
            thread_.detach();
        else if (thread_.joinable())
            thread_.join();
    }

    void submit(std::shared_ptr<Transfer> transfer) {
        Stop mode = Stop::cancelling;
        {
            std::lock_guard lock(mutex_);
            if (!stopping_) {
                incoming_.push_back(std::move(transfer));
                transfer = nullptr;
            }
            mode = stopMode_;
        }
        if (transfer)
            end(*transfer, mode);
        else
            curl_multi_wakeup(multi_);
    }

    void wake() { curl_multi_wakeup(multi_); }

private:
    void loop();
    void configure(Transfer& transfer);
    void add(const std::shared_ptr<Transfer>& transfer);
    void complete(CURL* easy, CURLcode code);
    void remove(Transfer& transfer);
    void finish(Transfer& transfer, HttpResult result);
    void end(Transfer& transfer, Stop mode);
    void follow(const std::shared_ptr<Transfer>& transfer, std::string location);
    void sweepCancelledAndRetries(Clock::time_point now);

    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user);

    HttpClientOptions options_;
    CURLM* multi_ = nullptr;
    CURLSH* share_ = nullptr;
    HeaderList pinned_;
    std::thread thread_;

    std::mutex mutex_;
    bool stopping_ = false;
    Stop stopMode_ = Stop::cancelling;
    std::deque<std::shared_ptr<Transfer>> incoming_;

    // Worker thread only.
    std::unordered_map<CURL*, std::shared_ptr<Transfer>> active_;
    std::vector<std::shared_ptr<Transfer>> waiting_;
};

void Transfer::cancel() {
    cancelRequested_ = true;
    if (auto worker = worker_.lock())
        worker->wake();
}

std::size_t HttpClient::Worker::onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    if (transfer.bodyKind_ == Transfer::Body::unknown) {
        long status = 0;
        char* location = nullptr;
        curl_easy_getinfo(transfer.easy_.get(), CURLINFO_RESPONSE_CODE, &status);
        curl_easy_getinfo(transfer.easy_.get(), CURLINFO_REDIRECT_URL, &location);
        transfer.bodyKind_ = isRedirect(status) && location ? Transfer::Body::skipped : Transfer::Body::kept;
    }
    if (transfer.bodyKind_ == Transfer::Body::skipped)
        return length;
    const std::size_t needed = transfer.body_.size() + length;
    if (needed > transfer.request_.maxBodySize) {
        transfer.bodyTooLarge_ = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (transfer.body_.capacity() < needed + jsonPadding)
        transfer.body_.reserve(std::max(needed + jsonPadding, transfer.body_.capacity() * 2));
    transfer.body_.append(data, length);
    return length;
}

void HttpClient::Worker::configure(Transfer& transfer) {
    transfer.easy_.reset(curl_easy_init());
    CURL* easy = transfer.easy_.get();
    const auto& request = transfer.request_;
    curl_easy_setopt(easy, CURLOPT_URL, transfer.url_.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // Redirects are followed by the worker, which checks each address before connecting.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_SHARE, share_);
    if (pinned_)
        curl_easy_setopt(easy, CURLOPT_RESOLVE, pinned_.get());
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, transfer.errorBuffer_);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Worker::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &transfer);
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request.maxBodySize));
    // A silence of requestTimeout fails the transfer; curl counts it in whole seconds.
    const auto silence = std::chrono::ceil<std::chrono::seconds>(request.requestTimeout);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(std::max<long>(1, silence.count())));
    const auto remaining =
        std::chrono::duration_cast<std::chrono::milliseconds>(transfer.deadline_ - Clock::now());
    const long remainingMs = std::max<long>(1, static_cast<long>(remaining.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, remainingMs);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     std::min<long>(remainingMs, static_cast<long>(request.requestTimeout.count())));
    if (options_.exclusiveCaPem) {
        curl_blob blob{options_.exclusiveCaPem->data(), options_.exclusiveCaPem->size(), CURL_BLOB_NOCOPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    } else if (options_.extraCaFile) {
        // With CAINFO naming the extra file, CAPATH keeps the system's authorities.
        curl_easy_setopt(easy, CURLOPT_CAINFO, options_.extraCaFile->c_str());
        curl_easy_setopt(easy, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request.headers) {
        const std::string line = name + ": " + value;
        headers = curl_slist_append(headers, line.c_str());
    }
    transfer.headers_.reset(headers);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
}

void HttpClient::Worker::add(const std::shared_ptr<Transfer>& transfer) {
    // Before curl sees the address, so that nothing is looked up, connected to or sent
    // for an address the client may not fetch.
    const auto url = URL::parse(transfer->url_);
    if (auto refusal = refusalOf(url, transfer->wentOverHttps_)) {
        finish(*transfer, Error{ErrorCode::unsupportedURL, std::move(*refusal)});
        return;
    }
    transfer->wentOverHttps_ = transfer->wentOverHttps_ || url->scheme() == "https";
    configure(*transfer);
    transfer->body_ = makeJsonBuffer();
    transfer->bodyTooLarge_ = false;
    transfer->bodyKind_ = Transfer::Body::unknown;
    active_.emplace(transfer->easy_.get(), transfer);
    curl_multi_add_handle(multi_, transfer->easy_.get());
}

void HttpClient::Worker::remove(Transfer& transfer) {
    if (!transfer.easy_)
        return;
    curl_multi_remove_handle(multi_, transfer.easy_.get());
    active_.erase(transfer.easy_.get());
}

void HttpClient::Worker::finish(Transfer& transfer, HttpResult result) {
    if (transfer.finished_)
        return;
    transfer.finished_ = true;
    transfer.easy_.reset();
    transfer.headers_.reset();
    auto completion = std::move(transfer.completion_);
    transfer.completion_ = nullptr;
    if (completion)
        completion(std::move(result));
}

void HttpClient::Worker::end(Transfer& transfer, Stop mode) {
    if (mode == Stop::cancelling) {
        finish(transfer, Error{ErrorCode::cancelled, "the client has stopped"});
        return;
    }
    transfer.finished_ = true;
    transfer.easy_.reset();
    transfer.headers_.reset();
    transfer.completion_ = nullptr;
}

void HttpClient::Worker::follow(const std::shared_ptr<Transfer>& transfer, std::string location) {
    if (++transfer->redirects_ > maxRedirects) {
        finish(*transfer, Error{ErrorCode::tooManyRedirects, "more than 5 redirects"});
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
    remove(*transfer);

    if (code == CURLE_OK) {
        HttpResponse response;
        curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &response.status);
        char* location = nullptr;
        curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
        if (isRedirect(response.status) && location) {
            follow(transfer, location);
            return;
        }
        response.body = std::move(transfer->body_);
        finish(*transfer, std::move(response));
        return;
    }
    long osErrno = 0;
    curl_easy_getinfo(easy, CURLINFO_OS_ERRNO, &osErrno);
    if (code == CURLE_COULDNT_CONNECT && isUnreachable(osErrno)) {
        const auto now = Clock::now();
        if (now + unreachableRetryPause < transfer->deadline_) {
            transfer->retryAt_ = now + unreachableRetryPause;
            transfer->easy_.reset();
            waiting_.push_back(std::move(transfer));
        } else {
            finish(*transfer, Error{ErrorCode::timedOut, "the network stayed unreachable"});
        }
        return;
    }
    const ErrorCode errorCode = transfer->bodyTooLarge_ ? ErrorCode::tooLarge : errorCodeOf(code);
    std::string detail = transfer->errorBuffer_[0] != '\0' ? transfer->errorBuffer_ : curl_easy_strerror(code);
    finish(*transfer, Error{errorCode, std::move(detail)});
}

void HttpClient::Worker::sweepCancelledAndRetries(Clock::time_point now) {
    std::vector<std::shared_ptr<Transfer>> cancelled;
    for (const auto& [easy, transfer] : active_)
        if (transfer->cancelRequested_)
            cancelled.push_back(transfer);
    for (const auto& transfer : cancelled) {
        remove(*transfer);
        finish(*transfer, Error{ErrorCode::cancelled, "cancelled"});
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
            finish(*transfer, Error{ErrorCode::cancelled, "cancelled"});
        else
            add(transfer);
    }
}

void HttpClient::Worker::loop() {
    while (true) {
        std::deque<std::shared_ptr<Transfer>> arrived;
        bool stopping = false;
        Stop mode = Stop::cancelling;
        {
            std::lock_guard lock(mutex_);
            arrived.swap(incoming_);
            stopping = stopping_;
            mode = stopMode_;
        }
        if (stopping) {
            for (auto& transfer : arrived)
                end(*transfer, mode);
            auto running = std::move(active_);
            for (auto& [easy, transfer] : running) {
                curl_multi_remove_handle(multi_, easy);
                end(*transfer, mode);
            }
            for (auto& transfer : waiting_)
                end(*transfer, mode);
            waiting_.clear();
            return;
        }
        for (auto& transfer : arrived) {
            if (transfer->cancelRequested_)
                finish(*transfer, Error{ErrorCode::cancelled, "cancelled"});
            else
                add(transfer);
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
        curl_multi_poll(multi_, nullptr, 0, waitMs, nullptr);
    }
}

HttpClient::HttpClient(HttpClientOptions options) : worker_(std::make_shared<Worker>(std::move(options))) {
    worker_->run();
}

HttpClient::~HttpClient() { worker_->stop(Worker::Stop::cancelling); }

std::shared_ptr<HttpTask> HttpClient::start(HttpRequest request, HttpCompletion completion) {
    auto transfer = std::make_shared<Transfer>(std::move(request), std::move(completion), worker_);
    worker_->submit(transfer);
    return transfer;
}

namespace {

HttpClient makeSharedClient(HttpClientOptions options) {
    return HttpClient(std::move(options));
}

constinit ProcessWide<HttpClient, HttpClientOptions> sharedClient(&makeSharedClient);

}

Result<void> HttpClient::setSharedOptions(HttpClientOptions options) {
    return sharedClient.configure(std::move(options));
}

HttpClient& HttpClient::shared() {
    HttpClient& client = sharedClient.get();
    // Registered once the client is built, so that it stops before the static objects
    // built before it are destroyed; those built after it, which its completions may
    // reach, are never destroyed (the main queue, the decode queue) or stop themselves.
    static const bool stopsAtExit = [] { return std::atexit(&HttpClient::stopShared) == 0; }();
    static_cast<void>(stopsAtExit);
    return client;
}

void HttpClient::stopShared() {
    if (HttpClient* client = sharedClient.ifMade())
        client->worker_->stop(Worker::Stop::dropping);
}

}
