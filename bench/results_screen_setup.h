#pragma once

// A results screen in a phone-sized window on the offscreen platform, on its own search
// session against a catalogue served in the process over HTTPS, for the screens'
// benchmarks.
#include "catalogue/attraction.h"
#include "catalogue/data_manager.h"
#include "catalogue/data_task_manager.h"
#include "platform/http_client.h"
#include "screens/main_view_controller.h"
#include "screens/results_table_view_controller.h"
#include "screens/screen_classes.h"
#include "service/catalogue_server.h"
#include "ui/activity_indicator_view.h"
#include "ui/environment.h"
#include "ui/navigation_controller.h"
#include "ui/qt_main_queue.h"
#include "ui/window.h"

#include <QApplication>
#include <QElapsedTimer>

#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>

namespace wayfarer::bench {

// Runs the event loop until `done` holds or `seconds` have passed; whether it holds.
inline bool runUntil(const std::function<bool()>& done, int seconds = 30) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > seconds * 1000)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

class ResultsScreenSetup {
public:
    // `catalogue` empty: the demo catalogue.
    explicit ResultsScreenSetup(std::shared_ptr<const service::ActivityCatalogue> catalogue = nullptr) {
        registerScreenViews();
        ui::setAnimationsEnabled(false);
        service::ServerOptions options;
        options.catalogue = std::move(catalogue);
        auto started = service::CatalogueServer::start(options);
        if (!started) {
            std::fprintf(stderr, "cannot start the catalogue: %s\n", started.error().detail.c_str());
            std::exit(1);
        }
        server = std::move(*started);
        platform::HttpClientOptions httpOptions;
        httpOptions.exclusiveCaPem = server->certificatePem();
        http = std::make_unique<platform::HttpClient>(httpOptions);
        present(server->baseURL(), *http);
    }

    // A results screen on a catalogue served elsewhere, reached through `client`.
    ResultsScreenSetup(const std::string& baseURL, platform::HttpClient& client) {
        registerScreenViews();
        ui::setAnimationsEnabled(false);
        present(baseURL, client);
    }

    void present(const std::string& baseURL, platform::HttpClient& client) {
        const auto queue = std::make_shared<ui::QtMainQueue>();
        DataTaskManager::Configuration configuration{baseURL, CatalogueContext{&client, queue}};
        session = std::make_shared<DataManager>(std::make_shared<DataTaskManager>(std::move(configuration)), queue);

        window.resize(ui::Window::defaultSize);
        window.setRootViewController(std::make_unique<ui::ViewController>());
        window.show();
        presentResults(*window.rootViewController(), session);
        auto* navigation = qobject_cast<ui::NavigationController*>(window.rootViewController()->presentedViewController());
        results = qobject_cast<ResultsTableViewController*>(navigation->viewControllers().front());
        QApplication::processEvents();
    }

    // Records of the catalogue's first `count` activities, as its answers carry them.
    void holdRecords(const service::ActivityCatalogue& catalogue, std::size_t count) {
        std::vector<std::shared_ptr<Attraction>> records;
        for (std::size_t i = 0; i < count && i < catalogue.activities.size(); ++i) {
            const service::Activity& activity = catalogue.activities[i];
            auto record = Attraction::make(activity.uuid);
            record->origin = platform::AddressSpace::local;  // the catalogue serves on loopback
            record->title = activity.title;
            record->price = "$" + std::to_string(10 + i % 90) + ".00";
            if (activity.hasCover)
                record->coverURL = platform::URL::parse(server->baseURL() + "/covers/" + activity.uuid + ".jpg");
            records.push_back(std::move(record));
        }
        session->merge(records);
        results->tableView()->reloadData();
    }

    // Whether every row in view has its cover, or has none.
    bool visibleCoversLoaded() {
        const auto& attractions = session->attractions();
        for (const ui::IndexPath& row : results->tableView()->indexPathsForVisibleRows())
            if (!attractions[static_cast<std::size_t>(row.row)]->didLoadImage)
                return false;
        return true;
    }

    std::unique_ptr<service::CatalogueServer> server;
    std::unique_ptr<platform::HttpClient> http;
    std::shared_ptr<DataManager> session;
    ui::Window window;
    ResultsTableViewController* results = nullptr;
};

}
