#include "core/platform/posix/PlistFileDefaults.h"

#include "VexoExtensions/BinaryPropertyListShape.h"
#include "VexoExtensions/EnvironmentPath.h"
#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "core/platform/posix/FileChangeObservation.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRandomGenerator>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <dirent.h>
#include <fcntl.h>
#include <limits>
#include <memory>
#include <optional>
#include <plist/plist.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisquel {

using vexo::Result;
using vexo::Status;
namespace plist = vexo::plist;

namespace {

// A file's times are taken from a coarse clock; only times this far in the past can no longer be
// repeated by a later change, so only then may an unchanged identity stand for unchanged contents.
constexpr time_t kSettledSeconds = 2;
// Writes that lose the race with another program this often in a row give up.
constexpr int kWriteAttempts = 5;
// How long a write waits for another writer of ours to finish.
constexpr int kLockWaitMSecs = 10000;
// Leaves room for ".plist.lock.rmlock" and ".plist.tmp.XXXXXX" within a 255-byte file name.
constexpr qsizetype kLongestDomainBytes = 200;

const QLatin1String kFileSuffix(".plist");
const QLatin1String kLockSuffix(".lock");
// A new file gets the name ".<file name>.tmp.XXXXXX" for the moment of its rename: no domain's file
// can have that name (a domain name never begins with "."), and a file that already has it is
// never touched (another name is taken).
const QLatin1String kTemporaryInfix(".tmp.");
constexpr int kTemporaryRandomLength = 6;
constexpr int kTemporaryNameAttempts = 100;

QString errorText(int error) {
    return QString::fromLocal8Bit(std::strerror(error));
}

// What identifies one state of a file on disk.
struct FileIdentity {
    bool exists = false;
    int error = 0; // why the file could not be looked at, other than its absence
    dev_t device = 0;
    ino_t inode = 0;
    off_t size = 0;
    timespec modified{};
    timespec changed{};
    mode_t mode = 0;
    uid_t owner = 0;
    gid_t group = 0;

    static FileIdentity of(const struct stat& info) {
        FileIdentity identity;
        identity.exists = true;
        identity.device = info.st_dev;
        identity.inode = info.st_ino;
        identity.size = info.st_size;
        identity.modified = info.st_mtim;
        identity.changed = info.st_ctim;
        identity.mode = info.st_mode;
        identity.owner = info.st_uid;
        identity.group = info.st_gid;
        return identity;
    }

    static FileIdentity ofPath(const QByteArray& path) {
        struct stat info {};
        if (::stat(path.constData(), &info) == 0)
            return of(info);
        FileIdentity identity;
        if (errno != ENOENT)
            identity.error = errno;
        return identity;
    }

    bool sameAs(const FileIdentity& other) const {
        return exists == other.exists && error == other.error && device == other.device &&
               inode == other.inode && size == other.size && modified.tv_sec == other.modified.tv_sec &&
               modified.tv_nsec == other.modified.tv_nsec && changed.tv_sec == other.changed.tv_sec &&
               changed.tv_nsec == other.changed.tv_nsec;
    }

    // Whether a later change of the file is bound to show in its times.
    bool settledBefore(const timespec& moment) const {
        if (!exists)
            return error == 0;
        return modified.tv_sec + kSettledSeconds < moment.tv_sec &&
               changed.tv_sec + kSettledSeconds < moment.tv_sec;
    }
};

// The domain file as read at one moment.
struct LoadedFile {
    FileIdentity identity;
    bool settled = false;
    // A binary file read to be looked up in, kept as its bytes: its values are read where they lie
    // (plist::readBinaryDictionaryValues), without a tree of the whole file.
    QByteArray binary;
    plist::Node root; // the tree of a file read to be changed, or of one in XML form; else null
    Result failure;   // why the domain cannot be read; a success when it can
};

// What a domain file is read for: to look values up in it, or to change it (which needs its tree).
enum class Reading { LookUp, Change };

bool readAll(int fd, off_t sizeHint, QByteArray& contents, int& error) {
    contents = QByteArray(static_cast<qsizetype>(sizeHint) + 1, Qt::Uninitialized);
    qsizetype used = 0;
    for (;;) {
        if (used == contents.size())
            contents.resize(contents.size() * 2);
        const ssize_t count = ::read(fd, contents.data() + used, static_cast<size_t>(contents.size() - used));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (count == 0)
            break;
        used += count;
    }
    contents.truncate(used);
    return true;
}

// Why path cannot be used when it is a symbolic link to nothing; none for anything else.
std::optional<QString> danglingLink(const QByteArray& path) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode))
        return std::nullopt;
    if (::stat(path.constData(), &info) == 0)
        return std::nullopt;
    const int error = errno;
    QByteArray target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.constData(), target.data(), static_cast<size_t>(target.size()));
    target.resize(length > 0 ? length : 0);
    return QFile::decodeName(path) + QStringLiteral(" is a link to ") + QFile::decodeName(target) +
           (error == ENOENT ? QStringLiteral(", which does not exist")
                            : QStringLiteral(", which cannot be reached: ") + errorText(error));
}

LoadedFile loadDomainFile(const QString& path, Reading reading) {
    const QByteArray nativePath = QFile::encodeName(path);
    LoadedFile loaded;
    // A file replaced while it was being read is read again.
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        timespec now{};
        clock_gettime(CLOCK_REALTIME, &now);
        // Without blocking: a FIFO in place of the file must not hold the reader (and the lock).
        const int fd = ::open(nativePath.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            const int error = errno;
            loaded.identity = FileIdentity();
            if (error == ENOENT) {
                // A link that leads nowhere is no empty domain: a write through it would be refused.
                if (std::optional<QString> dangling = danglingLink(nativePath)) {
                    loaded.failure = Result::failure(Status::NotFound, *dangling);
                    return loaded;
                }
                loaded.settled = true;
                return loaded;
            }
            loaded.identity.error = error;
            loaded.failure = Result::failure(Status::NotReadable,
                                             path + QStringLiteral(" cannot be opened: ") + errorText(error));
            return loaded;
        }
        struct stat before {};
        if (::fstat(fd, &before) != 0) {
            const int error = errno;
            ::close(fd);
            loaded.failure = Result::failure(Status::NotReadable,
                                             path + QStringLiteral(" cannot be read: ") + errorText(error));
            return loaded;
        }
        loaded.identity = FileIdentity::of(before);
        if (!S_ISREG(before.st_mode)) {
            ::close(fd);
            loaded.failure =
                Result::failure(Status::NotRegularFile, path + QStringLiteral(" is not a regular file"));
            return loaded;
        }
        if (before.st_size > vexo::limits::kPreferencesDomainBytes) {
            ::close(fd);
            loaded.failure = Result::failure(
                Status::TooLarge, path + QStringLiteral(" is too large (") + QString::number(before.st_size) +
                                      QStringLiteral(" bytes; at most ") +
                                      QString::number(vexo::limits::kPreferencesDomainBytes) +
                                      QStringLiteral(" are read)"));
            return loaded;
        }
        QByteArray contents;
        struct stat after {};
        int error = 0;
        if (!readAll(fd, before.st_size, contents, error) || ::fstat(fd, &after) != 0) {
            if (error == 0)
                error = errno;
            ::close(fd);
            loaded.failure = Result::failure(Status::NotReadable,
                                             path + QStringLiteral(" cannot be read: ") + errorText(error));
            return loaded;
        }
        ::close(fd);
        if (!loaded.identity.sameAs(FileIdentity::of(after)) || contents.size() != before.st_size)
            continue;
        loaded.settled = loaded.identity.settledBefore(now);
        if (static_cast<quint64>(contents.size()) > std::numeric_limits<uint32_t>::max()) {
            loaded.failure = Result::failure(Status::TooLarge,
                                             path + QStringLiteral(" is too large to be a property list"));
            return loaded;
        }
        if (reading == Reading::LookUp && contents.startsWith("bplist00")) {
            loaded.binary = std::move(contents);
            return loaded;
        }
        vexo::Expected<plist::Node> root = plist::readNode(contents, path);
        if (!root)
            loaded.failure = root.result();
        else
            loaded.root = std::move(root).value();
        if (loaded.root && !PLIST_IS_DICT(static_cast<plist_t>(loaded.root.get()))) {
            loaded.root.reset();
            loaded.failure =
                Result::failure(Status::Malformed, path + QStringLiteral(" does not hold a dictionary"));
        }
        return loaded;
    }
    loaded.root.reset();
    loaded.failure =
        Result::failure(Status::NotReadable, path + QStringLiteral(" kept changing while it was being read"));
    return loaded;
}

bool writeAll(int fd, const char* bytes, size_t size, int& error) {
    const char* next = bytes;
    size_t left = size;
    while (left > 0) {
        const ssize_t count = ::write(fd, next, static_cast<size_t>(left));
        if (count < 0) {
            if (errno == EINTR)
                continue;
            error = errno;
            return false;
        }
        if (count == 0) {
            error = ENOSPC;
            return false;
        }
        next += count;
        left -= static_cast<size_t>(count);
    }
    return true;
}

// The folder part of a path and its last component.
std::pair<QByteArray, QByteArray> splitPath(const QByteArray& path) {
    const qsizetype slash = path.lastIndexOf('/');
    return {slash < 0    ? QByteArray(".")
            : slash == 0 ? QByteArray("/")
                         : path.left(slash),
            path.mid(slash + 1)};
}

QByteArray temporaryPrefix(const QByteArray& target) {
    const auto [folder, name] = splitPath(target);
    return folder + '/' + '.' + name + kTemporaryInfix.latin1();
}

// The new contents of a file, written beside it, flushed to disk, then put in its place by one
// rename.
//
// Where the file system allows, the new file is made without a name (O_TMPFILE): a writer that
// dies before the rename leaves nothing behind, and nothing is ever cleaned up after one. It gets
// a name only for the moment of the rename, one that no file has (a file that has it is never
// touched). Where it cannot be made or named so, it is made under a name of its own from the
// start (mkostemp). The only name ever removed is that one, and only while it still names the
// file made here: this program deletes no file it did not make.
class Replacement {
public:
    Replacement(QByteArray target, const FileIdentity& original, const char* bytes, size_t size)
        : m_target(std::move(target)), m_original(original), m_bytes(bytes), m_size(size) {}
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    ~Replacement() { discard(); }

    // Writes the new file; false with the reason, and nothing left behind, when it cannot.
    bool write(QString& failure) {
        if (createUnnamed())
            return fill(failure);
        return createNamed(failure) && fill(failure);
    }

    // Puts the new file in the target's place.
    bool replaceTarget(QString& failure) {
        if (m_name.isEmpty() && !nameUnnamed()) {
            // Its file system lets an unnamed file be made but not named: write it again, named.
            discard();
            if (!createNamed(failure) || !fill(failure))
                return false;
        }
        if (::rename(m_name.constData(), m_target.constData()) != 0) {
            failure = QStringLiteral("cannot replace ") + QFile::decodeName(m_target) + QStringLiteral(": ") +
                      errorText(errno);
            return false;
        }
        m_name.clear(); // it names the target now
        return true;
    }

private:
    bool createUnnamed() {
        m_fd = ::open(splitPath(m_target).first.constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
        return m_fd >= 0;
    }

    bool createNamed(QString& failure) {
        QByteArray path = temporaryPrefix(m_target) + QByteArray(kTemporaryRandomLength, 'X');
        m_fd = ::mkostemp(path.data(), O_CLOEXEC);
        if (m_fd < 0) {
            failure = QStringLiteral("cannot create a temporary file beside ") + QFile::decodeName(m_target) +
                      QStringLiteral(": ") + errorText(errno);
            return false;
        }
        m_name = path;
        return true;
    }

    // Links the unnamed file under a name no file has.
    bool nameUnnamed() {
        const QByteArray source = "/proc/self/fd/" + QByteArray::number(m_fd);
        const QByteArray prefix = temporaryPrefix(m_target);
        static constexpr char kLetters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
        for (int attempt = 0; attempt < kTemporaryNameAttempts; ++attempt) {
            QByteArray name = prefix;
            for (int i = 0; i < kTemporaryRandomLength; ++i)
                name += kLetters[QRandomGenerator::system()->bounded(int(sizeof kLetters) - 1)];
            if (::linkat(AT_FDCWD, source.constData(), AT_FDCWD, name.constData(), AT_SYMLINK_FOLLOW) == 0) {
                m_name = name;
                return true;
            }
            if (errno != EEXIST)
                return false;
        }
        return false;
    }

    bool fill(QString& failure) {
        int error = 0;
        // Preferences are private unless the file already said otherwise.
        bool written = ::fchmod(m_fd, m_original.exists ? (m_original.mode & 07777) : 0600) == 0;
        if (!written)
            error = errno;
        if (written && m_original.exists && ::geteuid() == 0 &&
            (m_original.owner != ::geteuid() || m_original.group != ::getegid()) &&
            ::fchown(m_fd, m_original.owner, m_original.group) != 0) {
            written = false;
            error = errno;
        }
        written = written && writeAll(m_fd, m_bytes, m_size, error);
        struct stat info {};
        if (written && (::fstat(m_fd, &info) != 0 || static_cast<size_t>(info.st_size) != m_size)) {
            written = false;
            error = errno != 0 ? errno : EIO;
        }
        if (written && ::fsync(m_fd) != 0) {
            written = false;
            error = errno;
        }
        if (!written) {
            failure = QStringLiteral("cannot write a new file beside ") + QFile::decodeName(m_target) +
                      QStringLiteral(": ") + errorText(error);
            discard();
        }
        return written;
    }

    // Closes the new file, and removes its name while that still names it.
    void discard() {
        if (m_fd < 0)
            return;
        struct stat mine {};
        struct stat named {};
        if (!m_name.isEmpty() && ::fstat(m_fd, &mine) == 0 && ::lstat(m_name.constData(), &named) == 0 &&
            mine.st_dev == named.st_dev && mine.st_ino == named.st_ino)
            ::unlink(m_name.constData());
        ::close(m_fd);
        m_fd = -1;
        m_name.clear();
    }

    QByteArray m_target;
    FileIdentity m_original;
    const char* m_bytes;
    size_t m_size;
    int m_fd = -1;
    QByteArray m_name; // empty while the file has none
};

void syncFolderOf(const QByteArray& target) {
    const qsizetype slash = target.lastIndexOf('/');
    const QByteArray folder = slash <= 0 ? QByteArray("/") : target.left(slash);
    const int fd = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0)
        return;
    ::fsync(fd);
    ::close(fd);
}

// The file a write replaces: the domain file, or the file its symbolic link leads to.
bool resolveTarget(const QByteArray& path, QByteArray& target, QString& failure) {
    struct stat info {};
    if (::lstat(path.constData(), &info) != 0 || !S_ISLNK(info.st_mode)) {
        target = path;
        return true;
    }
    // The same answer a read gives for it.
    if (std::optional<QString> dangling = danglingLink(path)) {
        failure = *dangling;
        return false;
    }
    char* resolved = ::realpath(path.constData(), nullptr);
    if (!resolved) {
        failure = QFile::decodeName(path) + QStringLiteral(" is a link that cannot be followed: ") +
                  errorText(errno);
        return false;
    }
    target = QByteArray(resolved);
    std::free(resolved);
    return true;
}

// An exclusive lock on a lock file beside the domain file's own name (also when that name is a link
// to a file elsewhere), taken with flock(): the kernel releases it when its holder ends in any
// way, so a writer that was killed never blocks the next one, and the lock file that stays behind
// is harmless (one per domain, reused by every later write, never written to or removed).
class DomainLock {
public:
    DomainLock() = default;
    DomainLock(const DomainLock&) = delete;
    DomainLock& operator=(const DomainLock&) = delete;
    ~DomainLock() {
        if (m_fd >= 0)
            ::close(m_fd);
    }

    // Waits for a writer of ours that holds it (writes last milliseconds) up to the time limit.
    Result acquire(const QString& path) {
        const QByteArray native = QFile::encodeName(path);
        // Never through a link, never blocking on a FIFO put in its place; never written to, so a
        // file that happens to have its name keeps its contents.
        m_fd = ::open(native.constData(), O_RDONLY | O_CREAT | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY,
                      0600);
        if (m_fd < 0)
            return Result::failure(Status::NotStored, QStringLiteral("the lock ") + path +
                                                          QStringLiteral(" cannot be opened: ") +
                                                          errorText(errno));
        struct stat info {};
        if (::fstat(m_fd, &info) != 0 || !S_ISREG(info.st_mode))
            return Result::failure(Status::NotStored, QStringLiteral("the lock ") + path +
                                                          QStringLiteral(" is not a regular file"));
        QDeadlineTimer deadline(kLockWaitMSecs);
        int pause = 1;
        while (::flock(m_fd, LOCK_EX | LOCK_NB) != 0) {
            if (errno != EWOULDBLOCK && errno != EINTR)
                return Result::failure(Status::NotStored, QStringLiteral("the lock ") + path +
                                                              QStringLiteral(" cannot be taken: ") +
                                                              errorText(errno));
            if (deadline.hasExpired())
                return Result::failure(Status::NotStored,
                                       QStringLiteral("the lock ") + path +
                                           QStringLiteral(" is held by another writer that has "
                                                          "not finished in ") +
                                           QString::number(kLockWaitMSecs / 1000) +
                                           QStringLiteral(" seconds"));
            QThread::msleep(static_cast<unsigned long>(pause));
            pause = qMin(pause * 2, 20);
        }
        return {};
    }

private:
    int m_fd = -1;
};

} // namespace

struct PlistFileDefaults::Snapshot {
    LoadedFile file;
};

PlistFileDefaults::PlistFileDefaults(const vexo::Expected<QString>& folder, QString domain,
                                     std::shared_ptr<Log> log)
    : m_folder(folder.valueOr(QString())), m_domain(std::move(domain)), m_log(std::move(log)) {
    if (!folder)
        m_refusal = folder.result();
    else if (!isAcceptableDomainName(m_domain))
        m_refusal = Result::failure(Status::Refused,
                                    QStringLiteral("the domain name is not a plain reverse-DNS name"));
    if (m_refusal)
        m_path = m_folder + QLatin1Char('/') + m_domain + kFileSuffix;
}

PlistFileDefaults::~PlistFileDefaults() = default;

bool PlistFileDefaults::isAcceptableDomainName(const QString& domain) {
    if (domain.isEmpty() || domain.startsWith(QLatin1Char('.')) || !domain.isValidUtf16() ||
        domain.toUtf8().size() > kLongestDomainBytes)
        return false;
    for (const QChar c : domain) {
        if (c == QLatin1Char('/') || c == QLatin1Char('\\'))
            return false;
        switch (c.category()) {
        case QChar::Other_Control:
        case QChar::Separator_Line:
        case QChar::Separator_Paragraph:
            return false;
        default:
            break;
        }
    }
    return true;
}

void PlistFileDefaults::report(const Result& failure, Access access) const {
    if (!m_log)
        return;
    if (access == Access::Read) {
        std::lock_guard guard(m_snapshotMutex);
        // A domain that cannot be read is said once for each cause, not at every read.
        if (failure.message() == m_lastReadFailure)
            return;
        m_lastReadFailure = failure.message();
    }
    m_log->system(failure.message());
}

std::unique_ptr<vexo::ChangeObservation> PlistFileDefaults::observeChanges(std::function<void()> onChange) {
    if (!m_refusal)
        return nullptr;
    return std::make_unique<FileChangeObservation>(m_path, std::move(onChange));
}

vexo::Expected<QVariant> PlistFileDefaults::read(const QString& key) const {
    vexo::Expected<QVariantList> values = readValues({key});
    if (!values)
        return values.result();
    return values->constFirst();
}

vexo::Expected<QVariantList> PlistFileDefaults::readValues(const QStringList& keys) const {
    if (!m_refusal)
        return m_refusal.prefixed(QStringLiteral("Preferences domain \"") + m_domain +
                                  QStringLiteral("\" cannot be read: "));
    // One reading of the file serves every key.
    std::lock_guard guard(m_snapshotMutex);
    const FileIdentity current = FileIdentity::ofPath(QFile::encodeName(m_path));
    if (!m_snapshot || !m_snapshot->file.settled || !m_snapshot->file.identity.sameAs(current))
        m_snapshot = std::make_unique<Snapshot>(Snapshot{loadDomainFile(m_path, Reading::LookUp)});
    if (!m_snapshot->file.failure)
        return m_snapshot->file.failure.prefixed(QStringLiteral("Preferences domain \"") + m_domain +
                                                 QStringLiteral("\" cannot be read: "));
    const auto cannotBeRead = [&](const Result& failure) {
        return failure.prefixed(QStringLiteral("Preferences domain \"") + m_domain +
                                QStringLiteral("\" cannot be read: "));
    };
    if (!m_snapshot->file.binary.isEmpty()) {
        vexo::Expected<QVariantList> values =
            plist::readBinaryDictionaryValues(m_snapshot->file.binary, keys, m_path);
        if (!values)
            return cannotBeRead(values.result());
        return values;
    }
    // An XML file: its tree, walked once for all the keys (libplist looks each key up by a walk).
    auto* const root = static_cast<plist_t>(m_snapshot->file.root.get());
    QVariantList values(keys.size());
    if (!root)
        return values;
    plist::KeyPositions wanted(keys);
    plist_dict_iter iter = nullptr;
    plist_dict_new_iter(root, &iter);
    const std::unique_ptr<void, decltype(&std::free)> ownedIter(iter, &std::free);
    while (iter && !wanted.isEmpty()) {
        char* name = nullptr;
        plist_t item = nullptr;
        plist_dict_next_item(root, iter, &name, &item);
        const std::unique_ptr<char, decltype(&std::free)> ownedName(name, &std::free);
        if (!item)
            break;
        Result converted;
        wanted.take(QByteArray::fromRawData(name, qsizetype(std::strlen(name))), [&](qsizetype i) {
            vexo::Expected<QVariant> value = plist::convert(item);
            if (!value) // again, naming the value in the reason, which is made only when there is one
                value = plist::convert(item, QStringLiteral("The value of \"") + keys[i] +
                                                 QStringLiteral("\" in ") + m_path);
            if (!value)
                converted = cannotBeRead(value.result());
            else
                values[i] = std::move(value).value();
        });
        if (!converted)
            return converted;
    }
    return values;
}

Result PlistFileDefaults::write(const QString& key, const QVariant& value) {
    return store(key, &value);
}

Result PlistFileDefaults::remove(const QString& key) {
    return store(key, nullptr);
}

Result PlistFileDefaults::store(const QString& key, const QVariant* value) {
    const auto failWith = [&](Status status, const QString& why) {
        return Result::failure(
            status, QStringLiteral("Preferences domain \"") + m_domain + QStringLiteral("\": key \"") + key +
                        (value ? QStringLiteral("\" not stored: ") : QStringLiteral("\" not removed: ")) +
                        why);
    };
    const auto fail = [&](const QString& why) { return failWith(Status::NotStored, why); };
    if (!m_refusal)
        return failWith(m_refusal.status(), m_refusal.message());
    if (key.contains(QChar(u'\0')) || !key.isValidUtf16())
        return failWith(Status::Refused, QStringLiteral("the key is not a valid property-list key"));
    plist::Node newItem;
    if (value) {
        newItem = plist::fromVariant(*value);
        if (!newItem)
            return failWith(Status::Refused, QStringLiteral("the value has no property-list form"));
    }
    // A domain without a folder has no file, so it has no key to remove either.
    if (struct stat folder{}; !value && ::stat(QFile::encodeName(m_folder).constData(), &folder) != 0) {
        if (errno == ENOENT)
            return {};
        return fail(QStringLiteral("the folder ") + m_folder + QStringLiteral(" cannot be reached: ") +
                    errorText(errno));
    }
    if (!QDir().mkpath(m_folder))
        return fail(QStringLiteral("the folder ") + m_folder + QStringLiteral(" cannot be created"));

    const QByteArray nativePath = QFile::encodeName(m_path);
    QByteArray target;
    QString failure;
    if (!resolveTarget(nativePath, target, failure))
        return fail(failure);
    DomainLock lock;
    if (Result locked = lock.acquire(m_path + kLockSuffix); !locked)
        return fail(locked.message());

    const QByteArray utf8Key = key.toUtf8();
    for (int attempt = 0; attempt < kWriteAttempts; ++attempt) {
        LoadedFile current = loadDomainFile(QFile::decodeName(target), Reading::Change);
        if (!current.failure)
            return failWith(current.failure.status(),
                            current.failure.message() + QStringLiteral("; the file is left as it is"));
        if (!current.root) {
            if (!value)
                return {}; // nothing to remove from an empty domain
            current.root.reset(plist_new_dict());
        }
        auto* const root = static_cast<plist_t>(current.root.get());
        if (value) {
            plist_dict_set_item(root, utf8Key.constData(), plist_copy(static_cast<plist_t>(newItem.get())));
        } else {
            if (!plist_dict_get_item(root, utf8Key.constData()))
                return {};
            plist_dict_remove_item(root, utf8Key.constData());
        }
        // libplist's own buffer is written out as it is, without a copy.
        char* bytes = nullptr;
        uint32_t length = 0;
        plist_to_bin(root, &bytes, &length);
        const std::unique_ptr<char, decltype(&plist_to_bin_free)> written(bytes, &plist_to_bin_free);
        if (!bytes || length == 0)
            return fail(QStringLiteral("the domain cannot be written as a property list"));
        Replacement replacement(target, current.identity, bytes, length);
        if (!replacement.write(failure))
            return fail(failure + QStringLiteral("; the domain file is left as it was"));
        if (m_beforeReplace)
            m_beforeReplace();
        // Another program may have written the file without our lock since we read it.
        if (!FileIdentity::ofPath(target).sameAs(current.identity))
            continue;
        if (!replacement.replaceTarget(failure))
            return fail(failure);
        syncFolderOf(target);
        return {};
    }
    return fail(QFile::decodeName(target) +
                QStringLiteral(" kept being changed by another program while it was "
                               "being written"));
}

PlistFilePreferences::PlistFilePreferences(vexo::Expected<QString> folder, std::shared_ptr<Log> log)
    : m_folder(std::move(folder)), m_log(std::move(log)) {}

std::shared_ptr<vexo::UserDefaults> PlistFilePreferences::open(const QString& domain) {
    return std::make_shared<PlistFileDefaults>(m_folder, domain, m_log);
}

vexo::Expected<QString> PlistFilePreferences::defaultFolder() {
    vexo::Expected<QString> configured = vexo::environmentPath("QUILLMERE_PREFERENCES_DIR");
    if (!configured || !configured->isEmpty())
        return configured;
    vexo::Expected<QString> configHome = vexo::environmentPath("XDG_CONFIG_HOME");
    if (!configHome)
        return configHome;
    if (QDir::isAbsolutePath(*configHome))
        return *configHome + QStringLiteral("/Quillmere/Preferences");
    vexo::Expected<QString> home = vexo::environmentPath("HOME");
    if (!home)
        return home;
    return (home->isEmpty() ? QDir::homePath() : *home) + QStringLiteral("/.config/Quillmere/Preferences");
}

} // namespace brisquel
