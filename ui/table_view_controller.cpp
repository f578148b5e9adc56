#include "table_view_controller.h"

#include "view.h"

#include <QCoreApplication>
#include <QWheelEvent>

#include <algorithm>

namespace wayfarer::ui {

namespace {

// The table centred in a column at most `width` wide, over systemBackground.
class ColumnView final : public View {
public:
    ColumnView(TableView& table, int width) : table_(table), width_(width) {
        setBackgroundColor(Color::systemBackground());
        table.setParent(this);
    }

    // Also called directly: a hidden widget gets its QResizeEvent only when shown.
    void placeTable() {
        const int column = std::min(width(), width_);
        table_.setGeometry((width() - column) / 2, 0, column, height());
    }

protected:
    void resizeEvent(QResizeEvent*) override { placeTable(); }
    // A QWheelEvent beside the column scrolls the table.
    void wheelEvent(QWheelEvent* event) override { QCoreApplication::sendEvent(table_.viewport(), event); }

private:
    TableView& table_;  // a child: it goes with the column
    int width_;
};

}

TableViewController::TableViewController(TableViewStyle style) : style_(style) {}

TableViewController::~TableViewController() {
    if (table_) {
        table_->setDataSource(nullptr);
        table_->setDelegate(nullptr);
    }
}

TableView* TableViewController::tableView() {
    view();
    return table_;
}

TableViewCell& TableViewController::cellForRow(TableView&, IndexPath indexPath) {
    qFatal("%s has rows but makes no cells (row %d)", metaObject()->className(), indexPath.row);
}

void TableViewController::loadView() {
    table_ = new TableView(style_);
    table_->setDataSource(this);
    table_->setDelegate(this);
    if (maximumTableWidth_ <= 0)
        return setView(table_);
    // Placed before the subclass's viewDidLoad reads the table's frame.
    auto* column = new ColumnView(*table_, maximumTableWidth_);
    setView(column);
    column->placeTable();
}

}
