#pragma once

#include "VexoExtensions/Export.h"

#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVariantMap>

#include <optional>

// The running application seen as a bundle: its information dictionary, and the folders in which
// it and its libraries keep their resources.
//
// On Linux the information dictionary is an Info.plist compiled into the program as the Qt
// resource ":/Info.plist" (a program without one has an empty dictionary). The application's
// resource folder is the folder named by QUILLMERE_DATA_DIR when set, else "share/quillmere" beside
// the program's "bin" folder, which is where an installed program keeps its data. In a macOS
// application bundle they are the bundle's own Contents/Info.plist and Contents/Resources
// (VexoExtensions/platform/BundleFiles.h).
namespace brisquel::vexo {

class BRISQUEL_EXPORT MainBundle {
public:
    // The information dictionary; empty when the program has none or it is not a dictionary.
    static QVariantMap infoDictionary();
    // One entry of it; an invalid QVariant when absent.
    static QVariant object(const QString& key);
    // One entry that must be text; empty when absent or of another kind.
    static QString text(const QString& key);
    // The application's identity, each from its entry of the dictionary and nowhere else; empty
    // when absent or not text.
    // CFBundleIdentifier: also the name of the application's own preferences domain.
    static QString bundleIdentifier();
    // CFBundleName: the name the application shows.
    static QString name();
    // CFBundleShortVersionString: the version people read ("1.0.0").
    static QString shortVersion();
    // CFBundleVersion: the build number.
    static QString version();

    // The application's resource folder: $QUILLMERE_DATA_DIR when set (the program stops, saying
    // why, when that path is not valid UTF-8: see EnvironmentPath.h), else share/quillmere beside
    // the executable's folder; empty when it cannot be given (no application object).
    static QString resourceFolder();
    // The application's own folder: the folder of its executable; empty without an application
    // object.
    static QString bundleFolder();

    // Replaces the information dictionary for the rest of the process (tests, tools that stand in
    // for the application); none goes back to the compiled one.
    static void setInfoDictionary(std::optional<QVariantMap> dictionary);
};

// Library resource bundles: a library keeps its resources in a folder named
// "VexoWidgets_<library>.bundle". It is looked for, in order, in the application's resource
// folder, in the folder of the binary that holds the library's code, and in the application's own
// folder; the first of these that holds a folder of that name is the bundle.

// The folder named bundleName in the first candidate that has one; empty candidates are skipped.
BRISQUEL_EXPORT std::optional<QString> findResourceBundle(const QString& bundleName,
                                                          const QStringList& candidateFolders);
// The folder of the binary (program or library) whose code holds codeAddress (any function or
// object of it); empty when it cannot be told.
BRISQUEL_EXPORT QString codeFolder(const void* codeAddress);
// The three candidates, in order, for the library whose code holds codeAddress (any function or
// object of it). A candidate that cannot be given stays in the list, empty.
BRISQUEL_EXPORT QStringList resourceBundleCandidates(const void* codeAddress);
// The bundle "VexoWidgets_<libraryName>.bundle" of that library. When none of the candidates holds
// it, the program stops with "unable to find bundle named VexoWidgets_<libraryName>": the library
// cannot work without its resources, and only a broken installation gets here.
BRISQUEL_EXPORT QString requireResourceBundle(const QString& libraryName, const void* codeAddress);

} // namespace brisquel::vexo
