#pragma once

#include "screens/detail_header_view.h"
#include "ui/table_view_controller.h"

#include <QPointer>

#include <memory>

namespace wayfarer {

class Attraction;
class DetailCell;

namespace ui {
class Button;
}

// One attraction: a DetailHeaderView table header over a single DetailCell row.
class DetailViewController final : public ui::TableViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DetailViewController)

public:
    DetailViewController();
    ~DetailViewController() override;

    // Set by the results screen before the push; the same object as its row's.
    std::shared_ptr<Attraction> attraction;

    ui::StatusBarStyle preferredStatusBarStyle() const override { return ui::StatusBarStyle::lightContent; }

protected:
    void viewDidLoad() override;

private:
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    ui::TableViewCell& cellForRow(ui::TableView& table, ui::IndexPath indexPath) override;
    double heightForRow(ui::TableView& table, ui::IndexPath indexPath) override;
    bool performEscape() override;

    // Across the table, 55 % of its height.
    QRect headerFrame();
    void backButtonDidTap();
    void likeButtonDidTap(ui::Button* button);
    // Pops, first reloading the root ResultsTableViewController's table when a like changed.
    void closeDetail();
    void toggleLike(ui::Button* button);

    // The table's header view, which owns it.
    QPointer<DetailHeaderView> header;
    // Set by every tap on the heart, never reset.
    bool didChangeLike = false;
    // Never shown: configured with the record to measure the row's texts.
    std::unique_ptr<DetailCell> sizingCell_;
};

}
