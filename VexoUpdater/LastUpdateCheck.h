#pragma once

#include "VexoExtensions/Result.h"

#include <QDateTime>
#include <QObject>

#include <functional>
#include <optional>

namespace quillmere {

class Updater;

// What the last update check of this run came to: when it ended, and its outcome, a failure with
// its reason included. The application has it follow the updater it installs; the updates pane
// shows it. (A check of an earlier run is known only by the date it stored,
// UpdateSettings::lastUpdateCheckDate, which only a check that completed stores.)
class LastUpdateCheck final : public QObject {
    Q_OBJECT

public:
    struct Outcome {
        QDateTime time;
        brisquel::vexo::Result result;
    };

    // The application's one record.
    static LastUpdateCheck& shared();

    // Records every outcome `updater` tells from now on, at the time `clock` gives then.
    void follow(
        Updater* updater, std::function<QDateTime()> clock = [] { return QDateTime::currentDateTimeUtc(); });
    void record(const Outcome& outcome);
    // None before the first check of this run ended.
    const std::optional<Outcome>& outcome() const { return m_outcome; }
    // Forgets the outcome (tests).
    void clear();

signals:
    void changed();

private:
    std::optional<Outcome> m_outcome;
};

} // namespace quillmere
