#pragma once

#include "view.h"

#include <QPointer>

namespace wayfarer::ui {

class TableView;

enum class TableViewCellSelectionStyle { none = 0, blue = 1, gray = 2, defaultStyle = 3 };

// One row of a table. Its content view fills it; a cell made from an interface file uses
// the file's child view named "contentView" as its content view when there is one.
class TableViewCell : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TableViewCell)

public:
    explicit TableViewCell(QWidget* parent = nullptr);

    View& contentView();
    const QString& reuseIdentifier() const { return reuseIdentifier_; }

    TableViewCellSelectionStyle selectionStyle() const { return selectionStyle_; }
    void setSelectionStyle(TableViewCellSelectionStyle style);
    bool isHighlighted() const { return highlighted_; }
    void setHighlighted(bool highlighted);
    bool isSelected() const { return selected_; }
    void setSelected(bool selected);
    // Whether the highlight is drawn now: highlighted or selected, with a selection style.
    bool showsSelectionHighlight() const;

    // Runs each time the table hands the cell out again, before it is filled anew.
    virtual void prepareForReuse() {}
    // The height the content view's layout asks for at `width`; 0 without a layout.
    int fittingHeight(int width);
    // What activating the row from assistive technology does: selects it as a tap would.
    void accessibilityActivate();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    friend class TableView;
    void updateHighlight();

    QPointer<View> contentView_;
    View* highlightView_ = nullptr;
    QString reuseIdentifier_;
    TableViewCellSelectionStyle selectionStyle_ = TableViewCellSelectionStyle::defaultStyle;
    bool highlighted_ = false;
    bool selected_ = false;
    bool dragged_ = false;
    TableView* table_ = nullptr;
};

}
