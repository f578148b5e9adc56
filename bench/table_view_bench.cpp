// Laying out, painting and scrolling a table of 10,000 result cards on the offscreen
// platform: the cost of one screenful is what decides whether scrolling is smooth.
#include "test_cell.h"

#include "shell/image_asset.h"
#include "ui/environment.h"
#include "ui/table_view.h"
#include "ui/window.h"

#include <QApplication>
#include <QImage>
#include <QPainter>

#include <benchmark/benchmark.h>

namespace {

using namespace wayfarer;

const QString identifier = QStringLiteral("reuseIdentifier");
constexpr int rowCount = 10000;

class Cards final : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    Cards() {
        testing::registerTestCell();
        table.setDataSource(this);
        table.setDelegate(this);
        table.registerNib(ui::Nib::named(QStringLiteral("TestCell")), identifier);
        table.resize(ui::Window::defaultSize.width(), ui::Window::defaultSize.height());
        table.show();
        table.reloadData();
    }
    int numberOfRowsInSection(ui::TableView&, int) override { return rowCount; }
    ui::TableViewCell& cellForRow(ui::TableView& view, ui::IndexPath indexPath) override {
        auto& cell = static_cast<testing::TestCell&>(view.dequeueReusableCell(identifier, indexPath));
        cell.titleLabel->setText(QStringLiteral("Guided tour of the old town, part %1").arg(indexPath.row));
        cell.priceLabel->setText(QStringLiteral("$ %1.00").arg(10 + indexPath.row % 90));
        cell.likeButton->setImage(shell::image(indexPath.row % 3 == 0 ? shell::ImageAsset::heartFill
                                                                      : shell::ImageAsset::heartWhite));
        cell.thumbnailView->setImage(archeology);
        return cell;
    }
    double heightForRow(ui::TableView& view, ui::IndexPath) override { return view.frame().width() * 4.0 / 5.0; }

    // A cover as the catalogue sends it: a decoded photograph larger than the thumbnail.
    std::optional<ui::Image> archeology =
        ui::Image::fromQImage(shell::image(shell::ImageAsset::archeology)->toQImage(QSize(780, 1688)));
    ui::TableView table;
};

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
    testing::registerTestCell();
    const auto nib = ui::Nib::named(QStringLiteral("TestCell"));
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
