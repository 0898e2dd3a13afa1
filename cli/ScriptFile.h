#pragma once

#include "cli/Argument.h"

#include "VexoExtensions/Result.h"

#include <QString>

namespace brisquel::cli {

// The file that `set` is asked to assign, checked before anything is stored, so that a mistake
// is caught here rather than when Capture One finds nothing it can run.
//
// What makes a script file, and every reason a file is not one, is the library's ScriptCheck.
// With `force` a file it refuses is assigned anyway and the reason becomes a warning.
//
// Never overridden: a path that has no exact text form. The preferences domain stores the path as
// text, so a file name (or a folder name on the way, including the current folder's for a relative
// path) that is not valid UTF-8 is refused; nothing is ever assigned in its place.
class ScriptFile final {
public:
    // The path to store: absolute, without "." or repeated "/" (and without ".." when removing
    // them still names the same file), or a failure whose message is ready to show.
    static vexo::Expected<ScriptFile> check(const Argument& file, bool force);

    const QString& path() const { return m_path; }
    // Why the file would have been refused without force; empty when it is a script file.
    const QString& warning() const { return m_warning; }

private:
    ScriptFile(QString path, QString warning) : m_path(std::move(path)), m_warning(std::move(warning)) {}

    QString m_path;
    QString m_warning;
};

} // namespace brisquel::cli
