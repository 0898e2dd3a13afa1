#pragma once

#include <QByteArray>
#include <QString>

// Where the running application keeps its information dictionary and its resources (see
// VexoExtensions/MainBundle.h). InstalledBundleFiles.cpp answers for a program installed under a
// prefix (or run where it was built), its dictionary compiled in; on macOS, AppleBundleFiles.cpp
// answers for an application bundle, <name>.app/Contents/{Info.plist,MacOS,Resources}, and for a
// program outside one (a test, a tool built on its own) as the installed form does.
namespace brisquel::vexo::bundlefiles {

struct InfoPlist {
    QByteArray bytes; // empty when the program has none
    QString source;   // where the bytes come from, for messages
};

// The information dictionary's property-list bytes.
InfoPlist infoPlist();
// The application's resource folder; empty when it cannot be given.
QString resourceFolder();

// The installed form: the Qt resource ":/Info.plist", and share/quillmere beside the program's bin
// folder (empty without an application object).
namespace installed {
InfoPlist infoPlist();
QString resourceFolder();
} // namespace installed

} // namespace brisquel::vexo::bundlefiles
