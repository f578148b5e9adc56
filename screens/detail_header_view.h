#pragma once

#include "ui/view.h"

namespace wayfarer {

class Attraction;

namespace ui {
class Button;
class ImageView;
}

// The detail screen's table header, from the "DetailHeaderView" interface file;
// DetailViewController binds both buttons.
class DetailHeaderView final : public ui::View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(DetailHeaderView)

public:
    explicit DetailHeaderView(const QRect& frame, QWidget* parent = nullptr);
    explicit DetailHeaderView(QWidget* parent = nullptr);

    // Outlets, connected by the interface file.
    ui::View* contentView = nullptr;
    ui::Button* backButton = nullptr;
    ui::ImageView* imageView = nullptr;
    ui::View* separatorView = nullptr;
    ui::Button* likeButton = nullptr;

    void declareOutlets(ui::Outlets& outlets) override;
    void configure(const Attraction& attraction);

private:
    void setupView();
};

}
