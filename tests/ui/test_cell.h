#pragma once

#include "ui/button.h"
#include "ui/label.h"
#include "ui/outlets.h"
#include "ui/table_view_cell.h"
#include "ui/widget_classes.h"

namespace wayfarer::testing {

// A cell of the toolkit's own, made from "TestCell.ui": a label and a button on the
// content view, counting its wake-ups and reuses.
class TestCell final : public ui::TableViewCell {
    Q_OBJECT

public:
    using ui::TableViewCell::TableViewCell;

    ui::Label* label = nullptr;
    ui::Button* button = nullptr;
    int awakenings = 0;
    int reuses = 0;

    void declareOutlets(ui::Outlets& outlets) override {
        outlets.add("label", label);
        outlets.add("button", button);
    }
    void awakeFromNib() override {
        ++awakenings;
        setSelectionStyle(ui::TableViewCellSelectionStyle::none);
    }
    void prepareForReuse() override {
        ++reuses;
        label->setText(std::nullopt);
    }
};

inline void registerTestCell() { ui::registerWidgetClass<TestCell>(QStringLiteral("TestCell")); }

}
