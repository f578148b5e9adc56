#pragma once

#include <cstddef>
#include <functional>
#include <list>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>

namespace wayfarer::service {

// An encoded cover and its entity tag.
struct Cover {
    std::string jpeg;
    std::string etag;
};

// The most recently used covers, up to a total size in bytes. A cover missing from the
// cache is made outside the lock, so that slow encoding never holds up other requests.
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
