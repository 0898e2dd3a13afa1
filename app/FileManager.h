#pragma once

#include "VexoExtensions/Result.h"

#include <QString>

namespace quillmere {

// Shows a file in the desktop's file manager: selected in its folder where the platform can do
// that, else its folder opened. Fails with a message naming the file when the file is gone or no
// file manager could be started (a desktop without one, or without the program that opens one),
// so that the user can be told instead of waiting for a window that never comes.
brisquel::vexo::Result revealInFileManager(const QString& path);

} // namespace quillmere
