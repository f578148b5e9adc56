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

// Leaked so the HttpClient worker may still post during static destruction; stop() ends
// the thread.
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
        // exit() from a `done` lands here on the worker thread, which cannot join itself.
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

    // Holding DecodedImageCache::shared() before the thread starts keeps it alive through
    // any decode at exit.
    const std::shared_ptr<DecodedImageCache> cache_ = DecodedImageCache::shared();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<DecodeRequest> waiting_;
    bool stopping_ = false;
    // Declared last: started after every member it uses is constructed.
    std::thread worker_;
};

std::atomic<ImageDecodeQueue*> madeQueue = nullptr;

ImageDecodeQueue& decodeQueue() {
    static NoDestructor<ImageDecodeQueue> queue;
    // std::atexit after construction, so the stop runs before earlier statics are destroyed.
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
