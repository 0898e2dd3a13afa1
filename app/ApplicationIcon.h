#pragma once

#include <QIcon>
#include <QString>

namespace quillmere {

// Quillmere's icon: a quill over a script sheet on a deep blue tile, one image per size from 16
// to 256 pixels, compiled into the program. Each image is decoded only when its size is drawn
// (see LazyIconEngine), so that starting the program decodes none it does not show. The icon
// theme is not asked: the desktop finds the installed icon (the same artwork, or a theme's
// restyling of it) by the name the desktop entry gives, the application's identifier, and
// looking in the theme would cost the start of the program a search through its folders.

// Every size, for a picture of the application (the About box).
QIcon applicationIcon();

// The sizes a window manager draws for a window (its title bar, its task switcher): up to 64
// pixels. On X11 every size a window's icon has is decoded and handed to the window manager when
// the window is shown, so the larger ones stay out of it.
QIcon windowIcon();

} // namespace quillmere
