// Laying out, painting and scrolling a table of 10,000 result cards on the offscreen
// platform: the cost of one screenful is what decides whether scrolling is smooth.
#include "cards.h"

#include "ui/environment.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

using namespace wayfarer;
using bench::Cards;

void paint(ui::TableView& table, QImage& screen) {
    QPainter painter(&screen);
    table.render(&painter);
}

void BM_PaintOneScreenful(benchmark::State& state) {
    Cards cards;
    QImage screen(cards.table.size() * 2, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(2);
    for (auto _ : state)
        paint(cards.table, screen);
    state.counters["visible_rows"] = static_cast<double>(cards.table.indexPathsForVisibleRows().size());
}
BENCHMARK(BM_PaintOneScreenful)->Unit(benchmark::kMillisecond);

void BM_ScrollOneScreenAndPaint(benchmark::State& state) {
    Cards cards;
    QImage screen(cards.table.size() * 2, QImage::Format_ARGB32_Premultiplied);
    screen.setDevicePixelRatio(2);
    const int step = cards.table.viewport()->height();
    for (auto _ : state) {
        int next = cards.table.contentOffset() + step;
        if (next >= cards.table.contentHeight() - step)
            next = 0;
        cards.table.setContentOffset(next);
        paint(cards.table, screen);
    }
    state.counters["cells_created"] = cards.table.cellsCreated();
}
BENCHMARK(BM_ScrollOneScreenAndPaint)->Unit(benchmark::kMillisecond);

void BM_ScrollThroughAllRows(benchmark::State& state) {
    for (auto _ : state) {
        Cards cards;
        const int step = cards.table.viewport()->height() / 4;
        for (int offset = 0; offset < cards.table.contentHeight(); offset += step)
            cards.table.setContentOffset(offset);
        state.counters["cells_created"] = cards.table.cellsCreated();
        state.counters["cells_held"] = cards.table.cellCount();
        state.counters["last_visible_row"] = cards.table.indexPathsForVisibleRows().back().row;
    }
}
BENCHMARK(BM_ScrollThroughAllRows)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_InstantiateCellFromInterfaceFile(benchmark::State& state) {
    registerScreenViews();
    const auto nib = shell::attractionTableViewCellNib();
    for (auto _ : state) {
        auto cell = nib->instantiate();
        benchmark::DoNotOptimize(cell.ok());
    }
}
BENCHMARK(BM_InstantiateCellFromInterfaceFile)->Unit(benchmark::kMicrosecond);

}

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    wayfarer::ui::setAnimationsEnabled(false);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
