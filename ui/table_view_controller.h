#pragma once

#include "table_view.h"
#include "view_controller.h"

namespace wayfarer::ui {

// A screen whose view is a table, of which it is the data source and the delegate.
class TableViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableViewController)

public:
    explicit TableViewController(TableViewStyle style = TableViewStyle::plain);
    ~TableViewController() override;

    TableView* tableView();

    int numberOfRowsInSection(TableView&, int) override { return 0; }
    TableViewCell& cellForRow(TableView& table, IndexPath indexPath) override;

protected:
    void loadView() override;

private:
    TableViewStyle style_;
    QPointer<TableView> table_;
};

}
