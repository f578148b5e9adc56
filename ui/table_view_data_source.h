#pragma once

#include <compare>

class QWidget;

namespace wayfarer::ui {

class TableView;
class TableViewCell;

struct IndexPath {
    int section = 0;
    int row = 0;
    friend auto operator<=>(const IndexPath&, const IndexPath&) = default;
};

// Where a table's rows come from; cellForRow returns a cell from table.dequeueReusableCell.
class TableViewDataSource {
public:
    virtual ~TableViewDataSource() = default;
    virtual int numberOfRowsInSection(TableView& table, int section) = 0;
    virtual TableViewCell& cellForRow(TableView& table, IndexPath indexPath) = 0;
};

// Layout questions and row events of a table; tables have one section.
class TableViewDelegate {
public:
    virtual ~TableViewDelegate() = default;
    // Negative means the table's default of 44.
    virtual double heightForRow(TableView&, IndexPath) { return -1; }
    // Shown above the rows (pinned in a plain table); the table becomes its parent.
    virtual QWidget* viewForHeaderInSection(TableView&, int /*section*/) { return nullptr; }
    virtual double heightForHeaderInSection(TableView&, int /*section*/) { return 0; }
    virtual void willDisplayCell(TableView&, TableViewCell&, IndexPath) {}
    // The row left the visible area or the list.
    virtual void didEndDisplayingCell(TableView&, TableViewCell&, IndexPath) {}
    virtual void didSelectRow(TableView&, IndexPath) {}
};

}
