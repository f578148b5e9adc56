#pragma once

#include "view.h"

#include <QPointer>

namespace wayfarer::ui {

class TableView;

// Every style but none draws the same grey highlight.
enum class TableViewCellSelectionStyle { none, defaultStyle };

// One row of a table; its content view (an interface file's child "contentView", if any) fills
// it. The table drives its press highlight and its tap through an event filter.
class TableViewCell : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableViewCell)

public:
    explicit TableViewCell(QWidget* parent = nullptr);

    View& contentView();

    void setSelectionStyle(TableViewCellSelectionStyle style);
    void setHighlighted(bool highlighted);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    bool showsSelectionHighlight() const { return !highlightView_->isHidden(); }

    virtual void prepareForReuse() {}
    // The content view's QLayout height at `width`; 0 without a layout.
    int fittingHeight(int width);
    // QAccessible's press: selects the row as a tap does.
    void accessibilityActivate();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    friend class TableView;
    void updateHighlight();

    QPointer<View> contentView_;
    View* highlightView_;
    QString reuseIdentifier_;
    TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::defaultStyle;
    bool highlighted_ = false;
    bool selected_ = false;
    TableView* table_ = nullptr;
};

}
