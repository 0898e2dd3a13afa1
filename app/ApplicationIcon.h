#pragma once

#include <QIcon>
#include <QString>

namespace quillmere {

// Quillmere's icon: a quill over a script sheet on a deep blue tile, one image per size from 16
// to 256 pixels, compiled into the program. The desktop's icon theme
// wins when it holds an icon under the application's identifier, so that a theme which restyles
// applications restyles this one too; an installed Quillmere puts the same artwork there.
QIcon applicationIcon();

// The name under which the icon is installed into the icon theme, and which the desktop entry
// gives: the application's identifier.
QString applicationIconName();

} // namespace quillmere
