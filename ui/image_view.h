#pragma once

#include "image.h"
#include "view.h"

#include <QVariantAnimation>

#include <optional>
#include <vector>

namespace wayfarer::ui {

// The values are the contentMode property's in interface files.
enum class ContentMode { scaleToFill = 0, scaleAspectFit = 1, scaleAspectFill = 2, center = 4 };

QRectF imageRect(const QRectF& bounds, const QSizeF& imageSize, ContentMode mode);

// An image, or animation images cycled on a QVariantAnimation.
class ImageView final : public View {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ImageView)
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)
    Q_PROPERTY(int contentMode READ contentModeValue WRITE setContentModeValue)

public:
    explicit ImageView(QWidget* parent = nullptr);

    const std::optional<Image>& image() const { return image_; }
    void setImage(const std::optional<Image>& image);
    ContentMode contentMode() const { return contentMode_; }
    void setContentMode(ContentMode mode);

    const std::vector<Image>& animationImages() const { return animationImages_; }
    void setAnimationImages(std::vector<Image> images);
    void setAnimationDuration(double seconds) { animationDuration_ = seconds; }
    void startAnimating();
    void stopAnimating();
    bool isAnimating() const { return animating_; }
    // The animation frame shown now, while animating.
    std::optional<std::size_t> currentAnimationFrame() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QString imageName() const { return image_ ? image_->name() : QString(); }
    void setImageName(const QString& name) { setImage(Image::named(name)); }
    int contentModeValue() const { return static_cast<int>(contentMode_); }
    void setContentModeValue(int mode) { setContentMode(static_cast<ContentMode>(mode)); }
    double frameSeconds() const;

    std::optional<Image> image_;
    ContentMode contentMode_ = ContentMode::scaleToFill;
    std::vector<Image> animationImages_;
    double animationDuration_ = 0.0;
    bool animating_ = false;
    QVariantAnimation cycle_;
    std::optional<std::size_t> shownFrame_;
    bool firstSizePrepared_ = false;
};

}
