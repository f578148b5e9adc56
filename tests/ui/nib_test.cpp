#include "test_cell.h"

#include "qt_test_support.h"

#include "ui/nib.h"
#include "ui/text_field.h"
#include "ui/view.h"

#include <QFile>

#include <gtest/gtest.h>

namespace wayfarer::ui {
namespace {

// The owner of "SearchHeader.ui", as a search header view would be.
class HeaderOwner : public OutletOwner {
public:
    void declareOutlets(Outlets& outlets) override {
        outlets.add("contentView", contentView);
        outlets.add("offsetView", offsetView);
        outlets.add("textField", textField);
        outlets.add("closeButton", closeButton);
        if (extraOutlet)
            outlets.add(extraOutlet, extra);
        if (wronglyTyped)
            outlets.add("offsetView", wronglyTyped);
    }
    View* contentView = nullptr;
    View* offsetView = nullptr;
    TextField* textField = nullptr;
    Button* closeButton = nullptr;
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
    HeaderOwner owner;
    auto loaded = Nib::named(QStringLiteral("SearchHeader"))->instantiate(&owner);
    ASSERT_TRUE(loaded.ok()) << loaded.error().message.toStdString();
    EXPECT_EQ(owner.contentView, loaded.value().get());
    ASSERT_NE(owner.textField, nullptr);
    EXPECT_EQ(owner.textField->parentWidget(), owner.contentView);
    ASSERT_NE(owner.closeButton, nullptr);
    EXPECT_EQ(owner.closeButton->title(), QStringLiteral("Close"));
    EXPECT_NE(owner.offsetView, nullptr);
}

struct FailureCase {
    const char* name;
    std::shared_ptr<const Nib> nib;
    const char* extraOutlet;
    bool wrongType;
    const char* message;
};

TEST(Nib, BrokenFilesFailAtLoadWithAClearMessageAndConnectNothing) {
    const QByteArray header = resource(QStringLiteral(":/Interface/SearchHeader.ui"));
    QByteArray renamed = header;
    renamed.replace("name=\"closeButton\"", "name=\"dismissButton\"");
    const std::vector<FailureCase> cases = {
        {"an outlet without its object", Nib::named(QStringLiteral("SearchHeader")), "missingView", false,
         "interface file \"SearchHeader\": no object named \"missingView\" for the owner's outlet"},
        {"an object renamed in the file", Nib::fromData(QStringLiteral("Renamed"), renamed), nullptr, false,
         "interface file \"Renamed\": no object named \"closeButton\" for the owner's outlet"},
        {"an outlet of the wrong type", Nib::named(QStringLiteral("SearchHeader")), nullptr, true,
         "interface file \"SearchHeader\": the object \"offsetView\" is a wayfarer::ui::View, the owner's outlet "
         "needs a wayfarer::ui::Label"},
        {"a file that is not there", Nib::named(QStringLiteral("NoSuchFile")), nullptr, false,
         "interface file \"NoSuchFile\" is not among the application's resources"},
        {"a file that is not XML", Nib::fromData(QStringLiteral("Garbage"), "not a form"), nullptr, false,
         "interface file \"Garbage\" could not be read"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        HeaderOwner owner;
        owner.extraOutlet = c.extraOutlet;
        if (c.wrongType)
            owner.wronglyTyped = reinterpret_cast<Label*>(1);  // must be left as it was
        auto loaded = c.nib->instantiate(&owner);
        ASSERT_FALSE(loaded.ok());
        EXPECT_TRUE(loaded.error().message.startsWith(QString::fromUtf8(c.message))) << loaded.error().message.toStdString();
        EXPECT_EQ(owner.textField, nullptr);
        EXPECT_EQ(owner.contentView, nullptr);
    }
}

TEST(Nib, TopLevelViewGetsItsOwnOutletsAndWakesOnce) {
    testing::registerTestCell();
    const auto nib = Nib::named(QStringLiteral("TestCell"));
    for (int i = 0; i < 3; ++i) {
        auto loaded = nib->instantiate();
        ASSERT_TRUE(loaded.ok()) << loaded.error().message.toStdString();
        auto* cell = qobject_cast<testing::TestCell*>(loaded.value().get());
        ASSERT_NE(cell, nullptr);
        EXPECT_EQ(cell->awakenings, 1);
        ASSERT_NE(cell->titleLabel, nullptr);
        EXPECT_EQ(&cell->contentView(), cell->titleLabel->parentWidget());
        EXPECT_EQ(cell->priceLabel->textColor().resolved(), QColor(255, 110, 91));
    }
}

TEST(Nib, FileNamesItsOwnersClass) {
    const auto nib = Nib::fromData(QStringLiteral("Main"),
                                   "<ui version=\"4.0\"><widget class=\"QWidget\" name=\"root\">"
                                   "<property name=\"viewControllerClass\" stdset=\"0\"><string>WelcomeScreen</string></property>"
                                   "<widget class=\"QWidget\" name=\"child\"><property name=\"viewControllerClass\" stdset=\"0\">"
                                   "<string>Other</string></property></widget></widget></ui>");
    EXPECT_EQ(nib->topLevelStringProperty(QStringLiteral("viewControllerClass")), QStringLiteral("WelcomeScreen"));
    EXPECT_EQ(nib->topLevelStringProperty(QStringLiteral("absent")), std::nullopt);
}

TEST(Nib, LoadedRootFillsItsOwnerWhenTheOwnerIsResized) {
    HeaderOwner owner;
    auto loaded = Nib::named(QStringLiteral("SearchHeader"))->instantiate(&owner);
    ASSERT_TRUE(loaded.ok());
    View header;
    header.resize(390, 50);
    header.show();
    View* content = owner.contentView;
    header.addSubview(*loaded.value().release());
    content->setFrame(header.bounds());
    content->setAutoresizingMask(Autoresizing::flexibleWidth | Autoresizing::flexibleHeight);
    header.resize(600, 70);
    EXPECT_EQ(content->frame(), QRect(0, 0, 600, 70));
    header.resize(320, 50);
    EXPECT_EQ(content->frame(), QRect(0, 0, 320, 50));
}

}
}
