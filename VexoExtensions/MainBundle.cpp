#include "VexoExtensions/MainBundle.h"

#include "VexoExtensions/EnvironmentPath.h"
#include "VexoExtensions/PropertyList.h"
#include "VexoExtensions/platform/BundleFiles.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <dlfcn.h>
#include <mutex>

namespace brisquel::vexo {

namespace {

const QString kBundlePrefix = QStringLiteral("VexoWidgets_");
const QString kBundleSuffix = QStringLiteral(".bundle");

struct InfoState {
    std::mutex mutex;
    std::optional<QVariantMap> replacement;
    std::optional<QVariantMap> compiled;
};

InfoState& infoState() {
    static InfoState state;
    return state;
}

QVariantMap readCompiledInfo() {
    const bundlefiles::InfoPlist info = bundlefiles::infoPlist();
    if (info.bytes.isEmpty())
        return {};
    const Expected<QVariant> parsed = plist::parse(info.bytes, info.source);
    if (!parsed || parsed->typeId() != QMetaType::QVariantMap)
        return {};
    return parsed->toMap();
}

} // namespace

QVariantMap MainBundle::infoDictionary() {
    InfoState& state = infoState();
    std::lock_guard guard(state.mutex);
    if (state.replacement)
        return *state.replacement;
    if (!state.compiled)
        state.compiled = readCompiledInfo();
    return *state.compiled;
}

QVariant MainBundle::object(const QString& key) {
    return infoDictionary().value(key);
}

QString MainBundle::text(const QString& key) {
    const QVariant value = object(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

QString MainBundle::bundleIdentifier() {
    return text(QStringLiteral("CFBundleIdentifier"));
}

QString MainBundle::name() {
    return text(QStringLiteral("CFBundleName"));
}

QString MainBundle::shortVersion() {
    return text(QStringLiteral("CFBundleShortVersionString"));
}

QString MainBundle::version() {
    return text(QStringLiteral("CFBundleVersion"));
}

QString MainBundle::resourceFolder() {
    const Expected<QString> configured = environmentPath("QUILLMERE_DATA_DIR");
    if (!configured)
        qFatal("%s", qUtf8Printable(configured.result().message()));
    if (!configured->isEmpty())
        return QDir::cleanPath(*configured);
    return bundlefiles::resourceFolder();
}

QString MainBundle::bundleFolder() {
    if (!QCoreApplication::instance())
        return {};
    return QCoreApplication::applicationDirPath();
}

void MainBundle::setInfoDictionary(std::optional<QVariantMap> dictionary) {
    InfoState& state = infoState();
    std::lock_guard guard(state.mutex);
    state.replacement = std::move(dictionary);
}

std::optional<QString> findResourceBundle(const QString& bundleName, const QStringList& candidateFolders) {
    for (const QString& folder : candidateFolders) {
        if (folder.isEmpty())
            continue;
        const QString path = QDir(folder).filePath(bundleName);
        if (QFileInfo(path).isDir())
            return QDir::cleanPath(path);
    }
    return std::nullopt;
}

QString codeFolder(const void* codeAddress) {
    Dl_info info{};
    if (codeAddress && ::dladdr(codeAddress, &info) != 0 && info.dli_fname && info.dli_fname[0] != '\0')
        return QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
    return {};
}

QStringList resourceBundleCandidates(const void* codeAddress) {
    return {MainBundle::resourceFolder(), codeFolder(codeAddress), MainBundle::bundleFolder()};
}

QString requireResourceBundle(const QString& libraryName, const void* codeAddress) {
    const QString name = kBundlePrefix + libraryName;
    if (std::optional<QString> found =
            findResourceBundle(name + kBundleSuffix, resourceBundleCandidates(codeAddress)))
        return *found;
    qFatal("unable to find bundle named %s", qUtf8Printable(name));
}

} // namespace brisquel::vexo
