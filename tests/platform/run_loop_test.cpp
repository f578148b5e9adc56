#include "platform/run_loop.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace wayfarer::platform {
namespace {

TEST(RunLoop, RunsTasksInPostingOrderIncludingThoseTheyPost) {
    RunLoop loop;
    std::vector<int> order;
    loop.post([&] {
        order.push_back(1);
        loop.post([&] { order.push_back(3); });
    });
    loop.post([&] { order.push_back(2); });
    loop.drain();
    EXPECT_EQ(order, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(loop.pendingCount(), 0u);
}

TEST(RunLoop, WaitsForTasksPostedFromOtherThreadsAndGivesUpAtTheTimeOut) {
    RunLoop loop;
    std::atomic<int> ran = 0;
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&] {
            for (int i = 0; i < 250; ++i)
                loop.post([&] { ++ran; });
        });
    EXPECT_TRUE(loop.runUntil([&] { return ran == 1000; }));
    for (auto& thread : threads)
        thread.join();
    EXPECT_FALSE(loop.runUntil([] { return false; }, std::chrono::milliseconds(50)));
}

}
}
