#include "qt_test_support.h"
#include "ui/button.h"
#include "ui/label.h"
#include "ui/nib.h"
#include "ui/text_field.h"
#include "ui/view.h"

#include <QFile>

#include <gtest/gtest.h>

namespace wayfarer::ui {
namespace {

// The owner of "Form.ui": a view that takes its parts from the file.
class FormOwner : public OutletOwner {
public:
    void declareOutlets(Outlets& outlets) override {
        outlets.add("contentView", contentView);
        outlets.add("marginView", marginView);
        outlets.add("textField", textField);
        outlets.add("doneButton", doneButton);
        if (extraOutlet)
            outlets.add(extraOutlet, extra);
        if (wronglyTyped)
            outlets.add("marginView", wronglyTyped);
    }
    View* contentView = nullptr;
    View* marginView = nullptr;
    TextField* textField = nullptr;
    Button* doneButton = nullptr;
    const char* extraOutlet = nullptr;
    View* extra = nullptr;
    Label* wronglyTyped = nullptr;
};

QByteArray resource(const QString& path) {
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return file.readAll();
}

TEST(Nib, LoadingWithAnOwnerConnectsEveryOutletByName) {
    FormOwner owner;
    auto loaded = Nib::named(QStringLiteral("Form"))->instantiate(&owner);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message.toStdString();
    EXPECT_EQ(owner.contentView, loaded.value().get());
    ASSERT_NE(owner.textField, nullptr);
    EXPECT_EQ(owner.textField->parentWidget(), owner.contentView);
    ASSERT_NE(owner.doneButton, nullptr);
    EXPECT_EQ(owner.doneButton->title(), QStringLiteral("Done"));
    EXPECT_NE(owner.marginView, nullptr);
}

struct FailureCase {
    const char* name;
    std::shared_ptr<const Nib> nib;
    const char* extraOutlet;
    bool wrongType;
    const char* message;
};

TEST(Nib, BrokenFilesFailAtLoadWithAClearMessageAndConnectNothing) {
    const QByteArray form = resource(QStringLiteral(":/Interface/Form.ui"));
    QByteArray renamed = form;
    renamed.replace("name=\"doneButton\"", "name=\"dismissButton\"");
    const std::vector<FailureCase> cases = {
        {"an outlet without its object", Nib::named(QStringLiteral("Form")), "missingView", false,
         "interface file \"Form\": no object named \"missingView\" for the owner's outlet"},
        {"an object renamed in the file", Nib::fromData(QStringLiteral("Renamed"), renamed), nullptr, false,
         "interface file \"Renamed\": no object named \"doneButton\" for the owner's outlet"},
        {"an outlet of the wrong type", Nib::named(QStringLiteral("Form")), nullptr, true,
         "interface file \"Form\": the object \"marginView\" is a wayfarer::ui::View, the owner's outlet "
         "needs a wayfarer::ui::Label"},
        {"a file that is not there", Nib::named(QStringLiteral("NoSuchFile")), nullptr, false,
         "interface file \"NoSuchFile\" is not among the application's resources"},
        {"a file that is not XML", Nib::fromData(QStringLiteral("Garbage"), "not a form"), nullptr, false,
         "interface file \"Garbage\" could not be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FormOwner owner;
        owner.extraOutlet = c.extraOutlet;
        if (c.wrongType)
            owner.wronglyTyped = reinterpret_cast<Label*>(1);  // must be left as it was
        auto loaded = c.nib->instantiate(&owner);
        ASSERT_FALSE(loaded.ok());
        const QString message = loaded.error().message;
        EXPECT_TRUE(message.startsWith(QString::fromUtf8(c.message))) << message.toStdString();
        EXPECT_EQ(owner.textField, nullptr);
        EXPECT_EQ(owner.contentView, nullptr);
    }
}

TEST(Nib, FileNamesItsOwnersClass) {
    const auto nib = Nib::fromData(
        QStringLiteral("Main"),
        "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"root\">"
        "<property name=\"viewControllerClass\" stdset=\"0\"><string>WelcomeScreen</string></property>"
        "<widget class=\"QWidget\" name=\"child\"><property name=\"viewControllerClass\" stdset=\"0\">"
        "<string>Other</string></property></widget></widget></ui>");
    EXPECT_EQ(nib->topLevelStringProperty(QStringLiteral("viewControllerClass")), QStringLiteral("WelcomeScreen"));
    EXPECT_EQ(nib->topLevelStringProperty(QStringLiteral("absent")), std::nullopt);
}

}
}
