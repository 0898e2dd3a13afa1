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
#include <string>
#include <vector>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisquel {

namespace {

constexpr std::string_view kAppSuffix = ".app";

// Below this depth each level keeps its folder open and opens its children relative to it;
// deeper levels let go of the parent first, so a pathologically deep tree never exhausts the
// descriptor table.
constexpr int kMaxHeldDepth = 64;

// A child's path, made in one allocation: the walk makes one for every entry it opens.
std::string childPathOf(const std::string& folderPath, const std::string& child) {
    std::string path;
    path.reserve(folderPath.size() + 1 + child.size());
    path.append(folderPath).append(1, '/').append(child);
    return path;
}

QString pathText(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

struct Walk {
    std::string prefix; // display-name prefix, in the file system's encoding
    QSet<QString> seen; // bundle paths already reported (overlapping scopes)
    QList<MetadataItem> items;
    QList<SkippedEntry> skipped;

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

    // Walks the folder open at fd (taken over and closed here).
    void walk(int fd, const std::string& folderPath, int depth) {
        DIR* dir = fdopendir(fd);
        if (dir == nullptr) {
            skipFolder(folderPath, errno);
            close(fd);
            return;
        }
        std::vector<std::string> children;
        while (const dirent* entry = readdir(dir)) {
            const char* name = entry->d_name;
            if (name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'))) {
                continue;
            }
            unsigned char type = entry->d_type;
            if (type == DT_UNKNOWN) {
                struct stat st {};
                if (fstatat(dirfd(dir), name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
                    continue;
                }
                type = S_ISDIR(st.st_mode) ? DT_DIR : DT_REG;
            }
            if (type != DT_DIR) {
                continue;
            }
            if (nameMatches(name)) {
                consider(folderPath, name);
            }
            children.emplace_back(name);
        }
        if (depth < kMaxHeldDepth) {
            for (const std::string& child : children) {
                const int childFd =
                    openat(dirfd(dir), child.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (childFd >= 0) {
                    walk(childFd, childPathOf(folderPath, child), depth + 1);
                } else if (errno != ENOENT) {
                    skipFolder(childPathOf(folderPath, child), errno);
                }
            }
            closedir(dir);
        } else {
            closedir(dir);
            for (const std::string& child : children) {
                const std::string childPath = childPathOf(folderPath, child);
                const int childFd = open(childPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
                if (childFd >= 0) {
                    walk(childFd, childPath, depth + 1);
                } else if (errno != ENOENT) {
                    skipFolder(childPath, errno);
                }
            }
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
