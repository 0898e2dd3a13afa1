// `quillmere --check-for-updates`: what it prints and its exit status, against a feed served on
// this machine.

#include "VexoUpdater/UpdateCheckCommand.h"

#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TestHttpServer.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <gtest/gtest.h>

namespace {

const QByteArray kFeed = updatertest::feedOf(
    updatertest::itemOf("200",
                        "<sparkle:shortVersionString>2.0b1</sparkle:shortVersionString><sparkle:channel>beta"
                        "</sparkle:channel><sparkle:releaseNotesLink>https://example.test/notes"
                        "</sparkle:releaseNotesLink>",
                        "url=\"https://example.test/Q-2.0b1.tar.xz\" length=\"1234\"") +
    updatertest::itemOf("150", {}, "url=\"https://example.test/Q-1.5.tar.xz\"") +
    updatertest::itemOf("soon"));

struct CommandRun {
    int status;
    QString out;
    QString err;
};

class CheckCommand : public ::testing::Test {
protected:
    CheckCommand() { server.answer(QStringLiteral("/appcast.xml"), kFeed); }

    CommandRun run(QStringList arguments) {
        CommandRun result;
        QTextStream out(&result.out);
        QTextStream err(&result.err);
        quillmere::UpdateCheckCommandOptions options;
        options.limits.deadline = std::chrono::seconds(20);
        arguments.prepend(QStringLiteral("--check-for-updates"));
        result.status = quillmere::runUpdateCheckCommand(arguments, out, err, options);
        return result;
    }

    QString feed(const QString& path = QStringLiteral("/appcast.xml")) const {
        return server.url(path).toString();
    }

    updatertest::UpdaterWorld world{QStringLiteral("100"), QStringLiteral("1.0")};
    testsupport::TestHttpServer server;
};

TEST_F(CheckCommand, JsonGivesTheCurrentVersionTheNewestApplicableItemAndWhetherItIsNewer) {
    const CommandRun r = run({QStringLiteral("--feed"), feed(), QStringLiteral("--json")});
    EXPECT_EQ(r.status, 0) << r.err.toStdString();
    // Betas are not included; what the item lacks is null.
    EXPECT_EQ(QJsonDocument::fromJson(r.out.toUtf8()),
              QJsonDocument::fromJson(R"({"current": "100", "currentShortVersion": "1.0", "error": null,
                  "updateAvailable": true, "newest": {"version": "150", "shortVersion": null, "channel": null,
                  "notesURL": null, "downloadURL": "https://example.test/Q-1.5.tar.xz", "length": null}})"))
        << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("warning: Item 3 (\"Version soon\")")));

    world.defaults()->m_values.insert(QStringLiteral("includeBetaReleases"), true);
    const CommandRun betas = run({QStringLiteral("--json"), QStringLiteral("--feed=") + feed()});
    const QJsonObject newest =
        QJsonDocument::fromJson(betas.out.toUtf8())[QStringLiteral("newest")].toObject();
    EXPECT_EQ(newest.value(QStringLiteral("notesURL")), QStringLiteral("https://example.test/notes"));
    EXPECT_EQ(newest.value(QStringLiteral("length")), 1234);
}

TEST_F(CheckCommand, TextNamesTheVersionsTheDownloadAndTheAnswer) {
    const CommandRun r = run({QStringLiteral("--feed"), feed()});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, QStringLiteral("Feed: %1\nCurrent version: 1.0 (build 100)\nNewest version: 150\n"
                                    "Download: https://example.test/Q-1.5.tar.xz\nUpdate available: yes\n")
                         .arg(feed()));
    server.answer(QStringLiteral("/old.xml"), updatertest::feedOf(updatertest::itemOf("99")));
    const CommandRun old = run({QStringLiteral("--feed"), feed(QStringLiteral("/old.xml"))});
    EXPECT_TRUE(old.status == 0 && old.out.endsWith(QStringLiteral("Update available: no\n")))
        << old.out.toStdString();
}

// Rows: the arguments ("FEED": the test server's address of /missing.xml), the exit status, the reason
// (on the error stream, or as the "error" of --json).
TEST_F(CheckCommand, AFailureExitsWithItsStatusAndTheReason) {
    const struct {
        QStringList arguments;
        int status;
        const char* message;
    } rows[] = {
        {{QStringLiteral("--feed"), QStringLiteral("FEED")}, 1, "(HTTP status 404, Not Found)"},
        {{QStringLiteral("--json"), QStringLiteral("--feed=FEED")}, 1, "\"error\": \"The update server has"},
        {{QStringLiteral("--feed"), QStringLiteral("http://example.test/a.xml")},
         1,
         "is not an https address"},
        {{QStringLiteral("--frobnicate")}, 2, "unknown argument \"--frobnicate\""},
        {{QStringLiteral("--feed")}, 2, "--feed needs an address"},
        {{QStringLiteral("--feed"), QString()}, 2, "--feed was given an empty address"},
    };
    for (const auto& row : rows) {
        const CommandRun r =
            run(QStringList(row.arguments)
                    .replaceInStrings(QStringLiteral("FEED"), feed(QStringLiteral("/missing.xml"))));
        EXPECT_EQ(r.status, row.status) << row.message;
        EXPECT_TRUE((r.err + r.out).contains(QString::fromUtf8(row.message))) << r.err.toStdString();
    }
}

// Text from the feed and the server reaches the terminal with visible escapes; --json escapes the characters
// a terminal would act on or not show as \u sequences, and still decodes to the same text.
TEST_F(CheckCommand, OutsideTextIsEscapedOnTheTerminalAndInJson) {
    const QByteArray hostile = "\x1b]0;owned\x07\xc2\x9b"
                               "31m\xe2\x80\xae\xe2\x80\x8b"; // OSC, CSI (C1), RLO, ZWSP
    server.answer(QStringLiteral("/escapes.xml"),
                  updatertest::feedOf(updatertest::itemOf(
                      "200", "<sparkle:shortVersionString>2.0" +
                                 QByteArray(hostile).replace("\x1b", "&#x1b;").replace("\x07", "&#x7;") +
                                 "</sparkle:shortVersionString>")));
    const QString escaped = QStringLiteral("2.0\\u001b]0;owned\\u0007\\u009b31m\\u202e\\u200b");
    const CommandRun text = run({QStringLiteral("--feed"), feed(QStringLiteral("/escapes.xml"))});
    EXPECT_TRUE(text.out.contains(escaped)) << text.out.toStdString();
    for (const QChar c : text.out)
        EXPECT_TRUE(c == u'\n' || (c.isPrint() && c.category() != QChar::Other_Format)) << int(c.unicode());
    // A message shows the server's words with its own escapes, not doubled.
    server.answer(QStringLiteral("/down.xml"),
                  testsupport::HttpAnswer{.status = 503, .reason = "Down\x1b[2J"});
    const CommandRun phrase = run({QStringLiteral("--feed"), feed(QStringLiteral("/down.xml"))});
    EXPECT_TRUE(phrase.err.contains(QStringLiteral("(HTTP status 503, Down\\u001b[2J)")))
        << phrase.err.toStdString();
    const CommandRun json =
        run({QStringLiteral("--json"), QStringLiteral("--feed"), feed(QStringLiteral("/escapes.xml"))});
    EXPECT_TRUE(json.out.contains(escaped)) << json.out.toStdString();
    EXPECT_EQ(
        QJsonDocument::fromJson(json.out.toUtf8())[QStringLiteral("newest")][QStringLiteral("shortVersion")]
            .toString(),
        QStringLiteral("2.0") + QString::fromUtf8(hostile));
}

// A studio's feed base that cannot be used is the answer: the maker's feed is not asked instead.
TEST_F(CheckCommand, AStudioFeedBaseThatCannotBeUsedIsTheAnswer) {
    const testsupport::ScopedEnvironment base("QUILLMERE_UPDATE_FEED_BASE",
                                              feed(QStringLiteral("/m")).toUtf8());
    const CommandRun refused = run({});
    EXPECT_EQ(refused.status, 1);
    EXPECT_TRUE(refused.err.contains(QStringLiteral("must end in"))) << qPrintable(refused.err);
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST(CheckCommandWithoutIdentifier, FailsWithoutAFeedOfItsOwnAndSaysHowToNameOne) {
    updatertest::UpdaterWorld world(QStringLiteral("1"), QStringLiteral("1.0"), QString());
    QString out;
    QString err;
    QTextStream o(&out);
    QTextStream e(&err);
    EXPECT_EQ(quillmere::runUpdateCheckCommand({QStringLiteral("--check-for-updates")}, o, e), 1);
    EXPECT_TRUE(err.contains(QStringLiteral("name one with --feed")));
}

TEST(CheckCommandArguments, AreRecognisedAnywhereAfterTheProgramName) {
    char program[] = "quillmere";
    char other[] = "--verbose";
    char command[] = "--check-for-updates";
    char* with[] = {program, other, command};
    char* without[] = {program, other, command};
    EXPECT_TRUE(quillmere::isUpdateCheckCommand(3, with));
    EXPECT_FALSE(quillmere::isUpdateCheckCommand(2, without));
    EXPECT_FALSE(quillmere::isUpdateCheckCommand(1, with)); // only the program's name
}

} // namespace
