#pragma once

#include <QString>
#include <QWidget>

#include <functional>

namespace wayfarer::ui {

// Classes interface files may name beyond QUiLoader's own; the toolkit's under their short
// and qualified names ("Button", "wayfarer::ui::Button").
using WidgetFactory = std::function<QWidget*(QWidget* parent)>;

void registerWidgetClass(const QString& className, WidgetFactory factory);

template <class T>
void registerWidgetClass(const QString& className) {
    registerWidgetClass(className, [](QWidget* parent) { return new T(parent); });
}

// Null for a class not registered.
QWidget* createRegisteredWidget(const QString& className, QWidget* parent);

}
