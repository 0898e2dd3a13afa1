#include "VexoUpdater/UpdateSettings.h"

#include "core/platform/Platform.h"

namespace quillmere {

using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

QVariant stored(const QString& key) {
    const auto defaults = brisquel::Platform::current().standardUserDefaults();
    return defaults ? defaults->value(key) : QVariant();
}

Result store(const QString& key, const QVariant& value) {
    const auto defaults = brisquel::Platform::current().standardUserDefaults();
    if (!defaults)
        return Result::failure(Status::Unavailable,
                               QStringLiteral("The application's settings cannot be reached."));
    return defaults->write(key, value);
}

} // namespace

bool automaticallyChecksForUpdates() {
    const QVariant value = stored(kAutomaticallyChecksForUpdatesKey);
    return value.typeId() == QMetaType::Bool && value.toBool();
}

Result setAutomaticallyChecksForUpdates(bool enabled) {
    return store(kAutomaticallyChecksForUpdatesKey, enabled);
}

std::optional<QDateTime> lastUpdateCheckDate() {
    const QVariant value = stored(kLastUpdateCheckDateKey);
    if (value.typeId() != QMetaType::QDateTime || !value.toDateTime().isValid())
        return std::nullopt;
    return value.toDateTime();
}

Result setLastUpdateCheckDate(const QDateTime& date) {
    return store(kLastUpdateCheckDateKey, date.toUTC());
}

QString skippedUpdateVersion() {
    const QVariant value = stored(kSkippedUpdateVersionKey);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

Result setSkippedUpdateVersion(const QString& version) {
    return store(kSkippedUpdateVersionKey, version);
}

} // namespace quillmere
