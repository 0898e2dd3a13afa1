#pragma once

#include <QString>
#include <QVariantMap>

namespace quillmere {

// The running application as the feedback form describes it: four texts from an information
// dictionary (the Info.plist compiled into the application, or any dictionary handed in).
//
// A key that is missing, or whose value is not text, gives empty text; an application without an
// information dictionary therefore gives four empty texts, and versionString() is then " ()" with
// a space in front: one space, " (" and ")".
struct AppInfo {
    QString name;         // CFBundleName
    QString version;      // CFBundleVersion (the build number)
    QString shortVersion; // CFBundleShortVersionString
    QString bundleID;     // CFBundleIdentifier

    AppInfo() = default;
    explicit AppInfo(const QVariantMap& infoDictionary);

    // The description of this application, from the main bundle's information dictionary.
    static AppInfo mainBundle();

    // "<name> <shortVersion> (<version>)", as in "Photo Tool 2.1 (57)".
    QString versionString() const;
    // Two line feeds, seven hyphens, a line feed, then versionString(): the footer every message
    // carries below the user's text.
    QString versionFooter() const;

    bool operator==(const AppInfo&) const = default;
};

} // namespace quillmere
