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

// Where the answer `easy` has received so far sends the transfer on, or null when it is
// not a redirect with somewhere to go.
const char* redirectLocation(CURL* easy);

// What every transfer of one client shares: its options and the worker's curl handles.
struct TransferSettings {
    const HttpClientOptions& options;
    CURLSH* share = nullptr;
    curl_slist* pinned = nullptr;
};

// One transfer, from start() to its completion, over one or more hops (the first address
// and each redirect). The worker thread alone touches the curl handles and the body;
// `cancelRequested_` is the only field other threads write.
class Transfer final : public HttpTask {
public:
    Transfer(HttpRequest request, HttpCompletion completion, std::weak_ptr<HttpClient::Worker> worker)
        : request_(std::move(request)), completion_(std::move(completion)), worker_(std::move(worker)),
          deadline_(Clock::now() + request_.resourceTimeout), url_(request_.url), space_(request_.initiator) {}

    void cancel() override;

    // Sets `easy` (a new or reset one) up for the hop to url_, with an empty body to
    // receive into.
    void beginHop(const TransferSettings& settings, EasyHandle easy);
    // Runs the completion once; later calls do nothing.
    void finish(HttpResult result);
    // Finished without running the completion.
    void drop();

    HttpRequest request_;
    HttpCompletion completion_;
    std::weak_ptr<HttpClient::Worker> worker_;
    Clock::time_point deadline_;
    Clock::time_point retryAt_{};
    // The address of this hop, and what the hops before it did.
    std::string url_;
    int redirects_ = 0;
    bool wentOverHttps_ = false;
    // The initiator, then where the last hop connected: a redirect is that server's choice.
    AddressSpace space_;
    // This hop's resolved address was local, and refused.
    bool addressRefused_ = false;
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

private:
    static std::size_t onBody(char* data, std::size_t size, std::size_t count, void* user);
};

}
