#pragma once

#include "VexoExtensions/Result.h"

#include <QDateTime>
#include <QString>

#include <optional>

namespace quillmere {

// The settings of the automatic update check, kept in the application's own settings domain
// beside "includeBetaReleases":
//   "automaticallyChecksForUpdates"  boolean; absent reads false: nothing is checked on its own
//                                    until the user switches it on
//   "lastUpdateCheckDate"            date (UTC) of the last check that completed
//   "skippedUpdateVersion"           the version the user chose to skip; automatic checks stay
//                                    silent about it and anything older
// Reads that fail give the absent value; writes return the reason they failed.

inline const QString kAutomaticallyChecksForUpdatesKey = QStringLiteral("automaticallyChecksForUpdates");
inline const QString kLastUpdateCheckDateKey = QStringLiteral("lastUpdateCheckDate");
inline const QString kSkippedUpdateVersionKey = QStringLiteral("skippedUpdateVersion");

bool automaticallyChecksForUpdates();
brisquel::vexo::Result setAutomaticallyChecksForUpdates(bool enabled);

std::optional<QDateTime> lastUpdateCheckDate();
brisquel::vexo::Result setLastUpdateCheckDate(const QDateTime& date);

// Empty when none was skipped.
QString skippedUpdateVersion();
brisquel::vexo::Result setSkippedUpdateVersion(const QString& version);

} // namespace quillmere
