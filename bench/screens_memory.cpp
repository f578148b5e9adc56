// Not a timing benchmark: the resident memory of the application's process after the
// results list has been scrolled through 1,000 cards, each cover downloaded as its row
// came into view, as a user would.
#include "results_screen_setup.h"

#include "service/activity_catalogue.h"

#include <fstream>
#include <string>

namespace {

std::string statusLine(const std::string& field) {
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);)
        if (line.rfind(field, 0) == 0)
            return line;
    return field + " unknown";
}

}

int main(int argc, char** argv) {
    using namespace wayfarer;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const auto catalogue = std::make_shared<service::ActivityCatalogue>(service::generateCatalogue(1000));
    bench::ResultsScreenSetup setup(catalogue);
    setup.holdRecords(*catalogue, 1000);
    std::printf("before scrolling: %s\n", statusLine("VmRSS").c_str());

    ui::TableView& table = *setup.results->tableView();
    const int step = table.viewport()->height() / 4;
    for (int offset = 0; offset < table.contentHeight(); offset += step) {
        table.setContentOffset(offset);
        if (!bench::runUntil([&] { return setup.visibleCoversLoaded(); })) {
            std::fprintf(stderr, "covers did not arrive at offset %d\n", offset);
            return 1;
        }
        table.repaint();
    }
    std::size_t covers = 0;
    for (const auto& record : setup.session->attractions())
        covers += record->coverImg ? 1 : 0;
    std::printf("after scrolling through %zu cards (%zu covers held): %s, peak %s\n",
                setup.session->attractions().size(), covers, statusLine("VmRSS").c_str(), statusLine("VmHWM").c_str());
    return 0;
}
