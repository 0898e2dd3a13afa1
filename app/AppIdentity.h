#pragma once

#include <QString>

namespace quillmere {

// The application's own identity: its bundle identifier names its preferences domain, where
// the window frames are kept.
inline QString applicationBundleIdentifier() {
    return QStringLiteral("com.tamberline.Quillmere");
}

inline QString applicationName() {
    return QStringLiteral("Quillmere");
}

// Where the main window keeps its frame in the application's own domain.
inline QString mainWindowFrameName() {
    return QStringLiteral("Main Window");
}

} // namespace quillmere
