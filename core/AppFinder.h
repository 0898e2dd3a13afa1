#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"
#include "core/BackgroundScript.h"
#include "core/ScriptingDefinition.h"
#include "core/platform/MetadataSearch.h"
#include "core/platform/Platform.h"

#include <QFuture>
#include <QList>
#include <QMetaType>
#include <QObject>
#include <QString>
#include <QUrl>
#include <QVariant>

#include <functional>
#include <memory>
#include <optional>

namespace brisquel {

// A menu item as the record describes itself; the GUI turns it into its own menu type.
struct BRISQUEL_EXPORT MenuItem {
    QString title;
    QString imagePath;          // the icon file, unchanged (not resized); may be empty
    QVariant representedObject; // the bundle identifier text
};

// Finds the installed copies of Capture One: every application bundle below the applications
// folder whose display name begins with "Capture One", sorted by display name in the Finder's
// order (so "Capture One 9" comes before "Capture One 10"), with repeated bundle identifiers
// dropped (the first copy in that order is kept).
//
// The discovery result is handed out three ways: as a future (returnApps, findApps,
// findRunningCaptureOne), through a completion callback (findApps(completion)), and as the
// observable list `apps` with its change signals.
class BRISQUEL_EXPORT AppFinder final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QList<brisquel::AppFinder::App> apps READ apps WRITE setApps NOTIFY appsChanged)

public:
    // One installed copy of Capture One. A value; copied freely.
    //
    // Identity, equality and hashing are by bundle identifier alone. The order is the Finder
    // order of display names: a < b when a's display name sorts before b's. Order and equality
    // are independent: two records with the same display name and different identifiers are
    // neither equal nor ordered.
    class App {
    public:
        // Builds a record from one metadata search item; none when the file-system name, bundle
        // identifier, path or version is missing or not text.
        static std::optional<App> fromMetadata(const MetadataItem& item);
        // Why fromMetadata() gives none for an item (the first attribute missing); success when
        // it gives a record.
        static vexo::Result whyNotFromMetadata(const MetadataItem& item);
        // Stores the four values; the icon is looked up for the bundle at url.
        App(QString displayName, QString bundleIdentifier, QString version, QUrl url);

        const QString& displayName() const { return m_displayName; }
        const QString& bundleIdentifier() const { return m_bundleIdentifier; }
        const QString& version() const { return m_version; }
        // The bundle's icon file (Contents/Resources/<CFBundleIconFile>); empty when it has none.
        const QString& icon() const { return m_icon; }
        const QUrl& url() const { return m_url; }
        const QString& id() const { return m_bundleIdentifier; }

        // True when at least one running application has this record's bundle identifier.
        bool isRunning() const;
        MenuItem makeMenuItem() const;

        // --- The scripting definition of the copy (see core/ScriptingDefinition.h) ---
        // Each step has a form that gives its reason beside the plain one; both write the same
        // log lines.
        //
        // The sdef file in the bundle's resources (the first by name when there are several).
        // When the bundle folder is not there, writes "Could not get bundle for url" to standard
        // output. locateScriptingDefinition() gives the reason for none.
        std::optional<QUrl> getScriptingDefinitionsFile() const;
        vexo::Expected<QUrl> locateScriptingDefinition() const;
        // Parses a file as outside input, never loading external entities; none when it is not a
        // regular file within the size limit holding one well-formed XML document.
        std::optional<ScriptingDefinition::Document> loadScriptingDefinition(const QUrl& fromURL) const;
        // The background-script properties of a parsed document, in document order. The records
        // share one handle on the copy's preferences domain.
        QList<BackgroundScript> readBackgroundScripts(const ScriptingDefinition::Document& fromDoc) const;
        // The three steps together, with their log lines: "Could not get sdef file" or "Could not
        // load XMLDocument from sdef file" in the system log, and an empty list. The form that
        // gives the reason (naming the file and the cause) is loadBackgroundScripts().
        QList<BackgroundScript> readBackgroundScripts() const;
        vexo::Expected<QList<BackgroundScript>> loadBackgroundScripts() const;

        // Logs the Apple-event permission status for this copy.
        void checkPermissions() const;

        friend bool operator==(const App& a, const App& b) {
            return a.m_bundleIdentifier == b.m_bundleIdentifier;
        }
        friend bool operator<(const App& a, const App& b);
        friend bool operator<=(const App& a, const App& b) { return !(b < a); }
        friend bool operator>(const App& a, const App& b) { return b < a; }
        friend bool operator>=(const App& a, const App& b) { return !(a < b); }

    private:
        friend class AppFinder;
        App() = default;
        // The services the record was found with, else those in force.
        const Platform& services() const { return m_platform ? *m_platform : Platform::current(); }

        QString m_displayName;
        QString m_bundleIdentifier;
        QString m_version;
        QString m_icon;
        QUrl m_url;
        // The services the record was found with (running applications, preferences, log...).
        std::shared_ptr<const Platform> m_platform;
    };

    using Completion = std::function<void(QList<App>)>;

    // What one discovery found, and what it passed over.
    struct Discovery {
        QList<App> apps;
        // Folders and bundles passed over, each with its reason, in the order met: a folder that
        // cannot be read, a bundle without a usable information dictionary or without a bundle
        // identifier or version, a bundle whose identifier an earlier copy already has.
        QList<SkippedEntry> skipped;
        // A failure when the applications folder itself cannot be searched (it does not exist,
        // is not a folder, cannot be read): then an empty list does not mean "no copies".
        vexo::Result folder;
        // Which search answered (see MetadataSearchResult::answeredBy).
        QString answeredBy;
    };

    // The finder of the process, created on first use (thread-safe); its `apps` starts empty and
    // creating it starts no search. It uses the platform services in force at that moment.
    static AppFinder& shared();

    explicit AppFinder(Platform platform, QObject* parent = nullptr);

    // The observable list. setApps() emits objectWillChange() before and appsChanged() after
    // every assignment.
    const QList<App>& apps() const { return m_apps; }
    void setApps(QList<App> apps);

    // Starts one discovery and returns at once. The completion is called exactly once with the
    // list, on the calling thread when it runs an event loop, else on the thread that searched.
    void findApps(Completion completion);
    // One discovery, assigning its list to `apps` (on the calling thread, as above).
    QFuture<void> findApps();
    // One discovery; does not touch `apps`.
    QFuture<QList<App>> returnApps();
    // One discovery, then the first record in list order whose application is running.
    QFuture<std::optional<App>> findRunningCaptureOne();

    // One discovery run to its end on the calling thread (for command-line use and workers);
    // discoverWithReport() also tells what was passed over and why.
    QList<App> discover() const;
    static QList<App> discover(const Platform& platform);
    Discovery discoverWithReport() const;
    static Discovery discoverWithReport(const Platform& platform);

    const Platform& platform() const { return m_platform; }

signals:
    void objectWillChange();
    void appsChanged(const QList<brisquel::AppFinder::App>& apps);

private:
    Platform m_platform;
    QList<App> m_apps;
};

BRISQUEL_EXPORT size_t qHash(const AppFinder::App& app, size_t seed = 0) noexcept;

} // namespace brisquel

template <> struct std::hash<brisquel::AppFinder::App> {
    size_t operator()(const brisquel::AppFinder::App& app) const noexcept { return brisquel::qHash(app); }
};

Q_DECLARE_METATYPE(brisquel::AppFinder::App)
