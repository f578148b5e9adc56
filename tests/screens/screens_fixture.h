#pragma once

#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/http_client.h"
#include "screens/results_table_view_controller.h"
#include "tests/support/test_server.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace wayfarer::testing {

// What the stub catalogue answers one search with.
struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
};

struct SeenSearch {
    std::string text;
    std::string offset;
};

// The records "r<first>" to "r<first + count - 1>", each with a cover on the stub.
std::string pageJson(const std::string& baseURL, int first, int count, long long total);

// Tasks posted to a main queue and run from it.
struct TaskCounts {
    std::atomic<int> posted = 0;
    std::atomic<int> run = 0;
};

// A results screen presented over a window, on its own search session against a stub
// catalogue on loopback whose answers and covers the test controls.
class ScreensTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    void answerWith(std::function<Answer(const SeenSearch&)> responder);
    std::vector<SeenSearch> searches();
    // The cover of record `uuid` waits until another (or none) is held.
    void holdCover(std::optional<std::string> uuid);
    int coversServed();

    // Points the session at another catalogue address.
    void useCatalogueAt(const std::string& baseURL);
    // Presents a new results screen over the window's root and returns it.
    ResultsTableViewController& openResults();
    ResultsTableViewController& results() { return *results_; }
    ui::TableView& table() { return *results_->tableView(); }
    ui::TextField& field();
    void type(const QString& text);
    // Waits for the search in flight to be answered.
    void waitForAnswer();
    // How many tasks the session and the covers have run on the main queue (answers
    // handed to the screen, shown or not, and covers delivered), and how many are posted
    // and not yet run, so that a test can wait for one that by design changes nothing.
    int tasksRun() const { return tasks_->run; }
    int tasksPending() const { return tasks_->posted - tasks_->run; }
    // The screen on top of the window now.
    ui::ViewController* topmost() { return window.topmostViewController(); }

    TestServer server;
    std::unique_ptr<platform::HttpClient> http = std::make_unique<platform::HttpClient>();
    std::shared_ptr<DataManager> session;
    std::shared_ptr<TaskCounts> tasks_ = std::make_shared<TaskCounts>();
    std::unique_ptr<ui::Window> windowHolder = std::make_unique<ui::Window>();
    ui::Window& window = *windowHolder;

private:
    std::mutex mutex_;
    std::condition_variable coversReleased_;
    std::optional<std::string> heldCover_;
    std::map<std::string, std::string> covers_;
    int coversServed_ = 0;
    std::function<Answer(const SeenSearch&)> responder_;
    std::vector<SeenSearch> searches_;
    ResultsTableViewController* results_ = nullptr;
};

}
