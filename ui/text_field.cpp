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
// Where the editor starts its text, and how far a placeholder may shrink to fit.
constexpr double placeholderInset = 2.0;
constexpr double minimumPlaceholderScale = 0.6;

const char* const clearGlyph =
    R"(<svg xmlns="http://www.w3.org/2000/svg" viewBox="0 0 20 20">)"
    R"(<circle cx="10" cy="10" r="9" fill="#8e8e93"/>)"
    R"(<path d="M6.5 6.5 L13.5 13.5 M13.5 6.5 L6.5 13.5" stroke="#ffffff" stroke-width="2" stroke-linecap="round"/>)"
    R"(</svg>)";

// Where `inserted` replaced part of `before` to give `after`, when `hint` (the selection
// or cursor before the edit) explains it; otherwise the smallest differing span.
std::pair<TextRange, QString> describeEdit(const QString& before, const QString& after, TextRange hint) {
    const int delta = static_cast<int>(after.size()) - static_cast<int>(before.size());
    auto explains = [&](TextRange range) {
        if (range.location < 0 || range.location + range.length > before.size())
            return false;
        const int insertedLength = range.length + delta;
        if (insertedLength < 0)
            return false;
        return after.left(range.location) == before.left(range.location) &&
               after.mid(range.location + insertedLength) == before.mid(range.location + range.length);
    };
    std::vector<TextRange> candidates;
    if (hint.length > 0)
        candidates.push_back(hint);
    else if (delta >= 0)
        candidates.push_back({hint.location, 0});
    else {
        candidates.push_back({hint.location + delta, -delta});  // deleted backwards
        candidates.push_back({hint.location, -delta});          // deleted forwards
    }
    for (const TextRange& range : candidates)
        if (explains(range))
            return {range, after.mid(range.location, range.length + delta)};

    int prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix])
        ++prefix;
    int suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const TextRange range{prefix, static_cast<int>(before.size()) - prefix - suffix};
    return {range, after.mid(prefix, after.size() - prefix - suffix)};
}

bool startsCapitalizedUnit(AutocapitalizationType type, const QString& textBefore) {
    switch (type) {
    case AutocapitalizationType::none:
        return false;
    case AutocapitalizationType::allCharacters:
        return true;
    case AutocapitalizationType::words:
        return textBefore.isEmpty() || textBefore.back().isSpace();
    case AutocapitalizationType::sentences: {
        const QString trimmed = textBefore.trimmed();
        return trimmed.isEmpty() ||
               (textBefore.back().isSpace() && (trimmed.endsWith(u'.') || trimmed.endsWith(u'!') || trimmed.endsWith(u'?')));
    }
    }
    return false;
}

}

// Asks the field about every change QLineEdit is about to make to its text.
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
        // The field draws its own background and border.
        QPalette colors = palette();
        colors.setColor(QPalette::Base, Qt::transparent);
        setPalette(colors);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
            field_.returnKeyPressed();
            event->accept();
            return;
        }
        shiftAlone_ = event->key() == Qt::Key_Shift;
        const QString text = event->text();
        field_.typing_ = !text.isEmpty() && text.front().isPrint();
        field_.shiftHeld_ = event->modifiers().testFlag(Qt::ShiftModifier);
        QLineEdit::keyPressEvent(event);
        field_.typing_ = false;
    }
    void keyReleaseEvent(QKeyEvent* event) override {
        if (event->key() == Qt::Key_Shift && shiftAlone_)
            field_.shiftTapped();
        shiftAlone_ = false;
        QLineEdit::keyReleaseEvent(event);
    }
    void inputMethodEvent(QInputMethodEvent* event) override {
        field_.typing_ = !event->commitString().isEmpty();
        QLineEdit::inputMethodEvent(event);
        field_.typing_ = false;
    }
    void focusInEvent(QFocusEvent* event) override {
        // The field keeps its cursor when Tab brings the keys, as a phone's field does.
        // Qt would select the whole text: a change of selection that the delegate hears
        // as the user's (the results screen would search again).
        const bool byTab = event->reason() == Qt::TabFocusReason || event->reason() == Qt::BacktabFocusReason;
        QFocusEvent kept(QEvent::FocusIn, byTab ? Qt::OtherFocusReason : event->reason());
        QLineEdit::focusInEvent(&kept);
        field_.focusChanged(true);
    }
    void focusOutEvent(QFocusEvent* event) override {
        QLineEdit::focusOutEvent(event);
        field_.focusChanged(false);
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
    clearButton_->addTarget(this, &TextField::clearPressed, ControlEvent::touchUpInside);
    setFocusProxy(editor_);
    connect(editor_, &QLineEdit::textChanged, this, [this] { commitText(); });
    connect(editor_, &QLineEdit::cursorPositionChanged, this, [this] { reportIfChanged(); });
    connect(editor_, &QLineEdit::selectionChanged, this, [this] { reportIfChanged(); });
    setMinimumHeight(30);
    updateClearButton();
}

TextField::~TextField() {
    // The editor's last signals must not reach a delegate that may already be gone.
    delegate_ = nullptr;
    editor_->disconnect(this);
    // Left to the base class, the editor would be destroyed after this object's own
    // part, and a focused editor reports losing the focus to its field on the way.
    editor_->setValidator(nullptr);
    delete editor_;
}

QWidget& TextField::editorWidget() { return *editor_; }

void TextField::setText(const QString& text) {
    settingProgrammatically_ = true;
    editor_->setText(text);
    settingProgrammatically_ = false;
    committed_ = editor_->text();
    allowed_.reset();
    reported_ = currentState();
    updateClearButton();
    update();
}

QString TextField::placeholder() const { return placeholder_; }

void TextField::setPlaceholder(const QString& placeholder) {
    placeholder_ = placeholder;
    updateAccessibleTexts();
    update();
}

void TextField::setAccessibleLabel(const QString& label) {
    accessibleLabel_ = label;
    updateAccessibleTexts();
}

// The editor holds the keys, so it is what a screen reader reads.
void TextField::updateAccessibleTexts() {
    const QString& placeholder = placeholder_;
    editor_->setAccessibleName(accessibleLabel_.isEmpty() ? placeholder : accessibleLabel_);
    editor_->setAccessibleDescription(accessibleLabel_.isEmpty() ? QString() : placeholder);
}

void TextField::setTextColor(const Color& color) {
    QPalette colors = editor_->palette();
    colors.setColor(QPalette::Text, color.resolved());
    editor_->setPalette(colors);
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

void TextField::setClearButtonMode(TextFieldViewMode mode) {
    clearButtonMode_ = mode;
    updateClearButton();
}

void TextField::setBorderStyle(TextBorderStyle style) {
    borderStyle_ = style;
    update();
}

bool TextField::becomeFirstResponder() {
    // A field that is not on screen yet takes the focus when it is shown: focus given
    // to a widget outside a shown window would stay with the window it had then.
    if (!isVisible()) {
        focusWhenShown_ = true;
        return true;
    }
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

bool TextField::isClearButtonShown() const { return !clearButton_->isHidden(); }

TextField::State TextField::currentState() const {
    return State{editor_->text(), editor_->cursorPosition(), editor_->selectionStart(),
                 static_cast<int>(editor_->selectionLength())};
}

int TextField::reviewEdit(QString& proposed, int& cursor) {
    // An edit is QLineEdit validating the text it has just changed to (QWidgetLineControl::
    // finishChange). Qt also validates for plain checks: the text as it stands
    // (hasAcceptableInput), or a text it has not set (QAccessibleLineEdit before setText).
    // Only an edit asks the delegate, and only once.
    if (settingProgrammatically_ || clearing_ || reviewing_ || proposed == committed_ || proposed == allowed_ ||
        proposed != editor_->text())
        return QValidator::Acceptable;
    reviewing_ = true;
    const TextRange hint = reported_.selectionLength > 0
                               ? TextRange{reported_.selectionStart, reported_.selectionLength}
                               : TextRange{reported_.cursor, 0};
    auto [range, replacement] = describeEdit(committed_, proposed, hint);

    if (typing_ && !shiftHeld_) {
        QString before = committed_.left(range.location);
        for (qsizetype i = 0; i < replacement.size(); ++i) {
            if (replacement[i].isLetter() && startsCapitalizedUnit(autocapitalization_, before) && capitalizeNextLetter_)
                replacement[i] = replacement[i].toUpper();
            before += replacement[i];
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
    // QLineEdit moves the cursor before it validates an input method's text
    // (QWidgetLineControl::processInputMethodEvent): the text is the field's once
    // textChanged says so, and is reported then.
    if (editor_->text() != committed_)
        return;
    const State state = currentState();
    if (settingProgrammatically_ || state == reported_)
        return;
    reported_ = state;
    // The notification exists from platform version 13 on.
    if (delegate_ && platformVersion() >= 13)
        delegate_->textFieldDidChangeSelection(*this);
}

void TextField::shiftTapped() {
    // Tapping Shift alone turns off the capital the next letter would get, as the
    // shift key of a phone keyboard does.
    capitalizeNextLetter_ = !capitalizeNextLetter_;
}

void TextField::clearPressed() {
    if (delegate_ && !delegate_->textFieldShouldClear(*this))
        return;
    clearing_ = true;
    editor_->setText(QString());
    clearing_ = false;
}

void TextField::returnKeyPressed() {
    if (enablesReturnKeyAutomatically_ && committed_.isEmpty())
        return;
    if (!delegate_ || delegate_->textFieldShouldReturn(*this))
        emit returnPressed();
}

void TextField::focusChanged(bool focused) {
    updateClearButton();
    if (!delegate_)
        return;
    if (focused)
        delegate_->textFieldDidBeginEditing(*this);
    else
        delegate_->textFieldDidEndEditing(*this);
}

void TextField::updateClearButton() {
    const bool editing = editor_->hasFocus();
    bool shown = false;
    switch (clearButtonMode_) {
    case TextFieldViewMode::never:
        break;
    case TextFieldViewMode::whileEditing:
        shown = editing;
        break;
    case TextFieldViewMode::unlessEditing:
        shown = !editing;
        break;
    case TextFieldViewMode::always:
        shown = true;
        break;
    }
    shown = shown && !committed_.isEmpty();
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
    paintBorder();
    paintPlaceholder();
}

void TextField::paintBorder() {
    if (borderStyle_ == TextBorderStyle::none)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (backgroundColor().resolved().alpha() == 0 && borderStyle_ == TextBorderStyle::roundedRect)
        paintBackground(painter, rect(), Color::systemBackground(), 5.0);
    painter.setPen(QPen(Color::systemGray().resolved(), borderStyle_ == TextBorderStyle::bezel ? 1.5 : 1.0));
    const double radius = borderStyle_ == TextBorderStyle::roundedRect ? 5.0 : 0.0;
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

// The field draws the placeholder itself, under the editor, so that a placeholder wider
// than the field (larger text, a longer language) shrinks to fit rather than being cut.
void TextField::paintPlaceholder() {
    if (!committed_.isEmpty() || placeholder_.isEmpty())
        return;
    QPainter painter(this);
    const QRectF area = QRectF(editor_->geometry()).adjusted(placeholderInset, 0, -placeholderInset, 0);
    QFont font = editor_->font();
    // Font sizes do not scale text widths exactly: shrink by steps until it fits.
    const double smallest = font.pointSizeF() * minimumPlaceholderScale;
    while (font.pointSizeF() > smallest && QFontMetricsF(font).horizontalAdvance(placeholder_) > area.width())
        font.setPointSizeF(std::max(smallest, font.pointSizeF() - 0.5));
    painter.setFont(font);
    painter.setPen(editor_->palette().color(QPalette::PlaceholderText));
    const QString shown = QFontMetricsF(font).elidedText(placeholder_, Qt::ElideRight, area.width());
    painter.drawText(area, Qt::AlignVCenter | Qt::AlignLeft, shown);
}

}
