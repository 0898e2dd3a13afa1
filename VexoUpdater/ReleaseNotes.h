#pragma once

#include "VexoUpdater/Appcast.h"

#include <QTextDocument>
#include <QUrl>

#include <memory>

namespace quillmere {

// Release notes from an update feed, made safe to show.
//
// The notes are written by whoever controls the feed, so the document built from them loads no
// resource of any kind (no remote or local image, no style sheet; every image is removed, its
// alternative text kept), runs nothing (HTML is only laid out; script and style elements are
// dropped with their content), and keeps a link only when it leads to an http or https address.
// Links are followed only when the user clicks one, through openWebAddress().
class ReleaseNotes final {
public:
    // A document for the notes in their format; plain text stays plain text.
    static std::unique_ptr<QTextDocument> document(const QString& notes, ReleaseNotesFormat format);

    // Opens the address in the user's browser when it is http or https; false (and nothing
    // opened) otherwise.
    static bool openWebAddress(const QUrl& url);
    static bool isWebAddress(const QUrl& url);
};

} // namespace quillmere
