#include "platform/posix/PlistFileDefaults.h"

#include <QDir>

namespace brisquel {

PlistFileDefaults::PlistFileDefaults(QString folder, QString domain, std::shared_ptr<Log> log)
    : m_folder(std::move(folder)), m_domain(std::move(domain)), m_log(std::move(log)) {}

QVariant PlistFileDefaults::value(const QString& key) const {
    Q_UNUSED(key);
    return {};
}

bool PlistFileDefaults::setValue(const QString& key, const QVariant& value) {
    Q_UNUSED(key);
    Q_UNUSED(value);
    return false;
}

bool PlistFileDefaults::removeValue(const QString& key) {
    Q_UNUSED(key);
    return false;
}

QString PlistFileDefaults::storageLocation() const {
    return m_folder + QLatin1Char('/') + m_domain + QStringLiteral(".plist");
}

PlistFilePreferences::PlistFilePreferences(QString folder, std::shared_ptr<Log> log)
    : m_folder(std::move(folder)), m_log(std::move(log)) {}

std::shared_ptr<UserDefaults> PlistFilePreferences::open(const QString& domain) {
    return std::make_shared<PlistFileDefaults>(m_folder, domain, m_log);
}

QString PlistFilePreferences::defaultFolder() {
    const QString configured = qEnvironmentVariable("QUILLMERE_PREFERENCES_DIR");
    if (!configured.isEmpty())
        return configured;
    return QDir::homePath() + QStringLiteral("/.config/Quillmere/Preferences");
}

} // namespace brisquel
