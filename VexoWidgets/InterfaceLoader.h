#pragma once

#include "VexoExtensions/Result.h"

#include <QDir>
#include <QIODevice>
#include <QObject>
#include <QString>
#include <QWidget>

namespace quillmere {

// The reader of Qt Designer interface files, for ResourceBundle::loadInterface. It is a plug-in
// (VexoInterfaceLoader, see brisquel::vexo::loadApplicationPlugin) loaded when the first interface
// is, so that a start that shows none (the main window, the preferences window before its pane is
// built) maps nothing of Qt UI Tools nor of the OpenGL libraries that it brings.
class InterfaceLoader {
public:
    virtual ~InterfaceLoader() = default;

    // A new widget, a child of parent, from the interface file read from `file`, its relative
    // paths taken from `workingDirectory`; null with the reader's reason in `error` when the file
    // holds no widget or cannot be read. No plug-in of the interface designer is ever loaded.
    virtual QWidget* load(QIODevice& file, const QDir& workingDirectory, QWidget* parent, QString& error) = 0;

    // The reader, loaded at the first call; later calls give the same one. A failure (an
    // installation without the plug-in, or one the loader refuses) names the file and says why.
    static brisquel::vexo::Expected<InterfaceLoader*> shared();
};

} // namespace quillmere

#define QUILLMERE_INTERFACE_LOADER_IID "com.tamberline.Quillmere.InterfaceLoader/1"
Q_DECLARE_INTERFACE(quillmere::InterfaceLoader, QUILLMERE_INTERFACE_LOADER_IID)
