// AppFinder::App: one installed copy of Capture One, its scripting definition and its
// background scripts.

#include "core/AppFinder.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "VexoExtensions/TextOrdering.h"
#include "core/BundleIcon.h"
#include "core/ScriptingDefinition.h"

#include <QFileInfo>

namespace brisquel {

namespace {

std::optional<QString> textAttribute(const MetadataItem& item, const QString& attribute) {
    const QVariant v = item.value(attribute);
    if (v.typeId() != QMetaType::QString) {
        return std::nullopt;
    }
    return v.toString();
}

// The name without its last extension: the text after the final "." and that ".".
QString removingLastExtension(const QString& name) {
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return dot < 0 ? name : name.left(dot);
}

// The icon the bundle names in its information dictionary, when that file exists.
QString iconForBundle(const QString& bundlePath) {
    const vexo::Expected<QVariant> info = vexo::plist::readFile(
        bundlePath + QStringLiteral("/Contents/Info.plist"), vexo::limits::kInfoPlistBytes);
    return info ? bundleIconFile(bundlePath, info->toMap().value(QStringLiteral("CFBundleIconFile")))
                : QString();
}

} // namespace

std::optional<AppFinder::App> AppFinder::App::fromMetadata(const MetadataItem& item) {
    const auto fsName = textAttribute(item, MetadataAttribute::kFsName);
    const auto bundleIdentifier = textAttribute(item, MetadataAttribute::kBundleIdentifier);
    const auto path = textAttribute(item, MetadataAttribute::kPath);
    const auto version = textAttribute(item, MetadataAttribute::kVersion);
    if (!fsName || !bundleIdentifier || !path || !version) {
        return std::nullopt;
    }
    App app;
    app.m_displayName = removingLastExtension(*fsName);
    app.m_bundleIdentifier = *bundleIdentifier;
    app.m_version = *version;
    app.m_url = QUrl::fromLocalFile(*path);
    // The search already looked the icon up; asking again would read the bundle twice.
    const QVariant icon = item.value(MetadataAttribute::kIconPath);
    app.m_icon = icon.typeId() == QMetaType::QString ? icon.toString() : QString();
    return app;
}

vexo::Result AppFinder::App::whyNotFromMetadata(const MetadataItem& item) {
    const QString path = textAttribute(item, MetadataAttribute::kPath)
                             .value_or(textAttribute(item, MetadataAttribute::kFsName).value_or(QString()));
    const std::pair<const QString*, const char*> required[] = {
        {&MetadataAttribute::kFsName, "it has no file name"},
        {&MetadataAttribute::kBundleIdentifier, "it has no bundle identifier (CFBundleIdentifier) as text"},
        {&MetadataAttribute::kPath, "it has no path"},
        {&MetadataAttribute::kVersion, "it has no version (CFBundleShortVersionString) as text"},
    };
    for (const auto& [attribute, what] : required) {
        if (!textAttribute(item, *attribute)) {
            return vexo::Result::failure(vexo::Status::Malformed, path + QStringLiteral(" is passed over: ") +
                                                                      QString::fromUtf8(what));
        }
    }
    return {};
}

AppFinder::App::App(QString displayName, QString bundleIdentifier, QString version, QUrl url)
    : m_displayName(std::move(displayName)), m_bundleIdentifier(std::move(bundleIdentifier)),
      m_version(std::move(version)), m_url(std::move(url)) {
    // The services are those in force when they are used, as for records built from metadata.
    m_icon = iconForBundle(m_url.toLocalFile());
}

bool AppFinder::App::isRunning() const {
    const auto& running = services().runningApplications;
    return running && !running->processesWithBundleIdentifier(m_bundleIdentifier).isEmpty();
}

MenuItem AppFinder::App::makeMenuItem() const {
    return MenuItem{m_displayName, m_icon, QVariant(m_bundleIdentifier)};
}

bool operator<(const AppFinder::App& a, const AppFinder::App& b) {
    return vexo::sortsBefore(a.m_displayName, b.m_displayName);
}

size_t qHash(const AppFinder::App& app, size_t seed) noexcept {
    return qHash(app.bundleIdentifier(), seed);
}

void AppFinder::App::checkPermissions() const {
    const Platform& platform = services();
    platform.log->system(QStringLiteral("Checking AppleEvents permission"));
    // The target is the bundle identifier as a text descriptor; any event class, any event id.
    const int status = platform.automationPermission
                           ? platform.automationPermission->determine(m_bundleIdentifier, true)
                           : 0;
    platform.log->system(QString::number(status));
}

// ---- The scripting definition ----

vexo::Expected<QUrl> AppFinder::App::locateScriptingDefinition() const {
    const QString bundle = m_url.isLocalFile() ? m_url.toLocalFile() : QString();
    if (!QFileInfo(bundle).isDir()) {
        services().log->standardOutput(QStringLiteral("Could not get bundle for url"));
        return vexo::Result::failure(vexo::Status::NotFound,
                                     (bundle.isEmpty() ? m_url.toDisplayString() : bundle) +
                                         QStringLiteral(" is not a bundle folder"));
    }
    const vexo::Expected<QString> file = ScriptingDefinition::locate(bundle);
    if (!file) {
        return file.result();
    }
    return QUrl::fromLocalFile(*file);
}

std::optional<QUrl> AppFinder::App::getScriptingDefinitionsFile() const {
    vexo::Expected<QUrl> file = locateScriptingDefinition();
    return file ? std::optional<QUrl>(std::move(file).value()) : std::nullopt;
}

std::optional<ScriptingDefinition::Document>
AppFinder::App::loadScriptingDefinition(const QUrl& fromURL) const {
    if (!fromURL.isLocalFile()) {
        return std::nullopt;
    }
    vexo::Expected<ScriptingDefinition::Document> loaded = ScriptingDefinition::load(fromURL.toLocalFile());
    if (!loaded) {
        return std::nullopt;
    }
    return std::move(loaded).value();
}

QList<BackgroundScript>
AppFinder::App::readBackgroundScripts(const ScriptingDefinition::Document& fromDoc) const {
    const QList<ScriptingDefinition::ScriptProperty> properties = ScriptingDefinition::select(fromDoc);
    QList<BackgroundScript> scripts;
    if (properties.isEmpty()) {
        return scripts;
    }
    // The records of one reading share one handle on the copy's preferences domain: a definition
    // with many properties must not hold one parsed domain per property.
    const Platform& platform = services();
    const std::shared_ptr<vexo::UserDefaults> defaults =
        platform.preferences ? platform.preferences->open(m_bundleIdentifier) : nullptr;
    scripts.reserve(properties.size());
    for (const ScriptingDefinition::ScriptProperty& property : properties) {
        scripts.append(
            BackgroundScript(property.name, property.description, m_bundleIdentifier, defaults, platform));
    }
    return scripts;
}

vexo::Expected<QList<BackgroundScript>> AppFinder::App::loadBackgroundScripts() const {
    const Platform& platform = services();
    const vexo::Expected<QUrl> file = locateScriptingDefinition();
    if (!file) {
        platform.log->system(QStringLiteral("Could not get sdef file"));
        return file.result();
    }
    const vexo::Expected<ScriptingDefinition::Document> document =
        ScriptingDefinition::load(file->toLocalFile());
    if (!document) {
        platform.log->system(QStringLiteral("Could not load XMLDocument from sdef file"));
        return document.result();
    }
    return readBackgroundScripts(*document);
}

QList<BackgroundScript> AppFinder::App::readBackgroundScripts() const {
    return loadBackgroundScripts().valueOr({});
}

} // namespace brisquel
