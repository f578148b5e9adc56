#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace wayfarer::ui {

// The classes that interface files may name, beyond Qt's own. The toolkit's classes are
// registered under their qualified and their short names ("wayfarer::ui::Button",
// "Button"); an application registers its views and cells before loading files that use them.
using WidgetFactory = std::function<QWidget*(QWidget* parent)>;

void registerWidgetClass(const QString& className, WidgetFactory factory);

template <class T>
void registerWidgetClass(const QString& className) {
    registerWidgetClass(className, [](QWidget* parent) { return new T(parent); });
}

// A new widget of a registered class, owned by `parent`; null for a class not registered.
QWidget* createRegisteredWidget(const QString& className, QWidget* parent);

}
