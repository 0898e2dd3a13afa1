#pragma once

#include <QIcon>
#include <QString>

namespace quillmere {

// The library's resource bundle, "VexoWidgets_VexoUpdater.bundle": a folder that holds what the
// updates pane cannot work without, its interface description ("UpdatesView.json") and its
// toolbar artwork ("arrow.down.circle", PNG renderings of our own SVG at 1× and 2×).
//
// It is looked up once per process, on first use, in the application's resource folder, then
// the folder of the binary that holds this library's code, then the application's own folder
// (see brisquel::vexo::requireResourceBundle). The library's own location is that of a private
// marker object of its code, which stands where a class of the library would be asked for.
// When none of them has it, the program stops with "unable to find bundle named
// VexoWidgets_VexoUpdater": only a broken installation gets there.
QString updaterResourceBundle();

// The icon named "arrow.down.circle" in the bundle. The program stops, naming the file, when the
// bundle lacks it.
QIcon updaterIcon();

} // namespace quillmere
