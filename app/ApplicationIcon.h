#pragma once

#include <QIcon>

namespace quillmere {

// Quillmere's icon: a white quill over a line of ink on a deep blue tile. The desktop's icon theme
// wins when it holds an icon under the application's identifier (an installed Quillmere puts one
// there); otherwise the icon is drawn here, sharp at every size.
QIcon applicationIcon();

// The drawn icon alone, at one size in device-independent pixels.
QPixmap drawnApplicationIcon(int size, qreal devicePixelRatio = 1.0);

} // namespace quillmere
