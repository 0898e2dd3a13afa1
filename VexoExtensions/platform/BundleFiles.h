#pragma once

#include <QByteArray>
#include <QString>

// Where the running application keeps its information dictionary and its resources (see
// VexoExtensions/MainBundle.h). Each platform answers in a file of its own, chosen by the build:
// InstalledBundleFiles.cpp for a program installed under a prefix, its dictionary compiled in, and
// AppleBundleFiles.cpp for an application bundle, <name>.app/Contents/{Info.plist,MacOS,Resources}.
namespace brisquel::vexo::bundlefiles {

struct InfoPlist {
    QByteArray bytes; // empty when the program has none
    QString source;   // where the bytes come from, for messages
};

// The information dictionary's property-list bytes.
InfoPlist infoPlist();
// The application's resource folder; empty when it cannot be given.
QString resourceFolder();

} // namespace brisquel::vexo::bundlefiles
