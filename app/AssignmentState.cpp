#include "app/AssignmentState.h"

#include <QFileInfo>

namespace quillmere {

namespace {

AssignmentState::File lookAt(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return AssignmentState::File::Missing;
    }
    return info.isReadable() ? AssignmentState::File::Present : AssignmentState::File::NotReadable;
}

} // namespace

AssignmentState AssignmentState::of(const Reading& reading) {
    AssignmentState state;
    if (!reading) {
        state.m_readFailure = reading.result();
        state.m_file = File::Unknown;
        return state;
    }
    state.m_url = *reading;
    return state.lookedAtAgain();
}

AssignmentState AssignmentState::lookedAtAgain() const {
    AssignmentState state = *this;
    if (m_file != File::Unknown) {
        state.m_file = m_url ? lookAt(path()) : File::None;
    }
    return state;
}

QString AssignmentState::path() const {
    return m_url ? m_url->toLocalFile() : QString();
}

QString AssignmentState::mark() const {
    switch (m_file) {
    case File::Missing:
        return tr("missing");
    case File::NotReadable:
        return tr("not readable");
    default:
        return {};
    }
}

QString AssignmentState::reason() const {
    switch (m_file) {
    case File::Missing:
        return tr("This file is missing, so Capture One finds no script to run:");
    case File::NotReadable:
        return tr("This file cannot be read, so Capture One cannot run it:");
    default:
        return {};
    }
}

} // namespace quillmere
