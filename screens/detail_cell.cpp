#include "detail_cell.h"

#include "catalogue/attraction.h"
#include "shell/shared_colors.h"
#include "texts.h"
#include "ui/label.h"

namespace wayfarer {

DetailCell::DetailCell(QWidget* parent) : ui::TableViewCell(parent) {}

void DetailCell::declareOutlets(ui::Outlets& outlets) {
    outlets.add("titleLabel", titleLabel);
    outlets.add("descriptionLabel", descriptionLabel);
    outlets.add("fromLabel", fromLabel);
    outlets.add("priceLabel", priceLabel);
    outlets.add("availabilityLabel", availabilityLabel);
}

void DetailCell::awakeFromNib() {
    ui::TableViewCell::awakeFromNib();
    setSelectionStyle(ui::TableViewCellSelectionStyle::none);
    priceLabel->setTextColor(shell::coralColor());
    fromLabel->setText(localizedText("from"));
    // QAccessible::Description for values that do not name themselves ("Daily").
    priceLabel->setAccessibleDescription(localizedText("accessibility_price"));
    availabilityLabel->setAccessibleDescription(localizedText("accessibility_days"));
}

void DetailCell::configure(const Attraction& attraction) {
    titleLabel->setText(recordText(attraction.title));
    descriptionLabel->setText(recordText(attraction.description));
    priceLabel->setText(recordText(attraction.price));
    availabilityLabel->setText(recordText(attraction.operationalDays));
}

}
