#include "core/AppFinder.h"

#include "VexoExtensions/PropertyList.h"
#include "VexoExtensions/TextOrdering.h"
#include "core/platform/BundleIcon.h"

#include <QAbstractEventDispatcher>
#include <QDir>
#include <QFileInfo>
#include <QPointer>
#include <QPromise>
#include <QSet>
#include <QThread>
#include <QThreadPool>

namespace brisquel {

namespace {

const QString applicationNamePrefix = QStringLiteral("Capture One");

MetadataQuery captureOneQuery(const QString& applicationsFolder) {
    MetadataQuery query;
    query.searchScopes = {applicationsFolder};
    query.predicate =
        QStringLiteral("kMDItemKind == 'Application' AND kMDItemDisplayName LIKE 'Capture One*'");
    query.displayNamePrefix = applicationNamePrefix;
    query.sortAttribute = MetadataAttribute::displayName;
    query.valueListAttributes = {MetadataAttribute::displayName, MetadataAttribute::bundleIdentifier,
                                 MetadataAttribute::url,         MetadataAttribute::path,
                                 MetadataAttribute::version,     MetadataAttribute::fsName};
    return query;
}

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
    const auto info = vexo::plist::readFile(bundlePath + QStringLiteral("/Contents/Info.plist"));
    return info ? bundleIconFile(bundlePath, info->toMap().value(QStringLiteral("CFBundleIconFile")))
                : QString();
}

QList<AppFinder::App> discoverWith(const Platform& platform) {
    if (!platform.metadataSearch) {
        return {};
    }
    const QList<MetadataItem> items =
        platform.metadataSearch->execute(captureOneQuery(platform.applicationsFolder));
    QList<AppFinder::App> kept;
    QSet<QString> seen;
    for (const MetadataItem& item : items) {
        std::optional<AppFinder::App> app = AppFinder::App::fromMetadata(item);
        if (!app) {
            continue;
        }
        // The first copy in display-name order wins.
        if (seen.contains(app->bundleIdentifier())) {
            continue;
        }
        seen.insert(app->bundleIdentifier());
        kept.append(std::move(*app));
    }
    return kept;
}

} // namespace

// ---- AppFinder::App ----

std::optional<AppFinder::App> AppFinder::App::fromMetadata(const MetadataItem& item) {
    const auto fsName = textAttribute(item, MetadataAttribute::fsName);
    const auto bundleIdentifier = textAttribute(item, MetadataAttribute::bundleIdentifier);
    const auto path = textAttribute(item, MetadataAttribute::path);
    const auto version = textAttribute(item, MetadataAttribute::version);
    if (!fsName || !bundleIdentifier || !path || !version) {
        return std::nullopt;
    }
    App app;
    app.m_displayName = removingLastExtension(*fsName);
    app.m_bundleIdentifier = *bundleIdentifier;
    app.m_version = *version;
    app.m_url = QUrl::fromLocalFile(*path);
    // The search already looked the icon up; asking again would read the bundle twice.
    const QVariant icon = item.value(MetadataAttribute::iconPath);
    app.m_icon = icon.typeId() == QMetaType::QString ? icon.toString() : QString();
    return app;
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

void AppFinder::App::checkPermissions() const {
    const Platform& platform = services();
    platform.log->system(QStringLiteral("Checking AppleEvents permission"));
    // The target is the bundle identifier as a text descriptor; any event class, any event id.
    const int status = platform.automationPermission
                           ? platform.automationPermission->determine(m_bundleIdentifier, true)
                           : 0;
    platform.log->system(QString::number(status));
}

size_t qHash(const AppFinder::App& app, size_t seed) noexcept {
    return qHash(app.bundleIdentifier(), seed);
}

// ---- AppFinder ----

AppFinder& AppFinder::shared() {
    // Never destroyed: it lives until the process ends, past the application object.
    static AppFinder* const finder = new AppFinder(Platform::current());
    return *finder;
}

AppFinder::AppFinder(Platform platform, QObject* parent) : QObject(parent), m_platform(std::move(platform)) {}

void AppFinder::setApps(QList<App> apps) {
    emit objectWillChange();
    m_apps = std::move(apps);
    emit appsChanged(m_apps);
}

QList<AppFinder::App> AppFinder::discover() const {
    return discover(m_platform);
}

QList<AppFinder::App> AppFinder::discover(const Platform& platform) {
    QList<App> apps = discoverWith(platform);
    const auto shared = std::make_shared<const Platform>(platform);
    for (App& app : apps) {
        app.m_platform = shared;
    }
    return apps;
}

void AppFinder::findApps(Completion completion) {
    QThread* caller = QThread::currentThread();
    if (QAbstractEventDispatcher::instance(caller) == nullptr) {
        // No event loop to come back to: complete on the searching thread.
        QThreadPool::globalInstance()->start(
            [platform = m_platform, completion = std::move(completion)] { completion(discover(platform)); });
        return;
    }
    // A context object on the calling thread brings the completion back there through its event
    // loop, exactly once and never before this call has returned.
    auto* context = new QObject;
    QThreadPool::globalInstance()->start(
        [platform = m_platform, context, completion = std::move(completion)] {
            QList<App> apps = discover(platform);
            QMetaObject::invokeMethod(
                context,
                [context, completion, apps = std::move(apps)]() mutable {
                    context->deleteLater();
                    completion(std::move(apps));
                },
                Qt::QueuedConnection);
        });
}

QFuture<QList<AppFinder::App>> AppFinder::returnApps() {
    auto promise = std::make_shared<QPromise<QList<App>>>();
    QFuture<QList<App>> future = promise->future();
    promise->start();
    findApps([promise](QList<App> apps) {
        promise->addResult(std::move(apps));
        promise->finish();
    });
    return future;
}

QFuture<void> AppFinder::findApps() {
    auto promise = std::make_shared<QPromise<void>>();
    QFuture<void> future = promise->future();
    promise->start();
    QPointer<AppFinder> self(this);
    findApps([self, promise](QList<App> apps) {
        if (self) {
            self->setApps(std::move(apps));
        }
        promise->finish();
    });
    return future;
}

QFuture<std::optional<AppFinder::App>> AppFinder::findRunningCaptureOne() {
    auto promise = std::make_shared<QPromise<std::optional<App>>>();
    QFuture<std::optional<App>> future = promise->future();
    promise->start();
    findApps([promise](QList<App> apps) {
        std::optional<App> running;
        for (const App& app : apps) {
            if (app.isRunning()) {
                running = app;
                break;
            }
        }
        promise->addResult(std::move(running));
        promise->finish();
    });
    return future;
}

} // namespace brisquel
