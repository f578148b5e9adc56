#pragma once

#include "color.h"
#include "image.h"
#include "image_view.h"
#include "target_action.h"
#include "view.h"

#include <QAbstractButton>

#include <optional>

namespace wayfarer::ui {

enum class ControlState { normal = 0, highlighted = 1, disabled = 2 };

// A push button with a title and an image beside it, a tint that colours the title, a
// background with rounded corners, an integer tag, and target-action on its events: a
// click (press and release inside) is touch-up-inside.
class Button final : public QAbstractButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(Button)
    Q_PROPERTY(int autoresizingMask READ autoresizingMaskValue WRITE setAutoresizingMaskValue)
    Q_PROPERTY(QString title READ titleText WRITE setTitleText)
    Q_PROPERTY(QString imageName READ imageName WRITE setImageName)
    Q_PROPERTY(QColor tintColor READ tintQColor WRITE setTintQColor)
    Q_PROPERTY(QColor backgroundColor READ backgroundQColor WRITE setBackgroundQColor)
    // The colours in dark appearance, where they differ; named after the light ones.
    Q_PROPERTY(QColor darkTintColor READ darkTintQColor WRITE setDarkTintQColor)
    Q_PROPERTY(QColor darkBackgroundColor READ darkBackgroundQColor WRITE setDarkBackgroundQColor)
    Q_PROPERTY(double cornerRadius READ cornerRadius WRITE setCornerRadius)
    Q_PROPERTY(int tag READ tag WRITE setTag)

public:
    explicit Button(QWidget* parent = nullptr);

    QRect frame() const { return geometry(); }
    void setFrame(const QRect& frame) { setGeometry(frame); }

    // Only the normal state has its own title and image; the others show the normal ones.
    std::optional<QString> title(ControlState state = ControlState::normal) const;
    void setTitle(const std::optional<QString>& title, ControlState state = ControlState::normal);
    const std::optional<Image>& image(ControlState state = ControlState::normal) const;
    void setImage(const std::optional<Image>& image, ControlState state = ControlState::normal);
    // How the image fills the space beside the title; the image view's content mode.
    ContentMode imageContentMode() const { return imageContentMode_; }
    void setImageContentMode(ContentMode mode);

    const Color& tintColor() const { return tintColor_; }
    void setTintColor(const Color& color);
    // Overrides the tint for the title.
    void setTitleColor(const std::optional<Color>& color);
    const Color& backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const Color& color);
    double cornerRadius() const { return cornerRadius_; }
    void setCornerRadius(double radius);

    // A toggle: the button shows a state, on or off, that its owner sets; a click runs the
    // actions and leaves the state to them. Assistive technology reads it as checked or
    // not. Setting the state makes the button a toggle.
    bool isSelected() const { return isCheckable() && isChecked(); }
    void setSelected(bool selected);

    int tag() const { return tag_; }
    void setTag(int tag) { tag_ = tag; }

    template <class Target, class Action>
    void addTarget(Target* target, Action action, ControlEvents events) { actions_.add(target, action, events); }
    template <class Target, class Action>
    void removeTarget(Target* target, Action action, ControlEvents events) { actions_.remove(target, action, events); }
    void sendActions(ControlEvents events) { actions_.send(*this, events); }
    std::size_t actionCount(ControlEvents events) { return actions_.count(events); }

    QSize sizeHint() const override;
    // A title wider than the button wraps at its words: the height it then needs.
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    // Return and Enter press a focused button, as Space does; the arrow keys go on to the
    // views around it (a table moves its marked row with them).
    void keyPressEvent(QKeyEvent* event) override;
    // The state of a toggle is its owner's to set.
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
    int autoresizingMaskValue() const { return autoresizingMask(*this).toInt(); }
    void setAutoresizingMaskValue(int mask) { setAutoresizingMask(*this, AutoresizingMask::fromInt(mask)); }
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
    std::optional<Color> titleColor_;
    Color backgroundColor_ = Color::clear();
    double cornerRadius_ = 0.0;
    int tag_ = 0;
    TargetActions<Button> actions_;
};

}
