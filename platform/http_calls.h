#pragma once

#include <curl/curl.h>
#include <sys/eventfd.h>

#include <functional>

namespace wayfarer::platform {

// curl_global_init in a function-local static; later calls return the first result.
CURLcode initCurlOnce();

// Fault-injection seam: the curl_* and system calls (eventfd, curl_multi_poll...) the
// worker must survive failing. Defaults are the real functions.
struct HttpCalls {
    std::function<CURLcode()> globalInit = &initCurlOnce;
    std::function<CURLM*()> multiInit = &curl_multi_init;
    std::function<CURLSH*()> shareInit = &curl_share_init;
    std::function<CURL*()> easyInit = &curl_easy_init;
    std::function<int(unsigned int, int)> eventFd = &eventfd;
    std::function<CURLMcode(CURLM*, CURL*)> multiAddHandle = &curl_multi_add_handle;
    std::function<CURLMcode(CURLM*, curl_waitfd*, unsigned int, int, int*)> multiPoll = &curl_multi_poll;
};

}
