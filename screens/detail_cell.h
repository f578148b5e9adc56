#pragma once

#include "ui/table_view_cell.h"

namespace wayfarer {

class Attraction;

namespace ui {
class Label;
}

// The one row of the detail screen, made from the interface file "DetailCell": title,
// description, the "from" caption with the price, and the days of operation.
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
    // Shows the record's values as they are; a missing one leaves its label empty.
    void configure(const Attraction& attraction);
};

}
