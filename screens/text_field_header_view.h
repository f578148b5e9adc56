#pragma once

#include "ui/view.h"

namespace wayfarer {

namespace ui {
class Button;
class TextField;
}

// The results screen's section header, from the "TextFieldHeaderView" interface file; no
// logic: ResultsTableViewController is textField's delegate and binds closeButton.
class TextFieldHeaderView final : public ui::View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(TextFieldHeaderView)

public:
    explicit TextFieldHeaderView(const QRect& frame, QWidget* parent = nullptr);
    explicit TextFieldHeaderView(QWidget* parent = nullptr);

    // Outlets, connected by the interface file.
    ui::View* contentView = nullptr;
    ui::View* offsetView = nullptr;
    ui::TextField* textField = nullptr;
    ui::Button* closeButton = nullptr;

    void declareOutlets(ui::Outlets& outlets) override;

private:
    void setupView();
};

}
