#pragma once

#include "ui/nib.h"

#include <memory>

namespace wayfarer::shell {

// The reuse identifier both tables register their cells under.
inline const QString reuseIdentifier = QStringLiteral("reuseIdentifier");

// The interface files of the two cells, each read once and the same object on every call.
const std::shared_ptr<const ui::Nib>& attractionTableViewCellNib();
const std::shared_ptr<const ui::Nib>& detailCellNib();

}
