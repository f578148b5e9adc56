#include "screen_classes.h"

#include "attraction_table_view_cell.h"
#include "detail_cell.h"
#include "detail_header_view.h"
#include "main_view_controller.h"
#include "text_field_header_view.h"
#include "ui/widget_classes.h"

namespace wayfarer {

void registerScreenViews() {
    ui::registerWidgetClass<AttractionTableViewCell>(QStringLiteral("AttractionTableViewCell"));
    ui::registerWidgetClass<DetailCell>(QStringLiteral("DetailCell"));
    ui::registerWidgetClass<TextFieldHeaderView>(QStringLiteral("TextFieldHeaderView"));
    ui::registerWidgetClass<DetailHeaderView>(QStringLiteral("DetailHeaderView"));
}

const shell::ControllerClasses& screenControllerClasses() {
    static const shell::ControllerClasses classes = [] {
        shell::ControllerClasses made;
        made.add<MainViewController>(QStringLiteral("MainViewController"));
        return made;
    }();
    return classes;
}

}
