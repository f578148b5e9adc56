#include "table_view.h"

#include "accessibility.h"

#include <QApplication>
#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace wayfarer::ui {

namespace {

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

}

void TableView::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Home:
        verticalScrollBar()->setValue(0);
        break;
    case Qt::Key_End:
        verticalScrollBar()->setValue(verticalScrollBar()->maximum());
        break;
    case Qt::Key_Down:
        moveKeyboardRow(1);
        break;
    case Qt::Key_Up:
        moveKeyboardRow(-1);
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        if (!keyboardRow_)
            return event->ignore();
        chooseRow(*keyboardRow_);
        break;
    default:
        return QAbstractScrollArea::keyPressEvent(event);
    }
    event->accept();
}

void TableView::moveKeyboardRow(int step) {
    // Arrows propagated from a header's child (a search field) bring the focus, for Return.
    setFocus(Qt::OtherFocusReason);
    if (rowCount_ == 0)
        return;
    const auto [first, last] = visibleRange();
    int row = keyboardRow_ ? keyboardRow_->row + step : (step > 0 ? first : last - 1);
    row = std::clamp(row, 0, static_cast<int>(rowCount_) - 1);
    keyboardRow_ = IndexPath{0, row};
    scrollToRow(*keyboardRow_, ScrollPosition::none, false);
    placeFocusRing();
    if (TableViewCell* cell = cellForRow(*keyboardRow_))
        announceFocus(*cell);
}

std::vector<QWidget*> TableView::focusOrder() const {
    std::vector<QWidget*> order;
    appendTabStops(tableHeaderView_, order);
    appendTabStops(sectionHeaderView_, order);
    if (focusPolicy() & Qt::TabFocus)
        order.push_back(const_cast<TableView*>(this));
    if (keyboardRow_)
        appendTabStops(cellForRow(*keyboardRow_), order);
    appendTabStops(tableFooterView_, order);
    return order;
}

bool TableView::focusNextPrevChild(bool next) {
    const std::vector<QWidget*> order = focusOrder();
    const auto at = std::find(order.begin(), order.end(), QApplication::focusWidget());
    if (at == order.end())
        return QAbstractScrollArea::focusNextPrevChild(next);
    const Qt::FocusReason reason = next ? Qt::TabFocusReason : Qt::BacktabFocusReason;
    const auto index = at - order.begin();
    const auto target = index + (next ? 1 : -1);
    if (target >= 0 && target < static_cast<std::ptrdiff_t>(order.size())) {
        order[static_cast<std::size_t>(target)]->setFocus(reason);
        return true;
    }
    // Past either end: the next widget outside the table in Qt's focus chain, else wrap round.
    for (QWidget* widget = next ? nextInFocusChain() : previousInFocusChain(); widget && widget != this;
         widget = next ? widget->nextInFocusChain() : widget->previousInFocusChain()) {
        if (!isAncestorOf(widget) && widget->window() == window() && widget->isVisible() && takesTab(*widget)) {
            widget->setFocus(reason);
            return true;
        }
    }
    (next ? order.front() : order.back())->setFocus(reason);
    return true;
}

}
