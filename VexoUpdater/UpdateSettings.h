#pragma once

#include "VexoExtensions/Setting.h"

#include <QDateTime>
#include <QString>

#include <memory>
#include <optional>

// The settings of updates, declared once, each with its key, its type and what an absent key reads
// as. They are kept in the application's own preferences domain (the one named by its bundle
// identifier); nothing registers or writes a default for any of them.
//
//   includeBetaReleases            boolean, absent: false. Chooses the beta feed over the release
//                                  feed. Read as the platform reads a boolean, so that 1 or "YES"
//                                  written by another tool reads as true.
//   automaticallyChecksForUpdates  boolean, absent: false. Nothing is checked on its own until the
//                                  user switches it on.
//   lastUpdateCheckDate            date (UTC) of the last check that completed, absent: none.
//   skippedUpdateVersion           the version the user chose to skip, absent: empty. Automatic
//                                  checks stay silent about it and anything older.
//   updateFeedBase                 text, absent: empty. A studio's own update-feed base, used in
//                                  place of the build's unless the environment names one (see
//                                  FeedAddress.h).
namespace quillmere::UpdateSettings {

// The application's own preferences domain; null when the platform keeps none.
std::shared_ptr<brisquel::vexo::UserDefaults> applicationDefaults();

inline const brisquel::vexo::Setting<bool> includeBetaReleases{QStringLiteral("includeBetaReleases"), false,
                                                               &applicationDefaults};
inline const brisquel::vexo::Setting<bool> automaticallyChecksForUpdates{
    QStringLiteral("automaticallyChecksForUpdates"), false, &applicationDefaults};
inline const brisquel::vexo::Setting<std::optional<QDateTime>> lastUpdateCheckDate{
    QStringLiteral("lastUpdateCheckDate"), std::nullopt, &applicationDefaults};
inline const brisquel::vexo::Setting<QString> skippedUpdateVersion{QStringLiteral("skippedUpdateVersion"),
                                                                   QString(), &applicationDefaults};
inline const brisquel::vexo::Setting<QString> updateFeedBase{QStringLiteral("updateFeedBase"), QString(),
                                                             &applicationDefaults};

// The boolean setting with this key; null when none has it. A control that names the setting it
// shows is bound to it by this name.
const brisquel::vexo::Setting<bool>* booleanSetting(const QString& key);

} // namespace quillmere::UpdateSettings
