#pragma once

#include "nib.h"
#include "table_view_cell.h"
#include "table_view_data_source.h"

#include <QAbstractScrollArea>
#include <QHash>
#include <QPointer>

#include <memory>
#include <optional>
#include <vector>

namespace wayfarer::ui {

// A plain table pins its section header to the top while rows scroll under it.
enum class TableViewStyle { plain, grouped };
enum class ScrollPosition { none, top, middle, bottom };

// A QAbstractScrollArea of one section: table header, section header, rows, table footer,
// over a background view. Only visible rows have cells; the others go back to a pool per
// reuse identifier. The vertical QScrollBar's value is the content offset.
class TableView final : public QAbstractScrollArea {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableView)

public:
    explicit TableView(QWidget* parent = nullptr) : TableView(TableViewStyle::plain, parent) {}
    explicit TableView(TableViewStyle style, QWidget* parent = nullptr);
    ~TableView() override;

    // Not owned: unset them before they go; without a data source the next layout has no rows.
    void setDataSource(TableViewDataSource* dataSource) { dataSource_ = dataSource; }
    void setDelegate(TableViewDelegate* delegate) { delegate_ = delegate; }
    TableViewDelegate* delegate() const { return delegate_; }

    QRect frame() const { return geometry(); }

    // Cells for `identifier` are made from `nib`, whose top-level widget is a TableViewCell.
    void registerNib(std::shared_ptr<const Nib> nib, const QString& identifier);
    // A pooled cell after its prepareForReuse, or a new one; an unregistered identifier is fatal.
    // The index path is UIKit's and unused: a cell serves any row.
    TableViewCell& dequeueReusableCell(const QString& identifier, IndexPath indexPath);

    // Asks for the rows again and refills the visible ones; willDisplayCell and
    // didEndDisplayingCell go only to rows whose visibility changed.
    void reloadData() { layout(Pass::reload); }

    // Reparented to the viewport; their height is kept, their width follows the table's.
    void setTableHeaderView(QWidget* view);
    QWidget* tableFooterView() const { return tableFooterView_; }
    void setTableFooterView(QWidget* view);
    // Fills the viewport behind the rows without scrolling; it shows or hides itself.
    void setBackgroundView(QWidget* view);
    QWidget* backgroundView() const { return backgroundView_; }

    int numberOfRows() const { return static_cast<int>(rowTops_.size()) - 1; }
    std::vector<IndexPath> indexPathsForVisibleRows() const;
    TableViewCell* cellForRow(IndexPath indexPath) const;
    std::optional<IndexPath> indexPathForCell(const TableViewCell& cell) const;
    QRect rectForRow(IndexPath indexPath) const;

    // The row the arrow keys marked: ringed while it or the table has the focus; Return selects it.
    std::optional<IndexPath> keyboardRow() const { return keyboardRow_; }

    // Headers, background (when shown), visible cells, footer: the QAccessible children.
    std::vector<QWidget*> partsInReadingOrder() const;

    int contentOffset() const;
    void setContentOffset(int y);
    int contentHeight() const;
    // `none` scrolls just into view; in a plain table `top` is below the pinned section header.
    // `animated` goes through QScroller::scrollTo unless animations are off.
    void scrollToRow(IndexPath indexPath, ScrollPosition position, bool animated);

    // Cells held (visible and pooled), and cells made.
    int cellCount() const;
    int cellsCreated() const { return cellsCreated_; }

protected:
    void scrollContentsBy(int dx, int dy) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    friend class TableViewCell;
    enum class Pass { scroll, resize, reload };

    void layout(Pass pass);
    void runLayout(Pass pass);
    void placeViews();
    double rowsTop() const;
    double pinnedHeight() const;
    // The row whose end is below `y`, in the rows' own coordinates; numberOfRows() past the end.
    int rowAt(double y) const;
    void chooseRow(std::optional<IndexPath> indexPath);
    void moveKeyboardRow(int step);
    void placeFocusRing();
    void adopt(QPointer<QWidget>& slot, QWidget* view, bool visible = true);

    TableViewStyle style_;
    TableViewDataSource* dataSource_ = nullptr;
    TableViewDelegate* delegate_ = nullptr;
    QHash<QString, std::shared_ptr<const Nib>> nibs_;
    QHash<QString, std::vector<TableViewCell*>> pools_;

    std::vector<double> rowTops_{0.0};  // rowTops_[i] is the top of row i; the last entry is the rows' end
    double sectionHeaderHeight_ = 0.0;

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
    std::optional<Pass> pendingPass_;
    bool loaded_ = false;
};

}
