#pragma once

#include "view_controller.h"

#include <functional>
#include <optional>
#include <vector>

namespace wayfarer::ui {

class Button;

enum class AlertControllerStyle { actionSheet = 0, alert = 1 };
enum class AlertActionStyle { defaultStyle = 0, cancel = 1, destructive = 2 };

struct AlertAction {
    QString title;
    AlertActionStyle style = AlertActionStyle::defaultStyle;
    std::function<void()> handler;
};

// A modal alert drawn inside the window over the dimmed screen: a title, a message and
// a row of buttons. Choosing a button dismisses the alert, then runs its handler. Return
// chooses the default button, Escape the cancel button (or the default one when there is
// none); Tab moves between the buttons.
class AlertController final : public ViewController {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(AlertController)

public:
    AlertController(QString title, QString message, AlertControllerStyle style = AlertControllerStyle::alert);

    const QString& alertTitle() const { return title_; }
    const QString& message() const { return message_; }
    AlertControllerStyle preferredStyle() const { return style_; }

    void addAction(AlertAction action);
    const std::vector<AlertAction>& actions() const { return actions_; }
    // The button Return chooses: the preferred one when set, else the first that is not
    // a cancel button, else the first.
    std::optional<std::size_t> defaultActionIndex() const;
    void setPreferredAction(std::size_t index) { preferred_ = index; }
    Button* buttonForAction(std::size_t index) const;

    // Does what a click on the button of `index` does.
    void choose(std::size_t index);

protected:
    void loadView() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::optional<std::size_t> cancelActionIndex() const;

    QString title_;
    QString message_;
    AlertControllerStyle style_;
    std::vector<AlertAction> actions_;
    std::vector<Button*> buttons_;
    std::optional<std::size_t> preferred_;
    bool chosen_ = false;
};

}
