#include "image_decode_queue.h"

#include <condition_variable>
#include <deque>
#include <mutex>
#include <thread>

namespace wayfarer::platform {

namespace {

struct DecodeRequest {
    std::string bytes;
    std::function<void(std::shared_ptr<const Image>)> done;
};

class ImageDecodeQueue {
public:
    ImageDecodeQueue() : worker_([this] { run(); }) {}

    ~ImageDecodeQueue() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
            waiting_.clear();
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
            DecodeRequest request = std::move(waiting_.front());
            waiting_.pop_front();
            lock.unlock();
            request.done(Image::decode(std::move(request.bytes), cache_));
            request = {};
            lock.lock();
        }
    }

    // Taken before the thread starts, so the shared cache is made first and, being
    // destroyed in reverse order, outlives this queue at exit.
    const std::shared_ptr<DecodedImageCache> cache_ = DecodedImageCache::shared();
    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<DecodeRequest> waiting_;
    bool stopping_ = false;
    // Last: the thread starts once everything it uses is built.
    std::thread worker_;
};

}

void decodeImageAsync(std::string bytes, std::function<void(std::shared_ptr<const Image>)> done) {
    static ImageDecodeQueue queue;
    queue.post(DecodeRequest{std::move(bytes), std::move(done)});
}

}
