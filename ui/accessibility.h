#pragma once

#include <QAccessible>

class QWidget;

namespace wayfarer::ui {

// Installs, once, the QAccessible::installFactory interfaces of Button, TableView,
// TableViewCell, ImageView and View; their constructors call it.
void installAccessibleInterfaces();

// Overrides the QAccessible::Role of one of those widgets (a Dialog view, a Heading button).
void setAccessibleRole(QWidget& widget, QAccessible::Role role);

// Sends a QAccessible::Focus event for a widget that stands for the focus without holding it.
void announceFocus(QWidget& widget);

}
