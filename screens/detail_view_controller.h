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

// One attraction in detail: the header with its cover, back button and heart over a
// single row with the texts. Built in code; the results screen pushes it with the row's
// record, and a like changed here makes the results list reload on the way back.
class DetailViewController final : public ui::TableViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DetailViewController)

public:
    DetailViewController();
    ~DetailViewController() override;

    // An observer of the table's header view.
    QPointer<DetailHeaderView> header;
    std::shared_ptr<Attraction> attraction;
    // Set by every tap on the heart, never reset.
    bool didChangeLike = false;

    // Across the table, 55 % of its height.
    QRect headerFrame();

    ui::StatusBarStyle preferredStatusBarStyle() const override { return ui::StatusBarStyle::lightContent; }
    int numberOfRowsInSection(ui::TableView& table, int section) override;
    ui::TableViewCell& cellForRow(ui::TableView& table, ui::IndexPath indexPath) override;
    double heightForRow(ui::TableView& table, ui::IndexPath indexPath) override;

    void backButtonDidTap();
    void likeButtonDidTap(ui::Button* button);
    // Leaves the screen, first reloading the results list when a like changed here.
    void closeDetail();
    void toggleLike(ui::Button* button);
    bool performEscape() override;

protected:
    void viewDidLoad() override;

private:
    // A cell that is never shown, filled with the record to measure the row's texts.
    std::unique_ptr<DetailCell> sizingCell_;
};

}
