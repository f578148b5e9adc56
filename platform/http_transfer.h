#pragma once

#include "http_client.h"

#include <curl/curl.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

namespace wayfarer::platform {

using Clock = std::chrono::steady_clock;

struct EasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct SlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using HeaderList = std::unique_ptr<curl_slist, SlistDeleter>;

// CURLINFO_REDIRECT_URL for a 301/302/303/307/308, else null.
const char* redirectLocation(CURL* easy);

// Per-client: HttpClientOptions, the CURLSH and the CURLOPT_RESOLVE list.
struct TransferSettings {
    const HttpClientOptions& options;
    CURLSH* share = nullptr;
    curl_slist* pinned = nullptr;
};

// One HttpTask across its redirect hops. Only the worker thread touches the CURL handle
// and body; `cancelRequested_` is the only field written from other threads.
class Transfer final : public HttpTask {
public:
    Transfer(HttpRequest request, HttpCompletion completion, std::weak_ptr<HttpClient::Worker> worker)
        : request_(std::move(request)), completion_(std::move(completion)), worker_(std::move(worker)),
          deadline_(Clock::now() + request_.resourceTimeout), url_(request_.url), space_(request_.initiator) {}

    void cancel() override;

    // curl_easy_setopt for the hop to url_ on a fresh or curl_easy_reset handle.
    void beginHop(const TransferSettings& settings, EasyHandle easy);
    void finish(HttpResult result);
    // Finishes without running the completion (Stop::dropping, the atexit stop).
    void drop();

    HttpRequest request_;
    HttpCompletion completion_;
    std::weak_ptr<HttpClient::Worker> worker_;
    Clock::time_point deadline_;
    Clock::time_point retryAt_{};
    // The current hop's URL; the fields below record the earlier hops.
    std::string url_;
    int redirects_ = 0;
    bool wentOverHttps_ = false;
    // HttpRequest::initiator, then the AddressSpace of the last hop's connected IP.
    AddressSpace space_;
    // Set by the opensocket/prereq callbacks when they refused a local address.
    bool addressRefused_ = false;
    // Decided at the first CURLOPT_WRITEFUNCTION call: a redirect's body is skipped.
    enum class Body { unknown, kept, skipped } bodyKind_ = Body::unknown;
    EasyHandle easy_;
    HeaderList headers_;
    std::string body_;
    char errorBuffer_[CURL_ERROR_SIZE] = {};
    bool bodyTooLarge_ = false;
    bool finished_ = false;
    std::atomic<bool> cancelRequested_ = false;

private:
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user);
};

}
