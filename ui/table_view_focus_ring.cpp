#include "table_view.h"

#include "accessibility.h"
#include "color.h"

#include <QApplication>
#include <QPainter>

namespace wayfarer::ui {

namespace {

// Drawn around keyboardRow() while the table or a control of that row has the focus.
class FocusRing final : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(Color::systemBlue().resolved(), 3.0));
        painter.drawRoundedRect(QRectF(rect()).adjusted(1.5, 1.5, -1.5, -1.5), 6, 6);
    }
};

}

void TableView::setUpFocusRing() {
    focusRingConnection_ = connect(qApp, &QApplication::focusChanged, this, [this] { placeFocusRing(); });
}

bool TableView::keyboardRowHasFocus() const {
    if (!keyboardRow_ || keyboardRow_->row >= static_cast<int>(rowCount_))
        return false;
    if (hasFocus())
        return true;
    const TableViewCell* cell = cellForRow(*keyboardRow_);
    QWidget* focused = QApplication::focusWidget();
    return cell && focused && cell->isAncestorOf(focused);
}

void TableView::placeFocusRing() {
    const bool shown = keyboardRowHasFocus();
    if (!shown) {
        if (focusRing_)
            focusRing_->hide();
        return;
    }
    if (!focusRing_) {
        focusRing_ = new FocusRing(viewport());
        focusRing_->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    focusRing_->setGeometry(rectForRow(*keyboardRow_).translated(0, -contentOffset()).adjusted(2, 2, -2, -2));
    focusRing_->show();
    focusRing_->raise();
    if (sectionHeaderView_)
        sectionHeaderView_->raise();
}

void TableView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    placeFocusRing();
    if (TableViewCell* cell = keyboardRow_ ? cellForRow(*keyboardRow_) : nullptr)
        announceFocus(*cell);
}

void TableView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    placeFocusRing();
}

}
