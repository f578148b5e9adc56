#include "table_view.h"

#include "accessibility.h"
#include "environment.h"

#include <QScrollBar>
#include <QScroller>

#include <algorithm>
#include <cmath>

namespace wayfarer::ui {

namespace {

int heightOf(const QWidget* view) { return view ? view->height() : 0; }

}

TableView::TableView(QWidget* parent) : TableView(TableViewStyle::plain, parent) {}

TableView::TableView(TableViewStyle style, QWidget* parent) : QAbstractScrollArea(parent), style_(style) { setUp(); }

TableView::~TableView() {
    // No callbacks from the viewport's children as they die (a focused field moves the focus).
    dataSource_ = nullptr;
    delegate_ = nullptr;
    disconnect(focusRingConnection_);
}

void TableView::setUp() {
    installAccessibleInterfaces();
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::TabFocus);
    verticalScrollBar()->setSingleStep(40);
    viewport()->setAutoFillBackground(false);
    setUpKineticScrolling();
    setUpFocusRing();
}

void TableView::registerNib(std::shared_ptr<const Nib> nib, const QString& identifier) {
    registrations_.insert(identifier, Registration{std::move(nib), {}});
}

void TableView::registerCellClass(std::function<TableViewCell*()> factory, const QString& identifier) {
    registrations_.insert(identifier, Registration{{}, std::move(factory)});
}

TableViewCell& TableView::dequeueReusableCell(const QString& identifier, IndexPath) {
    auto& pool = pools_[identifier];
    if (!pool.empty()) {
        TableViewCell* cell = pool.back();
        pool.pop_back();
        cell->prepareForReuse();
        return *cell;
    }
    const auto registration = registrations_.constFind(identifier);
    if (registration == registrations_.constEnd())
        qFatal("table view: no cell registered for the reuse identifier \"%s\"", qPrintable(identifier));
    TableViewCell* cell = nullptr;
    if (registration->nib) {
        std::unique_ptr<QWidget> root = instantiateOrDie(*registration->nib, nullptr);
        cell = dynamic_cast<TableViewCell*>(root.get());
        if (!cell)
            qFatal("interface file \"%s\": the top-level widget is a %s, not a table view cell",
                   qPrintable(registration->nib->name()), root->metaObject()->className());
        root.release();
    } else {
        cell = registration->factory();
    }
    cell->setParent(viewport());
    cell->hide();
    cell->reuseIdentifier_ = identifier;
    cell->table_ = this;
    ++cellsCreated_;
    return *cell;
}

void TableView::reloadData() { layout(Pass::reload); }

void TableView::setRowHeight(double height) {
    rowHeight_ = height;
    if (loaded_)
        layout(Pass::resize);
}

void TableView::adopt(QPointer<QWidget>& slot, QWidget* view) {
    if (slot && slot != view)
        slot->hide();
    slot = view;
    if (view) {
        view->setParent(viewport());
        view->show();
    }
}

void TableView::setTableHeaderView(QWidget* view) {
    adopt(tableHeaderView_, view);
    if (loaded_)
        layout(Pass::resize);
}

void TableView::setTableFooterView(QWidget* view) {
    adopt(tableFooterView_, view);
    if (loaded_)
        layout(Pass::resize);
}

void TableView::setBackgroundView(QWidget* view) {
    if (backgroundView_ && backgroundView_ != view)
        backgroundView_->hide();
    backgroundView_ = view;
    if (view) {
        // The view shows or hides itself (an activity indicator hides when it stops).
        const bool hidden = view->isHidden();
        view->setParent(viewport());
        view->setVisible(!hidden);
        view->setGeometry(viewport()->rect());
        view->lower();
    }
}

std::vector<QWidget*> TableView::partsInReadingOrder() const {
    std::vector<QWidget*> parts;
    auto add = [&parts](QWidget* part) {
        if (part && !part->isHidden())
            parts.push_back(part);
    };
    add(tableHeaderView_);
    add(sectionHeaderView_);
    add(backgroundView_);
    for (TableViewCell* cell : visibleCells_)
        add(cell);
    add(tableFooterView_);
    return parts;
}

std::vector<IndexPath> TableView::indexPathsForVisibleRows() const {
    std::vector<IndexPath> rows;
    for (std::size_t i = 0; i < visibleCells_.size(); ++i)
        rows.push_back({0, firstVisible_ + static_cast<int>(i)});
    return rows;
}

TableViewCell* TableView::cellForRow(IndexPath indexPath) const {
    const int index = indexPath.row - firstVisible_;
    if (indexPath.section != 0 || index < 0 || index >= static_cast<int>(visibleCells_.size()))
        return nullptr;
    return visibleCells_[static_cast<std::size_t>(index)];
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) const {
    const auto found = std::find(visibleCells_.begin(), visibleCells_.end(), &cell);
    if (found == visibleCells_.end())
        return std::nullopt;
    return IndexPath{0, firstVisible_ + static_cast<int>(found - visibleCells_.begin())};
}

QRect TableView::rectForRow(IndexPath indexPath) const {
    if (indexPath.section != 0 || indexPath.row < 0 || indexPath.row >= numberOfRows())
        return {};
    const auto row = static_cast<std::size_t>(indexPath.row);
    const double top = rowsTop() + rowTops_[row];
    return QRect(0, static_cast<int>(std::lround(top)), viewport()->width(),
                 static_cast<int>(std::lround(rowsTop() + rowTops_[row + 1])) - static_cast<int>(std::lround(top)));
}

void TableView::selectRow(std::optional<IndexPath> indexPath) {
    if (selectedRow_)
        if (TableViewCell* cell = cellForRow(*selectedRow_))
            cell->setSelected(false);
    selectedRow_ = indexPath;
    if (selectedRow_)
        if (TableViewCell* cell = cellForRow(*selectedRow_))
            cell->setSelected(true);
}

int TableView::contentOffset() const { return verticalScrollBar()->value(); }

void TableView::setContentOffset(int y) {
    if (!loaded_)
        layout(Pass::reload);
    verticalScrollBar()->setValue(y);
}

int TableView::contentHeight() const {
    return static_cast<int>(std::ceil(rowsTop() + rowTops_.back())) + heightOf(tableFooterView_);
}

void TableView::scrollToRow(IndexPath indexPath, ScrollPosition position, bool animated) {
    const QRect row = rectForRow(indexPath);
    if (row.isNull())
        return;
    const int visible = viewport()->height();
    const int covered = static_cast<int>(std::lround(pinnedHeight()));
    int y = contentOffset();
    switch (position) {
    case ScrollPosition::top:
        y = row.top() - covered;
        break;
    case ScrollPosition::middle:
        y = row.center().y() - visible / 2;
        break;
    case ScrollPosition::bottom:
        y = row.bottom() + 1 - visible;
        break;
    case ScrollPosition::none:
        if (row.top() - covered < y)
            y = row.top() - covered;
        else if (row.bottom() + 1 > y + visible)
            y = row.bottom() + 1 - visible;
        break;
    }
    y = std::clamp(y, 0, verticalScrollBar()->maximum());
    if (animated && animationsEnabled())
        QScroller::scroller(viewport())->scrollTo(QPointF(0, y), 250);
    else
        setContentOffset(y);
}

int TableView::cellCount() const {
    return static_cast<int>(viewport()->findChildren<TableViewCell*>(Qt::FindDirectChildrenOnly).size());
}

void TableView::scrollContentsBy(int, int) { layout(Pass::scroll); }

void TableView::showEvent(QShowEvent* event) {
    QAbstractScrollArea::showEvent(event);
    // The first layout waits for the show, after the owner's set-up.
    if (!loaded_)
        layout(Pass::reload);
}

bool TableView::viewportEvent(QEvent* event) {
    if (event->type() == QEvent::Resize && loaded_)
        layout(Pass::resize);
    return QAbstractScrollArea::viewportEvent(event);
}

void TableView::layout(Pass pass) {
    if (layingOut_) {
        // Asked for by a delegate callback: runs right after this one.
        pendingPass_ = std::max(pendingPass_.value_or(Pass::scroll), pass);
        return;
    }
    runLayout(pass);
    while (pendingPass_) {
        const Pass next = *pendingPass_;
        pendingPass_.reset();
        runLayout(next);
    }
}

double TableView::rowsTop() const { return heightOf(tableHeaderView_) + sectionHeaderHeight_; }

double TableView::pinnedHeight() const {
    return sectionHeaderView_ && style_ == TableViewStyle::plain ? sectionHeaderHeight_ : 0.0;
}

std::optional<TableView::RowAnchor> TableView::topRowAnchor() const {
    const double top = contentOffset() + pinnedHeight() - rowsTop();
    if (rowCount_ == 0 || top < 0)
        return std::nullopt;
    const auto rowEnds = rowTops_.begin() + 1;
    const auto row = static_cast<std::size_t>(std::upper_bound(rowEnds, rowTops_.end(), top) - rowEnds);
    if (row >= rowCount_)
        return std::nullopt;
    const double height = rowTops_[row + 1] - rowTops_[row];
    return RowAnchor{row, height > 0 ? (top - rowTops_[row]) / height : 0.0};
}

void TableView::measureRows() {
    rowTops_.assign(rowCount_ + 1, 0.0);
    for (std::size_t row = 0; row < rowCount_; ++row) {
        double rowHeight = delegate_ ? delegate_->heightForRow(*this, {0, static_cast<int>(row)}) : -1;
        if (rowHeight < 0)
            rowHeight = rowHeight_;
        rowTops_[row + 1] = rowTops_[row] + rowHeight;
    }
}

std::pair<int, int> TableView::visibleRange() const {
    const double top = contentOffset() - rowsTop();
    const double bottom = top + viewport()->height();
    if (viewport()->height() <= 0 || rowCount_ == 0)
        return {0, 0};
    const auto rowEnds = rowTops_.begin() + 1;
    const int first = static_cast<int>(std::upper_bound(rowEnds, rowTops_.end(), top) - rowEnds);
    const int last = static_cast<int>(
        std::lower_bound(rowTops_.begin(), rowTops_.begin() + static_cast<std::ptrdiff_t>(rowCount_), bottom) -
        rowTops_.begin());
    return first < last ? std::pair{first, last} : std::pair{0, 0};
}

void TableView::recycle(TableViewCell& cell) {
    cell.hide();
    cell.setHighlighted(false);
    cell.setSelected(false);
    if (cell.reuseIdentifier_.isEmpty())
        cell.deleteLater();
    else
        pools_[cell.reuseIdentifier_].push_back(&cell);
}

void TableView::runLayout(Pass pass) {
    layingOut_ = true;
    // A data source gone (its controller being destroyed) leaves no rows.
    if (!loaded_ || (!dataSource_ && rowCount_ > 0))
        pass = Pass::reload;
    loaded_ = true;

    if (pass == Pass::reload) {
        rowCount_ = dataSource_ ? static_cast<std::size_t>(std::max(0, dataSource_->numberOfRowsInSection(*this, 0))) : 0;
        selectedRow_.reset();
        adopt(sectionHeaderView_, delegate_ ? delegate_->viewForHeaderInSection(*this, 0) : nullptr);
        sectionHeaderHeight_ = delegate_ ? std::max(0.0, delegate_->heightForHeaderInSection(*this, 0)) : 0.0;
    }
    // A resize changes the rows' heights: the row in view at the top stays there.
    const std::optional<RowAnchor> anchor = pass == Pass::resize ? topRowAnchor() : std::nullopt;
    if (pass != Pass::scroll)
        measureRows();

    QScrollBar& bar = *verticalScrollBar();
    bar.setPageStep(viewport()->height());
    bar.setRange(0, std::max(0, contentHeight() - viewport()->height()));
    if (anchor) {
        const double top = rowTops_[anchor->row];
        const double height = rowTops_[anchor->row + 1] - top;
        bar.setValue(static_cast<int>(std::lround(rowsTop() + top + anchor->share * height - pinnedHeight())));
    }

    const auto [first, last] = visibleRange();
    const int oldFirst = firstVisible_;
    const int oldLast = firstVisible_ + static_cast<int>(visibleCells_.size());
    auto wasVisible = [&](int row) { return row >= oldFirst && row < oldLast; };
    auto isVisible = [&](int row) { return row >= first && row < last; };

    std::vector<TableViewCell*> oldCells = std::move(visibleCells_);
    visibleCells_.clear();
    firstVisible_ = first;

    // Staying rows keep their cells unless reloaded; the rest are pooled before new rows ask.
    std::vector<TableViewCell*> kept(static_cast<std::size_t>(std::max(0, last - first)), nullptr);
    std::vector<std::pair<TableViewCell*, int>> ended;
    for (int row = oldFirst; row < oldLast; ++row) {
        TableViewCell* cell = oldCells[static_cast<std::size_t>(row - oldFirst)];
        if (pass != Pass::reload && isVisible(row)) {
            kept[static_cast<std::size_t>(row - first)] = cell;
            continue;
        }
        recycle(*cell);
        if (!isVisible(row))
            ended.emplace_back(cell, row);
    }
    for (const auto& [cell, row] : ended)
        if (delegate_)
            delegate_->didEndDisplayingCell(*this, *cell, {0, row});

    for (int row = first; row < last; ++row) {
        TableViewCell* cell = kept[static_cast<std::size_t>(row - first)];
        if (!cell) {
            cell = &dataSource_->cellForRow(*this, {0, row});
            if (auto& pool = pools_[cell->reuseIdentifier_]; !pool.empty())
                std::erase(pool, cell);
            if (cell->parentWidget() != viewport())
                cell->setParent(viewport());
            cell->table_ = this;
        }
        visibleCells_.push_back(cell);
        const QRect frame = rectForRow({0, row});
        cell->setGeometry(frame.translated(0, -contentOffset()));
        cell->show();
        if (!kept[static_cast<std::size_t>(row - first)] && !wasVisible(row) && delegate_)
            delegate_->willDisplayCell(*this, *cell, {0, row});
    }
    placeViews();
    layingOut_ = false;
}

void TableView::placeViews() {
    const int offset = contentOffset();
    const int width = viewport()->width();
    for (std::size_t i = 0; i < visibleCells_.size(); ++i) {
        const int row = firstVisible_ + static_cast<int>(i);
        TableViewCell* cell = visibleCells_[i];
        cell->setGeometry(rectForRow({0, row}).translated(0, -offset));
        cell->setSelected(selectedRow_ && selectedRow_->row == row);
    }
    const int headerHeight = heightOf(tableHeaderView_);
    if (tableHeaderView_) {
        tableHeaderView_->setGeometry(0, -offset, width, headerHeight);
        tableHeaderView_->raise();
    }
    const int rowsEnd = static_cast<int>(std::lround(rowsTop() + rowTops_.back()));
    if (tableFooterView_) {
        tableFooterView_->setGeometry(0, rowsEnd - offset, width, heightOf(tableFooterView_));
        tableFooterView_->raise();
    }
    if (sectionHeaderView_) {
        const int sectionHeight = static_cast<int>(std::lround(sectionHeaderHeight_));
        const int natural = headerHeight - offset;
        int y = natural;
        if (style_ == TableViewStyle::plain)
            y = std::min(std::max(natural, 0), std::max(natural, rowsEnd - offset - sectionHeight));
        sectionHeaderView_->setGeometry(0, y, width, sectionHeight);
        sectionHeaderView_->raise();
    }
    if (backgroundView_) {
        backgroundView_->setGeometry(viewport()->rect());
        backgroundView_->lower();
    }
    if (keyboardRow_ && keyboardRow_->row >= static_cast<int>(rowCount_))
        keyboardRow_.reset();
    placeFocusRing();
}

void TableView::cellTapped(TableViewCell& cell) {
    if (const auto indexPath = indexPathForCell(cell))
        chooseRow(*indexPath);
}

void TableView::chooseRow(IndexPath indexPath) {
    selectRow(indexPath);
    if (delegate_)
        delegate_->didSelectRow(*this, indexPath);
}

}
