#pragma once

#include "nib.h"
#include "table_view_cell.h"
#include "table_view_data_source.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QPointer>
#include <QScroller>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

namespace wayfarer::ui {

enum class TableViewStyle { plain = 0, grouped = 1 };
enum class TableViewCellSeparatorStyle { none = 0, singleLine = 1 };
enum class ScrollPosition { none = 0, top = 1, middle = 2, bottom = 3 };

// A scrolling list of one section: a table header view, a section header pinned to the
// top while the rows scroll under it, the rows, and a table footer view, over a
// background view. Only the rows in the visible area have cells; cells that leave it go
// back to a pool per reuse identifier and are handed out again.
class TableView final : public QAbstractScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableView)

public:
    explicit TableView(QWidget* parent = nullptr);
    explicit TableView(TableViewStyle style, QWidget* parent = nullptr);
    ~TableView() override;

    TableViewStyle style() const { return style_; }
    // Observers: the data source and delegate must outlive the table or be unset first.
    // Without a data source the table has no rows from its next layout on.
    void setDataSource(TableViewDataSource* dataSource) { dataSource_ = dataSource; }
    void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }
    TableViewDataSource* dataSource() const { return dataSource_; }
    TableViewDelegate* delegate() const { return delegate_; }

    QRect frame() const { return geometry(); }

    // Cells for `identifier` are made from `nib`, whose top-level widget is a TableViewCell.
    void registerNib(std::shared_ptr<const Nib> nib, const QString& identifier);
    void registerCellClass(std::function<TableViewCell*()> factory, const QString& identifier);
    // A cell for `identifier`: one from the pool, after its prepareForReuse, or a new one.
    // Dequeuing an identifier that nothing was registered for is a programming error.
    TableViewCell& dequeueReusableCell(const QString& identifier, IndexPath indexPath);

    // Asks for the row count and heights again and refills every visible row. "Will
    // display" goes only to rows that were not visible before, "did end displaying" only
    // to rows that are no longer visible.
    void reloadData();

    double rowHeight() const { return rowHeight_; }
    void setRowHeight(double height);
    TableViewCellSeparatorStyle separatorStyle() const { return separatorStyle_; }
    void setSeparatorStyle(TableViewCellSeparatorStyle style) { separatorStyle_ = style; }

    // The table becomes the parent of these views; their height is kept, their width
    // follows the table's.
    QWidget* tableHeaderView() const { return tableHeaderView_; }
    void setTableHeaderView(QWidget* view);
    QWidget* tableFooterView() const { return tableFooterView_; }
    void setTableFooterView(QWidget* view);
    // Fills the area behind the rows and does not scroll.
    QWidget* backgroundView() const { return backgroundView_; }
    void setBackgroundView(QWidget* view);

    int numberOfRows() const { return static_cast<int>(rowCount_); }
    // Visible rows in order, and the cell of a visible row.
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    TableViewCell* cellForRow(IndexPath indexPath) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell& cell) const;
    QRect rectForRow(IndexPath indexPath) const;

    // The row the arrow keys have moved to, marked with a focus ring while the table or a
    // control of that row has the keyboard focus; Return or Enter selects it as a tap would.
    std::optional<IndexPath> keyboardRow() const { return keyboardRow_; }

    // What the table shows, in the order a person sees it: the table header, the section
    // header, the background (when shown), the visible rows' cells, the footer.
    std::vector<QWidget*> partsInReadingOrder() const;
    // Where Tab goes inside the table: the controls of the headers, the table itself (the
    // list, where the arrows move), the controls of the marked row, those of the footer.
    std::vector<QWidget*> focusOrder() const;

    std::optional<IndexPath> indexPathForSelectedRow() const { return selectedRow_; }
    void selectRow(std::optional<IndexPath> indexPath);
    void deselectRow(IndexPath indexPath, bool animated);

    int contentOffset() const;
    void setContentOffset(int y);
    int contentHeight() const;
    // Scrolls `indexPath` to `position` (`none`: just into view). In a plain table a row
    // at the top shows below the pinned section header, not under it.
    void scrollToRow(IndexPath indexPath, ScrollPosition position, bool animated);

    // Cells the table holds, in view and in the pools; and how many it has made.
    int cellCount() const;
    int cellsCreated() const { return cellsCreated_; }

protected:
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TableViewCell;
    struct Registration {
        std::shared_ptr<const Nib> nib;
        std::function<TableViewCell*()> factory;
    };
    enum class Pass { scroll, resize, reload };
    // A row and how far into it, as a share of its height, the view begins.
    struct RowAnchor {
        std::size_t row;
        double share;
    };

    void setUp();
    void setUpKineticScrolling();
    void setUpFocusRing();
    void layout(Pass pass);
    void runLayout(Pass pass);
    void measureRows();
    void placeViews();
    std::pair<int, int> visibleRange() const;
    double rowsTop() const;
    // The height of the section header that rows scroll under.
    double pinnedHeight() const;
    std::optional<RowAnchor> topRowAnchor() const;
    void recycle(TableViewCell& cell);
    void cellTapped(TableViewCell& cell);
    void chooseRow(IndexPath indexPath);
    void moveKeyboardRow(int step);
    void placeFocusRing();
    // Whether the keys are in the marked row: on the table, or on a control of that row.
    bool keyboardRowHasFocus() const;
    // Feeds a mouse drag over `source` to the kinetic scroller; true once it is scrolling.
    bool dragInput(QScroller::Input input, QWidget& source, const QMouseEvent& event);
    void adopt(QWidget* view);

    TableViewStyle style_ = TableViewStyle::plain;
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    QHash<QString, Registration> registrations_;
    QHash<QString, std::vector<TableViewCell*>> pools_;

    std::size_t rowCount_ = 0;
    std::vector<double> rowTops_{0.0};  // rowTops_[i] is the top of row i; the last entry is the rows' end
    double rowHeight_ = 44.0;
    double sectionHeaderHeight_ = 0.0;
    TableViewCellSeparatorStyle separatorStyle_ = TableViewCellSeparatorStyle::singleLine;

    int firstVisible_ = 0;
    std::vector<TableViewCell*> visibleCells_;  // the cells of rows firstVisible_ onwards

    QPointer<QWidget> tableHeaderView_;
    QPointer<QWidget> tableFooterView_;
    QPointer<QWidget> backgroundView_;
    QPointer<QWidget> sectionHeaderView_;

    std::optional<IndexPath> selectedRow_;
    std::optional<IndexPath> keyboardRow_;
    QWidget* focusRing_ = nullptr;
    int cellsCreated_ = 0;
    bool layingOut_ = false;
    QMetaObject::Connection focusRingConnection_;
    std::optional<Pass> pendingPass_;
    bool loaded_ = false;
};

}
