#pragma once

#include "http_calls.h"
#include "http_transfer.h"

#include <curl/curl.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <unordered_map>
#include <vector>

namespace wayfarer::platform {

// The client's one thread: it drives every transfer through a curl multi handle, checks
// each hop's address, follows redirects and retries while the network is unreachable.
class HttpClient::Worker final : public std::enable_shared_from_this<HttpClient::Worker> {
public:
    // What becomes of the completions still to run when the worker stops.
    enum class Stop { cancelling, dropping };

    Worker(HttpClientOptions options, HttpCalls calls);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void run();
    // Ends every transfer as `mode` says and joins the thread; only the first call counts.
    void stop(Stop mode);
    void submit(std::shared_ptr<Transfer> transfer);
    // Makes the thread look at its transfers again, for one cancelled from another thread.
    void wake();

private:
    void loop();
    void add(const std::shared_ptr<Transfer>& transfer);
    void complete(CURL* easy, CURLcode code);
    void remove(Transfer& transfer);
    void end(Transfer& transfer, Stop mode);
    void follow(const std::shared_ptr<Transfer>& transfer, std::string location);
    void sweepCancelledAndRetries(Clock::time_point now);
    void pauseAfterPollFailure(CURLMcode code);
    void failRunning(const Error& error);
    void stopAll(Stop mode);

    HttpClientOptions options_;
    HttpCalls calls_;
    // Why curl could not be set up, which every transfer then fails with.
    std::optional<Error> broken_;
    CURLM* multi_ = nullptr;
    // Written by any thread to wake the worker from its poll: cheaper than the socket pair
    // curl_multi_wakeup writes to, which stands in when no eventfd could be made.
    int wakeFd_ = -1;
    CURLSH* share_ = nullptr;
    HeaderList pinned_;
    std::thread thread_;

    std::mutex mutex_;
    // Waited on where curl cannot poll: a broken worker, or one pausing after a failed poll.
    std::condition_variable wakeUp_;
    bool stopping_ = false;
    // The thread has ended every transfer it will ever see.
    bool closed_ = false;
    Stop stopMode_ = Stop::cancelling;
    std::vector<std::shared_ptr<Transfer>> incoming_;

    // Worker thread only.
    std::vector<std::shared_ptr<Transfer>> arrived_;
    std::unordered_map<CURL*, std::shared_ptr<Transfer>> active_;
    std::vector<std::shared_ptr<Transfer>> waiting_;
    std::vector<EasyHandle> spareHandles_;
    int pollFailures_ = 0;
};

}
