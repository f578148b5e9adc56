#pragma once

#include <curl/curl.h>
#include <sys/eventfd.h>

#include <functional>

namespace wayfarer::platform {

// curl_global_init, made once a process; every call gives the first call's result.
CURLcode initCurlOnce();

// The libcurl and system calls whose failure the HTTP worker must survive, gathered so
// that a test can make any of them fail. The defaults are the real calls.
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
