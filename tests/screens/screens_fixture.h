#pragma once

#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/http_client.h"
#include "screens/results_table_view_controller.h"
#include "tests/support/test_server.h"
#include "ui/window.h"

#include <gtest/gtest.h>

#include <atomic>
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

    // Without a responder every search is answered with page().
    void answerWith(std::function<Answer(const SeenSearch&)> responder);
    // The records "r<first>" to "r<first + count - 1>" of `total`, each with a cover on the stub.
    Answer page(int first = 0, int count = 10, long long total = 10);
    std::vector<SeenSearch> searches();
    // The cover of record `uuid` waits until another (or none) is held.
    void holdCover(std::optional<std::string> uuid);

    // Points the session at another catalogue address.
    void useCatalogueAt(const std::string& baseURL);
    // Presents a new results screen over the window's root and returns it.
    ResultsTableViewController& openResults();
    // openResults(), search(text) and waitForAnswer().
    ResultsTableViewController& openResultsFor(const QString& text = "Rome");
    void closeResults();
    ResultsTableViewController& results() { return *results_; }
    ui::TableView& table() { return *results_->tableView(); }
    ui::TextField& field();
    void type(const QString& text);
    // Types the last character of `text` into a field that holds the others: one search.
    void search(const QString& text);
    void waitForAnswer();
    // A key pressed on the widget that has the keyboard focus.
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
    // Tasks the session and the covers have run on the main queue (answers handed to the
    // screen, shown or not, and covers delivered) and those posted and not yet run, so that
    // a test can wait for one that by design changes nothing.
    int tasksRun() const { return tasks_->run; }
    int tasksPending() const { return tasks_->posted - tasks_->run; }
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
    std::function<Answer(const SeenSearch&)> responder_;
    std::vector<SeenSearch> searches_;
    ResultsTableViewController* results_ = nullptr;
};

}
