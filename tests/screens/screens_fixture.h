#pragma once

#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/http_client.h"
#include "platform/image_decode_queue.h"
#include "screens/attraction_table_view_cell.h"
#include "screens/detail_header_view.h"
#include "screens/detail_view_controller.h"
#include "screens/main_view_controller.h"
#include "screens/results_table_view_controller.h"
#include "screens/screen_classes.h"
#include "screens/text_field_header_view.h"
#include "tests/support/image_samples.h"
#include "tests/support/test_server.h"
#include "ui/activity_indicator_view.h"
#include "ui/alert_controller.h"
#include "ui/button.h"
#include "ui/environment.h"
#include "ui/image.h"
#include "ui/label.h"
#include "ui/navigation_controller.h"
#include "ui/nib.h"
#include "ui/qt_main_queue.h"
#include "ui/text_field.h"
#include "ui/window.h"

#include <QAccessible>
#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <future>
#include <limits>
#include <mutex>

namespace wayfarer::testing {

struct Answer {
    int status = 200;
    std::string body;
    std::string contentType = "application/json";
};

// A MainQueue that counts the tasks yet to run, so that a test can wait for those that change nothing.
class CountingQueue final : public platform::MainQueue, public std::enable_shared_from_this<CountingQueue> {
public:
    void post(std::function<void()> task) override {
        ++waiting_;
        // The task may outlive the test that posted it.
        queue_.post([self = shared_from_this(), task = std::move(task)] {
            task();
            --self->waiting_;
        });
    }
    bool settled() const { return waiting_ == 0; }

private:
    std::atomic<int> waiting_ = 0;
    ui::QtMainQueue queue_;
};

// A window to present the results screen over, on its own DataManager against a loopback
// stub catalogue whose answers and covers the test controls.
class ScreensTest : public ::testing::Test {
protected:
    void SetUp() override {
        // Before any transfer: libcurl reads the environment for every new connection.
        setenv("LC_ALL", locale, 1);
        registerScreenViews();
        server.server().Get("/api/v3/activities", [this](const httplib::Request& request, httplib::Response& response) {
            const std::string offset = request.get_param_value("offset");
            std::function<Answer(int)> responder;
            {
                std::lock_guard lock(mutex_);
                searches_.push_back(request.get_param_value("text") + "@" + offset);
                responder = responder_;
            }
            const Answer answer = responder ? responder(std::stoi(offset)) : page();
            response.status = answer.status;
            response.set_content(answer.body, answer.contentType);
        });
        server.server().Get(R"(/covers/.+\.jpg)", [cover = samples::encodeJpeg(samples::makePicture(120, 80))](
                                                          const httplib::Request&, httplib::Response& response) {
            response.set_content(cover, "image/jpeg");
        });
        server.start();
        useCatalogueAt(server.baseURL());
        window->resize(ui::Window::defaultSize);
        window->setRootViewController(std::make_unique<ui::ViewController>());
        window->show();
    }

    void TearDown() override {
        ui::setPlatformVersion(13);
        window.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        session.reset();
        // Cancels the transfers: every completion has then run or waits to be decoded.
        http.reset();
        finishPostedWork();
        // Running handlers use the fixture's state, which goes before the server would.
        server.stop();
    }

    // Runs the decodes asked for and what the completions posted, so that none of it reaches the next test.
    void finishPostedWork() {
        // decodeImageAsync serves the highest rank first and equal ranks in turn: the lowest rank comes last.
        const auto decoded = std::make_shared<std::promise<void>>();
        auto done = decoded->get_future();
        const auto last = std::make_shared<const std::atomic<std::int64_t>>(std::numeric_limits<std::int64_t>::min());
        platform::decodeImageAsync({}, [decoded](std::shared_ptr<const platform::Image>) { decoded->set_value(); }, last);
        EXPECT_EQ(done.wait_for(std::chrono::seconds(30)), std::future_status::ready) << "decoding never ended";
        EXPECT_TRUE(QTest::qWaitFor([this] { return queue->settled(); }, 10000))
            << "posted tasks never ran";
        ui::Image::waitForBackgroundRendering();
        QCoreApplication::sendPostedEvents();
    }

    // A new session on `baseURL` through `network` (else the fixture's client); `onSend` runs
    // on the main thread as each search goes out, when the transport asks for the language.
    void useCatalogueAt(const std::string& baseURL, std::function<void()> onSend = {},
                        platform::HttpSession* network = nullptr) {
        const auto languageCode = [onSend = std::move(onSend)] {
            if (onSend)
                onSend();
            return std::optional<std::string>("en");
        };
        DataTaskManager::Configuration configuration{baseURL, CatalogueContext{network ? network : http.get(), queue},
                                                     languageCode};
        session = std::make_shared<DataManager>(std::make_shared<DataTaskManager>(std::move(configuration)), queue);
    }

    // The answer to each page asked for; without a responder, page().
    void answerWith(std::function<Answer(int offset)> responder) {
        std::lock_guard lock(mutex_);
        responder_ = std::move(responder);
    }

    // "text@offset" each.
    std::vector<std::string> searches() {
        std::lock_guard lock(mutex_);
        return searches_;
    }

    // The records "r<first>" to "r<first + count - 1>" of `total`.
    Answer page(int first = 0, int count = 10, long long total = 10) {
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

    void openResults() {
        presentResults(*window->rootViewController(), session);
        EXPECT_NE(shownResults(), nullptr);
    }
    void openResultsFor(const QString& text = "Rome") {
        openResults();
        search(text);
        waitForAnswer();
    }
    void closeResults() {
        results().tableView()->findChild<TextFieldHeaderView*>()->closeButton->click();
        QCoreApplication::processEvents();
    }
    ResultsTableViewController* shownResults() {
        auto* navigation = qobject_cast<ui::NavigationController*>(window->rootViewController()->presentedViewController());
        if (!navigation || navigation->viewControllers().empty())
            return nullptr;
        return qobject_cast<ResultsTableViewController*>(navigation->viewControllers().front());
    }
    ResultsTableViewController& results() { return *shownResults(); }
    ui::TableView& table() { return *results().tableView(); }
    ui::TextField& field() { return *table().findChild<ui::TextField*>(); }
    ui::ActivityIndicatorView& indicator() { return *table().findChild<ui::ActivityIndicatorView*>(); }
    AttractionTableViewCell& cellAt(int row) {
        auto* cell = qobject_cast<AttractionTableViewCell*>(table().cellForRow({0, row}));
        EXPECT_NE(cell, nullptr) << "row " << row << " is not shown";
        return *cell;
    }
    ui::ViewController* topmost() { return window->topmostViewController(); }
    DetailViewController* detail() { return qobject_cast<DetailViewController*>(topmost()); }
    DetailHeaderView& detailHeader() { return *detail()->tableView()->findChild<DetailHeaderView*>(); }
    ui::AlertController* alert() { return qobject_cast<ui::AlertController*>(topmost()); }
    ui::AlertController* waitForAlert() {
        EXPECT_TRUE(QTest::qWaitFor([&] { return alert() != nullptr; }, 10000)) << "no alert came";
        return alert();
    }
    MainViewController& showWelcome(const ui::Nib& nib) {
        auto owned = std::make_unique<MainViewController>();
        MainViewController& welcome = *owned;
        welcome.setSession(session);
        EXPECT_TRUE(welcome.loadViewFromNib(nib).ok());
        window->setRootViewController(std::move(owned));
        return welcome;
    }
    // The welcome screen's outlet `name`, found by its object name in the "Main" interface file.
    template <class View>
    View& welcomePart(const char* name) {
        return *window->rootViewController()->view()->findChild<View*>(QLatin1String(name));
    }
    // A click on the card of visible row `row`, away from its heart.
    DetailViewController& openDetail(int row) {
        AttractionTableViewCell& cell = cellAt(row);
        QTest::mouseClick(&cell, Qt::LeftButton, {}, QPoint(cell.width() / 3, cell.height() / 2));
        EXPECT_NE(detail(), nullptr);
        QCoreApplication::processEvents();
        return *detail();
    }

    // Each character as an input method sends it, whether or not the test's keyboard has a key for it.
    void type(const QString& text) {
        for (const char32_t codePoint : text.toUcs4()) {
            QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString::fromUcs4(&codePoint, 1));
            QCoreApplication::sendEvent(&field().editorWidget(), &press);
        }
    }
    // Types the last character of `text` into a field that holds the others: one search.
    void search(const QString& text) {
        const std::u32string codePoints = text.toStdU32String();
        field().setText(QString::fromStdU32String(codePoints.substr(0, codePoints.size() - 1)));
        type(QString::fromStdU32String(codePoints.substr(codePoints.size() - 1)));
    }
    // The empty list's message as a screen reader finds it: no other label in the table reads so.
    static std::optional<QString> listMessage(ui::TableView& table) {
        for (ui::Label* label : table.backgroundView()->findChildren<ui::Label*>())
            if (label->isVisible())
                return QAccessible::queryAccessibleInterface(label)->text(QAccessible::Name);
        return std::nullopt;
    }
    void waitForAnswer() {
        EXPECT_TRUE(QTest::qWaitFor([this] { return !indicator().isAnimating(); }, 10000));
        QCoreApplication::processEvents();
    }
    // A press on `table`, moved `distance` up in six steps of `stepMilliseconds`, and let go.
    static void drag(ui::TableView& table, int distance, int stepMilliseconds) {
        QWidget* surface = table.viewport();
        const QPoint start(surface->width() / 2, distance > 0 ? surface->height() * 3 / 4 : surface->height() / 4);
        QTest::mousePress(surface, Qt::LeftButton, {}, start);
        for (int step = 1; step <= 6; ++step)
            QTest::mouseMove(surface, start - QPoint(0, distance * step / 6), stepMilliseconds);
        QTest::mouseRelease(surface, Qt::LeftButton, {}, start - QPoint(0, distance), stepMilliseconds);
    }
    static void turnWheel(QWidget& target, int delta, QPointF at = QPointF(150, 300)) {
        QWheelEvent wheel(at, at, QPoint(), QPoint(0, delta), Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(&target, &wheel);
    }
    void press(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QWidget* focused = QApplication::focusWidget();
        ASSERT_NE(focused, nullptr);
        QTest::keyClick(focused, key, modifiers);
    }

    // The language the screens read; set before SetUp.
    const char* locale = "en_US.UTF-8";
    TestServer server;
    std::unique_ptr<platform::HttpClient> http = std::make_unique<platform::HttpClient>();
    // The session's answers and covers arrive on it.
    const std::shared_ptr<CountingQueue> queue = std::make_shared<CountingQueue>();
    std::shared_ptr<DataManager> session;
    std::unique_ptr<ui::Window> window = std::make_unique<ui::Window>();

private:
    std::mutex mutex_;
    std::function<Answer(int)> responder_;
    std::vector<std::string> searches_;
};

}
