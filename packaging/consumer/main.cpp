// A program of someone else's that calls, through the installed headers and library alone, every
// entry point the README names for the Brisquel library: the discovery of Capture One copies in all
// its forms, a copy's scripting definition step by step, a background script's file in Capture
// One's preferences domain and, by AppleScript, in the running Capture One, the Finder-style
// order of names, version ranges and the library's version.
//
// Usage: brisquel-consumer
//   in an environment whose QUILLMERE_APPLICATIONS_DIR holds at least one copy of Capture One with
//   a background script, whose QUILLMERE_PREFERENCES_DIR is a scratch folder, and whose
//   QUILLMERE_OSASCRIPT runs a stand-in that answers every script with one absolute path.
// Prints one line of what it found; each entry point that does not do what it promises is named
// on standard error, and the exit status is then 1.
#include "VexoExtensions/TextOrdering.h"
#include "core/AppFinder.h"
#include "core/BackgroundScript.h"
#include "core/BrisquelVersion.h"
#include "core/VersionAvailability.h"

#include <QByteArray>
#include <QFileInfo>
#include <QSemaphore>
#include <QString>
#include <QUrl>

#include <cstdio>
#include <optional>

namespace {

int failures = 0;

void check(bool held, const char* entryPoint) {
    if (!held) {
        std::fprintf(stderr, "brisquel-consumer: %s did not do what it promises\n", entryPoint);
        ++failures;
    }
}

} // namespace

int main() {
    using brisquel::AppFinder;
    using brisquel::BackgroundScript;

    check(brisquel::BrisquelVersionNumber == 1.0, "BrisquelVersionNumber");
    check(QByteArray(brisquel::BrisquelVersionString).contains("1"), "BrisquelVersionString");
    check(brisquel::vexo::sortsBefore(QStringLiteral("Capture One 9"), QStringLiteral("Capture One 10")),
          "vexo::sortsBefore");
    const brisquel::VersionAvailability from16(QStringLiteral("16.0"));
    check(from16.compatible(QStringLiteral("16.2")) && !from16.compatible(QStringLiteral("15.4")),
          "VersionAvailability::compatible");

    // The discovery, in each of its forms. No event loop runs here, so each completes on the
    // thread that searched.
    AppFinder& finder = AppFinder::shared();
    const QList<AppFinder::App> copies = finder.returnApps().result();
    check(!copies.isEmpty(), "AppFinder::returnApps");
    finder.findApps().waitForFinished();
    check(finder.apps() == copies, "AppFinder::findApps (the observable apps)");
    QSemaphore called;
    qsizetype calledWith = -1;
    finder.findApps([&](const QList<AppFinder::App>& apps) {
        calledWith = apps.size();
        called.release();
    });
    check(called.tryAcquire(1, 30000) && calledWith == copies.size(), "AppFinder::findApps(completion)");
    const std::optional<AppFinder::App> running = finder.findRunningCaptureOne().result();
    check(!running || running->isRunning(), "AppFinder::findRunningCaptureOne");
    check(finder.discover() == copies, "AppFinder::discover");

    // The first copy that offers a background script, read step by step and at once.
    std::optional<AppFinder::App> copy;
    QList<BackgroundScript> scripts;
    for (const AppFinder::App& candidate : copies) {
        check(!candidate.displayName().isEmpty() && !candidate.bundleIdentifier().isEmpty() &&
                  !candidate.version().isEmpty() && QFileInfo(candidate.url().toLocalFile()).isDir(),
              "AppFinder::App's fields");
        check(candidate.makeMenuItem().title == candidate.displayName(), "AppFinder::App::makeMenuItem");
        candidate.isRunning();
        candidate.checkPermissions();
        const std::optional<QUrl> file = candidate.getScriptingDefinitionsFile();
        if (!file) {
            continue;
        }
        const auto document = candidate.loadScriptingDefinition(*file);
        check(static_cast<bool>(document), "AppFinder::App::loadScriptingDefinition");
        if (!document) {
            continue;
        }
        const QList<BackgroundScript> read = candidate.readBackgroundScripts(*document);
        check(read.size() == candidate.readBackgroundScripts().size(),
              "AppFinder::App::readBackgroundScripts");
        if (!read.isEmpty() && !copy) {
            copy = candidate;
            scripts = read;
        }
    }
    check(copy.has_value(), "AppFinder::App::getScriptingDefinitionsFile");
    if (!copy) {
        return 1;
    }

    // One script's file: in the preferences domain, then in the running Capture One.
    BackgroundScript script = scripts.first();
    check(!script.displayName().isEmpty() && script.defaultsScriptName().endsWith(QStringLiteral("Script")),
          "BackgroundScript::displayName and defaultsScriptName");
    const QUrl file = QUrl::fromLocalFile(QStringLiteral("/Scripts/batch done.scpt"));
    check(script.setUrl(file) && script.url() == file, "BackgroundScript::setUrl and url");
    check(script.setUrl(std::nullopt) && !script.url(), "BackgroundScript::setUrl(none)");
    const brisquel::RunningScriptProperty inCaptureOne = script.inRunningApplication();
    inCaptureOne.setURL(file);
    const std::optional<QUrl> answered = inCaptureOne.getURL();
    check(answered == file, "BackgroundScript::inRunningApplication().getURL");

    std::printf("Brisquel %.1f: %lld copies; %s offers %lld background scripts, the first \"%s\"\n",
                brisquel::BrisquelVersionNumber, static_cast<long long>(copies.size()),
                qPrintable(copy->displayName()), static_cast<long long>(scripts.size()),
                qPrintable(script.displayName()));
    return failures == 0 ? 0 : 1;
}
