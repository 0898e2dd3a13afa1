#pragma once

#include "Preferences/Pane.h"

#include <functional>

class QWidget;

namespace gallery {

// The gallery's three declarative panes: General, Appearance and Advanced.
quillmere::Preferences::Pane generalPane();
quillmere::Preferences::Pane appearancePane();
// pauseInput pauses the window's input for a few seconds (the Advanced pane's button).
quillmere::Preferences::Pane advancedPane(std::function<void()> pauseInput);

} // namespace gallery
