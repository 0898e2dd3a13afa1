#pragma once

#include "VexoExtensions/UserDefaults.h"
#include "core/platform/Log.h"

#include <functional>
#include <memory>
#include <mutex>

namespace brisquel {

// One preferences domain kept as the property-list file <folder>/<domain>.plist.
//
// Reading looks at the file as it is at that moment; a file that is not a regular file (a FIFO, a
// device) or is larger than limits::kPreferencesDomainBytes is refused with the reason, at once. A
// binary file's values are read where they lie (plist::readBinaryDictionaryValues), an XML file's
// from its parsed tree. What was read is reused only while the file keeps the identity it had when
// read (device, inode, size, modification and change times) and those times were already settled
// then, so a change by any program is always seen.
//
// Writing happens under an flock() lock on <domain>.plist.lock, which the kernel releases when its
// holder ends, however it ends: the file is read again, the one key is changed in the tree libplist
// read (every other value is written back from that tree, untouched, so its type and exact value
// survive), and the binary result goes to a new file in the same folder, is flushed to disk and
// renamed over the domain file, keeping its permissions. The new file has no name until the
// moment of its rename where the file system allows it (else ".<domain>.plist.tmp.XXXXXX", a name
// no domain's file can have), so a writer that is killed leaves nothing behind; no file is ever
// removed for its name, and a file that has a name this writer would take is never touched. If
// the domain file changed since it was read (another program does not take our lock) the whole
// step is done again. A file that is not a property list holding a dictionary is never
// overwritten. When the domain file is a symbolic link, the file it leads to is the one replaced,
// and the lock stays beside the link's own name; a link that leads nowhere is refused, by a read
// as by a write, with the same reason.
class PlistFileDefaults final : public vexo::UserDefaults {
public:
    // No file is touched until the first read or write. A folder that cannot be used (a failure in
    // place of its path) makes every read and write fail with that reason.
    PlistFileDefaults(const vexo::Expected<QString>& folder, QString domain, std::shared_ptr<Log> log);
    ~PlistFileDefaults() override;

    QString domain() const override { return m_domain; }
    vexo::Expected<QVariant> read(const QString& key) const override;
    vexo::Expected<QVariantList> readValues(const QStringList& keys) const override;
    vexo::Result write(const QString& key, const QVariant& value) override;
    vexo::Result remove(const QString& key) override;
    // Watches the domain file and its folder (or, while the folder does not exist, the nearest
    // folder above it that does): a program that replaces the file by renaming a new one over it,
    // or creates it, is seen too.
    std::unique_ptr<vexo::ChangeObservation> observeChanges(std::function<void()> onChange) override;

    // The domain file; empty for a refused domain name or folder.
    const QString& path() const { return m_path; }

    // Whether a domain name can become a file name in the preferences folder: not empty, no
    // leading ".", no "/" or "\", no NUL or other control or line-breaking character, valid
    // UTF-16, and short enough to leave room for the lock and temporary files' suffixes.
    static bool isAcceptableDomainName(const QString& domain);

    // Runs once the new contents are complete and flushed in the new file, before the domain file
    // is compared with what was read and replaced. Lets tests change the file at that moment, or
    // end the process there.
    using BeforeReplaceHook = std::function<void()>;
    void setBeforeReplaceHook(BeforeReplaceHook hook) { m_beforeReplace = std::move(hook); }

private:
    struct Snapshot;

    // Sets key to value, or removes it when value is null.
    vexo::Result store(const QString& key, const QVariant* value);
    void report(const vexo::Result& failure, Access access) const override;

    QString m_folder;
    QString m_domain;
    // Why no file of this domain can be used (its name, or its folder); a success when one can.
    vexo::Result m_refusal;
    QString m_path;
    std::shared_ptr<Log> m_log;
    BeforeReplaceHook m_beforeReplace;

    mutable std::mutex m_snapshotMutex;
    mutable std::unique_ptr<Snapshot> m_snapshot;
    // The last read failure reported, so that a domain that cannot be read is said once per cause.
    mutable QString m_lastReadFailure;
};

// Opens preferences domains as files in one folder.
class PlistFilePreferences final : public vexo::PreferencesDomains {
public:
    // A folder that cannot be used (a failure in place of its path) gives handles whose every read
    // and write fails with that reason.
    PlistFilePreferences(vexo::Expected<QString> folder, std::shared_ptr<Log> log);

    std::shared_ptr<vexo::UserDefaults> open(const QString& domain) override;

    // $QUILLMERE_PREFERENCES_DIR, else $XDG_CONFIG_HOME/Quillmere/Preferences (when that names an
    // absolute folder), else $HOME/.config/Quillmere/Preferences. A failure when the variable that
    // decides it holds a path that is not valid UTF-8 (see VexoExtensions/EnvironmentPath.h): then no
    // folder is used rather than one with a look-alike name.
    static vexo::Expected<QString> defaultFolder();

private:
    vexo::Expected<QString> m_folder;
    std::shared_ptr<Log> m_log;
};

} // namespace brisquel
