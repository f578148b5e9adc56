#include "image_decode_queue.h"

#include "no_destructor.h"

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <iterator>
#include <limits>
#include <mutex>
#include <thread>

namespace wayfarer::platform {

namespace {

struct DecodeRequest {
    std::string bytes;
    std::function<void(std::shared_ptr<const Image>)> done;
    DecodePriority priority;

    std::int64_t rank() const {
        return priority ? priority->load(std::memory_order_relaxed) : std::numeric_limits<std::int64_t>::max();
    }
};

// Never destroyed, so that the HTTP worker may still post while static objects are being
// destroyed at exit; stop() ends the thread instead.
class ImageDecodeQueue {
public:
    ImageDecodeQueue() : worker_([this] { run(); }) {}

    void stop() {
        std::deque<DecodeRequest> dropped;
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            stopping_ = true;
            dropped.swap(waiting_);
        }
        wake_.notify_one();
        // A `done` that ends the process would otherwise wait here for itself.
        if (worker_.get_id() == std::this_thread::get_id())
            worker_.detach();
        else
            worker_.join();
    }

    void post(DecodeRequest request) {
        {
            std::lock_guard lock(mutex_);
            if (stopping_)
                return;
            waiting_.push_back(std::move(request));
        }
        wake_.notify_one();
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        while (true) {
            wake_.wait(lock, [this] { return stopping_ || !waiting_.empty(); });
            if (stopping_)
                return;
            auto next = waiting_.begin();
            for (auto it = std::next(next); it != waiting_.end(); ++it)
                if (it->rank() > next->rank())
                    next = it;
            DecodeRequest request = std::move(*next);
            waiting_.erase(next);
            lock.unlock();
            request.done(Image::decode(std::move(request.bytes), cache_));
            request = {};
            lock.lock();
        }
    }

    // Taken before the thread starts, so the shared cache is made first and, being
    // destroyed in reverse order, outlives the decoding at exit.
    const std::shared_ptr<DecodedImageCache> cache_ = DecodedImageCache::shared();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<DecodeRequest> waiting_;
    bool stopping_ = false;
    // Last: the thread starts once everything it uses is built.
    std::thread worker_;
};

std::atomic<ImageDecodeQueue*> madeQueue = nullptr;

ImageDecodeQueue& decodeQueue() {
    static NoDestructor<ImageDecodeQueue> queue;
    // Registered once the queue is built: it stops before the objects built before it go.
    static const bool stopsAtExit = [] {
        madeQueue = queue.get();
        return std::atexit(stopImageDecoding) == 0;
    }();
    (void)stopsAtExit;
    return *queue;
}

}

void decodeImageAsync(std::string bytes, std::function<void(std::shared_ptr<const Image>)> done) {
    decodeQueue().post(DecodeRequest{std::move(bytes), std::move(done), nullptr});
}

void decodeImageAsync(std::string bytes, std::function<void(std::shared_ptr<const Image>)> done,
                      DecodePriority priority) {
    decodeQueue().post(DecodeRequest{std::move(bytes), std::move(done), std::move(priority)});
}

void stopImageDecoding() {
    if (ImageDecodeQueue* queue = madeQueue.load())
        queue->stop();
}

}
