#include "core/platform/posix/FolderMetadataSearch.h"

#include "core/BundleIcon.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "VexoExtensions/TextOrdering.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QUrl>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <linux/magic.h>
#include <sys/stat.h>
#include <sys/vfs.h>
#include <unistd.h>

namespace brisquel {

namespace {

constexpr std::string_view kAppSuffix = ".app";

// Below this depth each level keeps its folder open and opens its children relative to it;
// deeper levels let go of the parent first, so a pathologically deep tree never exhausts the
// descriptor table.
constexpr int kMaxHeldDepth = 64;

// A child's path, made in one allocation: the walk makes one for every entry it opens.
std::string childPathOf(const std::string& folderPath, std::string_view child) {
    std::string path;
    path.reserve(folderPath.size() + 1 + child.size());
    path.append(folderPath).append(1, '/').append(child);
    return path;
}

QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

// The entries of one folder, read with getdents64() into a buffer that serves the whole walk. A
// directory stream (opendir) per folder would allocate a buffer of its own and look at the folder
// with more system calls each time, and the walk opens a folder for nearly every tenth entry.
class FolderReader {
public:
    // Calls onEntry(name, type) for every entry of the folder open at fd but "." and "..", in the
    // order the file system lists them; the type is a DT_ value, DT_UNKNOWN where the file system
    // does not say. False with errno set when the folder cannot be read to its end.
    template <typename OnEntry> bool readAll(int fd, OnEntry&& onEntry) {
        for (;;) {
            const ssize_t filled = ::getdents64(fd, m_buffer.data(), m_buffer.size());
            if (filled < 0) {
                if (errno == EINTR) {
                    continue;
                }
                return false;
            }
            if (filled == 0) {
                return true;
            }
            for (ssize_t at = 0; at < filled;) {
                const auto* entry = reinterpret_cast<const dirent64*>(m_buffer.data() + at);
                at += entry->d_reclen;
                const char* name = entry->d_name;
                if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                    continue;
                }
                onEntry(name, entry->d_type);
            }
        }
    }

private:
    // Large enough for a few hundred entries per call.
    std::vector<char> m_buffer = std::vector<char>(size_t{64} * 1024);
};

// Whether the file system keeps a folder's link count at two plus its number of subfolders, as
// the ones checked here do (others may give 1, or anything): then a folder whose count is two has no
// folder below it, and needs no reading, since only folders are looked for.
bool countsSubfolders(int fd) {
    struct statfs info {};
    if (fstatfs(fd, &info) != 0) {
        return false;
    }
    switch (static_cast<unsigned long>(info.f_type)) {
    case EXT4_SUPER_MAGIC: // also ext2 and ext3
    case XFS_SUPER_MAGIC:
    case TMPFS_MAGIC:
        return true;
    default:
        return false;
    }
}

struct Walk {
    std::string prefix; // display-name prefix, in the file system's encoding
    // The scope's device, when its file system counts subfolders (countsSubfolders()); folders on
    // other devices below it (mount points) are read whatever their count.
    std::optional<dev_t> countingDevice;
    QSet<QString> seen; // bundle paths already reported (overlapping scopes)
    QList<MetadataItem> items;
    QList<SkippedEntry> skipped;
    FolderReader reader;

    void skipFolder(const std::string& path, int error) {
        const QString text = pathText(path);
        skipped.append({text, vexo::Result::failure(vexo::Status::NotReadable,
                                                    text + QStringLiteral(" cannot be searched: ") +
                                                        QString::fromLocal8Bit(std::strerror(error)))});
    }

    bool nameMatches(std::string_view name) const {
        if (name.size() <= kAppSuffix.size() || !name.ends_with(kAppSuffix)) {
            return false;
        }
        const std::string_view display = name.substr(0, name.size() - kAppSuffix.size());
        return display.starts_with(prefix);
    }

    void consider(const std::string& folderPath, const char* name) {
        const QString path = pathText(folderPath + '/' + name);
        // A name that is not valid UTF-8 has no exact text form: it could only be shown, stored and
        // opened again as another name.
        const QByteArray full = QByteArray::fromStdString(folderPath + '/' + name);
        if (QFile::encodeName(path) != full) {
            skipped.append(
                {path, vexo::Result::failure(vexo::Status::Refused,
                                             path + QStringLiteral(" is passed over: its path holds bytes "
                                                                   "that are not valid UTF-8"))});
            return;
        }
        if (seen.contains(path)) {
            return;
        }
        seen.insert(path);
        vexo::Expected<MetadataItem> item = FolderMetadataSearch::itemForBundle(path);
        if (item) {
            items.append(std::move(item).value());
        } else {
            skipped.append({path, item.result()});
        }
    }

    // Whether the folder name in the folder open at fd surely holds no folder, so that reading it
    // would find nothing: a look at its link count (one system call) spares opening and reading it
    // (three or four), and the folders below bundles are mostly such. Only where the count can be
    // trusted, and only for a folder anyone may read, so that one that cannot be read is still
    // opened and reported.
    bool hasNoSubfolder(int fd, const char* name) const {
        if (!countingDevice) {
            return false;
        }
        struct stat st {};
        return fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode) &&
               st.st_dev == *countingDevice && st.st_nlink == 2 && (st.st_mode & 0555) == 0555;
    }

    // Walks the folder open at fd (taken over and closed here).
    void walk(int fd, const std::string& folderPath, int depth) {
        // The names of the folders below, one after another in one string.
        std::string children;
        std::vector<size_t> starts;
        const bool read = reader.readAll(fd, [&](const char* name, unsigned char type) {
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    return;
                }
                type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
            }
            if (type != DT_DIR) {
                return;
            }
            if (nameMatches(name)) {
                consider(folderPath, name);
            }
            starts.push_back(children.size());
            children.append(name).push_back('\0');
        });
        if (!read) {
            skipFolder(folderPath, errno);
            close(fd);
            return;
        }
        // Deep down, the folder is let go of first, and its children are opened by their paths.
        const bool holdParent = depth < kMaxHeldDepth;
        if (!holdParent) {
            close(fd);
        }
        for (const size_t start : starts) {
            const char* child = children.c_str() + start;
            if (holdParent && hasNoSubfolder(fd, child)) {
                continue;
            }
            const std::string childPath = childPathOf(folderPath, child);
            const int childFd =
                holdParent ? openat(fd, child, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC)
                           : open(childPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (childFd >= 0) {
                walk(childFd, childPath, depth + 1);
            } else if (errno != ENOENT) {
                skipFolder(childPath, errno);
            }
        }
        if (holdParent) {
            close(fd);
        }
    }
};

} // namespace

vexo::Expected<MetadataItem> FolderMetadataSearch::itemForBundle(const QString& bundlePath) {
    const QString infoPath = bundlePath + QStringLiteral("/Contents/Info.plist");
    const vexo::Expected<QVariant> info = vexo::plist::readFile(infoPath, vexo::limits::kInfoPlistBytes);
    if (!info) {
        return info.result().prefixed(bundlePath + QStringLiteral(" is passed over: "));
    }
    if (info->typeId() != QMetaType::QVariantMap) {
        return vexo::Result::failure(vexo::Status::Malformed,
                                     bundlePath + QStringLiteral(" is passed over: ") + infoPath +
                                         QStringLiteral(" does not hold a dictionary"));
    }
    MetadataItem item;
    const QString fsName = QFileInfo(bundlePath).fileName();
    item.attributes.insert(MetadataAttribute::kFsName, fsName);
    item.attributes.insert(MetadataAttribute::kDisplayName, fsName.chopped(int(kAppSuffix.size())));
    item.attributes.insert(MetadataAttribute::kPath, bundlePath);
    item.attributes.insert(MetadataAttribute::kUrl, QUrl::fromLocalFile(bundlePath).toString());

    const QVariantMap dictionary = info->toMap();
    const auto copy = [&](const QString& attribute, const QString& key) {
        const auto it = dictionary.constFind(key);
        if (it != dictionary.constEnd()) {
            item.attributes.insert(attribute, *it);
        }
    };
    copy(MetadataAttribute::kBundleIdentifier, QStringLiteral("CFBundleIdentifier"));
    copy(MetadataAttribute::kVersion, QStringLiteral("CFBundleShortVersionString"));
    const QString icon = bundleIconFile(bundlePath, dictionary.value(QStringLiteral("CFBundleIconFile")));
    if (!icon.isEmpty()) {
        item.attributes.insert(MetadataAttribute::kIconPath, icon);
    }
    return item;
}

MetadataSearchResult FolderMetadataSearch::search(const MetadataQuery& query) {
    Walk walk;
    walk.prefix = QFile::encodeName(query.displayNamePrefix).toStdString();

    QSet<QPair<dev_t, ino_t>> walkedScopes;
    for (const QString& scope : query.searchScopes) {
        if (scope.isEmpty()) {
            continue;
        }
        // The scope itself may be reached through a link (as /Applications often is); only what
        // lies below it is walked without following links.
        const QString absolute = QDir::cleanPath(QFileInfo(scope).absoluteFilePath());
        const std::string root = QFile::encodeName(absolute).toStdString();
        const int fd = open(root.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0) {
            const int error = errno;
            walk.skipped.append(
                {absolute, vexo::Result::failure(
                               error == ENOENT ? vexo::Status::NotFound : vexo::Status::NotReadable,
                               error == ENOENT    ? absolute + QStringLiteral(" does not exist")
                               : error == ENOTDIR ? absolute + QStringLiteral(" is not a folder")
                                                  : absolute + QStringLiteral(" cannot be searched: ") +
                                                        QString::fromLocal8Bit(std::strerror(error)))});
            continue;
        }
        struct stat st {};
        if (fstat(fd, &st) != 0 || walkedScopes.contains({st.st_dev, st.st_ino})) {
            close(fd);
            continue;
        }
        walkedScopes.insert({st.st_dev, st.st_ino});
        walk.countingDevice = countsSubfolders(fd) ? std::optional<dev_t>(st.st_dev) : std::nullopt;
        walk.walk(fd, root == "/" ? std::string() : root, 0);
    }

    const QString sortAttribute =
        query.sortAttribute.isEmpty() ? MetadataAttribute::kDisplayName : query.sortAttribute;
    MetadataSearchResult result{std::move(walk.items), std::move(walk.skipped),
                                QStringLiteral("the folder walk")};
    QList<MetadataItem>& items = result.items;
    // Equal names (copies in different folders) are ordered by path, so that which one comes
    // first never depends on the order in which the file system lists a folder.
    std::sort(items.begin(), items.end(), [&](const MetadataItem& a, const MetadataItem& b) {
        if (const int r =
                vexo::finderCompare(a.value(sortAttribute).toString(), b.value(sortAttribute).toString())) {
            return r < 0;
        }
        return vexo::finderCompare(a.value(MetadataAttribute::kPath).toString(),
                                   b.value(MetadataAttribute::kPath).toString()) < 0;
    });
    return result;
}

} // namespace brisquel
