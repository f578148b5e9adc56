#include "alert_controller.h"

#include "accessibility.h"
#include "button.h"
#include "environment.h"
#include "label.h"
#include "view.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QTimer>

namespace wayfarer::ui {

namespace {
constexpr int cardWidth = 270;
}

AlertController::AlertController(QString title, QString message, AlertControllerStyle)
    : title_(std::move(title)), message_(std::move(message)) {
    setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
}

std::optional<std::size_t> AlertController::defaultAction(bool escape) const {
    for (const bool cancel : {escape, false})
        for (std::size_t i = 0; i < actions_.size(); ++i)
            if ((actions_[i].style == AlertActionStyle::cancel) == cancel)
                return i;
    return actions_.empty() ? std::nullopt : std::optional<std::size_t>(0);
}

Button* AlertController::buttonForAction(std::size_t index) const {
    return index < buttons_.size() ? buttons_[index] : nullptr;
}

void AlertController::choose(std::size_t index) {
    if (chosen_ || index >= actions_.size())
        return;
    chosen_ = true;
    const auto handler = actions_[index].handler;
    dismiss(animationsEnabled());
    if (handler)
        handler();
}

// On the overlay: a focused Button takes Return itself; Escape propagates up from it.
bool AlertController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        const bool escape = key == Qt::Key_Escape;
        const auto chosen = escape || key == Qt::Key_Return || key == Qt::Key_Enter ? defaultAction(escape) : std::nullopt;
        if (chosen) {
            choose(*chosen);
            return true;
        }
    }
    return ViewController::eventFilter(watched, event);
}

void AlertController::loadView() {
    auto* overlay = new View;
    overlay->setBackgroundColor(Color(QColor(0, 0, 0, 100)));
    overlay->setFocusPolicy(Qt::StrongFocus);
    overlay->installEventFilter(this);
    setAccessibleRole(*overlay, QAccessible::Dialog);
    overlay->setAccessibleName(title_);
    overlay->setAccessibleDescription(message_);

    auto* card = new View(overlay);
    card->setBackgroundColor(Color::dynamic(QColor(242, 242, 242), QColor(44, 44, 46)));
    card->setCornerRadius(13);
    card->setFixedWidth(cardWidth);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 20, 16, 8);
    column->setSpacing(6);

    auto* titleLabel = new Label(card);
    titleLabel->setText(title_);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    titleLabel->setFont(bold);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setWordWrap(true);
    column->addWidget(titleLabel);

    auto* messageLabel = new Label(card);
    messageLabel->setText(message_);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setVisible(!message_.isEmpty());
    column->addWidget(messageLabel);
    // QLabel's word wrap under-asks in a fixed-width card: heightForWidth at the inner width.
    const int textWidth = cardWidth - column->contentsMargins().left() - column->contentsMargins().right();
    for (Label* label : {titleLabel, messageLabel})
        label->setMinimumHeight(label->heightForWidth(textWidth));
    column->addSpacing(10);

    auto* buttons = actions_.size() == 2 ? static_cast<QBoxLayout*>(new QHBoxLayout)
                                         : static_cast<QBoxLayout*>(new QVBoxLayout);
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        auto* button = new Button(card);
        button->setTitle(actions_[i].title);
        button->setMinimumHeight(44);
        if (actions_[i].style == AlertActionStyle::destructive)
            button->setTintColor(Color(QColor(255, 59, 48)));
        if (i == defaultAction(false)) {
            QFont font = button->font();
            font.setBold(true);
            button->setFont(font);
        }
        QObject::connect(button, &QAbstractButton::clicked, this, [this, i] { choose(i); });
        buttons->addWidget(button);
        buttons_.push_back(button);
    }
    column->addLayout(buttons);

    auto* center = new QVBoxLayout(overlay);
    center->addStretch();
    center->addWidget(card, 0, Qt::AlignHCenter);
    center->addStretch();
    setView(overlay);

    // The focus goes to the default button once the overlay is shown.
    QTimer::singleShot(0, overlay, [overlay, this] {
        if (const auto index = defaultAction(false); index && buttons_[*index]->isVisible())
            buttons_[*index]->setFocus(Qt::OtherFocusReason);
        else
            overlay->setFocus(Qt::OtherFocusReason);
    });
}

}
