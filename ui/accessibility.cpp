#include "accessibility.h"

#include "button.h"
#include "image_view.h"
#include "table_view.h"
#include "table_view_cell.h"

#include <QAccessibleWidget>
#include <QLabel>

#include <algorithm>

namespace wayfarer::ui {

namespace {

constexpr const char* roleProperty = "_wayfarer_accessibleRole";

TableView* tableOfViewport(QWidget* widget) {
    auto* table = widget ? qobject_cast<TableView*>(widget->parentWidget()) : nullptr;
    return table && table->viewport() == widget ? table : nullptr;
}

// A role from setAccessibleRole wins; a TableView's viewport children report the table as parent.
class ToolkitAccessible : public QAccessibleWidget {
public:
    ToolkitAccessible(QWidget* widget, QAccessible::Role role) : QAccessibleWidget(widget, role) {}

    QAccessible::Role role() const override {
        const QVariant given = widget()->property(roleProperty);
        return given.isValid() ? static_cast<QAccessible::Role>(given.toInt()) : QAccessibleWidget::role();
    }

    QAccessibleInterface* parent() const override {
        if (TableView* table = tableOfViewport(widget()->parentWidget()))
            return QAccessible::queryAccessibleInterface(table);
        return QAccessibleWidget::parent();
    }
};

// Qt's QAccessibleButton is private, and its press is a delayed animateClick() and its toggle
// flips the state without a click: here both are click(), whose actions own the state.
class ButtonAccessible final : public ToolkitAccessible {
public:
    explicit ButtonAccessible(Button* button) : ToolkitAccessible(button, QAccessible::Button) {}

    // Checkable is CheckBox, as in QAccessibleButton: AT-SPI knows a toggle by its role only.
    QAccessible::Role role() const override {
        const QAccessible::Role role = ToolkitAccessible::role();
        return role == QAccessible::Button && button().isCheckable() ? QAccessible::CheckBox : role;
    }

    QString text(QAccessible::Text kind) const override {
        const QString text = ToolkitAccessible::text(kind);
        return kind == QAccessible::Name && text.isEmpty() ? button().title().value_or(QString()) : text;
    }

    QAccessible::State state() const override {
        QAccessible::State state = ToolkitAccessible::state();
        state.checkable = button().isCheckable();
        state.checked = button().isCheckable() && button().isChecked();
        state.pressed = button().isDown();
        return state;
    }

    QStringList actionNames() const override {
        QStringList names = ToolkitAccessible::actionNames();
        if (button().isEnabled())
            names.prepend(button().isCheckable() ? toggleAction() : pressAction());
        return names;
    }

    void doAction(const QString& action) override {
        if ((action == pressAction() || action == toggleAction()) && button().isEnabled())
            button().click();
        else
            ToolkitAccessible::doAction(action);
    }

private:
    Button& button() const { return *static_cast<Button*>(widget()); }
};

// A List whose children are TableView::partsInReadingOrder().
class TableViewAccessible final : public ToolkitAccessible {
public:
    explicit TableViewAccessible(TableView* table) : ToolkitAccessible(table, QAccessible::List) {}

    int childCount() const override { return static_cast<int>(table().partsInReadingOrder().size()); }

    QAccessibleInterface* child(int index) const override {
        const auto parts = table().partsInReadingOrder();
        return index >= 0 && index < static_cast<int>(parts.size())
                   ? QAccessible::queryAccessibleInterface(parts[static_cast<std::size_t>(index)])
                   : nullptr;
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        const auto parts = table().partsInReadingOrder();
        const auto found = std::find(parts.begin(), parts.end(), child ? child->object() : nullptr);
        return found == parts.end() ? -1 : static_cast<int>(found - parts.begin());
    }

    QAccessibleInterface* focusChild() const override {
        if (table().hasFocus() && table().keyboardRow())
            if (TableViewCell* cell = table().cellForRow(*table().keyboardRow()))
                return QAccessible::queryAccessibleInterface(cell);
        return ToolkitAccessible::focusChild();
    }

private:
    TableView& table() const { return *static_cast<TableView*>(widget()); }
};

// A ListItem named after its texts; focused when it is the TableView's keyboardRow().
class TableViewCellAccessible final : public ToolkitAccessible {
public:
    explicit TableViewCellAccessible(TableViewCell* cell) : ToolkitAccessible(cell, QAccessible::ListItem) {}

    QString text(QAccessible::Text kind) const override {
        const QString text = ToolkitAccessible::text(kind);
        if (kind != QAccessible::Name || !text.isEmpty())
            return text;
        // The texts of the QLabels the cell shows, top to bottom and then left to right.
        QList<QLabel*> labels = cell().findChildren<QLabel*>();
        labels.removeIf([&](QLabel* label) { return !label->isVisibleTo(&cell()) || label->text().isEmpty(); });
        const auto place = [&](QLabel* label) {
            const QPoint at = label->mapTo(&cell(), QPoint(0, 0));
            return std::pair(at.y(), at.x());
        };
        std::stable_sort(labels.begin(), labels.end(), [&](QLabel* a, QLabel* b) { return place(a) < place(b); });
        QStringList texts;
        for (QLabel* label : labels)
            texts.append(label->text());
        return texts.join(QStringLiteral(", "));
    }

    QAccessible::State state() const override {
        QAccessible::State state = ToolkitAccessible::state();
        TableView* table = tableOfViewport(cell().parentWidget());
        state.selectable = table != nullptr;
        state.selected = cell().isSelected();
        state.focusable = table && (table->focusPolicy() & Qt::TabFocus);
        state.focused = table && table->hasFocus() && table->keyboardRow() &&
                        table->cellForRow(*table->keyboardRow()) == &cell();
        return state;
    }

    QStringList actionNames() const override {
        return tableOfViewport(cell().parentWidget()) ? QStringList{pressAction()} : QStringList{};
    }

    void doAction(const QString& action) override {
        if (action == pressAction())
            cell().accessibilityActivate();
    }

private:
    TableViewCell& cell() const { return *static_cast<TableViewCell*>(widget()); }
};

// Called for each class up the QMetaObject chain, the most derived first.
QAccessibleInterface* makeInterface(const QString&, QObject* object) {
    if (auto* button = qobject_cast<Button*>(object))
        return new ButtonAccessible(button);
    if (auto* table = qobject_cast<TableView*>(object))
        return new TableViewAccessible(table);
    if (auto* cell = qobject_cast<TableViewCell*>(object))
        return new TableViewCellAccessible(cell);
    if (auto* image = qobject_cast<ImageView*>(object))
        return new ToolkitAccessible(image, QAccessible::Graphic);
    if (auto* view = qobject_cast<View*>(object))
        return new ToolkitAccessible(view, QAccessible::Client);
    return nullptr;
}

}

void installAccessibleInterfaces() {
    static const bool installed = [] {
        QAccessible::installFactory(makeInterface);
        return true;
    }();
    (void)installed;
}

void setAccessibleRole(QWidget& widget, QAccessible::Role role) {
    widget.setProperty(roleProperty, static_cast<int>(role));
}

void announceFocus(QWidget& widget) {
    if (!QAccessible::isActive())
        return;
    QAccessibleEvent event(&widget, QAccessible::Focus);
    QAccessible::updateAccessibility(&event);
}

}
