#include "table_view.h"

#include "accessibility.h"
#include "color.h"

#include <QApplication>
#include <QKeyEvent>
#include <QPainter>
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

void TableView::setUpFocusRing() {
    focusRing_ = new FocusRing(viewport());
    focusRing_->hide();
    connect(qApp, &QApplication::focusChanged, this, &TableView::placeFocusRing);
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
