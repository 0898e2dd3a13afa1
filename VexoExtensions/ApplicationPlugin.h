#pragma once

#include "VexoExtensions/Export.h"
#include "VexoExtensions/Result.h"

#include <QObject>
#include <QString>
#include <QStringList>

// The application's plug-ins: parts of the program that only some commands need (the network
// layer, the reader of interface files), each built as a library of its own and loaded when first
// needed rather than with the program. A start that does not need one pays nothing for it: its
// code, and the libraries it depends on (Qt Network with Kerberos and the proxy lookup, Qt UI
// Tools with OpenGL), are neither mapped nor relocated nor initialised.
//
// The plug-in named "<name>" is the Qt plug-in file "lib<name>.so". It is looked for beside the
// binary that holds the code asking for it: in "../lib/quillmere" from that binary's folder (a
// program installed under a prefix, or run where it was built: bin/ and lib/quillmere/ side by
// side), then in "../PlugIns" (an application bundle: Contents/MacOS/ and Contents/PlugIns/).
namespace brisquel::vexo {

// The folders a plug-in is looked for in, in order, for the binary whose code holds codeAddress
// (any function or object of it); empty when that binary cannot be told.
BRISQUEL_EXPORT QStringList applicationPluginFolders(const void* codeAddress);

// Loads the plug-in "lib<name>.so" from the first of those folders that holds it and returns its
// root object, which lives as long as the process (a plug-in is never unloaded: objects it made
// may outlive any one user). Loading the same plug-in again returns the same object. A failure
// names the file and says why: missing from every folder (NotFound), or refused by the loader,
// with the loader's reason (Unavailable).
BRISQUEL_EXPORT Expected<QObject*> loadApplicationPlugin(const QString& name, const void* codeAddress);

// loadApplicationPlugin()'s root object as the interface the plug-in implements; a failure
// (Malformed) saying what the file should have been when its root object is not one. `what` is
// the interface in words ("the network library").
template <typename Interface>
Expected<Interface*> loadApplicationPluginAs(const QString& name, const void* codeAddress,
                                             const QString& what) {
    const Expected<QObject*> root = loadApplicationPlugin(name, codeAddress);
    if (!root)
        return root.result();
    if (auto* implementation = qobject_cast<Interface*>(*root))
        return implementation;
    return Result::failure(Status::Malformed,
                           QStringLiteral("lib") + name + QStringLiteral(".so is not ") + what);
}

} // namespace brisquel::vexo
