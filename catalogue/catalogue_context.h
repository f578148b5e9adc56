#pragma once

#include "platform/http_client.h"
#include "platform/main_queue.h"

#include <chrono>
#include <memory>

namespace wayfarer {

// Where catalogue work runs: the HTTP client that carries it and the main queue that
// receives its results, with the time-outs of every request. The programs use the
// shared ones; tests make their own.
struct CatalogueContext {
    platform::HttpSession* http = nullptr;
    // Empty: the process's main queue at the time of each post.
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::chrono::milliseconds timeout = std::chrono::seconds(10);

    void postToMain(std::function<void()> task) const {
        (mainQueue ? mainQueue : platform::mainQueue())->post(std::move(task));
    }

    static CatalogueContext shared() { return CatalogueContext{&platform::HttpClient::shared(), nullptr}; }
};

}
