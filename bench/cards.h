#pragma once

// A table of 10,000 result cards, as the results list shows them, for the benchmark and
// the demonstration program.
#include "screens/attraction_table_view_cell.h"
#include "screens/screen_classes.h"
#include "shell/cell_nibs.h"
#include "shell/image_asset.h"
#include "ui/button.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/table_view.h"
#include "ui/window.h"

namespace wayfarer::bench {

inline const QString identifier = QStringLiteral("reuseIdentifier");
inline constexpr int rowCount = 10000;

class Cards final : public ui::TableViewDataSource, public ui::TableViewDelegate {
public:
    Cards() {
        registerScreenViews();
        table.setDataSource(this);
        table.setDelegate(this);
        table.registerNib(shell::attractionTableViewCellNib(), identifier);
        table.resize(ui::Window::defaultSize.width(), ui::Window::defaultSize.height());
        table.show();
        table.reloadData();
    }
    int numberOfRowsInSection(ui::TableView&, int) override { return rowCount; }
    ui::TableViewCell& cellForRow(ui::TableView& view, ui::IndexPath indexPath) override {
        auto& cell = static_cast<AttractionTableViewCell&>(view.dequeueReusableCell(identifier, indexPath));
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
