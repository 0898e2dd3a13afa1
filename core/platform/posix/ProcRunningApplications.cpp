#include "core/platform/posix/ProcRunningApplications.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"

#include <QDir>
#include <QFile>
#include <QHash>

#include <algorithm>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisquel {

ProcRunningApplications::ProcRunningApplications(QString procRoot) : m_procRoot(std::move(procRoot)) {}

QString ProcRunningApplications::bundleOfExecutable(const QString& executablePath) {
    static const QString kMarker = QStringLiteral(".app/Contents/MacOS/");
    qsizetype at = executablePath.lastIndexOf(kMarker);
    while (at > 0) {
        // The bundle folder's name must be more than the bare suffix.
        if (executablePath.at(at - 1) != QLatin1Char('/')) {
            QString bundle = executablePath.left(at + 4);
            if (bundle.startsWith(QLatin1Char('/'))) {
                return bundle;
            }
        }
        at = executablePath.lastIndexOf(kMarker, at - 1);
    }
    return {};
}

namespace {

// The link target of /proc/<pid>/exe, as the kernel gives it.
QByteArray readLink(const QByteArray& path) {
    QByteArray buffer(4096, Qt::Uninitialized);
    for (;;) {
        const ssize_t n = readlink(path.constData(), buffer.data(), size_t(buffer.size()));
        if (n < 0) {
            return {};
        }
        if (n < buffer.size()) {
            buffer.truncate(n);
            return buffer;
        }
        if (buffer.size() >= 1 << 20) {
            return {};
        }
        buffer.resize(buffer.size() * 2);
    }
}

} // namespace

QString ProcRunningApplications::identifierOf(const QString& bundle) {
    const QString infoPath = bundle + QStringLiteral("/Contents/Info.plist");
    // The dictionary is read again only when the file changed: each copy's running check would
    // otherwise read the dictionaries of every running bundle again.
    struct stat info {};
    if (::stat(QFile::encodeName(infoPath).constData(), &info) != 0) {
        return {};
    }
    const FileStamp stamp{info.st_dev, info.st_ino, info.st_size, info.st_mtim.tv_sec, info.st_mtim.tv_nsec};
    std::lock_guard guard(m_cacheMutex);
    if (const auto cached = m_identifiers.constFind(infoPath);
        cached != m_identifiers.constEnd() && cached->stamp == stamp) {
        return cached->identifier;
    }
    QString identifier;
    const vexo::Expected<QVariant> dictionary =
        vexo::plist::readFile(infoPath, vexo::limits::kInfoPlistBytes);
    if (dictionary && dictionary->typeId() == QMetaType::QVariantMap) {
        const QVariant value = dictionary->toMap().value(QStringLiteral("CFBundleIdentifier"));
        if (value.typeId() == QMetaType::QString) {
            identifier = value.toString();
        }
    }
    m_identifiers.insert(infoPath, {stamp, identifier});
    return identifier;
}

QList<qint64> ProcRunningApplications::processesWithBundleIdentifier(const QString& bundleIdentifier) {
    QList<qint64> result;
    const QByteArray root = QFile::encodeName(m_procRoot);
    DIR* dir = opendir(root.constData());
    if (dir == nullptr) {
        return result;
    }
    // Several processes often run the same bundle; its dictionary is read once per call.
    QHash<QString, QString> identifierOfBundle;
    while (const dirent* entry = readdir(dir)) {
        const char* name = entry->d_name;
        if (name[0] < '1' || name[0] > '9') {
            continue;
        }
        bool numeric = true;
        for (const char* c = name; *c != '\0'; ++c) {
            if (*c < '0' || *c > '9') {
                numeric = false;
                break;
            }
        }
        if (!numeric) {
            continue;
        }
        const QByteArray target = readLink(root + '/' + name + "/exe");
        if (target.isEmpty()) {
            continue;
        }
        const QString bundle = bundleOfExecutable(QFile::decodeName(target));
        if (bundle.isEmpty()) {
            continue;
        }
        auto it = identifierOfBundle.find(bundle);
        if (it == identifierOfBundle.end()) {
            it = identifierOfBundle.insert(bundle, identifierOf(bundle));
        }
        if (!it->isEmpty() && *it == bundleIdentifier) {
            result.append(QByteArray(name).toLongLong());
        }
    }
    closedir(dir);
    std::sort(result.begin(), result.end());
    return result;
}

} // namespace brisquel
