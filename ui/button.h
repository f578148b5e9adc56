#pragma once

#include "color.h"
#include "image.h"
#include "image_view.h"
#include "view.h"

#include <QAbstractButton>

#include <optional>

namespace wayfarer::ui {

// A control's states; only the normal one has a title and an image of its own here.
enum class ControlState { normal };
// touchUpInside is QAbstractButton::clicked.
enum class ControlEvent { touchUpInside };

// A QAbstractButton with a title, an image beside it, a tint for the title, a rounded
// background, an integer tag, and target-action over Qt connections.
class Button final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Button)
    Q_PROPERTY(QString title READ titleText WRITE setTitleText)
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)
    Q_PROPERTY(QColor tintColor READ tintQColor WRITE setTintQColor)
    Q_PROPERTY(QColor backgroundColor READ backgroundQColor WRITE setBackgroundQColor)
    // The colours in dark appearance, where they differ; named after the light ones.
    Q_PROPERTY(QColor darkTintColor READ darkTintQColor WRITE setDarkTintQColor)
    Q_PROPERTY(QColor darkBackgroundColor READ darkBackgroundQColor WRITE setDarkBackgroundQColor)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)

public:
    explicit Button(QWidget* parent = nullptr);

    std::optional<QString> title(ControlState = ControlState::normal) const { return title_; }
    void setTitle(const std::optional<QString>& title, ControlState = ControlState::normal);
    const std::optional<Image>& image(ControlState = ControlState::normal) const { return image_; }
    void setImage(const std::optional<Image>& image, ControlState = ControlState::normal);
    void setImageContentMode(ContentMode mode) { assignAndUpdate(*this, imageContentMode_, mode); }

    const Color& tintColor() const { return tintColor_; }
    void setTintColor(const Color& color) { assignAndUpdate(*this, tintColor_, color); }
    const Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color) { assignAndUpdate(*this, backgroundColor_, color); }
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius) { assignAndUpdate(*this, cornerRadius_, radius); }

    // Makes the button checkable; clicks leave the checked state to the actions.
    bool isSelected() const { return isCheckable() && isChecked(); }
    void setSelected(bool selected);

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    // `action` is a member of `target` taking nothing or the sending Button; a second add of
    // the same pair is ignored (Qt::UniqueConnection) and a destroyed target drops out.
    template <class Target, class Action>
    void addTarget(Target* target, Action action, ControlEvent) {
        connect(this, &Button::touchUpInside, target, action, Qt::UniqueConnection);
    }

    QSize sizeHint() const override;
    // A title wider than the button wraps at its words: the height it then needs.
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

signals:
    void touchUpInside(wayfarer::ui::Button* sender);

protected:
    void paintEvent(QPaintEvent* event) override;
    // Return and Enter click as Space does; arrow keys propagate to the parent (a TableView).
    void keyPressEvent(QKeyEvent* event) override;
    void nextCheckState() override {}

private:
    // What a button `width` wide shows: the title on one line beside the image when both
    // fit; larger text than the button was laid out for gives the title the whole width,
    // on one line if it fits, else wrapped at its words, and leaves the image out.
    struct Content {
        QSizeF title;
        bool showsImage = false;
        bool wrapped = false;
    };
    double horizontalPadding() const;
    Content contentFor(double width) const;
    QString titleText() const { return title_.value_or(QString()); }
    void setTitleText(const QString& text) { setTitle(text); }
    QString imageName() const { return image_ ? image_->name() : QString(); }
    void setImageName(const QString& name) { setImage(Image::named(name)); }
    QColor tintQColor() const { return tintColor_.resolved(); }
    void setTintQColor(const QColor& color) { setTintColor(Color(color)); }
    QColor backgroundQColor() const { return backgroundColor_.resolved(); }
    void setBackgroundQColor(const QColor& color) { setBackgroundColor(Color(color)); }
    QColor darkTintQColor() const { return tintColor_.resolved(Appearance::dark); }
    void setDarkTintQColor(const QColor& color) { setTintColor(tintColor_.withDarkVariant(color)); }
    QColor darkBackgroundQColor() const { return backgroundColor_.resolved(Appearance::dark); }
    void setDarkBackgroundQColor(const QColor& color) { setBackgroundColor(backgroundColor_.withDarkVariant(color)); }

    std::optional<QString> title_;
    std::optional<Image> image_;
    ContentMode imageContentMode_ = ContentMode::scaleToFill;
    Color tintColor_ = Color::systemBlue();
    Color backgroundColor_ = Color::clear();
    double cornerRadius_ = 0.0;
    int tag_ = 0;
};

}
