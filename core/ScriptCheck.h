#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/InputLimits.h"

#include <QString>

namespace brisquel {

// Whether Capture One could run the file assigned to a background script, and if not, why: the
// one check behind `brisquel set`, `check`, `scripts`, the import of a profile and the window.
//
// A file passes when it exists, is readable and is
// - a compiled script: a regular file that begins with a compiled AppleScript's header, whatever
//   its name;
// - a script text: a .scpt or .applescript file holding text in UTF-8 (with or without a byte-order
//   mark), UTF-16 with a byte-order mark, or Mac Roman, with no control characters other than tab,
//   line and page breaks; on a Mac a script text must also compile (osacompile, into a scratch
//   file that is removed);
// - a script bundle: a .scptd folder whose Contents/Resources/Scripts/main.scpt passes.
// Everything else fails with its reason: a path with nothing there (or a link leading nowhere), a
// folder or special file (never opened in a way that could wait), an unreadable, empty or binary
// file, text in no encoding Capture One reads, a file of another kind.
//
// The check reads at most the file's start for a compiled script, and a script text whole up to
// kLongestScriptText; it never writes anything beside the file. On a Mac a script text costs a run
// of osacompile (a fraction of a second): a window checks away from its GUI thread.
class BRISQUEL_EXPORT ScriptCheck {
public:
    enum class Status {
        Passes,
        Missing,       // nothing is at the path, or a link there leads nowhere
        NotReadable,   // something is there but cannot be opened or read
        NotAFile,      // a folder (other than a script bundle), a FIFO, a device or a socket
        Empty,         // a file with nothing in it
        NotAScript,    // a file of another kind, binary data, or text in no encoding Capture One reads
        DoesNotCompile // a script text that AppleScript refuses (on a Mac)
    };

    // A script text larger than this is not one a person wrote; it is refused unread.
    static constexpr qint64 kLongestScriptText = 16 * vexo::limits::kMebibyte;

    // Checks the file at an absolute path, now. `shown` is the path as the reason should name it
    // (made printable by a terminal caller); the path itself when empty.
    static ScriptCheck of(const QString& path, const QString& shown = {});

    Status status() const { return m_status; }
    bool passes() const { return m_status == Status::Passes; }
    // The reason, naming the file: "/Users/me/done.scpt is empty". Empty when the file passes.
    const QString& reason() const { return m_reason; }
    // The status in one or two words, for a row's mark and a table's STATUS column: "ok",
    // "missing", "unreadable", "not a file", "empty", "not a script", "does not compile".
    QString word() const;
    // The status as a stable identifier, for JSON: "ok", "missing", "unreadable", "notAFile",
    // "empty", "notAScript", "doesNotCompile".
    QString identifier() const;

private:
    ScriptCheck(Status status, QString reason) : m_status(status), m_reason(std::move(reason)) {}

    Status m_status = Status::Passes;
    QString m_reason;
};

} // namespace brisquel
