#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace brisquel::vexo {

// A live observation of a preferences domain (see UserDefaults::observeChanges). Destroying it ends
// the observation; no call arrives afterwards.
class BRISQUEL_EXPORT ChangeObservation {
public:
    virtual ~ChangeObservation() = default;
};

// A handle on one preferences domain: the application's own, or another application's (Capture
// One's preferences). Each platform keeps domains its own way; callers see only keys and values.
//
// Values are QVariants of these kinds, mirroring property-list types: QString, qint64 / quint64,
// double, bool, QDateTime (UTC), QByteArray, QVariantList, QVariantMap. Opening a handle costs no
// I/O; every read sees the domain as it is stored at that moment (no cache), and every write is
// stored at once. A write that could not be stored never changes another key of the domain.
//
// The operations come in one family, each in two forms:
//   read(key)         value(key)         the value under a key
//   write(key, v)     setValue(key, v)   stores a value
//   remove(key)       removeValue(key)   removes a key
//   readValues(keys)                     several values from one reading
//   readUrl(key)      url(key)           the value taken as a file URL
//   readUrls(keys)                       several values taken as file URLs, from one reading
//   writeUrl(key, u)  setUrl(key, u)     stores a file URL's path, or removes the key
// The first form returns why it failed (the domain, the file and the cause); the second gives
// the plain answer (nothing, or false) and writes the reason to the platform's log.
class BRISQUEL_EXPORT UserDefaults {
public:
    virtual ~UserDefaults() = default;

    virtual QString domain() const = 0;

    // The value under key: an invalid QVariant (and success) when there is none; a failure when
    // the domain cannot be read (it exists but is not readable, not a property list, too large...).
    virtual Expected<QVariant> read(const QString& key) const = 0;
    // The values under several keys from one reading of the domain, in the order of the keys (an
    // invalid QVariant for a key with none): a listing of many keys reads the domain once.
    virtual Expected<QVariantList> readValues(const QStringList& keys) const;
    // Stores value under key, keeping every other key and its type exactly.
    virtual Result write(const QString& key, const QVariant& value) = 0;
    // Removes key; removing a key that is not there succeeds.
    virtual Result remove(const QString& key) = 0;

    // Calls onChange, on the thread that asked (which must run an event loop), whenever the domain
    // may have changed, by this program or any other; a burst of changes is told once. Each
    // platform watches its own way; null where the domain cannot be watched.
    virtual std::unique_ptr<ChangeObservation> observeChanges(std::function<void()> onChange);

    // The plain forms of read, write and remove; a failure is reported (see report()).
    QVariant value(const QString& key) const;
    bool setValue(const QString& key, const QVariant& value);
    bool removeValue(const QString& key);

    // Typed reads: none when the key is missing, holds a value of another kind, or the domain
    // cannot be read.
    std::optional<QString> string(const QString& key) const;
    std::optional<bool> boolean(const QString& key) const;
    std::optional<QByteArray> data(const QString& key) const;

    // The key's value taken as a file URL: a text is a file-system path ("~" is the home folder, a
    // relative path is taken from the current folder, an empty text names nothing); data holding
    // the platform's archived-URL form (a keyed archive of a URL) is decoded; anything else is none.
    Expected<std::optional<QUrl>> readUrl(const QString& key) const;
    // Several keys taken as file URLs, from one reading of the domain.
    Expected<QList<std::optional<QUrl>>> readUrls(const QStringList& keys) const;
    // A stored value taken as a file URL, as readUrl() takes it.
    static std::optional<QUrl> urlFromValue(const QVariant& value);
    std::optional<QUrl> url(const QString& key) const;
    // Stores the URL's percent-decoded file-system path as text, or removes the key for none. A
    // URL that is not a local file is refused (it names no path to store), and so is a path that
    // cannot be stored exactly as text: one holding a replacement character (U+FFFD, what bytes
    // that are not valid UTF-8 decode to) or broken UTF-16; storing it would name another file.
    Result writeUrl(const QString& key, const std::optional<QUrl>& url);
    bool setUrl(const QString& key, const std::optional<QUrl>& url);

protected:
    enum class Access { Read, Write };
    // Where the plain forms tell why they failed: the platform's log. Nothing by default.
    virtual void report(const Result& failure, Access access) const;

private:
    bool reported(const Result& result, Access access) const;
};

// Opens preferences domains by name.
class BRISQUEL_EXPORT PreferencesDomains {
public:
    virtual ~PreferencesDomains() = default;
    // Always gives a handle. A domain name that the platform refuses gives a handle whose reads
    // and writes fail with the reason.
    virtual std::shared_ptr<UserDefaults> open(const QString& domain) = 0;
};

} // namespace brisquel::vexo
