#include "decoded_image_cache.h"

#include <iterator>

namespace wayfarer::platform {

DecodedImageCache::DecodedImageCache(std::size_t capacityBytes) : capacity_(capacityBytes) {}

std::shared_ptr<DecodedImageCache> DecodedImageCache::shared() {
    static const std::shared_ptr<DecodedImageCache> cache = std::make_shared<DecodedImageCache>();
    return cache;
}

std::shared_ptr<const PixelBuffer> DecodedImageCache::find(std::uint64_t key) {
    std::lock_guard lock(mutex_);
    const auto found = index_.find(key);
    if (found == index_.end())
        return nullptr;
    entries_.splice(entries_.begin(), entries_, found->second);
    return found->second->pixels;
}

std::shared_ptr<const PixelBuffer> DecodedImageCache::insert(std::uint64_t key,
                                                             std::shared_ptr<const PixelBuffer> pixels) {
    if (!pixels)
        return nullptr;
    // Evicted pixels are freed after the mutex is released: a large free blocks no waiter.
    std::list<Entry> dropped;
    std::lock_guard lock(mutex_);
    if (const auto found = index_.find(key); found != index_.end()) {
        entries_.splice(entries_.begin(), entries_, found->second);
        return found->second->pixels;
    }
    const std::size_t bytes = pixels->byteSize();
    if (bytes > capacity_)
        return pixels;
    evictToFit(capacity_ - bytes, dropped);
    entries_.push_front(Entry{key, pixels});
    index_.emplace(key, entries_.begin());
    size_ += bytes;
    return pixels;
}

void DecodedImageCache::evictToFit(std::size_t capacityBytes, std::list<Entry>& dropped) {
    while (size_ > capacityBytes && !entries_.empty()) {
        const Entry& last = entries_.back();
        size_ -= last.pixels->byteSize();
        index_.erase(last.key);
        dropped.splice(dropped.end(), entries_, std::prev(entries_.end()));
    }
}

void DecodedImageCache::erase(std::uint64_t key) {
    std::shared_ptr<const PixelBuffer> released;
    std::lock_guard lock(mutex_);
    const auto found = index_.find(key);
    if (found == index_.end())
        return;
    released = std::move(found->second->pixels);
    size_ -= released->byteSize();
    entries_.erase(found->second);
    index_.erase(found);
}

void DecodedImageCache::clear() {
    std::list<Entry> released;
    std::lock_guard lock(mutex_);
    released.swap(entries_);
    index_.clear();
    size_ = 0;
}

void DecodedImageCache::setCapacity(std::size_t capacityBytes) {
    std::list<Entry> dropped;
    std::lock_guard lock(mutex_);
    capacity_ = capacityBytes;
    evictToFit(capacity_, dropped);
}

std::size_t DecodedImageCache::capacity() const {
    std::lock_guard lock(mutex_);
    return capacity_;
}

std::size_t DecodedImageCache::size() const {
    std::lock_guard lock(mutex_);
    return size_;
}

std::size_t DecodedImageCache::count() const {
    std::lock_guard lock(mutex_);
    return index_.size();
}

}
