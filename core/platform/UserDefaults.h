#pragma once

#include <QString>
#include <QUrl>
#include <QVariant>
#include <memory>
#include <optional>

namespace brisquel {

// A handle on one preferences domain (the application's own, or another application's).
//
// Values are QVariants of these kinds, mirroring property-list types: QString, qint64 / quint64,
// double, bool, QDateTime (UTC), QByteArray, QVariantList, QVariantMap. Opening a handle costs no
// file I/O; every read sees the domain as it is stored at that moment (no cache), and every write
// is stored at once. A write that could not be stored returns false and says why in the system
// log; it never changes another key of the domain.
class UserDefaults {
public:
    virtual ~UserDefaults() = default;

    virtual QString domain() const = 0;

    // The value under key; an invalid QVariant when there is none or the domain cannot be read.
    virtual QVariant value(const QString& key) const = 0;
    // Stores value under key, keeping every other key and its type exactly.
    virtual bool setValue(const QString& key, const QVariant& value) = 0;
    // Removes key; removing a key that is not there succeeds.
    virtual bool removeValue(const QString& key) = 0;

    // The file that holds the domain, for watching changes made by other programs; empty when
    // the domain has no file of its own.
    virtual QString storageLocation() const { return {}; }

    // Typed reads: none when the key is missing or holds a value of another kind.
    std::optional<QString> string(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;

    // The key's value taken as a file URL: a text is a file-system path; data holding the
    // platform's archived-URL form (a keyed archive of a URL) is decoded; anything else is none.
    std::optional<QUrl> url(const QString& key) const;
    // Stores the URL's percent-decoded file-system path as text, or removes the key for none.
    bool setURL(const QString& key, const std::optional<QUrl>& url);
};

// Opens preferences domains by name.
class PreferencesDomains {
public:
    virtual ~PreferencesDomains() = default;
    // Always gives a handle. A domain name that the platform refuses gives a handle whose reads
    // give nothing and whose writes fail with a log line.
    virtual std::shared_ptr<UserDefaults> open(const QString& domain) = 0;
};

} // namespace brisquel
