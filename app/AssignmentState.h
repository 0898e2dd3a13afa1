#pragma once

#include "VexoExtensions/Result.h"

#include <QCoreApplication>
#include <QString>
#include <QUrl>

#include <optional>

namespace quillmere {

// What a script row shows of its script's assignment, and nothing else: the file Capture One's
// preferences domain names for the script (or why the domain could not say), what that file is
// like now, and the short mark and the sentence that tell the user so.
//
// It is made from one reading of the domain and one look at the file, away from the GUI thread
// when it must be. The row renders it; a look at the file alone (the file was deleted, restored,
// its permissions changed) makes a new state with the same assignment.
class AssignmentState {
    Q_DECLARE_TR_FUNCTIONS(AssignmentState)

public:
    enum class File {
        None,        // nothing is assigned
        Present,     // the assigned file is there and readable
        Missing,     // nothing is at the assigned path
        NotReadable, // something is there but cannot be read
        Unknown,     // the domain cannot be read, so the assignment is not known
    };

    // What one reading of the domain said of a script's assigned file.
    using Reading = brisquel::vexo::Expected<std::optional<QUrl>>;

    // Nothing assigned.
    AssignmentState() = default;
    // The assignment a reading gives, with its file looked at now.
    static AssignmentState of(const Reading& reading);
    // The same assignment, its file looked at again now.
    AssignmentState lookedAtAgain() const;

    const std::optional<QUrl>& url() const { return m_url; }
    // The assigned file's path; empty when none is assigned or known.
    QString path() const;
    File file() const { return m_file; }
    // Success, or why the domain could not be read.
    const brisquel::vexo::Result& readFailure() const { return m_readFailure; }

    // The word shown beside the file's name when something is wrong with it ("missing"); empty
    // when nothing is.
    QString mark() const;
    // Why, in a sentence that ends before the file's path; empty when nothing is wrong.
    QString reason() const;

    bool operator==(const AssignmentState& other) const {
        return m_url == other.m_url && m_file == other.m_file &&
               m_readFailure.message() == other.m_readFailure.message();
    }

private:
    std::optional<QUrl> m_url;
    File m_file = File::None;
    brisquel::vexo::Result m_readFailure;
};

} // namespace quillmere
