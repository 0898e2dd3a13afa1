#include "app/AssignmentState.h"

namespace quillmere {

using brisquel::ScriptCheck;

AssignmentState AssignmentState::of(const Reading& reading) {
    AssignmentState state;
    if (!reading) {
        state.m_readFailure = reading.result();
        state.m_file = File::Unknown;
        return state;
    }
    state.m_url = *reading;
    state.m_file = state.m_url ? File::Checked : File::None;
    return state;
}

AssignmentState AssignmentState::checked() const {
    return m_file == File::Checked ? withCheck(ScriptCheck::of(path())) : *this;
}

AssignmentState AssignmentState::withCheck(const std::optional<ScriptCheck>& check) const {
    AssignmentState state = *this;
    if (m_file == File::Checked) {
        state.m_check = check;
    }
    return state;
}

QString AssignmentState::path() const {
    return m_url ? m_url->toLocalFile() : QString();
}

bool AssignmentState::fileIsThere() const {
    if (m_file != File::Checked) {
        return false;
    }
    return !m_check || (m_check->status() != ScriptCheck::Status::Missing &&
                        m_check->status() != ScriptCheck::Status::NotReadable);
}

QString AssignmentState::mark() const {
    return m_check && !m_check->passes() ? m_check->word() : QString();
}

QString AssignmentState::reason() const {
    if (!m_check || m_check->passes()) {
        return {};
    }
    return tr("Capture One cannot run this file: %1.").arg(m_check->reason());
}

bool AssignmentState::operator==(const AssignmentState& other) const {
    const auto checkOf = [](const AssignmentState& state) {
        return state.m_check ? std::optional(std::pair(state.m_check->status(), state.m_check->reason()))
                             : std::nullopt;
    };
    return m_url == other.m_url && m_file == other.m_file && checkOf(*this) == checkOf(other) &&
           m_readFailure.message() == other.m_readFailure.message();
}

} // namespace quillmere
