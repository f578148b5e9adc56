#pragma once

#include "outlets.h"
#include "platform/result.h"

#include <QByteArray>
#include <QString>
#include <QWidget>

#include <memory>
#include <optional>

namespace wayfarer::ui {

// A file that cannot be loaded: ErrorCode::cannotParse, `message` (naming the file) as the detail.
platform::Error loadError(const QString& message);

// A Qt Designer file (":/Interface/NAME.ui"), read once and built by QUiLoader as often as needed.
class Nib {
public:
    // A name without a resource gives a nib whose every instantiation fails, saying so.
    static std::shared_ptr<const Nib> named(const QString& name);
    static std::shared_ptr<const Nib> fromData(const QString& name, const QByteArray& contents);

    const QString& name() const { return name_; }
    bool exists() const { return contents_.has_value(); }
    // A <string> property of the top-level <widget>, such as the class of the owning screen.
    std::optional<QString> topLevelStringProperty(const QString& property) const;

    // The top-level widget, without a parent: the outlets of a top-level View, then of `owner`,
    // set to the objects of their names, then View::awakeFromNib on every view. Fails, every
    // outlet left as it was, for a missing or malformed file or an outlet without its object.
    platform::Result<std::unique_ptr<QWidget>> instantiate(OutletOwner* owner = nullptr) const;

private:
    Nib(QString name, std::optional<QByteArray> contents) : name_(std::move(name)), contents_(std::move(contents)) {}

    QString name_;
    std::optional<QByteArray> contents_;
};

// instantiate(), or qFatal with its error: a broken file built into the program is a defect.
std::unique_ptr<QWidget> instantiateOrDie(const Nib& nib, OutletOwner* owner);

}
