#include "nib.h"

#include "text_size.h"
#include "view.h"
#include "widget_classes.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QFile>
#include <QUiLoader>
#include <QXmlStreamReader>

namespace wayfarer::ui {

namespace {

class WidgetLoader final : public QUiLoader {
public:
    QWidget* createWidget(const QString& className, QWidget* parent, const QString& name) override {
        if (QWidget* widget = createRegisteredWidget(className, parent)) {
            widget->setObjectName(name);
            return widget;
        }
        return QUiLoader::createWidget(className, parent, name);
    }
};

// One loader for the program. Its constructor loads every plugin under
// QCoreApplication::libraryPaths()/designer (libqquickwidget.so pulls in Qt Quick); the files
// use none, so it is made with the paths empty.
WidgetLoader& loader() {
    static WidgetLoader* instance = [] {
        const QStringList paths = QCoreApplication::libraryPaths();
        QCoreApplication::setLibraryPaths({});
        auto* made = new WidgetLoader;
        QCoreApplication::setLibraryPaths(paths);
        return made;
    }();
    return *instance;
}

// Whether the file set `widget`'s point size: QFont::resolveMask() also holds inherited parts,
// so a size equal to a parent's set one is the parent's.
bool hasOwnTextSize(const QWidget& widget) {
    if (!widget.testAttribute(Qt::WA_SetFont) || !(widget.font().resolveMask() & QFont::SizeResolved))
        return false;
    const QWidget* parent = widget.parentWidget();
    return !parent || !parent->testAttribute(Qt::WA_SetFont) || parent->font().pointSizeF() != widget.font().pointSizeF();
}

// The file's point sizes are for the default font; they scale with QApplication::font().
void scaleTextSizes(QWidget& root) {
    QList<QWidget*> sized;
    for (QWidget* widget : QList<QWidget*>{&root} + root.findChildren<QWidget*>())
        if (hasOwnTextSize(*widget))
            sized.append(widget);
    for (QWidget* widget : sized)
        setScaledPointSize(*widget, widget->font().pointSizeF());
}

std::optional<platform::Error> connect(const QString& file, QWidget& root, OutletOwner& owner, const char* ownerKind) {
    Outlets outlets;
    owner.declareOutlets(outlets);
    std::vector<QObject*> found;
    for (const auto& outlet : outlets.entries()) {
        QObject* object = root.objectName() == outlet.name ? &root : root.findChild<QObject*>(outlet.name);
        if (!object)
            return loadError(QStringLiteral("interface file \"%1\": no object named \"%2\" for the %3's outlet")
                                 .arg(file, outlet.name, QString::fromLatin1(ownerKind)));
        if (!outlet.type->cast(object))
            return loadError(QStringLiteral("interface file \"%1\": the object \"%2\" is a %3, the %4's outlet needs a %5")
                                 .arg(file, outlet.name, QString::fromLatin1(object->metaObject()->className()),
                                      QString::fromLatin1(ownerKind), QString::fromLatin1(outlet.type->className())));
        found.push_back(object);
    }
    for (std::size_t i = 0; i < found.size(); ++i)
        outlets.entries()[i].assign(found[i]);
    return std::nullopt;
}

}

platform::Error loadError(const QString& message) {
    return platform::Error{platform::ErrorCode::cannotParse, message.toStdString()};
}

std::shared_ptr<const Nib> Nib::named(const QString& name) {
    QFile file(QStringLiteral(":/Interface/%1.ui").arg(name));
    const bool exists = file.open(QIODevice::ReadOnly);
    return std::shared_ptr<const Nib>(new Nib(name, exists ? std::optional(file.readAll()) : std::nullopt));
}

std::shared_ptr<const Nib> Nib::fromData(const QString& name, const QByteArray& contents) {
    return std::shared_ptr<const Nib>(new Nib(name, contents));
}

std::optional<QString> Nib::topLevelStringProperty(const QString& property) const {
    if (!contents_)
        return std::nullopt;
    QXmlStreamReader xml(*contents_);
    int widgetDepth = 0;
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement() && xml.name() == u"widget")
            ++widgetDepth;
        else if (xml.isEndElement() && xml.name() == u"widget" && --widgetDepth == 0)
            return std::nullopt;
        else if (widgetDepth == 1 && xml.isStartElement() && xml.name() == u"property" &&
                 xml.attributes().value(QStringLiteral("name")) == property) {
            while (xml.readNextStartElement())
                if (xml.name() == u"string")
                    return xml.readElementText();
            return std::nullopt;
        }
    }
    return std::nullopt;
}

platform::Result<std::unique_ptr<QWidget>> Nib::instantiate(OutletOwner* owner) const {
    if (!contents_)
        return loadError(QStringLiteral("interface file \"%1\" is not among the application's resources").arg(name_));
    QByteArray bytes = *contents_;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    std::unique_ptr<QWidget> root(loader().load(&buffer));
    if (!root)
        return loadError(QStringLiteral("interface file \"%1\" could not be read: %2").arg(name_, loader().errorString()));
    scaleTextSizes(*root);

    // The top-level view's outlets first: an owner's outlet may reach through them.
    if (auto* view = dynamic_cast<View*>(root.get()))
        if (auto error = connect(name_, *root, *view, "top-level view"))
            return *error;
    if (owner)
        if (auto error = connect(name_, *root, *owner, "owner"))
            return *error;
    for (View* view : root->findChildren<View*>())
        view->awakeFromNib();
    if (auto* view = dynamic_cast<View*>(root.get()))
        view->awakeFromNib();
    return root;
}

std::unique_ptr<QWidget> instantiateOrDie(const Nib& nib, OutletOwner* owner) {
    auto loaded = nib.instantiate(owner);
    if (!loaded.ok())
        qFatal("%s", loaded.error().detail.c_str());
    return std::move(loaded.value());
}

}
