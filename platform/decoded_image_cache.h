#pragma once

#include "pixel_buffer.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace wayfarer::platform {

// Thread-safe LRU of decoded pixels, capped in bytes, so held images keep only their
// JPEG bytes. Evicted pixels live on in their shared_ptr holders and no longer count.
class DecodedImageCache {
public:
    // Thirteen 1200x800 RGBA covers: a phone-sized list, the detail screen and some scroll-back.
    // Measured: 1000 covers held as JPEG (~90 MB) leave RSS near 150 MB; each doubling adds its size.
    static constexpr std::size_t defaultCapacity = std::size_t{48} << 20;

    explicit DecodedImageCache(std::size_t capacityBytes = defaultCapacity);
    DecodedImageCache(const DecodedImageCache&) = delete;
    DecodedImageCache& operator=(const DecodedImageCache&) = delete;

    // Images hold it by shared_ptr, so it outlives them all, also during exit.
    static std::shared_ptr<DecodedImageCache> shared();

    // Marks a hit most recently used.
    std::shared_ptr<const PixelBuffer> find(std::uint64_t key);

    // Pixels larger than the capacity are not kept. If two threads decoded the same key,
    // the first inserted wins and is returned; use the return value.
    std::shared_ptr<const PixelBuffer> insert(std::uint64_t key, std::shared_ptr<const PixelBuffer> pixels);

    void erase(std::uint64_t key);
    void clear();

    void setCapacity(std::size_t capacityBytes);
    std::size_t capacity() const;
    // Bytes of pixels held; count() is the number of entries.
    std::size_t size() const;
    std::size_t count() const;

private:
    struct Entry {
        std::uint64_t key;
        std::shared_ptr<const PixelBuffer> pixels;
    };

    // Evicted entries go to `dropped` so their pixels are freed outside the mutex.
    void evictToFit(std::size_t capacityBytes, std::list<Entry>& dropped);

    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    // MRU first.
    std::list<Entry> entries_;
    std::unordered_map<std::uint64_t, std::list<Entry>::iterator> index_;
};

}
