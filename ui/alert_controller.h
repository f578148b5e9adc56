#pragma once

#include "view_controller.h"

#include <functional>
#include <optional>
#include <vector>

namespace wayfarer::ui {

class Button;

// Both styles draw the same centred card; the style is kept for UIKit's call shape.
enum class AlertControllerStyle { actionSheet, alert };
enum class AlertActionStyle { defaultStyle, cancel, destructive };

struct AlertAction {
    QString title;
    AlertActionStyle style = AlertActionStyle::defaultStyle;
    std::function<void()> handler;
};

// A modal card over the dimmed window (ModalPresentationStyle::overFullScreen), read as a
// QAccessible::Dialog. A button dismisses it, then runs its handler; Return chooses the
// focused or default button, Escape the cancel button (else the default one).
class AlertController final : public ViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlertController)

public:
    AlertController(QString title, QString message, AlertControllerStyle = AlertControllerStyle::alert);

    const QString& message() const { return message_; }
    void addAction(AlertAction action) { actions_.push_back(std::move(action)); }
    Button* buttonForAction(std::size_t index) const;
    // Does what a click on the button of `index` does, once per alert.
    void choose(std::size_t index);

protected:
    void loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // With `escape`, the first cancel action; else, or failing that, the first other, else the first.
    std::optional<std::size_t> defaultAction(bool escape) const;

    QString title_;
    QString message_;
    std::vector<AlertAction> actions_;
    std::vector<Button*> buttons_;
    bool chosen_ = false;
};

}
