#pragma once

#include "ui/view_controller.h"

#include <QHash>
#include <QString>

#include <functional>
#include <memory>

namespace wayfarer::shell {

// The screen classes an interface file may name as the owner of its top-level view,
// such as the first screen of the main interface file.
class ControllerClasses {
public:
    using Factory = std::function<std::unique_ptr<ui::ViewController>()>;

    void add(const QString& className, Factory factory) { factories_.insert(className, std::move(factory)); }
    template <class T>
    void add(const QString& className) {
        add(className, [] { return std::make_unique<T>(); });
    }
    // A new screen of the class, or null for a class not added.
    std::unique_ptr<ui::ViewController> create(const QString& className) const {
        const auto found = factories_.constFind(className);
        return found == factories_.constEnd() ? nullptr : (*found)();
    }

private:
    QHash<QString, Factory> factories_;
};

}
