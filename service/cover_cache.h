#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace wayfarer::service {

// JPEG bytes and their ETag.
struct Cover {
    std::string jpeg;
    std::string etag;
};

// LRU capped in bytes. Misses render outside the mutex so a slow JPEG encode blocks no
// other httplib worker.
class CoverCache {
public:
    explicit CoverCache(std::size_t maxBytes) : maxBytes_(maxBytes) {}

    std::shared_ptr<const Cover> get(const std::string& key, const std::function<std::string()>& make);

private:
    using Entry = std::pair<std::string, std::shared_ptr<const Cover>>;
    std::mutex mutex_;
    std::list<Entry> recent_;  // most recent first
    std::unordered_map<std::string, std::list<Entry>::iterator> byKey_;
    std::size_t bytes_ = 0;
    const std::size_t maxBytes_;
};

}
