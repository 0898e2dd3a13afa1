// The back-ends of the contract tests on Linux: the stand-ins, every one.

#include "tests/core/platform/ContractBackends.h"

#include "core/platform/posix/NoAutomationPermission.h"
#include "core/platform/posix/PosixLog.h"
#include "core/platform/posix/ProcRunningApplications.h"

#include <QProcess>

using namespace Qt::Literals::StringLiterals;
namespace contract {

namespace {

struct ChildProcess final : LaunchedProcess {
    ~ChildProcess() override {
        process.kill();
        process.waitForFinished();
    }
    QProcess process;
};

} // namespace

std::vector<PreferencesBackend> preferencesBackends() {
    return {standInPreferences()};
}

std::vector<MetadataBackend> metadataBackends() {
    return {standInMetadata()};
}

std::vector<RunningBackend> runningBackends() {
    return {{{"Proc", [] { return std::make_shared<brisquel::ProcRunningApplications>(); }},
             [](const QString& bundle, const QString&) -> std::unique_ptr<LaunchedProcess> {
                 // The stand-in bundle's executable, started as the system starts any program.
                 auto child = std::make_unique<ChildProcess>();
                 child->process.start(bundle + u"/Contents/MacOS/C1"_s, {u"60"_s});
                 if (!child->process.waitForStarted(10000))
                     return nullptr;
                 return child;
             }}};
}

std::vector<PermissionBackend> permissionBackends() {
    return {{{"NoGate", [] { return std::make_shared<brisquel::NoAutomationPermission>(); }}, 0}};
}

std::vector<LogBackend> logBackends() {
    return {{"Posix", [] { return std::make_shared<brisquel::PosixLog>(); }}};
}

std::vector<ScriptBackend> scriptBackends() {
    return {};
}

} // namespace contract
