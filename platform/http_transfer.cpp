#include "http_transfer.h"

#include "http_worker.h"
#include "json.h"

#include <strings.h>

#include <algorithm>

namespace wayfarer::platform {

const char* redirectLocation(CURL* easy) {
    long status = 0;
    char* location = nullptr;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    curl_easy_getinfo(easy, CURLINFO_REDIRECT_URL, &location);
    const bool redirects = status == 301 || status == 302 || status == 303 || status == 307 || status == 308;
    return redirects ? location : nullptr;
}

void Transfer::cancel() {
    cancelRequested_ = true;
    if (auto worker = worker_.lock())
        worker->wake();
}

void Transfer::finish(HttpResult result) {
    if (finished_)
        return;
    auto completion = std::move(completion_);
    drop();
    if (completion)
        completion(std::move(result));
}

void Transfer::drop() {
    finished_ = true;
    easy_.reset();
    headers_.reset();
    completion_ = nullptr;
}

std::size_t Transfer::onBody(char* data, std::size_t size, std::size_t count, void* user) {
    auto& transfer = *static_cast<Transfer*>(user);
    const std::size_t length = size * count;
    if (transfer.bodyKind_ == Body::unknown)
        transfer.bodyKind_ = redirectLocation(transfer.easy_.get()) ? Body::skipped : Body::kept;
    if (transfer.bodyKind_ == Body::skipped)
        return length;
    const std::size_t needed = transfer.body_.size() + length;
    if (needed > transfer.request_.maxBodySize) {
        transfer.bodyTooLarge_ = true;
        return CURL_WRITEFUNC_ERROR;
    }
    if (transfer.body_.capacity() < needed + jsonPadding) {
        // Doubled up to the cap into a new string: reserve() on a non-empty libstdc++ string
        // grows to at least twice its capacity, which could pass the cap.
        std::string grown;
        grown.reserve(std::min(std::max(needed + jsonPadding, transfer.body_.capacity() * 2),
                               transfer.request_.maxBodySize + jsonPadding));
        grown.append(transfer.body_);
        transfer.body_.swap(grown);
    }
    transfer.body_.append(data, length);
    return length;
}

void Transfer::beginHop(const TransferSettings& settings, EasyHandle reused) {
    easy_ = std::move(reused);
    CURL* easy = easy_.get();
    curl_easy_setopt(easy, CURLOPT_URL, url_.c_str());
    curl_easy_setopt(easy, CURLOPT_HTTPGET, 1L);
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    // The worker follows redirects so isPermittedAddress sees each URL first.
    curl_easy_setopt(easy, CURLOPT_FOLLOWLOCATION, 0L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(easy, CURLOPT_SSL_VERIFYHOST, 2L);
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_SHARE, settings.share);
    // https: wait for the pending handshake's ALPN so a search and its covers share one
    // HTTP/2 connection. Plain http is HTTP/1.1 and curl would only learn that from a response.
    curl_easy_setopt(easy, CURLOPT_PIPEWAIT, strncasecmp(url_.c_str(), "https:", 6) == 0 ? 1L : 0L);
    if (settings.pinned)
        curl_easy_setopt(easy, CURLOPT_RESOLVE, settings.pinned);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, errorBuffer_);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Transfer::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, this);
    // "" offers every encoding this libcurl decodes; onBody caps decoded bytes, and
    // CURLOPT_MAXFILESIZE_LARGE refuses an over-cap Content-Length early.
    curl_easy_setopt(easy, CURLOPT_ACCEPT_ENCODING, "");
    curl_easy_setopt(easy, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(request_.maxBodySize));
    // CURLOPT_LOW_SPEED_TIME is in whole seconds.
    const auto silence = std::chrono::ceil<std::chrono::seconds>(request_.requestTimeout);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(easy, CURLOPT_LOW_SPEED_TIME, static_cast<long>(std::max<long>(1, silence.count())));
    const auto remaining = std::chrono::duration_cast<std::chrono::milliseconds>(deadline_ - Clock::now());
    const long remainingMs = std::max<long>(1, static_cast<long>(remaining.count()));
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, remainingMs);
    curl_easy_setopt(easy, CURLOPT_CONNECTTIMEOUT_MS,
                     std::min<long>(remainingMs, static_cast<long>(request_.requestTimeout.count())));
    const HttpClientOptions& options = settings.options;
    if (options.exclusiveCaPem) {
        // CURL_BLOB_NOCOPY: options_ outlives the handle, and curl never writes the blob.
        curl_blob blob{const_cast<char*>(options.exclusiveCaPem->data()), options.exclusiveCaPem->size(),
                       CURL_BLOB_NOCOPY};
        curl_easy_setopt(easy, CURLOPT_CAINFO_BLOB, &blob);
        curl_easy_setopt(easy, CURLOPT_CAPATH, nullptr);
    } else if (options.extraCaFile) {
        // CURLOPT_CAPATH keeps the system CAs beside CURLOPT_CAINFO.
        curl_easy_setopt(easy, CURLOPT_CAINFO, options.extraCaFile->c_str());
        curl_easy_setopt(easy, CURLOPT_CAPATH, "/etc/ssl/certs");
    }
    curl_slist* headers = nullptr;
    for (const auto& [name, value] : request_.headers) {
        const std::string line = name + ": " + value;
        headers = curl_slist_append(headers, line.c_str());
    }
    headers_.reset(headers);
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, headers);
    body_ = makeJsonBuffer();
    bodyTooLarge_ = false;
    bodyKind_ = Body::unknown;
}

}
