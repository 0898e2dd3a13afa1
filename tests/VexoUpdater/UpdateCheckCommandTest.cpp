// The update check against a feed served on this machine (its own rules beside the HTTP layer's), and
// `quillmere --check-for-updates`: what it prints and its exit status.

#include "VexoUpdater/UpdateCheckCommand.h"
#include "VexoUpdater/UpdateCheck.h"

#include "VexoNetwork/NetworkAccess.h"
#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/HostileAnswer.h"
#include "tests/support/ScopedEnvironment.h"

#include <QJsonDocument>

#include <gtest/gtest.h>

using brisquel::vexo::Status;
using testsupport::HttpAnswer;
using updatertest::feedOf;
using updatertest::itemOf;

using namespace Qt::Literals::StringLiterals;
using namespace std::chrono_literals;

namespace {

// A server and this program (build 100, version 1.0).
class FeedCheck : public ::testing::Test {
protected:
    // Checks the feed at `path` as build `version` within bounds; starting returns at once.
    brisquel::vexo::Expected<quillmere::UpdateCheckOutcome> check(const QString& path, const char* version) {
        quillmere::UpdateCheckRequest request;
        request.feedURL = server.url(path);
        request.currentVersion = QString::fromUtf8(version);
        request.limits.deadline = 20s;
        quillmere::NetworkAccess network;
        request.network = &network;
        quillmere::UpdateCheck check;
        std::optional<brisquel::vexo::Expected<quillmere::UpdateCheckOutcome>> result;
        const auto start = [&] {
            check.start(request, [&](auto outcome) { result = std::move(outcome); });
            EXPECT_FALSE(result.has_value());
        };
        const auto ended = [&] { return result.has_value(); };
        testsupport::expectWithinBounds(testsupport::runBounded(start, ended, 30s), 30s);
        return result.value_or(brisquel::vexo::Result::failure(Status::Unavailable, u"never ended"_s));
    }

    updatertest::UpdaterWorld world;
    testsupport::TestHttpServer server;
};

// Rows: the answer, the outcome, words of its message, this program's build (one that is no version fails
// before anything is fetched). The feed's version equal to this one is no update.
TEST_F(FeedCheck, OnlyA200WithDataIsAFeed) {
    using enum brisquel::vexo::Status;
    const std::tuple<HttpAnswer, brisquel::vexo::Status, const char*, const char*> rows[] = {
        {{.body = feedOf(itemOf("100.0"))}, Ok, "", "100"},
        {{.status = 203, .body = feedOf(itemOf("120"))}, Unavailable, "(HTTP status 203", "100"},
        {{.body = " \n"}, Malformed, "an empty answer instead of the update feed.\n\n", "100"},
        {testsupport::hostileAnswer(testsupport::HostileAnswer::ChunkedWithABrokenChunkSize), Malformed,
         "a chunk size that cannot be read", "100"},
        {{.body = feedOf(itemOf("2"))}, Malformed, "\"unknown\" is not a version number", "unknown"},
        {{.body = feedOf(itemOf("2"))}, Malformed, "(CFBundleVersion is missing)", ""},
    };
    for (const auto& [answer, status, words, version] : rows) {
        const QString path = u"/%1"_s.arg(&answer - &std::get<0>(rows[0]));
        server.answer(path, answer);
        const auto outcome = check(path, version);
        const QString message = outcome.result().message();
        EXPECT_EQ(outcome ? Ok : outcome.result().status(), status) << path.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(words)) && !(outcome && outcome->updateAvailable))
            << message.toStdString();
        EXPECT_EQ(server.requestCount(path), std::string_view(version) == "100" ? 1 : 0);
    }
    EXPECT_TRUE(server.requests.first().header("User-Agent").startsWith("Quillmere/"));
}

// Choosing is linear: 60,000 items whose downloads do not parse (7 MB, under the real 8 MB) are left out
// within bounds. (A choice that searched the rest again for each item left out took minutes.)
TEST_F(FeedCheck, AFeedOfManyUnusableItemsEndsWithinBounds) {
    QByteArray items;
    for (int i = 0; i < 60'000; ++i)
        items += itemOf(QByteArray::number(i), {}, "url=\"https://a b/\"");
    server.answer(u"/feed"_s, feedOf(items));
    const auto outcome = check(u"/feed"_s, "100");
    EXPECT_TRUE(outcome.result().message().contains(u"(59999 more items have problems.)"_s))
        << outcome.result().message().toStdString();
}

struct CommandRun {
    int status;
    QString out;
    QString err;
};

CommandRun run(QStringList arguments) {
    CommandRun result;
    QTextStream out(&result.out);
    QTextStream err(&result.err);
    quillmere::UpdateCheckCommandOptions options;
    options.limits.deadline = 20s;
    arguments.prepend(u"--check-for-updates"_s);
    result.status = quillmere::runUpdateCheckCommand(arguments, out, err, options);
    return result;
}

class CheckCommand : public FeedCheck {
protected:
    QString feed(const QString& path) const { return server.url(path).toString(); }
};

// Of a beta, a release and a broken item: betas are left out unless the preference says so, a broken item
// is a warning; in --json what the item lacks is null.
TEST_F(CheckCommand, TextAndJsonGiveTheVersionsTheDownloadAndTheAnswer) {
    server.answer(u"/appcast.xml"_s,
                  feedOf(itemOf("200", "<sparkle:channel>beta</sparkle:channel>") +
                         itemOf("150", {}, "url=\"https://example.test/Q-1.5.tar.xz\"") + itemOf("soon")));
    const CommandRun text = run({u"--feed"_s, feed(u"/appcast.xml"_s)});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out, QStringLiteral("Feed: %1\nCurrent version: 1.0 (build 100)\nNewest version: 150\n"
                                       "Download: https://example.test/Q-1.5.tar.xz\nUpdate available: yes\n")
                            .arg(feed(u"/appcast.xml"_s)));
    EXPECT_TRUE(text.err.contains(u"warning: Item 3 (\"Version soon\")"_s));
    const CommandRun json = run({u"--json"_s, u"--feed="_s + feed(u"/appcast.xml"_s)});
    EXPECT_EQ(json.status, 0) << json.err.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8()),
              QJsonDocument::fromJson(R"({"current": "100", "currentShortVersion": "1.0", "error": null,
                  "updateAvailable": true, "newest": {"version": "150", "shortVersion": null, "channel": null,
                  "notesURL": null, "downloadURL": "https://example.test/Q-1.5.tar.xz", "length": null}})"))
        << json.out.toStdString();
}

// Rows: the arguments ("FEED": a missing feed), the exit status, the reason (or the "error" of --json).
TEST_F(CheckCommand, AFailureExitsWithItsStatusAndTheReason) {
    const std::tuple<QStringList, int, const char*> rows[] = {
        {{u"--feed"_s, u"FEED"_s}, 1, "(HTTP status 404, Not Found)"},
        {{u"--json"_s, u"--feed=FEED"_s}, 1, "\"error\": \"The update server has"},
        {{u"--frobnicate"_s}, 2, "unknown argument \"--frobnicate\""},
        {{u"--feed"_s}, 2, "--feed needs an address"},
        {{u"--feed"_s, QString()}, 2, "--feed was given an empty address"},
    };
    for (const auto& [arguments, status, message] : rows) {
        const CommandRun r = run(QStringList(arguments).replaceInStrings(u"FEED"_s, feed(u"/missing.xml"_s)));
        EXPECT_EQ(r.status, status) << message;
        EXPECT_TRUE((r.err + r.out).contains(QString::fromUtf8(message))) << r.err.toStdString();
    }
}

// Text from the feed and the server reaches the terminal with visible escapes, never doubled; --json
// escapes them as \u sequences and still decodes to the same text.
TEST_F(CheckCommand, OutsideTextIsEscapedOnTheTerminalAndInJson) {
    const QByteArray hostile = "\x1b]0;owned\x07\xc2\x9b"
                               "31m\xe2\x80\xae\xe2\x80\x8b"; // OSC, CSI (C1), RLO, ZWSP
    server.answer(
        u"/escapes.xml"_s,
        feedOf(itemOf("200", "<sparkle:shortVersionString>2.0" +
                                 QByteArray(hostile).replace("\x1b", "&#x1b;").replace("\x07", "&#x7;") +
                                 "</sparkle:shortVersionString>")));
    const QString escaped = u"2.0\\u001b]0;owned\\u0007\\u009b31m\\u202e\\u200b"_s;
    const CommandRun text = run({u"--feed"_s, feed(u"/escapes.xml"_s)});
    EXPECT_TRUE(text.out.contains(escaped)) << text.out.toStdString();
    for (const QChar c : text.out)
        EXPECT_TRUE(c == u'\n' || (c.isPrint() && c.category() != QChar::Other_Format)) << int(c.unicode());
    server.answer(u"/down.xml"_s, testsupport::HttpAnswer{.status = 503, .reason = "Down\x1b[2J"});
    EXPECT_TRUE(
        run({u"--feed"_s, feed(u"/down.xml"_s)}).err.contains(u"(HTTP status 503, Down\\u001b[2J)"_s));
    const CommandRun json = run({u"--json"_s, u"--feed"_s, feed(u"/escapes.xml"_s)});
    EXPECT_TRUE(json.out.contains(escaped)) << json.out.toStdString();
    EXPECT_EQ(QJsonDocument::fromJson(json.out.toUtf8())[u"newest"_s][u"shortVersion"_s],
              u"2.0"_s + QString::fromUtf8(hostile));
}

// A studio's feed base that cannot be used is the answer: the maker's feed is not asked instead.
TEST_F(CheckCommand, AStudioFeedBaseThatCannotBeUsedIsTheAnswer) {
    const testsupport::ScopedEnvironment base("QUILLMERE_UPDATE_FEED_BASE", feed(u"/m"_s).toUtf8());
    const CommandRun refused = run({});
    EXPECT_TRUE(refused.status == 1 && refused.err.contains(u"must end in"_s)) << qPrintable(refused.err);
    EXPECT_TRUE(server.requests.isEmpty());
}

TEST(CheckCommandArguments, AreRecognisedAnywhereAfterTheProgramName) {
    std::string words[] = {"quillmere", "--verbose", "--check-for-updates"};
    char* argv[] = {words[0].data(), words[1].data(), words[2].data()};
    EXPECT_TRUE(quillmere::isUpdateCheckCommand(3, argv) && !quillmere::isUpdateCheckCommand(2, argv));
    argv[0] = words[2].data();
    EXPECT_FALSE(quillmere::isUpdateCheckCommand(1, argv)); // only the program's name
}

} // namespace
