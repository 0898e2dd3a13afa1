#pragma once

// The back-ends the contract tests run against: each platform's file lists its own
// (PosixBackends.cpp, MacBackends.cpp); StandInBackends.cpp makes the portable stand-ins.

#include "core/platform/Platform.h"

#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <string>
#include <vector>

using namespace Qt::Literals::StringLiterals;
namespace contract {

// One test's preferences domains on one back-end; the world takes away what the test stored.
class PreferencesWorld {
public:
    virtual ~PreferencesWorld() = default;
    virtual brisquel::vexo::PreferencesDomains& domains() = 0;
    // Sets key to a text in the domain from another process, as Capture One or `defaults write` do.
    virtual bool writeElsewhere(const QString& domain, const QString& key, const QString& text) = 0;
    // A domain name no other test or program uses, ending in the given part.
    QString uniqueDomain(const QString& last = u"prefs"_s);

protected:
    QStringList m_domains; // every name handed out
};

// A service's back-end: its name in the tests' names, and how to make one.
template <typename Service> struct Backend {
    std::string name;
    std::function<std::shared_ptr<Service>()> make;
};
using PreferencesBackend = Backend<PreferencesWorld>;
using MetadataBackend = Backend<brisquel::MetadataSearch>;
using LogBackend = Backend<brisquel::Log>;
using ScriptBackend = Backend<brisquel::ScriptChannel>;

// A process started from a bundle's executable; it ends with this object.
class LaunchedProcess {
public:
    virtual ~LaunchedProcess() = default;
};
struct RunningBackend : Backend<brisquel::RunningApplications> {
    // Starts the bundle (whose executable runs for a minute) as the platform starts applications.
    std::function<std::unique_ptr<LaunchedProcess>(const QString& bundle, const QString& identifier)> launch;
};
struct PermissionBackend : Backend<brisquel::AutomationPermission> {
    int notRunning; // the status for an application that is not running, without asking the user
};

std::vector<PreferencesBackend> preferencesBackends();
std::vector<MetadataBackend> metadataBackends();
std::vector<RunningBackend> runningBackends();
std::vector<PermissionBackend> permissionBackends();
std::vector<LogBackend> logBackends();
std::vector<ScriptBackend> scriptBackends(); // only where a real AppleScript engine answers
PreferencesBackend standInPreferences();
MetadataBackend standInMetadata();

} // namespace contract
