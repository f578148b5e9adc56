#include "widget_classes.h"

#include "activity_indicator_view.h"
#include "button.h"
#include "image_view.h"
#include "label.h"
#include "table_view.h"
#include "table_view_cell.h"
#include "text_field.h"
#include "view.h"

#include <QHash>

namespace wayfarer::ui {

namespace {

// Under QMetaObject::className(), "wayfarer::ui::View", and the short name.
template <class... T>
QHash<QString, WidgetFactory> toolkitClasses() {
    QHash<QString, WidgetFactory> classes;
    (..., [&classes] {
        const QString name = QString::fromLatin1(T::staticMetaObject.className());
        WidgetFactory factory = [](QWidget* parent) { return new T(parent); };
        classes.insert(name, factory);
        classes.insert(name.section(u':', -1), factory);
    }());
    return classes;
}

QHash<QString, WidgetFactory>& registry() {
    static QHash<QString, WidgetFactory> classes =
        toolkitClasses<View, Button, Label, ImageView, TextField, TableView, TableViewCell, ActivityIndicatorView>();
    return classes;
}

}

void registerWidgetClass(const QString& className, WidgetFactory factory) {
    registry().insert(className, std::move(factory));
}

QWidget* createRegisteredWidget(const QString& className, QWidget* parent) {
    const auto found = registry().constFind(className);
    return found == registry().constEnd() ? nullptr : (*found)(parent);
}

}
