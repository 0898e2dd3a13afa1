#include "VexoWidgets/ResourceBundle.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoWidgets/InterfaceLoader.h"
#include "VexoWidgets/LazyIconEngine.h"
#include "VexoWidgets/TextStyles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>

namespace quillmere {

namespace {

[[noreturn]] void stop(const QString& message) {
    qFatal("%s", qUtf8Printable(message));
}

QString requireFile(const QDir& bundle, const QString& name) {
    QString path = bundle.filePath(name);
    if (!QFileInfo(path).isFile()) {
        stop(path + QStringLiteral(": missing from the resource bundle"));
    }
    return path;
}

} // namespace

ResourceBundle::ResourceBundle(const QString& libraryName, const void* codeAddress)
    : m_path(brisquel::vexo::requireResourceBundle(libraryName, codeAddress)) {}

QString ResourceBundle::filePath(const QString& name) const {
    return QDir(m_path).filePath(name);
}

QIcon ResourceBundle::icon(const QString& name) const {
    const QDir bundle(m_path);
    return LazyIconEngine::icon({requireFile(bundle, name + QStringLiteral(".png")),
                                 requireFile(bundle, name + QStringLiteral("@2x.png"))});
}

QWidget* ResourceBundle::loadInterface(const QString& fileName, const QStringList& requiredNames,
                                       QWidget* parent) const {
    const QString path = requireFile(QDir(m_path), fileName);
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        stop(path + QStringLiteral(": ") + file.errorString());
    }
    const brisquel::vexo::Expected<InterfaceLoader*> loader = InterfaceLoader::shared();
    if (!loader) {
        stop(path + QStringLiteral(": the reader of interface files cannot be loaded (") +
             loader.result().message() + QLatin1Char(')'));
    }
    QString error;
    QWidget* view = (*loader)->load(file, QDir(m_path), parent, error);
    if (!view) {
        stop(path + QStringLiteral(": not an interface file that can be loaded (") +
             (error.isEmpty() ? QStringLiteral("no widget in it") : error) + QLatin1Char(')'));
    }
    for (const QString& name : requiredNames) {
        if (view->objectName() != name && !view->findChild<QObject*>(name)) {
            stop(path + QStringLiteral(": the interface has no object named \"") + name + QLatin1Char('"'));
        }
    }
    for (QLabel* label : view->findChildren<QLabel*>()) {
        const QVariant named = label->property("textStyle");
        if (!named.isValid()) {
            continue;
        }
        const std::optional<TextStyle> style = textStyleNamed(named.toString());
        if (!style) {
            stop(path + QStringLiteral(": the label \"") + label->objectName() +
                 QStringLiteral("\" names the unknown text style \"") + named.toString() + QLatin1Char('"'));
        }
        applyTextStyle(label, *style);
    }
    return view;
}

void ResourceBundle::stopForObject(const QString& file, const QString& name, const char* className,
                                   const QObject* found) {
    if (!found) {
        stop(file + QStringLiteral(": the interface has no object named \"") + name + QLatin1Char('"'));
    }
    stop(file + QStringLiteral(": the object \"") + name + QStringLiteral("\" is a ") +
         QString::fromLatin1(found->metaObject()->className()) + QStringLiteral(", not a ") +
         QString::fromLatin1(className));
}

} // namespace quillmere
