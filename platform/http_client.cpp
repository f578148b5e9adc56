#include "http_client.h"

#include "http_calls.h"
#include "http_worker.h"
#include "process_wide.h"

#include <cstdlib>

namespace wayfarer::platform {

HttpClient::HttpClient(HttpClientOptions options) : HttpClient(std::move(options), HttpCalls{}) {}

HttpClient::HttpClient(HttpClientOptions options, HttpCalls calls)
    : worker_(std::make_shared<Worker>(std::move(options), std::move(calls))) {
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
    // std::atexit after construction, so the stop runs before earlier statics are destroyed;
    // later ones its completions reach (main queue, decode queue) are leaked or stop themselves.
    static const bool stopsAtExit = [] { return std::atexit(&HttpClient::stopShared) == 0; }();
    static_cast<void>(stopsAtExit);
    return client;
}

void HttpClient::stopShared() {
    if (HttpClient* client = sharedClient.ifMade())
        client->worker_->stop(Worker::Stop::dropping);
}

}
