#pragma once

#include "ui/table_view_cell.h"

#include <memory>

namespace wayfarer {

class Attraction;

namespace ui {
class Button;
class ImageView;
class Label;
class View;
}

// A results row from the "AttractionTableViewCell" interface file; ResultsTableViewController
// binds likeButton and sets thumbnailView's cover.
class AttractionTableViewCell final : public ui::TableViewCell {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AttractionTableViewCell)

public:
    explicit AttractionTableViewCell(QWidget* parent = nullptr);

    // Outlets, connected by the interface file.
    ui::View* containerView = nullptr;
    ui::ImageView* thumbnailView = nullptr;
    ui::View* separatorView = nullptr;
    ui::Button* likeButton = nullptr;
    ui::Label* titleLabel = nullptr;
    ui::Label* priceLabel = nullptr;

    void declareOutlets(ui::Outlets& outlets) override;
    void awakeFromNib() override;
    void prepareForReuse() override;

    // Shows the record's title, price, cover (once it has arrived) and like.
    void configure(const Attraction& attraction);
    // Configured with `attraction` and not reset since.
    bool isShowing(const Attraction& attraction) const;

private:
    // Empties the thumbnail, the heart and both texts.
    void resetContent();

    std::weak_ptr<const Attraction> shown_;
};

}
