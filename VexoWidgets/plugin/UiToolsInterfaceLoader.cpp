#include "VexoWidgets/plugin/UiToolsInterfaceLoader.h"

#include <QUiLoader>

namespace quillmere {

QWidget* UiToolsInterfaceLoader::load(QIODevice& file, const QDir& workingDirectory, QWidget* parent,
                                      QString& error) {
    QUiLoader loader;
    loader.clearPluginPaths();
    loader.setWorkingDirectory(workingDirectory);
    QWidget* view = loader.load(&file, parent);
    error = loader.errorString();
    if (view && !error.isEmpty()) {
        delete view;
        view = nullptr;
    }
    return view;
}

} // namespace quillmere
