#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QList>
#include <QString>

namespace brisquel {

class BackgroundScript;

// The background-script assignments of one copy of Capture One, as a document that travels to
// another copy, another user or another Mac:
//
//   {
//     "format": "quillmere-assignments",
//     "formatVersion": 1,
//     "source": {"name": "Capture One 23", "bundleIdentifier": "com.captureone.captureone16",
//                "version": "16.0"},
//     "scripts": [
//       {"key": "endOfCaptureScript", "title": "Capture Done", "path": "~/Scripts/done.scpt"}
//     ]
//   }
//
// It lists the assigned scripts only, each by its preferences key (what an import matches on), its
// title (for people) and its file's path. A path inside the exporting user's home folder is written
// from "~/", and a "~/" path is read as one inside the importing user's home folder; any other
// path is absolute. It carries nothing else: no secrets, no other path.
//
// Reading takes outside input: a file larger than kLongestDocument, JSON that is malformed or
// nested deeper than the format, another format, a format version this program does not know, a
// field of the wrong type, a path that is neither absolute nor "~/", a key listed twice: each is
// refused with the reason. Fields this version does not know are passed over, so that a later
// version can add some without breaking this reader.
struct BRISQUEL_EXPORT AssignmentProfile {
    // The version this program writes, and the highest it reads.
    static constexpr int kFormatVersion = 1;
    // Profiles of a few hundred scripts take some tens of kilobytes.
    static constexpr qint64 kLongestDocument = 4 * vexo::limits::kMebibyte;
    // More scripts than any copy of Capture One offers by far.
    static constexpr qsizetype kMostScripts = 10'000;

    struct Source {
        QString name;
        QString bundleIdentifier;
        QString version;
    };
    struct Script {
        QString key;
        QString title;
        // The absolute path, "~" already expanded (when read) or not yet shortened (to write).
        QString path;
    };

    Source source;
    QList<Script> scripts;

    // The assignments of a copy's background scripts (which share its domain), from one reading of
    // the domain: the scripts that have a file, in the order given. A failure when the domain
    // cannot be read.
    static vexo::Expected<AssignmentProfile> ofScripts(Source source, const QList<BackgroundScript>& scripts);

    // The document, with paths under `home` written from "~/".
    QByteArray toJson(const QString& home) const;
    // Reads a document; "~/" paths are taken inside `home`. `origin` names the document in a
    // refusal ("/Users/me/studio.json", "standard input").
    static vexo::Expected<AssignmentProfile> fromJson(const QByteArray& document, const QString& origin,
                                                      const QString& home);
    // Reads the file at path (bounded, never waiting on a FIFO) and then its document.
    static vexo::Expected<AssignmentProfile> readFile(const QString& path, const QString& home);

    // A path as a profile writes it, and back.
    static QString portablePath(const QString& path, const QString& home);
    static QString expandedPath(const QString& written, const QString& home);
};

} // namespace brisquel
