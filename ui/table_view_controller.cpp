#include "table_view_controller.h"

namespace wayfarer::ui {

TableViewController::TableViewController(TableViewStyle style) : style_(style) {}

TableViewController::~TableViewController() {
    if (table_) {
        table_->setDataSource(nullptr);
        table_->setDelegate(nullptr);
    }
}

TableView* TableViewController::tableView() { return qobject_cast<TableView*>(view()); }

TableViewCell& TableViewController::cellForRow(TableView&, IndexPath indexPath) {
    qFatal("%s has rows but makes no cells (row %d)", metaObject()->className(), indexPath.row);
}

void TableViewController::loadView() {
    table_ = new TableView(style_);
    table_->setDataSource(this);
    table_->setDelegate(this);
    setView(table_);
}

}
