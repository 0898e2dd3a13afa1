#include "cli/BrisquelTool.h"

#include "cli/CommandLog.h"
#include "cli/TextTable.h"

#include "core/BrisquelVersion.h"
#include "core/platform/posix/PlistFileDefaults.h"

#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>

namespace brisquel::cli {

namespace {

const QString kProgram = QStringLiteral("brisquel");

// Extensions of the script files Capture One runs: compiled scripts, script bundles, source text.
const QStringList kScriptExtensions{QStringLiteral("scpt"), QStringLiteral("scptd"),
                                    QStringLiteral("applescript")};

struct CommandShape {
    QString name;
    int operands;
    bool json;
};

const QList<CommandShape> kCommands{
    {QStringLiteral("apps"), 0, true},   {QStringLiteral("scripts"), 1, true},
    {QStringLiteral("get"), 2, false},   {QStringLiteral("set"), 3, false},
    {QStringLiteral("clear"), 2, false},
};

void writeTo(FILE* stream, const QString& text) {
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
    std::fflush(stream);
}

// One line on standard error, made safe to show.
void fail(const QString& message) {
    writeError(kProgram + QStringLiteral(": ") + TextTable::printable(message) + QLatin1Char('\n'));
}

int usageError(const QString& message) {
    fail(message);
    writeError(BrisquelTool::usage());
    return BrisquelTool::UsageError;
}

QString quoted(const QString& text) {
    return QLatin1Char('"') + text + QLatin1Char('"');
}

void writeJson(const QJsonArray& array) {
    writeOut(QString::fromUtf8(QJsonDocument(array).toJson(QJsonDocument::Indented)));
}

} // namespace

void writeOut(const QString& text) {
    writeTo(stdout, text);
}

void writeError(const QString& text) {
    writeTo(stderr, text);
}

struct BrisquelTool::Request {
    QString command;
    QStringList operands;
    bool json = false;
};

QString BrisquelTool::usage() {
    return QStringLiteral(
        "Usage: brisquel [--verbose] COMMAND [ARGUMENTS]\n"
        "\n"
        "Lists the installed copies of Capture One and the background scripts each one offers,\n"
        "and shows, assigns or clears the script file of a background script.\n"
        "\n"
        "Commands:\n"
        "  apps [--json]            the installed copies of Capture One\n"
        "  scripts COPY [--json]    the background scripts of one copy\n"
        "  get COPY SCRIPT          the file assigned to a background script (nothing when none)\n"
        "  set COPY SCRIPT FILE     assigns FILE to a background script\n"
        "  clear COPY SCRIPT        removes the assignment\n"
        "\n"
        "COPY is a bundle identifier or an exact display name (\"Capture One 23\").\n"
        "SCRIPT is a script name (\"capture done script\") or its preferences key (\"endOfCaptureScript\").\n"
        "Put -- before an argument that begins with a dash.\n"
        "\n"
        "Options:\n"
        "  --json        machine-readable output (apps, scripts)\n"
        "  --verbose     also show the library's diagnostic lines on standard error\n"
        "  -h, --help    shows this text\n"
        "  --version     shows the version\n"
        "\n"
        "Environment:\n"
        "  QUILLMERE_APPLICATIONS_DIR  the folder searched for copies (default /Applications)\n"
        "  QUILLMERE_PREFERENCES_DIR   the folder of the preferences domains\n"
        "                              (default $XDG_CONFIG_HOME/Quillmere/Preferences)\n"
        "\n"
        "Exit status: 0 done, 1 the request could not be carried out, 2 wrong usage.\n");
}

QString BrisquelTool::version() {
    return kProgram + QStringLiteral(" " QUILLMERE_VERSION " (Brisquel library ") +
           QString::number(BrisquelVersionNumber, 'f', 1) + QStringLiteral(")\n");
}

int BrisquelTool::run(const QStringList& arguments) {
    Request request;
    QStringList positional;
    bool verbose = false;
    bool help = false;
    bool showVersion = false;
    QString badOption;
    bool optionsEnded = false;
    for (const QString& argument : arguments) {
        if (optionsEnded || argument == QLatin1String("-") || !argument.startsWith(QLatin1Char('-'))) {
            positional.append(argument);
        } else if (argument == QLatin1String("--")) {
            optionsEnded = true;
        } else if (argument == QLatin1String("--json")) {
            request.json = true;
        } else if (argument == QLatin1String("--verbose")) {
            verbose = true;
        } else if (argument == QLatin1String("-h") || argument == QLatin1String("--help")) {
            help = true;
        } else if (argument == QLatin1String("--version")) {
            showVersion = true;
        } else if (badOption.isEmpty()) {
            badOption = argument;
        }
    }
    if (help) {
        writeOut(usage());
        return Success;
    }
    if (showVersion) {
        writeOut(version());
        return Success;
    }
    if (!badOption.isEmpty()) {
        return usageError(QStringLiteral("unknown option ") + badOption);
    }
    if (positional.isEmpty()) {
        return usageError(QStringLiteral("no command given"));
    }
    request.command = positional.takeFirst();
    request.operands = positional;
    const auto shape = std::find_if(kCommands.begin(), kCommands.end(),
                                    [&](const CommandShape& s) { return s.name == request.command; });
    if (shape == kCommands.end()) {
        return usageError(QStringLiteral("unknown command ") + request.command);
    }
    if (request.operands.size() != shape->operands) {
        return usageError(
            request.command + QStringLiteral(" takes ") + QString::number(shape->operands) +
            (shape->operands == 1 ? QStringLiteral(" argument") : QStringLiteral(" arguments")) +
            QStringLiteral(", not ") + QString::number(request.operands.size()));
    }
    if (request.json && !shape->json) {
        return usageError(QStringLiteral("--json does not apply to ") + request.command);
    }

    Platform platform = Platform::native();
    m_log = std::make_shared<CommandLog>(platform.log, verbose);
    platform.log = m_log;
    // The preferences report why a write failed through the log they were opened with.
    platform.preferences =
        std::make_shared<PlistFilePreferences>(PlistFilePreferences::defaultFolder(), m_log);
    Platform::install(platform);

    if (request.command == QLatin1String("apps")) {
        return listApps(request);
    }
    if (request.command == QLatin1String("scripts")) {
        return listScripts(request);
    }
    if (request.command == QLatin1String("get")) {
        return getScript(request);
    }
    if (request.command == QLatin1String("set")) {
        return setScript(request);
    }
    return clearScript(request);
}

QList<AppFinder::App> BrisquelTool::apps() {
    if (!m_apps) {
        m_apps = AppFinder::shared().discover();
    }
    return *m_apps;
}

std::optional<AppFinder::App> BrisquelTool::findCopy(const QString& name) {
    const QList<AppFinder::App> all = apps();
    for (const AppFinder::App& app : all) {
        if (app.bundleIdentifier() == name) {
            return app;
        }
    }
    QList<AppFinder::App> named;
    for (const AppFinder::App& app : all) {
        if (app.displayName() == name) {
            named.append(app);
        }
    }
    if (named.size() == 1) {
        return named.first();
    }
    if (named.isEmpty()) {
        fail(QStringLiteral("no copy of Capture One is named ") + quoted(name) + QStringLiteral(" in ") +
             Platform::current().applicationsFolder);
    } else {
        QStringList identifiers;
        for (const AppFinder::App& app : named) {
            identifiers.append(app.bundleIdentifier());
        }
        fail(QStringLiteral("several copies are named ") + quoted(name) +
             QStringLiteral("; name one by its ") + QStringLiteral("bundle identifier: ") +
             identifiers.join(QStringLiteral(", ")));
    }
    return std::nullopt;
}

std::optional<BackgroundScript> BrisquelTool::findScript(const AppFinder::App& app, const QString& name) {
    const QList<BackgroundScript> scripts = app.readBackgroundScripts();
    for (const BackgroundScript& script : scripts) {
        if (script.scriptName() == name) {
            return script;
        }
    }
    for (const BackgroundScript& script : scripts) {
        if (script.defaultsScriptName() == name) {
            return script;
        }
    }
    fail(app.displayName() + QStringLiteral(" (") + app.bundleIdentifier() +
         QStringLiteral(") has no background ") + QStringLiteral("script named ") + quoted(name));
    return std::nullopt;
}

int BrisquelTool::listApps(const Request& request) {
    const QList<AppFinder::App> all = apps();
    if (request.json) {
        QJsonArray array;
        for (const AppFinder::App& app : all) {
            array.append(QJsonObject{{QStringLiteral("displayName"), app.displayName()},
                                     {QStringLiteral("bundleIdentifier"), app.bundleIdentifier()},
                                     {QStringLiteral("version"), app.version()},
                                     {QStringLiteral("path"), app.url().toLocalFile()},
                                     {QStringLiteral("running"), app.isRunning()}});
        }
        writeJson(array);
        return Success;
    }
    if (all.isEmpty()) {
        writeOut(QStringLiteral("No copy of Capture One found in ") +
                 TextTable::printable(Platform::current().applicationsFolder) + QStringLiteral(".\n"));
        return Success;
    }
    TextTable table({QStringLiteral("NAME"), QStringLiteral("VERSION"), QStringLiteral("BUNDLE IDENTIFIER"),
                     QStringLiteral("RUNNING"), QStringLiteral("PATH")});
    for (const AppFinder::App& app : all) {
        table.addRow({app.displayName(), app.version(), app.bundleIdentifier(),
                      app.isRunning() ? QStringLiteral("yes") : QStringLiteral("no"),
                      app.url().toLocalFile()});
    }
    writeOut(table.render());
    return Success;
}

int BrisquelTool::listScripts(const Request& request) {
    const std::optional<AppFinder::App> app = findCopy(request.operands.at(0));
    if (!app) {
        return Failure;
    }
    const QList<BackgroundScript> scripts = app->readBackgroundScripts();
    if (request.json) {
        QJsonArray array;
        for (const BackgroundScript& script : scripts) {
            const std::optional<QUrl> url = script.url();
            array.append(
                QJsonObject{{QStringLiteral("scriptName"), script.scriptName()},
                            {QStringLiteral("displayName"), script.displayName()},
                            {QStringLiteral("defaultsScriptName"), script.defaultsScriptName()},
                            {QStringLiteral("description"), script.description()},
                            {QStringLiteral("path"), url ? QJsonValue(url->toLocalFile()) : QJsonValue()}});
        }
        writeJson(array);
        return Success;
    }
    if (scripts.isEmpty()) {
        writeOut(TextTable::printable(app->displayName()) +
                 QStringLiteral(" offers no background scripts.\n"));
        return Success;
    }
    TextTable table({QStringLiteral("SCRIPT"), QStringLiteral("NAME"), QStringLiteral("KEY"),
                     QStringLiteral("FILE"), QStringLiteral("DESCRIPTION")});
    for (const BackgroundScript& script : scripts) {
        const std::optional<QUrl> url = script.url();
        table.addRow({script.displayName(), script.scriptName(), script.defaultsScriptName(),
                      url ? url->toLocalFile() : QStringLiteral("-"), script.description()});
    }
    writeOut(table.render());
    return Success;
}

int BrisquelTool::getScript(const Request& request) {
    const std::optional<AppFinder::App> app = findCopy(request.operands.at(0));
    if (!app) {
        return Failure;
    }
    const std::optional<BackgroundScript> script = findScript(*app, request.operands.at(1));
    if (!script) {
        return Failure;
    }
    if (const std::optional<QUrl> url = script->url()) {
        writeOut(url->toLocalFile() + QLatin1Char('\n'));
    }
    return Success;
}

int BrisquelTool::setScript(const Request& request) {
    const std::optional<AppFinder::App> app = findCopy(request.operands.at(0));
    if (!app) {
        return Failure;
    }
    std::optional<BackgroundScript> script = findScript(*app, request.operands.at(1));
    if (!script) {
        return Failure;
    }
    const QString given = request.operands.at(2);
    const QFileInfo file(given);
    if (given.isEmpty() || !file.exists()) {
        fail(QStringLiteral("no such file: ") + given);
        return Failure;
    }
    const QString path = QDir::cleanPath(file.absoluteFilePath());
    if (!kScriptExtensions.contains(file.suffix(), Qt::CaseInsensitive)) {
        fail(QStringLiteral("warning: ") + path +
             QStringLiteral(" is not an AppleScript file (.scpt, .scptd or ") +
             QStringLiteral(".applescript); assigning it anyway"));
    }
    return store(*script, QUrl::fromLocalFile(path),
                 QStringLiteral("assign ") + path + QStringLiteral(" to"));
}

int BrisquelTool::clearScript(const Request& request) {
    const std::optional<AppFinder::App> app = findCopy(request.operands.at(0));
    if (!app) {
        return Failure;
    }
    std::optional<BackgroundScript> script = findScript(*app, request.operands.at(1));
    if (!script) {
        return Failure;
    }
    return store(*script, std::nullopt, QStringLiteral("clear"));
}

int BrisquelTool::store(BackgroundScript& script, const std::optional<QUrl>& url, const QString& what) {
    m_log->clear();
    if (script.setUrl(url)) {
        return Success;
    }
    const QString reason = m_log->lastLine();
    fail(QStringLiteral("could not ") + what + QLatin1Char(' ') + script.scriptName() +
         QStringLiteral(" of ") + script.bundleIdentifier() +
         (reason.isEmpty() ? QString() : QStringLiteral(": ") + reason));
    return Failure;
}

} // namespace brisquel::cli
