#include "table_view.h"

#include "accessibility.h"
#include "color.h"
#include "environment.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QScroller>

#include <algorithm>
#include <cmath>

namespace wayfarer::ui {

namespace {

constexpr double defaultRowHeight = 44.0;

int heightOf(const QWidget* view) { return view ? view->height() : 0; }

bool takesTab(const QWidget& widget) {
    return (widget.focusPolicy() & Qt::TabFocus) && widget.isEnabled() && !widget.focusProxy();
}

// `root` and the widgets under it that Tab stops at, in the order of the tree.
void appendTabStops(QWidget* root, std::vector<QWidget*>& stops) {
    if (!root || root->isHidden())
        return;
    if (takesTab(*root))
        stops.push_back(root);
    for (QObject* child : root->children())
        if (auto* widget = qobject_cast<QWidget*>(child); widget && !widget->isWindow())
            appendTabStops(widget, stops);
}

// Drawn around keyboardRow() while the table or a control of that row has the focus.
class FocusRing final : public QWidget {
public:
    explicit FocusRing(QWidget* parent) : QWidget(parent) { setAttribute(Qt::WA_TransparentForMouseEvents); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Color::systemBlue().resolved(), 3.0));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
    }
};

}

TableView::TableView(TableViewStyle style, QWidget* parent) : QAbstractScrollArea(parent), style_(style) {
    installAccessibleInterfaces();
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFocusPolicy(Qt::TabFocus);
    verticalScrollBar()->setSingleStep(40);
    viewport()->setAutoFillBackground(false);
    viewport()->installEventFilter(this);
    // Touch through QScroller::grabGesture; the mouse fed by hand in eventFilter, since QFlickGesture
    // delays or swallows the press and release the cells need and reads the wall clock.
    QScroller::grabGesture(viewport(), QScroller::TouchGesture);
    QScrollerProperties properties = QScroller::scroller(viewport())->scrollerProperties();
    properties.setScrollMetric(QScrollerProperties::VerticalOvershootPolicy,
                               QVariant::fromValue(QScrollerProperties::OvershootAlwaysOff));
    QScroller::scroller(viewport())->setScrollerProperties(properties);
    focusRing_ = new FocusRing(viewport());
    focusRing_->hide();
    connect(qApp, &QApplication::focusChanged, this, &TableView::placeFocusRing);
}

TableView::~TableView() {
    // No callbacks from the viewport's children as they die (a focused field moves the focus).
    dataSource_ = nullptr;
    delegate_ = nullptr;
    disconnect(qApp, &QApplication::focusChanged, this, nullptr);
}

void TableView::registerNib(std::shared_ptr<const Nib> nib, const QString& identifier) {
    nibs_.insert(identifier, std::move(nib));
}

TableViewCell& TableView::dequeueReusableCell(const QString& identifier, IndexPath) {
    if (auto& pool = pools_[identifier]; !pool.empty()) {
        TableViewCell* cell = pool.back();
        pool.pop_back();
        cell->prepareForReuse();
        return *cell;
    }
    const std::shared_ptr<const Nib> nib = nibs_.value(identifier);
    if (!nib)
        qFatal("table view: no cell registered for the reuse identifier \"%s\"", qPrintable(identifier));
    std::unique_ptr<QWidget> root = instantiateOrDie(*nib, nullptr);
    auto* cell = qobject_cast<TableViewCell*>(root.get());
    if (!cell)
        qFatal("interface file \"%s\": the top-level widget is a %s, not a table view cell",
               qPrintable(nib->name()), root->metaObject()->className());
    root.release()->setParent(viewport());
    cell->hide();
    cell->installEventFilter(this);
    cell->reuseIdentifier_ = identifier;
    cell->table_ = this;
    ++cellsCreated_;
    return *cell;
}

void TableView::adopt(QPointer<QWidget>& slot, QWidget* view, bool visible) {
    if (slot && slot != view)
        slot->hide();
    slot = view;
    if (view) {
        view->setParent(viewport());
        view->setVisible(visible);
    }
}

void TableView::setTableHeaderView(QWidget* view) {
    adopt(tableHeaderView_, view);
    layout(Pass::resize);
}

void TableView::setTableFooterView(QWidget* view) {
    adopt(tableFooterView_, view);
    layout(Pass::resize);
}

void TableView::setBackgroundView(QWidget* view) {
    adopt(backgroundView_, view, view && !view->isHidden());
    if (loaded_)
        placeViews();
}

std::vector<QWidget*> TableView::partsInReadingOrder() const {
    std::vector<QWidget*> parts{tableHeaderView_, sectionHeaderView_, backgroundView_};
    parts.insert(parts.end(), visibleCells_.begin(), visibleCells_.end());
    parts.push_back(tableFooterView_);
    std::erase_if(parts, [](const QWidget* part) { return !part || part->isHidden(); });
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
    return visibleCells_[index];
}

std::optional<IndexPath> TableView::indexPathForCell(const TableViewCell& cell) const {
    const auto found = std::ranges::find(visibleCells_, &cell);
    if (found == visibleCells_.end())
        return std::nullopt;
    return IndexPath{0, firstVisible_ + static_cast<int>(found - visibleCells_.begin())};
}

QRect TableView::rectForRow(IndexPath indexPath) const {
    if (indexPath.section != 0 || indexPath.row < 0 || indexPath.row >= numberOfRows())
        return {};
    const auto top = static_cast<int>(std::lround(rowsTop() + rowTops_[indexPath.row]));
    const auto bottom = static_cast<int>(std::lround(rowsTop() + rowTops_[indexPath.row + 1]));
    return QRect(0, top, viewport()->width(), bottom - top);
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
    const int top = row.top() - static_cast<int>(std::lround(pinnedHeight()));
    const int bottom = row.bottom() + 1 - visible;
    int y = contentOffset();
    if (position == ScrollPosition::top || (position == ScrollPosition::none && top < y))
        y = top;
    else if (position == ScrollPosition::bottom || (position == ScrollPosition::none && bottom > y))
        y = bottom;
    else if (position == ScrollPosition::middle)
        y = row.center().y() - visible / 2;
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

// The viewport's QEvent::Resize lays out; mouse presses, moves and releases on the viewport and
// the cells feed QScroller::handleInput with their timestamps, and a cell pressed and released
// without a drag is tapped.
bool TableView::eventFilter(QObject* watched, QEvent* event) {
    const QEvent::Type type = event->type();
    if (type == QEvent::Resize && watched == viewport())
        layout(Pass::resize);
    if (type != QEvent::MouseButtonPress && type != QEvent::MouseMove && type != QEvent::MouseButtonRelease)
        return QAbstractScrollArea::eventFilter(watched, event);
    auto& mouse = *static_cast<QMouseEvent*>(event);
    if (type == QEvent::MouseMove ? !mouse.buttons().testFlag(Qt::LeftButton) : mouse.button() != Qt::LeftButton)
        return false;
    QScroller& scroller = *QScroller::scroller(viewport());
    const bool dragged = scroller.state() == QScroller::Dragging;
    const auto input = type == QEvent::MouseButtonPress ? QScroller::InputPress
                       : type == QEvent::MouseMove      ? QScroller::InputMove
                                                        : QScroller::InputRelease;
    const QPoint position = mouse.position().toPoint();
    scroller.handleInput(input, static_cast<QWidget*>(watched)->mapTo(viewport(), position),
                         static_cast<qint64>(mouse.timestamp()));
    if (auto* cell = qobject_cast<TableViewCell*>(watched)) {
        cell->setHighlighted(input == QScroller::InputPress ||
                             (input == QScroller::InputMove && scroller.state() != QScroller::Dragging));
        if (input == QScroller::InputRelease && !dragged && cell->rect().contains(position))
            chooseRow(indexPathForCell(*cell));
    }
    event->accept();
    return true;
}

void TableView::layout(Pass pass) {
    if (!loaded_ && pass == Pass::resize)
        return;
    if (layingOut_) {
        // Asked for by a delegate callback: runs right after this one.
        pendingPass_ = std::max(pendingPass_.value_or(Pass::scroll), pass);
        return;
    }
    runLayout(pass);
    while (pendingPass_)
        runLayout(*std::exchange(pendingPass_, std::nullopt));
}

double TableView::rowsTop() const { return heightOf(tableHeaderView_) + sectionHeaderHeight_; }

double TableView::pinnedHeight() const {
    return sectionHeaderView_ && style_ == TableViewStyle::plain ? sectionHeaderHeight_ : 0.0;
}

int TableView::rowAt(double y) const {
    return static_cast<int>(std::upper_bound(rowTops_.begin() + 1, rowTops_.end(), y) - rowTops_.begin() - 1);
}

void TableView::runLayout(Pass pass) {
    layingOut_ = true;
    // A data source gone (its controller being destroyed) leaves no rows.
    if (!loaded_ || (!dataSource_ && numberOfRows() > 0))
        pass = Pass::reload;
    loaded_ = true;
    int rows = numberOfRows();
    if (pass == Pass::reload) {
        rows = dataSource_ ? std::max(0, dataSource_->numberOfRowsInSection(*this, 0)) : 0;
        selectedRow_.reset();
        adopt(sectionHeaderView_, delegate_ ? delegate_->viewForHeaderInSection(*this, 0) : nullptr);
        sectionHeaderHeight_ = delegate_ ? std::max(0.0, delegate_->heightForHeaderInSection(*this, 0)) : 0.0;
    }
    // A resize changes the rows' heights: the row at the top stays there, as far into it as before.
    const double anchorY = contentOffset() + pinnedHeight() - rowsTop();
    const int anchor = pass == Pass::resize && anchorY >= 0 ? rowAt(anchorY) : rows;
    const double anchorShare =
        anchor < rows ? (anchorY - rowTops_[anchor]) / (rowTops_[anchor + 1] - rowTops_[anchor]) : 0.0;
    if (pass != Pass::scroll) {
        rowTops_.assign(static_cast<std::size_t>(rows) + 1, 0.0);
        for (int row = 0; row < rows; ++row) {
            const double height = delegate_ ? delegate_->heightForRow(*this, {0, row}) : -1;
            rowTops_[row + 1] = rowTops_[row] + (height < 0 ? defaultRowHeight : height);
        }
    }

    QScrollBar& bar = *verticalScrollBar();
    bar.setPageStep(viewport()->height());
    bar.setRange(0, std::max(0, contentHeight() - viewport()->height()));
    if (anchor < rows) {
        const double y = rowTops_[anchor] + anchorShare * (rowTops_[anchor + 1] - rowTops_[anchor]);
        bar.setValue(static_cast<int>(std::lround(rowsTop() + y - pinnedHeight())));
    }

    const double top = contentOffset() - rowsTop();
    int first = rowAt(top);
    int last = static_cast<int>(std::lower_bound(rowTops_.begin(), rowTops_.end() - 1, top + viewport()->height()) -
                                rowTops_.begin());
    if (viewport()->height() <= 0 || first >= last)
        first = last = 0;
    const int oldFirst = std::exchange(firstVisible_, first);
    const std::vector<TableViewCell*> oldCells = std::exchange(visibleCells_, {});
    const int oldLast = oldFirst + static_cast<int>(oldCells.size());

    // Staying rows keep their cells unless reloaded; the rest are pooled before new rows ask.
    std::vector<TableViewCell*> kept(last - first);
    for (int row = oldFirst; row < oldLast; ++row) {
        TableViewCell* cell = oldCells[row - oldFirst];
        const bool stays = row >= first && row < last;
        if (stays && pass != Pass::reload) {
            kept[row - first] = cell;
            continue;
        }
        cell->hide();
        cell->setHighlighted(false);
        cell->setSelected(false);
        pools_[cell->reuseIdentifier_].push_back(cell);
        if (!stays && delegate_)
            delegate_->didEndDisplayingCell(*this, *cell, {0, row});
    }

    for (int row = first; row < last; ++row) {
        TableViewCell* cell = kept[row - first];
        const bool entered = !cell && (row < oldFirst || row >= oldLast);
        if (!cell)
            cell = &dataSource_->cellForRow(*this, {0, row});
        if (cell->table_ != this)
            qFatal("table view: row %d's cell is not from dequeueReusableCell", row);
        visibleCells_.push_back(cell);
        cell->setGeometry(rectForRow({0, row}).translated(0, -contentOffset()));
        cell->setSelected(selectedRow_ && selectedRow_->row == row);
        cell->show();
        if (entered && delegate_)
            delegate_->willDisplayCell(*this, *cell, {0, row});
    }
    placeViews();
    layingOut_ = false;
}

void TableView::placeViews() {
    const int offset = contentOffset();
    const int width = viewport()->width();
    const int headerHeight = heightOf(tableHeaderView_);
    const int rowsEnd = static_cast<int>(std::lround(rowsTop() + rowTops_.back()));
    if (tableHeaderView_)
        tableHeaderView_->setGeometry(0, -offset, width, headerHeight);
    if (tableFooterView_)
        tableFooterView_->setGeometry(0, rowsEnd - offset, width, heightOf(tableFooterView_));
    if (sectionHeaderView_) {
        const int height = static_cast<int>(std::lround(sectionHeaderHeight_));
        const int natural = headerHeight - offset;
        const int pinned = std::min(std::max(natural, 0), std::max(natural, rowsEnd - offset - height));
        sectionHeaderView_->setGeometry(0, style_ == TableViewStyle::plain ? pinned : natural, width, height);
    }
    for (QWidget* view : {tableHeaderView_.data(), tableFooterView_.data(), sectionHeaderView_.data()})
        if (view)
            view->raise();
    if (backgroundView_) {
        backgroundView_->setGeometry(viewport()->rect());
        backgroundView_->lower();
    }
    if (keyboardRow_ && keyboardRow_->row >= numberOfRows())
        keyboardRow_.reset();
    placeFocusRing();
}

void TableView::chooseRow(std::optional<IndexPath> indexPath) {
    if (!indexPath)
        return;
    if (TableViewCell* cell = selectedRow_ ? cellForRow(*selectedRow_) : nullptr)
        cell->setSelected(false);
    selectedRow_ = indexPath;
    if (TableViewCell* cell = cellForRow(*indexPath))
        cell->setSelected(true);
    if (delegate_)
        delegate_->didSelectRow(*this, *indexPath);
}


void TableView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Home:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMinimum);
        break;
    case Qt::Key_End:
        verticalScrollBar()->triggerAction(QAbstractSlider::SliderToMaximum);
        break;
    case Qt::Key_Down:
    case Qt::Key_Up:
        moveKeyboardRow(event->key() == Qt::Key_Down ? 1 : -1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!keyboardRow_)
            return event->ignore();
        chooseRow(keyboardRow_);
        break;
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
    event->accept();
}

void TableView::moveKeyboardRow(int step) {
    // Arrows propagated from a header's child (a search field) bring the focus, for Return.
    setFocus(Qt::OtherFocusReason);
    if (numberOfRows() == 0)
        return;
    const int lastVisible = firstVisible_ + static_cast<int>(visibleCells_.size()) - 1;
    const int row = keyboardRow_ ? keyboardRow_->row + step : (step > 0 ? firstVisible_ : lastVisible);
    keyboardRow_ = IndexPath{0, std::clamp(row, 0, numberOfRows() - 1)};
    scrollToRow(*keyboardRow_, ScrollPosition::none, false);
    placeFocusRing();
    if (TableViewCell* cell = cellForRow(*keyboardRow_))
        announceFocus(*cell);
}

// The Tab chain: the headers' controls, the table, the marked row's controls, the footer's.
bool TableView::focusNextPrevChild(bool next) {
    std::vector<QWidget*> order;
    appendTabStops(tableHeaderView_, order);
    appendTabStops(sectionHeaderView_, order);
    if (focusPolicy() & Qt::TabFocus)
        order.push_back(this);
    appendTabStops(keyboardRow_ ? cellForRow(*keyboardRow_) : nullptr, order);
    appendTabStops(tableFooterView_, order);
    const auto at = std::ranges::find(order, QApplication::focusWidget());
    if (at == order.end())
        return QAbstractScrollArea::focusNextPrevChild(next);
    const auto target = at - order.begin() + (next ? 1 : -1);
    QWidget* widget = target >= 0 && target < std::ssize(order) ? order[target] : nullptr;
    // Past either end: the next widget outside the table in Qt's focus chain, else wrap round.
    for (QWidget* w = next ? nextInFocusChain() : previousInFocusChain(); !widget && w != this;
         w = next ? w->nextInFocusChain() : w->previousInFocusChain())
        if (!isAncestorOf(w) && w->window() == window() && w->isVisible() && takesTab(*w))
            widget = w;
    if (!widget)
        widget = next ? order.front() : order.back();
    widget->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
    return true;
}

void TableView::placeFocusRing() {
    const TableViewCell* cell = keyboardRow_ ? cellForRow(*keyboardRow_) : nullptr;
    QWidget* focused = QApplication::focusWidget();
    focusRing_->setVisible(keyboardRow_ && (hasFocus() || (cell && focused && cell->isAncestorOf(focused))));
    if (focusRing_->isHidden())
        return;
    focusRing_->setGeometry(rectForRow(*keyboardRow_).translated(0, -contentOffset()).adjusted(2, 2, -2, -2));
    focusRing_->raise();
    if (sectionHeaderView_)
        sectionHeaderView_->raise();
}

void TableView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    if (TableViewCell* cell = keyboardRow_ ? cellForRow(*keyboardRow_) : nullptr)
        announceFocus(*cell);
}

}
