#include "screens_fixture.h"

#include "screens/main_view_controller.h"
#include "screens/screen_classes.h"
#include "screens/text_field_header_view.h"
#include "tests/support/image_samples.h"
#include "ui/activity_indicator_view.h"
#include "ui/navigation_controller.h"
#include "ui/qt_main_queue.h"
#include "ui/text_field.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

namespace wayfarer::testing {

void ScreensTest::SetUp() {
    setenv("LC_ALL", "en_US.UTF-8", 1);
    registerScreenViews();
    server.server().Get("/api/v3/activities", [this](const httplib::Request& request, httplib::Response& response) {
        const SeenSearch seen{request.get_param_value("text"), request.get_param_value("offset")};
        std::function<Answer(const SeenSearch&)> responder;
        {
            std::lock_guard lock(mutex_);
            searches_.push_back(seen);
            responder = responder_;
        }
        const Answer answer = responder ? responder(seen) : page();
        response.status = answer.status;
        response.set_content(answer.body, answer.contentType);
    });
    server.server().Get(R"(/covers/(.+)\.jpg)", [this](const httplib::Request& request, httplib::Response& response) {
        const std::string uuid = request.matches[1];
        std::unique_lock lock(mutex_);
        coversReleased_.wait(lock, [&] { return heldCover_ != uuid; });
        // Each record's cover is a picture of its own, so that a test can tell them apart.
        auto& cover = covers_[uuid];
        if (cover.empty())
            cover = samples::encodeJpeg(samples::makePicture(120, 80, static_cast<std::uint32_t>(covers_.size())));
        response.set_content(cover, "image/jpeg");
    });
    server.start();

    useCatalogueAt(server.baseURL());

    window.resize(ui::Window::defaultSize);
    window.setRootViewController(std::make_unique<ui::ViewController>());
    window.show();
}

namespace {

// The main queue of the session and its covers, counting the tasks posted and run.
class CountingQueue final : public platform::MainQueue {
public:
    explicit CountingQueue(std::shared_ptr<TaskCounts> tasks) : tasks_(std::move(tasks)) {}
    void post(std::function<void()> task) override {
        ++tasks_->posted;
        queue_.post([tasks = tasks_, task = std::move(task)] {
            task();
            ++tasks->run;
        });
    }

private:
    ui::QtMainQueue queue_;
    std::shared_ptr<TaskCounts> tasks_;
};

}

void ScreensTest::useCatalogueAt(const std::string& baseURL) {
    const auto queue = std::make_shared<CountingQueue>(tasks_);
    DataTaskManager::Configuration configuration{baseURL, CatalogueContext{http.get(), queue},
                                                 [] { return std::optional<std::string>("en"); }};
    session = std::make_shared<DataManager>(std::make_shared<DataTaskManager>(std::move(configuration)), queue);
}

void ScreensTest::TearDown() {
    holdCover(std::nullopt);
    windowHolder.reset();
    // Answers already posted to the main queue reach screens that are gone.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    session.reset();
    http.reset();
    // Handlers still running use the fixture's state, which goes before the server would.
    server.stop();
}

void ScreensTest::answerWith(std::function<Answer(const SeenSearch&)> responder) {
    std::lock_guard lock(mutex_);
    responder_ = std::move(responder);
}

std::vector<SeenSearch> ScreensTest::searches() {
    std::lock_guard lock(mutex_);
    return searches_;
}

void ScreensTest::holdCover(std::optional<std::string> uuid) {
    {
        std::lock_guard lock(mutex_);
        heldCover_ = std::move(uuid);
    }
    coversReleased_.notify_all();
}

Answer ScreensTest::page(int first, int count, long long total) {
    std::string body = R"({"meta": {"count": )" + std::to_string(total) + R"(}, "data": [)";
    for (int i = first; i < first + count; ++i) {
        const std::string uuid = "r" + std::to_string(i);
        body += (i > first ? ", " : "");
        body += R"({"uuid": ")" + uuid + R"(", "title": "Sight )" + std::to_string(i) +
                R"(", "cover_image_url": ")" + server.baseURL() + "/covers/" + uuid +
                R"(.jpg", "retail_price": {"formatted_value": "$1)" + std::to_string(i) +
                R"(.00"}, "operational_days": "Daily", "description": "A sight."})";
    }
    return {200, body + "]}"};
}

ResultsTableViewController& ScreensTest::openResults() {
    presentResults(*window.rootViewController(), session);
    auto* navigation = qobject_cast<ui::NavigationController*>(window.rootViewController()->presentedViewController());
    EXPECT_NE(navigation, nullptr);
    results_ = qobject_cast<ResultsTableViewController*>(navigation->viewControllers().front());
    return *results_;
}

ResultsTableViewController& ScreensTest::openResultsFor(const QString& text) {
    openResults();
    search(text);
    waitForAnswer();
    return *results_;
}

void ScreensTest::closeResults() {
    results_->close();
    QCoreApplication::processEvents();
}

ui::TextField& ScreensTest::field() { return *results_->header->textField; }

void ScreensTest::type(const QString& text) {
    QWidget& editor = field().editorWidget();
    for (const char32_t codePoint : text.toUcs4()) {
        const QString character = QString::fromUcs4(&codePoint, 1);
        if (codePoint < 0x80) {
            QTest::keyClick(&editor, character.at(0).toLatin1());
            continue;
        }
        // A character no key of the test's keyboard has, as an input method sends it.
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, character);
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, character);
        QCoreApplication::sendEvent(&editor, &press);
        QCoreApplication::sendEvent(&editor, &release);
    }
}

void ScreensTest::search(const QString& text) {
    const std::u32string codePoints = text.toStdU32String();
    field().setText(QString::fromStdU32String(codePoints.substr(0, codePoints.size() - 1)));
    type(QString::fromStdU32String(codePoints.substr(codePoints.size() - 1)));
}

void ScreensTest::press(Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* focused = QApplication::focusWidget();
    ASSERT_NE(focused, nullptr);
    QTest::keyClick(focused, key, modifiers);
}

void ScreensTest::waitForAnswer() {
    EXPECT_TRUE(QTest::qWaitFor([this] { return !results_->indicator->isAnimating(); }, 10000));
    QCoreApplication::processEvents();
}

}
