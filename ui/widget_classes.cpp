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

QHash<QString, WidgetFactory>& registry() {
    static QHash<QString, WidgetFactory> classes = [] {
        QHash<QString, WidgetFactory> toolkit;
        auto add = [&toolkit]<class T>(const char* shortName, T*) {
            WidgetFactory factory = [](QWidget* parent) { return new T(parent); };
            toolkit.insert(QString::fromLatin1(shortName), factory);
            toolkit.insert(QStringLiteral("wayfarer::ui::") + QString::fromLatin1(shortName), factory);
        };
        add("View", static_cast<View*>(nullptr));
        add("Button", static_cast<Button*>(nullptr));
        add("Label", static_cast<Label*>(nullptr));
        add("ImageView", static_cast<ImageView*>(nullptr));
        add("TextField", static_cast<TextField*>(nullptr));
        add("TableView", static_cast<TableView*>(nullptr));
        add("TableViewCell", static_cast<TableViewCell*>(nullptr));
        add("ActivityIndicatorView", static_cast<ActivityIndicatorView*>(nullptr));
        return toolkit;
    }();
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
