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

AlertController::AlertController(QString title, QString message, AlertControllerStyle style)
    : title_(std::move(title)), message_(std::move(message)), style_(style) {
    setModalPresentationStyle(ModalPresentationStyle::overFullScreen);
}

void AlertController::addAction(AlertAction action) { actions_.push_back(std::move(action)); }

std::optional<std::size_t> AlertController::defaultActionIndex() const {
    if (preferred_ && *preferred_ < actions_.size())
        return preferred_;
    for (std::size_t i = 0; i < actions_.size(); ++i)
        if (actions_[i].style != AlertActionStyle::cancel)
            return i;
    return actions_.empty() ? std::nullopt : std::optional<std::size_t>(0);
}

std::optional<std::size_t> AlertController::cancelActionIndex() const {
    for (std::size_t i = 0; i < actions_.size(); ++i)
        if (actions_[i].style == AlertActionStyle::cancel)
            return i;
    return std::nullopt;
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

bool AlertController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        std::optional<std::size_t> chosen;
        const auto focused = std::find(buttons_.begin(), buttons_.end(), watched);
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && focused != buttons_.end())
            chosen = static_cast<std::size_t>(focused - buttons_.begin());
        else if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
            chosen = defaultActionIndex();
        else if (key->key() == Qt::Key_Escape)
            chosen = cancelActionIndex() ? cancelActionIndex() : defaultActionIndex();
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
    // Read as a dialog: its title, then its message, then the button that has the keys.
    setAccessibleRole(*overlay, QAccessible::Dialog);
    overlay->setAccessibleName(title_);
    overlay->setAccessibleDescription(message_);

    auto* card = new View(overlay);
    card->setObjectName(QStringLiteral("alertCard"));
    card->setBackgroundColor(Color::dynamic(QColor(242, 242, 242), QColor(44, 44, 46)));
    card->setCornerRadius(13);
    card->setFixedWidth(cardWidth);
    auto* column = new QVBoxLayout(card);
    column->setContentsMargins(16, 20, 16, 8);
    column->setSpacing(6);

    auto* titleLabel = new Label(card);
    titleLabel->setObjectName(QStringLiteral("titleLabel"));
    titleLabel->setText(title_);
    QFont bold = titleLabel->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.1);
    titleLabel->setFont(bold);
    titleLabel->setAlignment(Qt::AlignCenter);
    titleLabel->setWordWrap(true);
    column->addWidget(titleLabel);

    auto* messageLabel = new Label(card);
    messageLabel->setObjectName(QStringLiteral("messageLabel"));
    messageLabel->setText(message_);
    messageLabel->setAlignment(Qt::AlignCenter);
    messageLabel->setWordWrap(true);
    messageLabel->setVisible(!message_.isEmpty());
    column->addWidget(messageLabel);
    // A wrapped text asks its layout for too little height in a card of fixed width: each
    // label is given the height its text needs at the card's inner width.
    const int textWidth = cardWidth - column->contentsMargins().left() - column->contentsMargins().right();
    for (Label* label : {titleLabel, messageLabel})
        label->setMinimumHeight(label->heightForWidth(textWidth));
    column->addSpacing(10);

    auto* buttons = actions_.size() == 2 ? static_cast<QBoxLayout*>(new QHBoxLayout)
                                         : static_cast<QBoxLayout*>(new QVBoxLayout);
    for (std::size_t i = 0; i < actions_.size(); ++i) {
        auto* button = new Button(card);
        button->setTitle(actions_[i].title);
        button->setTag(static_cast<int>(i));
        button->setMinimumHeight(44);
        if (actions_[i].style == AlertActionStyle::destructive)
            button->setTintColor(Color(QColor(255, 59, 48)));
        if (i == defaultActionIndex()) {
            QFont font = button->font();
            font.setBold(true);
            button->setFont(font);
        }
        button->installEventFilter(this);
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

    // The alert takes the keys as soon as it is on screen.
    QTimer::singleShot(0, overlay, [overlay, this] {
        if (const auto index = defaultActionIndex(); index && buttons_[*index]->isVisible())
            buttons_[*index]->setFocus(Qt::OtherFocusReason);
        else
            overlay->setFocus(Qt::OtherFocusReason);
    });
}

}
