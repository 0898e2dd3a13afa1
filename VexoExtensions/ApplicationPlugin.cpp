#include "VexoExtensions/ApplicationPlugin.h"

#include "VexoExtensions/MainBundle.h"

#include <QDir>
#include <QFileInfo>
#include <QPluginLoader>

namespace brisquel::vexo {

QStringList applicationPluginFolders(const void* codeAddress) {
    const QString folder = codeFolder(codeAddress);
    if (folder.isEmpty())
        return {};
    return {QDir::cleanPath(folder + QStringLiteral("/../lib/quillmere")),
            QDir::cleanPath(folder + QStringLiteral("/../PlugIns"))};
}

Expected<QObject*> loadApplicationPlugin(const QString& name, const void* codeAddress) {
    const QString fileName = QStringLiteral("lib") + name + QStringLiteral(".so");
    const QStringList folders = applicationPluginFolders(codeAddress);
    for (const QString& folder : folders) {
        const QString path = QDir(folder).filePath(fileName);
        if (!QFileInfo(path).isFile())
            continue;
        // The loader going neither unloads the library nor deletes its root object; both stay
        // until the process ends, and a later loader of the same file finds the same root.
        QPluginLoader loader(path);
        if (QObject* root = loader.instance())
            return root;
        return Result::failure(Status::Unavailable, path + QStringLiteral(": ") + loader.errorString());
    }
    return Result::failure(Status::NotFound, fileName + QStringLiteral(" is in none of the folders ") +
                                                 (folders.isEmpty() ? QStringLiteral("(none can be told)")
                                                                    : folders.join(QStringLiteral(", "))));
}

} // namespace brisquel::vexo
