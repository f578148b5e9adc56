#pragma once

// A table of 10,000 result cards, as the results list shows them, for the benchmark and
// the demonstration program.
#include "test_cell.h"

#include "shell/image_asset.h"
#include "ui/table_view.h"
#include "ui/window.h"

namespace wayfarer::bench {

inline const QString identifier = QStringLiteral("reuseIdentifier");
inline constexpr int rowCount = 10000;

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

}
