#pragma once

#include "ui/button.h"
#include "ui/image_view.h"
#include "ui/label.h"
#include "ui/outlets.h"
#include "ui/widget_classes.h"
#include "ui/table_view_cell.h"

namespace wayfarer::testing {

// A result card for the table's tests and benchmarks, made from "TestCell.ui".
class TestCell final : public ui::TableViewCell {
    Q_OBJECT

public:
    using ui::TableViewCell::TableViewCell;

    ui::ImageView* thumbnailView = nullptr;
    ui::Label* titleLabel = nullptr;
    ui::Label* priceLabel = nullptr;
    ui::Button* likeButton = nullptr;
    int awakenings = 0;
    int reuses = 0;

    void declareOutlets(ui::Outlets& outlets) override {
        outlets.add("thumbnailView", thumbnailView);
        outlets.add("titleLabel", titleLabel);
        outlets.add("priceLabel", priceLabel);
        outlets.add("likeButton", likeButton);
    }
    void awakeFromNib() override {
        ++awakenings;
        setSelectionStyle(ui::TableViewCellSelectionStyle::none);
    }
    void prepareForReuse() override {
        ++reuses;
        titleLabel->setText(std::nullopt);
        priceLabel->setText(std::nullopt);
    }
};

inline void registerTestCell() { ui::registerWidgetClass<TestCell>(QStringLiteral("TestCell")); }

}
