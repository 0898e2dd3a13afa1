#pragma once

#include "VexoExtensions/Result.h"
#include "core/ScriptCheck.h"

#include <QCoreApplication>
#include <QString>
#include <QUrl>

#include <optional>

namespace quillmere {

// What a script row shows of its script's assignment, and nothing else: the file Capture One's
// preferences domain names for the script (or why the domain could not say), the library's check
// of that file (whether Capture One could run it, and if not, why), and the short mark and the
// sentence that tell the user so.
//
// A reading of the domain makes a state whose file is not checked yet; checked() checks it, which
// reads the file and may take a while (a large script text; osacompile on a Mac), so the window
// checks away from its GUI thread. A file looked at again (deleted, restored, its permissions
// changed) makes a new state with the same assignment.
class AssignmentState {
    Q_DECLARE_TR_FUNCTIONS(AssignmentState)

public:
    enum class File {
        None,    // nothing is assigned
        Checked, // a file is assigned; check() says whether Capture One could run it, once known
        Unknown, // the domain cannot be read, so the assignment is not known
    };

    // What one reading of the domain said of a script's assigned file.
    using Reading = brisquel::vexo::Expected<std::optional<QUrl>>;

    // Nothing assigned.
    AssignmentState() = default;
    // The assignment a reading gives, its file not yet checked.
    static AssignmentState of(const Reading& reading);
    // The same assignment, its file checked now.
    AssignmentState checked() const;
    // The same assignment with a check made elsewhere of the same file.
    AssignmentState withCheck(const std::optional<brisquel::ScriptCheck>& check) const;

    const std::optional<QUrl>& url() const { return m_url; }
    // The assigned file's path; empty when none is assigned or known.
    QString path() const;
    File file() const { return m_file; }
    // The check of the assigned file; none while nothing is assigned or before it is checked.
    const std::optional<brisquel::ScriptCheck>& check() const { return m_check; }
    // Whether a file is assigned and has not been checked yet.
    bool awaitsCheck() const { return m_file == File::Checked && !m_check; }
    // Whether something is at the assigned path (a file a file manager can show), as far as known.
    bool fileIsThere() const;
    // Success, or why the domain could not be read.
    const brisquel::vexo::Result& readFailure() const { return m_readFailure; }

    // The word shown beside the file's name when Capture One could not run it ("missing", "empty",
    // "not a script"); empty when it could, or before the file is checked.
    QString mark() const;
    // Why, in a sentence that names the file; empty when nothing is wrong.
    QString reason() const;

    bool operator==(const AssignmentState& other) const;

private:
    std::optional<QUrl> m_url;
    File m_file = File::None;
    std::optional<brisquel::ScriptCheck> m_check;
    brisquel::vexo::Result m_readFailure;
};

} // namespace quillmere
