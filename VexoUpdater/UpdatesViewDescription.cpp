#include "VexoUpdater/UpdatesViewDescription.h"

#include "VexoUpdater/BetaReleasesSetting.h"
#include "VexoUpdater/UpdateSettings.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

constexpr qint64 kMaximumSize = qint64{64} * 1024;

Result wrong(const QString& path, const QString& cause) {
    return Result::failure(Status::Malformed, QStringLiteral("%1: %2").arg(path, cause));
}

} // namespace

Expected<UpdatesViewDescription> UpdatesViewDescription::read(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Result::failure(Status::NotReadable, QStringLiteral("%1: %2").arg(path, file.errorString()));
    if (file.size() > kMaximumSize)
        return Result::failure(Status::TooLarge,
                               QStringLiteral("%1: larger than an interface description can be").arg(path));
    return parse(file.readAll(), path);
}

Expected<UpdatesViewDescription> UpdatesViewDescription::parse(const QByteArray& json, const QString& path) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(json, &error);
    if (error.error != QJsonParseError::NoError)
        return wrong(path, QStringLiteral("not valid JSON (%1 at byte %2)")
                               .arg(error.errorString(), QString::number(error.offset)));
    if (!document.isObject())
        return wrong(path, QStringLiteral("not a JSON object"));
    const QJsonObject root = document.object();

    UpdatesViewDescription description;
    description.minimumWidth = qBound(0, root.value(QStringLiteral("minimumWidth")).toInt(), 2000);
    const QJsonValue rows = root.value(QStringLiteral("rows"));
    if (!rows.isArray())
        return wrong(path, QStringLiteral("\"rows\" is not a list"));
    bool betaSwitch = false;
    int number = 0;
    for (const auto& value : rows.toArray()) {
        ++number;
        const QJsonObject object = value.toObject();
        Row row;
        const QString kind = object.value(QStringLiteral("kind")).toString();
        row.title = object.value(QStringLiteral("title")).toString();
        if (row.title.isEmpty())
            return wrong(path, QStringLiteral("row %1 has no title").arg(number));
        if (kind == QLatin1String("switch")) {
            row.kind = Row::Kind::Switch;
            row.setting = object.value(QStringLiteral("setting")).toString();
            row.detail = object.value(QStringLiteral("detail")).toString();
            if (row.setting != kIncludeBetaReleasesKey && row.setting != kAutomaticallyChecksForUpdatesKey)
                return wrong(path,
                             QStringLiteral("row %1 names the setting \"%2\", which the pane does not keep")
                                 .arg(QString::number(number), row.setting));
            betaSwitch = betaSwitch || row.setting == kIncludeBetaReleasesKey;
        } else if (kind == QLatin1String("checkNow")) {
            row.kind = Row::Kind::CheckNow;
            row.lastChecked = object.value(QStringLiteral("lastChecked")).toString();
            row.neverChecked = object.value(QStringLiteral("neverChecked")).toString();
            if (!row.lastChecked.contains(QStringLiteral("%1")))
                return wrong(path, QStringLiteral("row ") + QString::number(number) +
                                       QStringLiteral(": \"lastChecked\" has no %1 for the date"));
        } else {
            return wrong(
                path,
                QStringLiteral("row %1 is of the unknown kind \"%2\"").arg(QString::number(number), kind));
        }
        description.rows.append(row);
    }
    if (!betaSwitch)
        return wrong(path, QStringLiteral("it has no switch for the setting \"includeBetaReleases\""));
    return description;
}

} // namespace quillmere
