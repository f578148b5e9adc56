#include "cell_nibs.h"

namespace wayfarer::shell {

const std::shared_ptr<const ui::Nib>& attractionTableViewCellNib() {
    static const auto nib = ui::Nib::named(QStringLiteral("AttractionTableViewCell"));
    return nib;
}

const std::shared_ptr<const ui::Nib>& detailCellNib() {
    static const auto nib = ui::Nib::named(QStringLiteral("DetailCell"));
    return nib;
}

}
