#include "cover_cache.h"

#include <cstdint>
#include <cstdio>

namespace wayfarer::service {

namespace {

std::string entityTag(const std::string& bytes) {
    std::uint64_t hash = 1469598103934665603ull;
    for (const char c : bytes)
        hash = (hash ^ static_cast<unsigned char>(c)) * 1099511628211ull;
    char text[24];
    std::snprintf(text, sizeof text, "\"%016llx\"", static_cast<unsigned long long>(hash));
    return text;
}

}

std::shared_ptr<const Cover> CoverCache::get(const std::string& key, const std::function<std::string()>& make) {
    {
        std::lock_guard lock(mutex_);
        if (const auto it = byKey_.find(key); it != byKey_.end()) {
            recent_.splice(recent_.begin(), recent_, it->second);
            return it->second->second;
        }
    }
    auto jpeg = make();
    if (jpeg.empty())
        return nullptr;
    auto cover = std::make_shared<const Cover>(Cover{jpeg, entityTag(jpeg)});
    std::lock_guard lock(mutex_);
    if (const auto it = byKey_.find(key); it != byKey_.end())
        return it->second->second;  // another request made it meanwhile
    recent_.emplace_front(key, cover);
    byKey_[key] = recent_.begin();
    bytes_ += cover->jpeg.size();
    while (bytes_ > maxBytes_ && recent_.size() > 1) {
        bytes_ -= recent_.back().second->jpeg.size();
        byKey_.erase(recent_.back().first);
        recent_.pop_back();
    }
    return cover;
}

}
