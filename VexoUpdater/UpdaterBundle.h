#pragma once

#include "VexoWidgets/ResourceBundle.h"

#include <QIcon>

namespace quillmere {

// The library's resource bundle, "VexoWidgets_VexoUpdater.bundle": the updates pane's interface
// file (UpdatesViewController.ui) and its toolbar artwork ("arrow.down.circle", PNG renderings of
// our own SVG at 1× and 2×). Looked up once per process, at the first call; the program stops
// with "unable to find bundle named VexoWidgets_VexoUpdater" when it is missing (see
// ResourceBundle).
const ResourceBundle& updaterBundle();

// The image named "arrow.down.circle" in the bundle, decoded only when drawn.
QIcon updaterIcon();

} // namespace quillmere
