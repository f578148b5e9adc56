#pragma once

#include "ui/table_view_cell.h"

namespace wayfarer {

class Attraction;

namespace ui {
class Label;
}

// The detail screen's one row, from the "DetailCell" interface file.
class DetailCell final : public ui::TableViewCell {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DetailCell)

public:
    explicit DetailCell(QWidget* parent = nullptr);

    // Outlets, connected by the interface file.
    ui::Label* titleLabel = nullptr;
    ui::Label* descriptionLabel = nullptr;
    ui::Label* fromLabel = nullptr;
    ui::Label* priceLabel = nullptr;
    ui::Label* availabilityLabel = nullptr;

    void declareOutlets(ui::Outlets& outlets) override;
    void awakeFromNib() override;
    // A missing value leaves its label empty.
    void configure(const Attraction& attraction);
};

}
