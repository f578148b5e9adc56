#pragma once

#include "platform/http_client.h"
#include "platform/main_queue.h"

#include <chrono>
#include <memory>

namespace wayfarer {

// The HttpSession, MainQueue and request time-outs catalogue work uses; programs use
// HttpClient::shared(), tests inject their own.
struct CatalogueContext {
    platform::HttpSession* http = nullptr;
    // Empty: platform::mainQueue() at each post.
    std::shared_ptr<platform::MainQueue> mainQueue;
    std::chrono::milliseconds timeout = std::chrono::seconds(10);

    void postToMain(std::function<void()> task) const {
        (mainQueue ? mainQueue : platform::mainQueue())->post(std::move(task));
    }

    static CatalogueContext shared() { return CatalogueContext{&platform::HttpClient::shared(), nullptr}; }
};

}
