#pragma once

#include "core/AppFinder.h"
#include "core/BackgroundScript.h"

#include <QList>
#include <QString>
#include <QStringList>
#include <memory>
#include <optional>

namespace brisquel::cli {

class CommandLog;

// The brisquel command: lists the installed Capture One copies and their background scripts, and
// reads, assigns and clears a script's file in the copy's preferences domain.
//
// Exit statuses: 0 done, 1 the request could not be carried out (unknown copy or script, a file
// that does not exist, an assignment that could not be stored), 2 the command line is wrong.
class BrisquelTool {
public:
    enum ExitStatus { Success = 0, Failure = 1, UsageError = 2 };

    // Arguments without the program name. Installs the platform services it uses.
    int run(const QStringList& arguments);

    static QString usage();
    static QString version();

private:
    struct Request;

    int listApps(const Request& request);
    int listScripts(const Request& request);
    int getScript(const Request& request);
    int setScript(const Request& request);
    int clearScript(const Request& request);

    // The copy named by a bundle identifier or an exact display name; a message when none is.
    std::optional<AppFinder::App> findCopy(const QString& name);
    // The script named by its script name or its preferences key; a message when none is.
    std::optional<BackgroundScript> findScript(const AppFinder::App& app, const QString& name);
    int store(BackgroundScript& script, const std::optional<QUrl>& url, const QString& what);

    QList<AppFinder::App> apps();

    std::shared_ptr<CommandLog> m_log;
    std::optional<QList<AppFinder::App>> m_apps;
};

// Output helpers: text is written as UTF-8 bytes, never through a format.
void writeOut(const QString& text);
void writeError(const QString& text);

} // namespace brisquel::cli
