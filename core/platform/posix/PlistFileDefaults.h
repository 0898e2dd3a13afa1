#pragma once

#include "platform/Log.h"
#include "platform/UserDefaults.h"

#include <memory>

namespace brisquel {

// One preferences domain stored as the property-list file <folder>/<domain>.plist.
class PlistFileDefaults final : public UserDefaults {
public:
    PlistFileDefaults(QString folder, QString domain, std::shared_ptr<Log> log);

    QString domain() const override { return m_domain; }
    QVariant value(const QString& key) const override;
    bool setValue(const QString& key, const QVariant& value) override;
    bool removeValue(const QString& key) override;
    QString storageLocation() const override;

private:
    QString m_folder;
    QString m_domain;
    std::shared_ptr<Log> m_log;
};

// Opens domains as files in one folder.
class PlistFilePreferences final : public PreferencesDomains {
public:
    PlistFilePreferences(QString folder, std::shared_ptr<Log> log);
    std::shared_ptr<UserDefaults> open(const QString& domain) override;
    QString folder() const { return m_folder; }
    static QString defaultFolder();

private:
    QString m_folder;
    std::shared_ptr<Log> m_log;
};

} // namespace brisquel
