#pragma once

#include "pixel_buffer.h"

#include <cstddef>
#include <cstdint>
#include <list>
#include <memory>
#include <mutex>
#include <unordered_map>

namespace wayfarer::platform {

// A bounded store of decoded pixels, so that images shown again soon are not decoded
// again while the many images merely held keep only their encoded bytes. Bounded by the
// bytes of the pixels it holds; the least recently used go first. Safe from any thread.
//
// Pixels handed out stay valid for as long as their holder keeps them, also after the
// cache has dropped them; only the cache's own references count against its capacity.
class DecodedImageCache {
public:
    // Thirteen 1200 x 800 covers: the rows of a phone-sized list, the detail screen and some
    // scrolling back. With a thousand covers held as JPEG (about 90 MB) the process stays
    // near 150 MB; each doubling of this costs its full size in resident memory.
    static constexpr std::size_t defaultCapacity = std::size_t{48} << 20;

    explicit DecodedImageCache(std::size_t capacityBytes = defaultCapacity);
    DecodedImageCache(const DecodedImageCache&) = delete;
    DecodedImageCache& operator=(const DecodedImageCache&) = delete;

    // The process's cache, which images use unless given another. Images hold it by
    // reference, so it outlives every image, also at process exit.
    static std::shared_ptr<DecodedImageCache> shared();

    // The pixels kept under `key`, now the most recently used, or nothing.
    std::shared_ptr<const PixelBuffer> find(std::uint64_t key);

    // Keeps `pixels` under `key` as the most recently used, dropping the least recently
    // used until the total fits the capacity. Pixels larger than the whole capacity are
    // not kept. When the key is held already (two threads decoded the same image), the
    // pixels held win. Returns the pixels now to be used for the key.
    std::shared_ptr<const PixelBuffer> insert(std::uint64_t key, std::shared_ptr<const PixelBuffer> pixels);

    void erase(std::uint64_t key);
    void clear();

    // Changing the capacity drops the least recently used pixels that no longer fit.
    void setCapacity(std::size_t capacityBytes);
    std::size_t capacity() const;
    // The bytes of the pixels held now, and how many images they belong to.
    std::size_t size() const;
    std::size_t count() const;

private:
    struct Entry {
        std::uint64_t key;
        std::shared_ptr<const PixelBuffer> pixels;
    };

    // Moves the least recently used entries to `dropped` until the pixels held fit.
    void evictToFit(std::size_t capacityBytes, std::list<Entry>& dropped);

    mutable std::mutex mutex_;
    std::size_t capacity_;
    std::size_t size_ = 0;
    // Most recently used at the front.
    std::list<Entry> entries_;
    std::unordered_map<std::uint64_t, std::list<Entry>::iterator> index_;
};

}
