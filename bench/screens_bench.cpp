// The results screen on the offscreen platform: from the keystroke that makes three
// characters to the table showing the first page, and scrolling a list of 1,000 cards
// with their covers, frame by frame, at two device pixels to the point.
#include "results_screen_setup.h"

#include "screens/text_field_header_view.h"
#include "service/activity_catalogue.h"
#include "ui/text_field.h"

#include <QKeyEvent>
#include <QPainter>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>

namespace {

using namespace wayfarer;

void BM_KeystrokeToFirstPage(benchmark::State& state) {
    bench::ResultsScreenSetup setup;
    ui::TextField& field = *setup.results->tableView()->findChild<ui::TextField*>();
    ui::TableView& table = *setup.results->tableView();
    QImage screen(table.size(), QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        field.setText(QStringLiteral("Ro"));
        QKeyEvent press(QEvent::KeyPress, Qt::Key_M, Qt::NoModifier, QStringLiteral("m"));
        QApplication::sendEvent(&field.editorWidget(), &press);
        bench::runUntil([&] { return !setup.results->tableView()->findChild<ui::ActivityIndicatorView*>()->isAnimating() && table.numberOfRows() > 0; });
        QPainter painter(&screen);
        table.render(&painter);
    }
    state.counters["rows"] = table.numberOfRows();
}
BENCHMARK(BM_KeystrokeToFirstPage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ScrollFrameOf1000Cards(benchmark::State& state) {
    const auto catalogue = std::make_shared<service::ActivityCatalogue>(service::generateCatalogue(1000));
    bench::ResultsScreenSetup setup(catalogue);
    setup.holdRecords(*catalogue, 1000);
    // Every cover fetched first: the frames measure drawing, not the network.
    std::size_t pending = setup.session->attractions().size();
    for (const auto& record : setup.session->attractions())
        record->loadCoverImage([&] { --pending; }, setup.session->taskManager->context());
    bench::runUntil([&] { return pending == 0; }, 120);

    ui::TableView& table = *setup.results->tableView();
    const qreal ratio = table.devicePixelRatioF();
    QImage screen(table.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(ratio);
    const int step = table.viewport()->height() / 8;
    // The first screenful fills the caches of glyphs and hearts; it is timed apart.
    double warmUp = 0;
    for (int offset = 0; offset <= table.viewport()->height(); offset += step) {
        const auto start = std::chrono::steady_clock::now();
        table.setContentOffset(offset);
        QPainter painter(&screen);
        table.render(&painter);
        warmUp = std::max(warmUp, std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    double slowest = 0;
    int over8 = 0;
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        int next = table.contentOffset() + step;
        if (next >= table.contentHeight() - table.viewport()->height())
            next = 0;
        table.setContentOffset(next);
        QPainter painter(&screen);
        table.render(&painter);
        painter.end();
        const double frame = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        slowest = std::max(slowest, frame);
        over8 += frame > 8.0 ? 1 : 0;
    }
    state.counters["slowest_frame_ms"] = slowest;
    state.counters["slowest_first_screen_frame_ms"] = warmUp;
    state.counters["frames_over_8ms"] = over8;
    state.counters["device_pixel_ratio"] = ratio;
    state.counters["cells_created"] = table.cellsCreated();
}
BENCHMARK(BM_ScrollFrameOf1000Cards)->Unit(benchmark::kMillisecond)->Iterations(2000);

}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // A phone's screen: two device pixels to the point.
    if (qEnvironmentVariableIsEmpty("QT_SCALE_FACTOR"))
        qputenv("QT_SCALE_FACTOR", "2");
    QApplication application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
