#pragma once

#include "outlets.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>
#include <variant>

namespace wayfarer::ui {

// Why an interface file could not be loaded: the file and what was wrong with it.
struct LoadError {
    QString message;
};

template <class T>
class [[nodiscard]] LoadResult {
public:
    LoadResult(T value) : state_(std::move(value)) {}          // NOLINT: a result is made from its value
    LoadResult(LoadError error) : state_(std::move(error)) {}  // NOLINT: or from its error
    bool ok() const { return state_.index() == 0; }
    T& value() { return std::get<0>(state_); }
    const LoadError& error() const { return std::get<1>(state_); }

private:
    std::variant<T, LoadError> state_;
};

// An interface file: a Qt Designer file from the application's resources
// (":/Interface/NAME.ui"), read once and instantiated as often as needed.
class Nib {
public:
    // The file is read on first use of the name; a name without a file gives a nib whose
    // every instantiation fails with a message saying so.
    static std::shared_ptr<const Nib> named(const QString& name);
    static std::shared_ptr<const Nib> fromData(const QString& name, const QByteArray& contents);

    const QString& name() const { return name_; }
    bool exists() const { return contents_.has_value(); }
    // A string property that the file gives its top-level widget, such as the class of
    // the screen that owns it.
    std::optional<QString> topLevelStringProperty(const QString& property) const;

    // Builds the file's objects and returns the top-level widget, without a parent. The
    // outlets of `owner`, and those of the top-level widget when it offers outlets, are
    // connected to the objects of the same names; then every view made by the file is
    // told that it has woken. Fails, leaving every outlet as it was, when the file is
    // missing or malformed or an outlet has no object of its name and type.
    LoadResult<std::unique_ptr<QWidget>> instantiate(OutletOwner* owner = nullptr) const;

private:
    Nib(QString name, std::optional<QByteArray> contents) : name_(std::move(name)), contents_(std::move(contents)) {}

    QString name_;
    std::optional<QByteArray> contents_;
};

// Loads `name` with `owner` and ends the program with the loader's message when that
// fails: for views whose interface file is part of the program, a broken file is a
// defect to stop at, not a state to run on in.
std::unique_ptr<QWidget> instantiateOrDie(const Nib& nib, OutletOwner* owner);

}
