#include "text_field.h"

#include "button.h"
#include "environment.h"

#include <QFontMetricsF>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QValidator>

#include <algorithm>

namespace wayfarer::ui {

namespace {

constexpr int clearButtonSize = 22;
constexpr int padding = 8;
// Where QLineEdit starts its text, and how far a placeholder may shrink to fit.
constexpr double placeholderInset = 2.0;
constexpr double minimumPlaceholderScale = 0.6;

const char* const clearGlyph =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 20 20">)"
    R"(<circle cx="10" cy="10" r="9" fill="#8e8e93"/>)"
    R"(<path d="M6.5 6.5 L13.5 13.5 M13.5 6.5 L6.5 13.5" stroke="#ffffff" stroke-width="2" stroke-linecap="round"/>)"
    R"(</svg>)";

// The span of `before` that `after` replaced, at the selection or cursor `hint` before the
// edit where the text allows: "a" typed into "a|a" goes in at 1, Backspace deletes backwards.
std::pair<TextRange, QString> describeEdit(const QString& before, const QString& after, TextRange hint) {
    const qsizetype shorter = std::min(before.size(), after.size());
    const qsizetype delta = after.size() - before.size();
    qsizetype prefix = 0;
    while (prefix < shorter && before[prefix] == after[prefix])
        ++prefix;
    prefix = std::min(prefix, std::max<qsizetype>(0, hint.length > 0 || delta >= 0 ? hint.location : hint.location + delta));
    qsizetype suffix = 0;
    while (suffix < shorter - prefix && before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const TextRange range{static_cast<int>(prefix), static_cast<int>(before.size() - prefix - suffix)};
    return {range, after.mid(prefix, after.size() - prefix - suffix)};
}

}

class TextField::EditGate final : public QValidator {
public:
    EditGate(TextField& field) : QValidator(&field), field_(field) {}
    State validate(QString& input, int& position) const override {
        return static_cast<State>(field_.reviewEdit(input, position));
    }

private:
    TextField& field_;
};

class TextField::Editor final : public QLineEdit {
public:
    Editor(TextField& field) : QLineEdit(&field), field_(field) {
        setFrame(false);
        setAttribute(Qt::WA_MacShowFocusRect, false);
        QPalette colors = palette();
        colors.setColor(QPalette::Base, Qt::transparent);
        setPalette(colors);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            if (!field_.delegate_ || field_.delegate_->textFieldShouldReturn(field_))
                emit field_.returnPressed();
            return event->accept();
        }
        shiftAlone_ = event->key() == Qt::Key_Shift;
        const QString text = event->text();
        field_.typing_ = !text.isEmpty() && text.front().isPrint();
        field_.shiftHeld_ = event->modifiers().testFlag(Qt::ShiftModifier);
        QLineEdit::keyPressEvent(event);
        field_.typing_ = false;
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        // Shift tapped alone turns the next letter's capital off (or on).
        if (event->key() == Qt::Key_Shift && shiftAlone_)
            field_.capitalizeNextLetter_ = !field_.capitalizeNextLetter_;
        shiftAlone_ = false;
        QLineEdit::keyReleaseEvent(event);
    }
    void inputMethodEvent(QInputMethodEvent* event) override {
        field_.typing_ = !event->commitString().isEmpty();
        QLineEdit::inputMethodEvent(event);
        field_.typing_ = false;
    }
    void focusInEvent(QFocusEvent* event) override {
        // Qt::TabFocusReason makes QLineEdit select all: a selection change the delegate
        // would take for the user's.
        const bool byTab = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        QFocusEvent kept(QEvent::FocusIn, byTab ? Qt::OtherFocusReason : event->reason());
        QLineEdit::focusInEvent(&kept);
    }

private:
    TextField& field_;
    bool shiftAlone_ = false;
};

TextField::TextField(QWidget* parent) : View(parent) {
    editor_ = new Editor(*this);
    editor_->setValidator(new EditGate(*this));
    clearButton_ = new Button(this);
    clearButton_->setObjectName(QStringLiteral("clearButton"));
    clearButton_->setImage(Image::fromSvg(QByteArray(clearGlyph)));
    clearButton_->setImageContentMode(ContentMode::scaleAspectFit);
    clearButton_->setFocusPolicy(Qt::NoFocus);
    clearButton_->setCursor(Qt::ArrowCursor);
    connect(clearButton_, &Button::touchUpInside, this, [this] {
        if (delegate_ && !delegate_->textFieldShouldClear(*this))
            return;
        clearing_ = true;
        editor_->setText(QString());
        clearing_ = false;
    });
    setFocusProxy(editor_);
    connect(editor_, &QLineEdit::textChanged, this, [this] { commitText(); });
    connect(editor_, &QLineEdit::cursorPositionChanged, this, [this] { reportIfChanged(); });
    connect(editor_, &QLineEdit::selectionChanged, this, [this] { reportIfChanged(); });
    setMinimumHeight(30);
    updateClearButton();
}

TextField::~TextField() {
    // Before ~QWidget deletes the children: a focused editor's focusOutEvent reaches this field.
    delegate_ = nullptr;
    editor_->disconnect(this);
    editor_->setValidator(nullptr);
    delete editor_;
}

QWidget& TextField::editorWidget() { return *editor_; }

void TextField::setText(const QString& text) {
    // commitText runs from QLineEdit::textChanged, reporting nothing.
    settingProgrammatically_ = true;
    editor_->setText(text);
    settingProgrammatically_ = false;
    reported_ = currentState();
}

void TextField::setPlaceholder(const QString& placeholder) {
    placeholder_ = placeholder;
    updateAccessibleTexts();
    update();
}

void TextField::setAccessibleLabel(const QString& label) {
    accessibleLabel_ = label;
    updateAccessibleTexts();
}

void TextField::updateAccessibleTexts() {
    editor_->setAccessibleName(accessibleLabel_.isEmpty() ? placeholder_ : accessibleLabel_);
    editor_->setAccessibleDescription(accessibleLabel_.isEmpty() ? QString() : placeholder_);
}

TextRange TextField::selectedRange() const {
    if (editor_->hasSelectedText())
        return {editor_->selectionStart(), static_cast<int>(editor_->selectionLength())};
    return {editor_->cursorPosition(), 0};
}

void TextField::setSelectedRange(TextRange range) {
    if (range.length > 0)
        editor_->setSelection(range.location, range.length);
    else
        editor_->setCursorPosition(range.location);
}

bool TextField::becomeFirstResponder() {
    // QWidget::setFocus on a hidden widget leaves the window's focus where it was.
    focusWhenShown_ = !isVisible();
    if (!focusWhenShown_)
        editor_->setFocus(Qt::OtherFocusReason);
    return true;
}

void TextField::showEvent(QShowEvent* event) {
    View::showEvent(event);
    if (focusWhenShown_) {
        focusWhenShown_ = false;
        editor_->setFocus(Qt::OtherFocusReason);
    }
}

bool TextField::resignFirstResponder() {
    focusWhenShown_ = false;
    if (isFirstResponder())
        editor_->clearFocus();
    return true;
}

bool TextField::isFirstResponder() const { return editor_->window()->focusWidget() == editor_; }

TextField::State TextField::currentState() const {
    return State{editor_->text(), editor_->cursorPosition(), editor_->selectionStart(),
                 static_cast<int>(editor_->selectionLength())};
}

int TextField::reviewEdit(QString& proposed, int& cursor) {
    // An edit is QWidgetLineControl::finishChange validating the text it changed to;
    // hasAcceptableInput and QAccessibleLineEdit::setText validate other texts, no edits.
    if (settingProgrammatically_ || clearing_ || reviewing_ || proposed == committed_ || proposed == allowed_ ||
        proposed != editor_->text())
        return QValidator::Acceptable;
    reviewing_ = true;
    const TextRange hint = reported_.selectionLength > 0
                               ? TextRange{reported_.selectionStart, reported_.selectionLength}
                               : TextRange{reported_.cursor, 0};
    auto [range, replacement] = describeEdit(committed_, proposed, hint);
    if (typing_ && !shiftHeld_ && autocapitalization_ == AutocapitalizationType::words) {
        QString before = committed_.left(range.location);
        for (QChar& letter : replacement) {
            if (letter.isLetter() && capitalizeNextLetter_ && (before.isEmpty() || before.back().isSpace()))
                letter = letter.toUpper();
            before += letter;
        }
    }
    if (typing_)
        capitalizeNextLetter_ = true;

    const bool allowed = !delegate_ || delegate_->textFieldShouldChangeCharacters(*this, range, replacement);
    reviewing_ = false;
    if (!allowed)
        return QValidator::Invalid;
    proposed = committed_.left(range.location) + replacement + committed_.mid(range.location + range.length);
    cursor = range.location + static_cast<int>(replacement.size());
    allowed_ = proposed;
    return QValidator::Acceptable;
}

void TextField::commitText() {
    if (committed_.isEmpty() != editor_->text().isEmpty())
        update();  // the placeholder comes or goes
    committed_ = editor_->text();
    allowed_.reset();
    updateClearButton();
    reportIfChanged();
}

void TextField::reportIfChanged() {
    // QWidgetLineControl::processInputMethodEvent moves the cursor before it validates:
    // reported at textChanged.
    if (editor_->text() != committed_)
        return;
    const State state = currentState();
    if (settingProgrammatically_ || state == reported_)
        return;
    reported_ = state;
    if (delegate_ && platformVersion() >= 13)
        delegate_->textFieldDidChangeSelection(*this);
}

void TextField::updateClearButton() {
    const bool shown = !committed_.isEmpty();
    if (shown == !clearButton_->isHidden())
        return;
    clearButton_->setVisible(shown);
    layoutParts();
}

void TextField::layoutParts() {
    const QRect inner = rect().adjusted(padding, 0, -padding, 0);
    const int buttonSpace = clearButton_->isHidden() ? 0 : clearButtonSize + 4;
    editor_->setGeometry(inner.adjusted(0, 0, -buttonSpace, 0));
    clearButton_->setGeometry(inner.right() - clearButtonSize + 1, inner.center().y() - clearButtonSize / 2 + 1,
                              clearButtonSize, clearButtonSize);
}

void TextField::resizeEvent(QResizeEvent* event) {
    View::resizeEvent(event);
    layoutParts();
}

void TextField::paintEvent(QPaintEvent* event) {
    View::paintEvent(event);
    if (!committed_.isEmpty() || placeholder_.isEmpty())
        return;
    // Drawn here rather than by QLineEdit so that a placeholder too wide shrinks to fit.
    QPainter painter(this);
    const QRectF area = QRectF(editor_->geometry()).adjusted(placeholderInset, 0, -placeholderInset, 0);
    QFont font = editor_->font();
    // Text widths do not scale exactly with point sizes: shrink by steps.
    const double smallest = font.pointSizeF() * minimumPlaceholderScale;
    while (font.pointSizeF() > smallest && QFontMetricsF(font).horizontalAdvance(placeholder_) > area.width())
        font.setPointSizeF(std::max(smallest, font.pointSizeF() - 0.5));
    painter.setFont(font);
    painter.setPen(editor_->palette().color(QPalette::PlaceholderText));
    const QString shown = QFontMetricsF(font).elidedText(placeholder_, Qt::ElideRight, area.width());
    painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, shown);
}

}
