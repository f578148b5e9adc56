#include "detail_view_controller.h"

#include "catalogue/attraction.h"
#include "detail_cell.h"
#include "detail_header_view.h"
#include "hearts.h"
#include "results_table_view_controller.h"
#include "shell/cell_nibs.h"
#include "ui/button.h"
#include "ui/navigation_controller.h"

#include <algorithm>

namespace wayfarer {

DetailViewController::DetailViewController() : ui::TableViewController(ui::TableViewStyle::plain) {
    setMaximumTableWidth(ui::readableContentWidth);
}

DetailViewController::~DetailViewController() = default;

QRect DetailViewController::headerFrame() {
    const QRect table = tableView()->frame();
    return QRect(0, 0, table.width(), table.height() * 55 / 100);
}

void DetailViewController::viewDidLoad() {
    ui::TableViewController::viewDidLoad();
    ui::TableView& table = *tableView();
    header = new DetailHeaderView(headerFrame());
    header->backButton->addTarget(this, &DetailViewController::backButtonDidTap, ui::ControlEvent::touchUpInside);
    header->likeButton->addTarget(this, &DetailViewController::likeButtonDidTap, ui::ControlEvent::touchUpInside);
    // Without an attraction the header stays empty.
    if (attraction)
        header->configure(*attraction);
    table.setTableFooterView(new ui::View);
    table.tableFooterView()->setGeometry(0, 0, table.frame().width(), 1);
    table.registerNib(shell::detailCellNib(), shell::reuseIdentifier);
    table.setTableHeaderView(header);
}

int DetailViewController::numberOfRowsInSection(ui::TableView&, int) { return 1; }

ui::TableViewCell& DetailViewController::cellForRow(ui::TableView& table, ui::IndexPath indexPath) {
    auto& cell = static_cast<DetailCell&>(table.dequeueReusableCell(shell::reuseIdentifier, indexPath));
    if (attraction)
        cell.configure(*attraction);
    return cell;
}

double DetailViewController::heightForRow(ui::TableView&, ui::IndexPath) {
    const QRect table = tableView()->frame();
    const double share = table.height() * 40.0 / 100.0;
    if (!attraction)
        return share;
    // Grows past the 40 % share when the DetailCell's fittingHeight needs more (large fonts, long texts).
    if (!sizingCell_) {
        auto loaded = shell::detailCellNib()->instantiate();
        if (!loaded.ok())
            return share;
        auto* cell = qobject_cast<DetailCell*>(loaded.value().get());
        if (!cell)
            return share;
        loaded.value().release();
        sizingCell_.reset(cell);
    }
    sizingCell_->configure(*attraction);
    return std::max(share, static_cast<double>(sizingCell_->fittingHeight(table.width())));
}

void DetailViewController::backButtonDidTap() { closeDetail(); }

void DetailViewController::likeButtonDidTap(ui::Button* button) { toggleLike(button); }

void DetailViewController::closeDetail() {
    ui::NavigationController* navigation = navigationController();
    if (!navigation)
        return;
    if (didChangeLike) {
        const auto stack = navigation->viewControllers();
        if (auto* results = stack.empty() ? nullptr : qobject_cast<ResultsTableViewController*>(stack.front()))
            results->tableView()->reloadData();
    }
    navigation->popViewController(true);
}

void DetailViewController::toggleLike(ui::Button* button) {
    if (!attraction)
        return;
    flipLike(*attraction, *button);
    didChangeLike = true;
}

bool DetailViewController::performEscape() {
    closeDetail();
    return true;
}

}
