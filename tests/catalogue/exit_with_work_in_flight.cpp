// Searches BASE_URL (trusting CA_PEM) and HELD_URL (which never finishes), loads the covers,
// and returns from main at the first cover, with transfers, decodes and posted work in flight.
#include "catalogue/data_manager.h"
#include "platform/http_client.h"
#include "platform/run_loop.h"

#include <cstdio>

using namespace wayfarer;

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s BASE_URL CA_PEM HELD_URL\n", argv[0]);
        return 2;
    }
    platform::HttpClientOptions options;
    options.exclusiveCaPem = argv[2];
    if (!platform::HttpClient::setSharedOptions(options) ||
        !DataTaskManager::setSharedConfiguration(DataTaskManager::Configuration{argv[1]})) {
        std::fprintf(stderr, "the shared client or transport was made too early\n");
        return 1;
    }
    const auto loop = std::make_shared<platform::RunLoop>();
    platform::setMainQueue(loop);

    const auto held = std::make_shared<DataTaskManager>(DataTaskManager::Configuration{argv[3]});
    held->fetchAttractions("colosseum", Attraction::Currency::USD, 0, [](DataTaskManager::Result) {});
    const auto session = DataManager::shared();
    bool coverArrived = false;
    session->loadAttractions("rome", false, [&](DataManager::Result) {
        for (const auto& record : session->attractions())
            record->loadCoverImage([&] { coverArrived = true; });
        session->loadAttractions(std::nullopt, true, [](DataManager::Result) {});
        DataTaskManager::shared()->fetchAttractions("louvre", Attraction::Currency::EUR, 0, [](DataTaskManager::Result) {});
    });
    if (!loop->runUntil([&] { return coverArrived; }, std::chrono::seconds(20))) {
        std::fprintf(stderr, "no cover arrived\n");
        return 1;
    }
    return 0;
}
