#include "core/AppFinder.h"

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

const QString kApplicationNamePrefix = QStringLiteral("Capture One");

MetadataQuery captureOneQuery(const QString& applicationsFolder) {
    MetadataQuery query;
    query.searchScopes = {applicationsFolder};
    query.predicate =
        QStringLiteral("kMDItemKind == 'Application' AND kMDItemDisplayName LIKE 'Capture One*'");
    query.displayNamePrefix = kApplicationNamePrefix;
    query.sortAttribute = MetadataAttribute::kDisplayName;
    query.valueListAttributes = {MetadataAttribute::kDisplayName, MetadataAttribute::kBundleIdentifier,
                                 MetadataAttribute::kUrl,         MetadataAttribute::kPath,
                                 MetadataAttribute::kVersion,     MetadataAttribute::kFsName};
    return query;
}

} // namespace

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
    return discoverWithReport(platform).apps;
}

AppFinder::Discovery AppFinder::discoverWithReport() const {
    return discoverWithReport(m_platform);
}

AppFinder::Discovery AppFinder::discoverWithReport(const Platform& platform) {
    Discovery discovery;
    if (!platform.applicationsFolderProblem) {
        discovery.folder = platform.applicationsFolderProblem;
        discovery.skipped.append({platform.applicationsFolder, platform.applicationsFolderProblem});
        return discovery;
    }
    if (!platform.metadataSearch) {
        return discovery;
    }
    MetadataSearchResult found =
        platform.metadataSearch->search(captureOneQuery(platform.applicationsFolder));
    const QString folder = QDir::cleanPath(QFileInfo(platform.applicationsFolder).absoluteFilePath());
    for (SkippedEntry& entry : found.skipped) {
        if (entry.path == folder && discovery.folder) {
            discovery.folder = entry.reason;
        }
    }
    discovery.skipped = std::move(found.skipped);
    discovery.answeredBy = std::move(found.answeredBy);

    const auto shared = std::make_shared<const Platform>(platform);
    QHash<QString, QString> firstPathOf;
    for (const MetadataItem& item : std::as_const(found.items)) {
        std::optional<App> app = App::fromMetadata(item);
        if (!app) {
            const QString path = item.value(MetadataAttribute::kPath).toString();
            discovery.skipped.append({path, App::whyNotFromMetadata(item)});
            continue;
        }
        // The first copy in display-name order wins.
        if (const auto first = firstPathOf.constFind(app->bundleIdentifier());
            first != firstPathOf.constEnd()) {
            const QString path = app->url().toLocalFile();
            discovery.skipped.append(
                {path,
                 vexo::Result::failure(vexo::Status::Refused,
                                       path + QStringLiteral(" is passed over: ") + *first +
                                           QStringLiteral(" has the same bundle identifier (") +
                                           app->bundleIdentifier() + QStringLiteral(") and comes first"))});
            continue;
        }
        firstPathOf.insert(app->bundleIdentifier(), app->url().toLocalFile());
        app->m_platform = shared;
        discovery.apps.append(std::move(*app));
    }
    return discovery;
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
    findApps([promise](const QList<App>& apps) {
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
