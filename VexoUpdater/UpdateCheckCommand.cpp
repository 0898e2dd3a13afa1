#include "VexoUpdater/UpdateCheckCommand.h"

#include "VexoExtensions/VisibleText.h"
#include "VexoUpdater/FeedAddress.h"
#include "VexoUpdater/UpdateCheck.h"
#include "core/platform/Platform.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstring>
#include <optional>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::visibleText;

namespace {

constexpr int kCompleted = 0;
constexpr int kFailed = 1;
constexpr int kUsage = 2;

const char* const kCommand = "--check-for-updates";

QString usage() {
    return QStringLiteral("usage: quillmere --check-for-updates [--feed URL] [--json]\n"
                          "  Checks the update feed (by default the one the beta setting selects) and\n"
                          "  prints the current version, the newest applicable one and whether it is newer.\n"
                          "  --feed URL  check this feed instead (https, or http on this machine)\n"
                          "  --json      print one JSON object\n"
                          "  Exit status: 0 the check completed, 1 it failed, 2 arguments not understood.\n");
}

QJsonValue textOrNull(const QString& text) {
    return text.isEmpty() ? QJsonValue(QJsonValue::Null) : QJsonValue(text);
}

QJsonValue itemJson(const AppcastItem& item) {
    QJsonObject object;
    object.insert(QStringLiteral("version"), item.version);
    object.insert(QStringLiteral("shortVersion"), textOrNull(item.shortVersion));
    object.insert(QStringLiteral("channel"),
                  item.channel ? QJsonValue(*item.channel) : QJsonValue(QJsonValue::Null));
    object.insert(QStringLiteral("notesURL"), textOrNull(item.releaseNotesURL.toString(QUrl::FullyEncoded)));
    object.insert(QStringLiteral("downloadURL"), item.downloadURL.toString(QUrl::FullyEncoded));
    object.insert(QStringLiteral("length"),
                  item.length ? QJsonValue(static_cast<double>(*item.length)) : QJsonValue(QJsonValue::Null));
    return object;
}

QString versionLine(const QString& shortVersion, const QString& version) {
    if (shortVersion.isEmpty() || shortVersion == version)
        return version;
    return QStringLiteral("%1 (build %2)").arg(shortVersion, version);
}

// Writes text from the feed line by line, each with visible escapes for whatever in it a terminal
// would act on or not show; the line breaks between paragraphs stay.
void printLines(QTextStream& stream, const QString& text) {
    for (const QString& line : text.split(QLatin1Char('\n')))
        stream << visibleText(line) << '\n';
}

// Writes a message (a failure, a warning) line by line. Messages already show what they quote
// from the feed or the server with visible escapes; this pass catches anything else a terminal
// would act on, without doubling the backslashes of those escapes.
void printMessage(QTextStream& stream, const QString& message) {
    for (const QString& line : message.split(QLatin1Char('\n')))
        stream << visibleText(line).replace(QLatin1String("\\\\"), QLatin1String("\\")) << '\n';
}

struct Arguments {
    std::optional<QString> feed;
    bool json = false;
};

// None, with the reason in `error`, when the arguments are not understood.
std::optional<Arguments> parse(const QStringList& arguments, QString& error) {
    Arguments parsed;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String(kCommand))
            continue;
        if (argument == QLatin1String("--json")) {
            parsed.json = true;
        } else if (argument == QLatin1String("--feed") && i + 1 < arguments.size()) {
            parsed.feed = arguments[++i];
        } else if (argument.startsWith(QLatin1String("--feed="))) {
            parsed.feed = argument.mid(7);
        } else {
            error = argument == QLatin1String("--feed")
                        ? QStringLiteral("--feed needs an address")
                        : QStringLiteral("unknown argument \"%1\"").arg(visibleText(argument));
            return std::nullopt;
        }
        if (parsed.feed && parsed.feed->trimmed().isEmpty()) {
            error = QStringLiteral("--feed was given an empty address");
            return std::nullopt;
        }
    }
    return parsed;
}

} // namespace

bool isUpdateCheckCommand(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kCommand) == 0)
            return true;
    }
    return false;
}

int runUpdateCheckCommand(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    brisquel::Platform::install(brisquel::Platform::native());
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList arguments = QCoreApplication::arguments();
    arguments.removeFirst();
    return runUpdateCheckCommand(arguments, out, err);
}

int runUpdateCheckCommand(const QStringList& arguments, QTextStream& out, QTextStream& err,
                          const UpdateCheckCommandOptions& options) {
    QString problem;
    const std::optional<Arguments> parsed = parse(arguments, problem);
    if (!parsed) {
        err << "quillmere: " << problem << "\n" << usage();
        err.flush();
        return kUsage;
    }

    QUrl feed;
    std::optional<brisquel::vexo::Result> refusal;
    if (parsed->feed) {
        feed = QUrl(*parsed->feed);
    } else if (const FeedBase base = updateFeedBase(); !base.refusal.isEmpty()) {
        // A studio that names its own feed does not want its computers to ask the maker's feed
        // instead: the window shows the refusal beside the built-in feed it falls back to, but this
        // command was asked for one check and answers with the refusal.
        refusal = brisquel::vexo::Result::failure(brisquel::vexo::Status::Refused, base.refusal);
    } else if (const std::optional<QString> selected = selectedFeedAddress()) {
        feed = QUrl(*selected);
    }

    UpdateCheckRequest request = UpdateCheckRequest::forThisProgram(feed);
    if (options.system) {
        request.criteria.operatingSystem = options.system->operatingSystem();
        request.criteria.systemVersion = options.system->systemVersion();
    }
    request.limits = options.limits;

    std::optional<Expected<UpdateCheckOutcome>> result;
    if (refusal) {
        result = Expected<UpdateCheckOutcome>(*refusal);
    } else if (feed.isEmpty()) {
        result = Expected<UpdateCheckOutcome>(brisquel::vexo::Result::failure(
            brisquel::vexo::Status::NotFound,
            QStringLiteral(
                "This program has no bundle identifier, so it has no update feed; name one with --feed.")));
    } else {
        UpdateCheck check;
        QEventLoop loop;
        check.start(request, [&](Expected<UpdateCheckOutcome> outcome) {
            result = std::move(outcome);
            loop.quit();
        });
        if (!result)
            loop.exec();
    }

    const Expected<UpdateCheckOutcome>& outcome = *result;
    if (outcome) {
        for (const QString& left : outcome->problems)
            printMessage(err, QStringLiteral("warning: ") + left);
        if (outcome->problemCount > outcome->problems.size()) {
            printMessage(err, QStringLiteral("warning: %1 more items have problems")
                                  .arg(outcome->problemCount - outcome->problems.size()));
        }
        err.flush();
    }
    if (parsed->json) {
        QJsonObject object;
        object.insert(QStringLiteral("current"), textOrNull(request.currentVersion));
        object.insert(QStringLiteral("currentShortVersion"), textOrNull(request.currentShortVersion));
        object.insert(QStringLiteral("newest"),
                      outcome && outcome->newest ? itemJson(*outcome->newest) : QJsonValue(QJsonValue::Null));
        object.insert(QStringLiteral("updateAvailable"), outcome && outcome->updateAvailable);
        object.insert(QStringLiteral("error"),
                      outcome ? QJsonValue(QJsonValue::Null) : QJsonValue(outcome.result().message()));
        out << QString::fromUtf8(
            brisquel::vexo::jsonWithVisibleEscapes(QJsonDocument(object).toJson(QJsonDocument::Indented)));
        out.flush();
        return outcome ? kCompleted : kFailed;
    }
    if (!outcome) {
        printMessage(err, QStringLiteral("quillmere: ") + outcome.result().message());
        err.flush();
        return kFailed;
    }
    printLines(out, QStringLiteral("Feed: ") + feed.toDisplayString(QUrl::RemoveUserInfo));
    printLines(out, QStringLiteral("Current version: ") +
                        versionLine(outcome->currentShortVersion, outcome->currentVersion));
    if (const std::optional<AppcastItem>& newest = outcome->newest) {
        QString line =
            QStringLiteral("Newest version: ") + versionLine(newest->shortVersion, newest->version);
        if (newest->channel)
            line += QStringLiteral(", channel ") + *newest->channel;
        printLines(out, line);
        printLines(out, QStringLiteral("Download: ") + newest->downloadURL.toString(QUrl::FullyEncoded));
        if (!newest->releaseNotesURL.isEmpty())
            printLines(out, QStringLiteral("Release notes: ") +
                                newest->releaseNotesURL.toString(QUrl::FullyEncoded));
    } else {
        printLines(out, QStringLiteral("Newest version: none of the feed's items applies here"));
    }
    printLines(out, QStringLiteral("Update available: ") +
                        (outcome->updateAvailable ? QStringLiteral("yes") : QStringLiteral("no")));
    out.flush();
    return kCompleted;
}

} // namespace quillmere
