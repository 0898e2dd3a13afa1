#pragma once

#include "VexoWidgets/InterfaceLoader.h"

#include <QObject>

namespace quillmere {

// The interface reader of the VexoInterfaceLoader plug-in: Qt UI Tools' QUiLoader, with the
// designer's plug-in paths cleared (a form made of Qt's own widgets needs none).
class UiToolsInterfaceLoader final : public QObject, public InterfaceLoader {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QUILLMERE_INTERFACE_LOADER_IID)
    Q_INTERFACES(quillmere::InterfaceLoader)

public:
    QWidget* load(QIODevice& file, const QDir& workingDirectory, QWidget* parent, QString& error) override;
};

} // namespace quillmere
