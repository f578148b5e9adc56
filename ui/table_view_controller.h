#pragma once

#include "table_view.h"
#include "view_controller.h"

namespace wayfarer::ui {

// A readable column: about a large phone's width.
inline constexpr int readableContentWidth = 480;

// A screen whose view is a table, of which it is the data source and the delegate.
class TableViewController : public ViewController, public TableViewDataSource, public TableViewDelegate {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableViewController)

public:
    explicit TableViewController(TableViewStyle style = TableViewStyle::plain);
    ~TableViewController() override;

    TableView* tableView();

    // Above 0, the table keeps to a centred column this wide; set before the view loads.
    void setMaximumTableWidth(int width) { maximumTableWidth_ = width; }

    int numberOfRowsInSection(TableView&, int) override { return 0; }
    TableViewCell& cellForRow(TableView& table, IndexPath indexPath) override;

protected:
    void loadView() override;

private:
    TableViewStyle style_;
    int maximumTableWidth_ = 0;
    QPointer<TableView> table_;
};

}
