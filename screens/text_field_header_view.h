#pragma once

#include "ui/view.h"

namespace wayfarer {

namespace ui {
class Button;
class TextField;
}

// The search bar over the results list: the search field, a strip in the accent colour
// and the close button, from the interface file "TextFieldHeaderView". It holds no logic:
// the results screen is the field's delegate and binds the close button.
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
