#pragma once

#include <QString>

namespace quillmere {

// Shows a file in the desktop's file manager: selected in its folder where the platform can do
// that, else its folder opened. Returns false when nothing could be opened.
bool revealInFileManager(const QString& path);

} // namespace quillmere
