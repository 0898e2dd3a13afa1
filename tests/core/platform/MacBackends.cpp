// The back-ends of the contract tests on macOS: the system's own services, and beside them the
// stand-ins that the test worlds still use there (domains kept as files, the folder walk).

#include "tests/core/platform/ContractBackends.h"

#include "core/platform/macos/AppKitRunningApplications.h"
#include "core/platform/macos/AppleEventPermission.h"
#include "core/platform/macos/CFPreferencesDefaults.h"
#include "core/platform/macos/UnifiedLog.h"
#include "core/platform/posix/OsascriptChannel.h"
#include "tests/support/FakePlatform.h"

#include <QProcess>

#include <csignal>

using namespace Qt::Literals::StringLiterals;
namespace contract {

namespace {

// The current user's own preferences, in domains named for this test alone (never a real
// application's); the preferences daemon removes them, every key the test left, when the world goes.
class SystemPreferencesWorld final : public PreferencesWorld {
public:
    ~SystemPreferencesWorld() override {
        for (const QString& name : m_domains)
            QProcess::execute(u"/usr/bin/defaults"_s, {u"delete"_s, name});
    }
    brisquel::vexo::PreferencesDomains& domains() override { return m_domains; }
    bool writeElsewhere(const QString& domain, const QString& key, const QString& text) override {
        return QProcess::execute(u"/usr/bin/defaults"_s, {u"write"_s, domain, key, u"-string"_s, text}) == 0;
    }

private:
    brisquel::macos::CFPreferencesDomains m_domains{std::make_shared<testsupport::RecordingLog>()};
};

// A bundle opened by Launch Services, as the Finder opens it; ended by its process identifiers.
class OpenedBundle final : public LaunchedProcess {
public:
    explicit OpenedBundle(QString identifier) : m_identifier(std::move(identifier)) {}
    ~OpenedBundle() override {
        for (const qint64 process :
             brisquel::macos::AppKitRunningApplications().processesWithBundleIdentifier(m_identifier))
            ::kill(static_cast<pid_t>(process), SIGKILL);
    }

private:
    QString m_identifier;
};

} // namespace

std::vector<PreferencesBackend> preferencesBackends() {
    return {{"CFPreferences", [] { return std::make_shared<SystemPreferencesWorld>(); }},
            standInPreferences()};
}

std::vector<MetadataBackend> metadataBackends() {
    // Spotlight for /Applications, with the walk behind it: what a discovery on the Mac uses.
    return {{"Spotlight", [] { return brisquel::Platform::native().metadataSearch; }}, standInMetadata()};
}

std::vector<RunningBackend> runningBackends() {
    return {
        {{"AppKit", [] { return std::make_shared<brisquel::macos::AppKitRunningApplications>(); }},
         [](const QString& bundle, const QString& identifier) -> std::unique_ptr<LaunchedProcess> {
             // A new instance, in the background, with the executable's argument.
             if (QProcess::execute(u"/usr/bin/open"_s, {u"-n"_s, u"-g"_s, bundle, u"--args"_s, u"60"_s}) != 0)
                 return nullptr;
             return std::make_unique<OpenedBundle>(identifier);
         }}};
}

std::vector<PermissionBackend> permissionBackends() {
    // procNotFound: the probe answers about a running application only.
    return {
        {{"AppleEvents", [] { return std::make_shared<brisquel::macos::AppleEventPermission>(); }}, -600}};
}

std::vector<LogBackend> logBackends() {
    return {{"Unified", [] { return std::make_shared<brisquel::macos::UnifiedLog>(); }}};
}

std::vector<ScriptBackend> scriptBackends() {
    return {
        {"Osascript", [] { return std::make_shared<brisquel::OsascriptChannel>(u"/usr/bin/osascript"_s); }}};
}

} // namespace contract
