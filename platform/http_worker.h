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

// HttpClient's thread: runs curl_multi_poll/curl_multi_perform, checks each hop's URL,
// follows redirects and retries while the network is unreachable.
class HttpClient::Worker final : public std::enable_shared_from_this<HttpClient::Worker> {
public:
    // cancelling: completions run with ErrorCode::cancelled; dropping: they never run.
    enum class Stop { cancelling, dropping };

    Worker(HttpClientOptions options, HttpCalls calls);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void run();
    // Idempotent; joins the thread.
    void stop(Stop mode);
    void submit(std::shared_ptr<Transfer> transfer);
    // Interrupts curl_multi_poll, e.g. after a cancel from another thread.
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
    // curl_global_init/curl_multi_init failure; every transfer then fails with it.
    std::optional<Error> broken_;
    CURLM* multi_ = nullptr;
    // eventfd in curl_multi_poll's extra fds, cheaper than curl_multi_wakeup's socketpair,
    // which is used when eventfd() failed (-1).
    int wakeFd_ = -1;
    CURLSH* share_ = nullptr;
    HeaderList pinned_;
    std::thread thread_;

    std::mutex mutex_;
    // Waited on instead of curl_multi_poll: when broken_, or backing off after a poll failure.
    std::condition_variable wakeUp_;
    bool stopping_ = false;
    // Set by the thread once it accepts no more transfers; guarded by mutex_.
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
