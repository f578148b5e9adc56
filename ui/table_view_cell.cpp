#include "table_view_cell.h"

#include "table_view.h"

#include <QLayout>

namespace wayfarer::ui {

TableViewCell::TableViewCell(QWidget* parent) : View(parent), highlightView_(new View(this)) {
    setBackgroundColor(Color::systemBackground());
    highlightView_->setAttribute(Qt::WA_TransparentForMouseEvents);
    highlightView_->setBackgroundColor(Color::dynamic(QColor(0, 0, 0, 40), QColor(255, 255, 255, 50)));
    highlightView_->hide();
}

View& TableViewCell::contentView() {
    if (!contentView_)
        contentView_ = findChild<View*>(QStringLiteral("contentView"), Qt::FindDirectChildrenOnly);
    if (!contentView_) {
        contentView_ = new View(this);
        contentView_->setObjectName(QStringLiteral("contentView"));
        contentView_->lower();
        contentView_->show();
    }
    contentView_->setGeometry(rect());
    return *contentView_;
}

void TableViewCell::setSelectionStyle(TableViewCellSelectionStyle style) {
    selectionStyle_ = style;
    updateHighlight();
}

void TableViewCell::setHighlighted(bool highlighted) {
    highlighted_ = highlighted;
    updateHighlight();
}

void TableViewCell::setSelected(bool selected) {
    selected_ = selected;
    updateHighlight();
}

int TableViewCell::fittingHeight(int width) {
    QLayout* layout = contentView().layout();
    if (!layout)
        return 0;
    return layout->hasHeightForWidth() ? layout->totalHeightForWidth(width) : layout->totalSizeHint().height();
}

void TableViewCell::accessibilityActivate() {
    if (table_ && isVisible())
        table_->chooseRow(table_->indexPathForCell(*this));
}

void TableViewCell::updateHighlight() {
    highlightView_->raise();
    highlightView_->setVisible((highlighted_ || selected_) && selectionStyle_ != TableViewCellSelectionStyle::none);
}

void TableViewCell::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    if (contentView_ || findChild<View*>(QStringLiteral("contentView"), Qt::FindDirectChildrenOnly))
        contentView();
    highlightView_->setGeometry(rect());
}

}
