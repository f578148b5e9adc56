#pragma once

#include <QAccessible>

class QWidget;

namespace wayfarer::ui {

// Makes the toolkit's views known to assistive technology (screen readers), once:
// buttons with their titles, toggles as check boxes with their state, and actions that
// work as a click does; tables as lists whose children are their parts and visible rows
// in the order a person sees them; rows as list items named after the texts they show.
// The toolkit's views install it when they are made.
void installAccessibleInterfaces();

// Gives `widget` a role other than its kind's own: a view that is a dialog, a button
// that only carries a heading.
void setAccessibleRole(QWidget& widget, QAccessible::Role role);

// Tells assistive technology that `widget` has the focus now, for views that stand for
// the focus without holding it (the row the arrow keys have marked in a table).
void announceFocus(QWidget& widget);

}
