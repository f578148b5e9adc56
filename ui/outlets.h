#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

namespace wayfarer::ui {

// Named slots an interface file fills with its objects of those names (qobject_cast).
class Outlets {
public:
    template <class T>
    void add(const char* name, T*& slot) {
        entries_.push_back(Entry{QString::fromLatin1(name), &T::staticMetaObject,
                                 [&slot](QObject* object) { slot = qobject_cast<T*>(object); }});
    }

    struct Entry {
        QString name;
        const QMetaObject* type;
        std::function<void(QObject*)> assign;
    };
    const std::vector<Entry>& entries() const { return entries_; }

private:
    std::vector<Entry> entries_;
};

// An object that loads an interface file as its owner and receives its outlets.
class OutletOwner {
public:
    virtual ~OutletOwner() = default;
    virtual void declareOutlets(Outlets& outlets) = 0;
};

}
