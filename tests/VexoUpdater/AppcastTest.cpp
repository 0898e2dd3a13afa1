#include "VexoUpdater/Appcast.h"

#include "tests/VexoUpdater/UpdaterWorld.h"
#include "tests/support/TempFolder.h"

#include <QFile>

#include <gtest/gtest.h>

using quillmere::Appcast;
using quillmere::AppcastCriteria;
using quillmere::AppcastItem;
using quillmere::AppcastReading;
using quillmere::ReleaseNotesFormat;

namespace {

const QString kSource = QStringLiteral("https://feeds.example.test/appcast.xml");

QByteArray feed(const QByteArray& items, const QByteArray& prefix = "sparkle") {
    return updatertest::feedOf(items, prefix);
}

using updatertest::itemOf;

AppcastCriteria criteria(bool betas = false, const QString& os = QStringLiteral("linux"),
                         std::optional<QString> system = std::nullopt) {
    AppcastCriteria c;
    c.includeBetaReleases = betas;
    c.operatingSystem = os;
    c.systemVersion = std::move(system);
    return c;
}

QByteArray channel(const QByteArray& name) {
    return "<sparkle:channel>" + name + "</sparkle:channel>";
}

QByteArray minimumSystem(const QByteArray& version) {
    return "<sparkle:minimumSystemVersion>" + version + "</sparkle:minimumSystemVersion>";
}

QByteArray download(const QByteArray& attributes) {
    return "url=\"https://example.test/a\" " + attributes;
}

const AppcastCriteria kBetas = criteria(true);
const AppcastCriteria kMacOS13 = criteria(false, QStringLiteral("macos"), QStringLiteral("13.0.0"));

// Rows: the rule, the items of the feed (beside an item "1.0"), its newest applicable version ("" when
// none applies), the criteria.
TEST(Appcast, ChoosesTheNewestApplicableItemByTheRulesOfUpdateFeeds) {
    const struct {
        const char* rule;
        QByteArray items;
        const char* newest;
        AppcastCriteria where = criteria();
    } rows[] = {{"by value", itemOf("1.2") + itemOf("1.10") + itemOf("1.9"), "1.10"},
                {"of equals the first",
                 itemOf("1", "<sparkle:shortVersionString>a</sparkle:shortVersionString>"), "1.0"},
                {"an empty channel is none", itemOf("9.0", channel("  ")), "1.0", kBetas},
                {"betas left out", itemOf("2.0", channel("beta")), "1.0"},
                {"betas included", itemOf("2.0", channel("beta")), "2.0", kBetas},
                {"another channel never", itemOf("5.0", channel("nightly")), "1.0", kBetas},
                {"only a delta", itemOf("7.0", {}, download("sparkle:deltaFrom=\"5.0\"")), "1.0"},
                {"a delta beside a full one",
                 "<item><sparkle:version>4.0</sparkle:version><enclosure " +
                     download("sparkle:deltaFrom=\"3\"") +
                     "/><enclosure url=\"https://example.test/full.zip\"/></item>",
                 "4.0"},
                {"another system", itemOf("6.0", {}, download("sparkle:os=\"windows\"")), "1.0"},
                {"this system in any case", itemOf("6.0", {}, download("sparkle:os=\"Linux\"")), "6.0"},
                {"a system too old", itemOf("2.0", minimumSystem("13.0.1")), "1.0", kMacOS13},
                {"a system just new enough", itemOf("2.0", minimumSystem("13.0")), "2.0", kMacOS13},
                {"no system version", itemOf("2.0", minimumSystem("99.0")), "2.0"},
                {"the element wins",
                 "<item><sparkle:version>8</sparkle:version><enclosure " +
                     download("sparkle:version=\"99\"") + "/></item>" + itemOf("9"),
                 "9"},
                {"the enclosure's version",
                 "<item><enclosure " + download("sparkle:version=\"12\"") + "/></item>", "12"},
                {"an unsafe download beside", itemOf("9.0", {}, "url=\"javascript:alert(1)\""), "1.0"}};
    for (const auto& row : rows) {
        const auto reading = Appcast::readNewest(feed(itemOf("1.0") + row.items), row.where, kSource);
        ASSERT_TRUE(reading) << row.rule << ": " << reading.result().message().toStdString();
        EXPECT_EQ(reading->newest.value_or(AppcastItem{}).version, QString::fromUtf8(row.newest)) << row.rule;
    }
    const QByteArray prefixed =
        "<item><s:version>3.1</s:version><enclosure url=\"https://e.test/a\"/></item>";
    EXPECT_EQ(Appcast::readNewest(feed(prefixed, "s"), criteria(), kSource)->newest->version,
              QStringLiteral("3.1"));
    EXPECT_FALSE(Appcast::readNewest(feed({}), criteria(), kSource)->newest);
}

// Rows: what is broken, the feed, words of the failure's message.
TEST(Appcast, ABrokenFeedFailsWithAMessageNamingTheFeedAndTheCause) {
    const struct {
        const char* what;
        QByteArray feed;
        const char* message;
    } broken[] = {
        {"only white space", " \n\t ", "is empty"},
        {"not XML", "this is not a feed {\"json\": true}", "is not well-formed XML"},
        {"cut short", feed(itemOf("1.0")).left(90), "is not well-formed XML"},
        {"two root elements", feed(itemOf("1.0")) + "<rss/>", "more than one root element"},
        {"an HTML page", "<html><body>Login</body></html>", "its root element is \"html\""},
        {"no channel", "<rss version=\"2.0\"/>", "has no <channel>"},
        {"an item without a version",
         feed("<item><title>Lost</title><enclosure url=\"https://example.test/a.zip\"/></item>"),
         "Item 1 (\"Lost\") has no version"},
        {"a version that is not a version", feed(itemOf("banana")),
         "\"banana\", which is not a version number"},
        {"a file: download", feed(itemOf("2.0", {}, "url=\"file:///etc/passwd\"")),
         "\"file:///etc/passwd\", which is not a web address"},
        {"a javascript: download", feed(itemOf("2.0", {}, "url=\"javascript:alert(document.cookie)\"")),
         "\"javascript:alert(document.cookie)\", which is not a web address"},
        {"a download address that does not parse",
         feed(itemOf("2.0", {}, "url=\"https://exa mple.test/a b\"")), "which is not a valid address"},
        {"an item with no download", feed("<item><sparkle:version>2.0</sparkle:version></item>"),
         "has no download"},
        {"an item with an empty download address", feed(itemOf("2.0", {}, "url=\" \"")),
         "has no download address"}};
    for (const auto& b : broken) {
        const auto reading = Appcast::readNewest(b.feed, criteria(), kSource);
        EXPECT_EQ(reading.result().status(), brisquel::vexo::Status::Malformed) << b.what;
        const QString message = reading.result().message();
        EXPECT_TRUE(message.contains(kSource)) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(b.message))) << message.toStdString();
    }
}

TEST(AppcastMessages, AVersionTextWithControlCharactersIsShownHarmlessAndShort) {
    const QByteArray hostile = "1.0&#10;&#27;[31m" + QByteArray(300, 'x');
    const auto reading = Appcast::readNewest(feed(itemOf(hostile)), criteria(), kSource);
    ASSERT_FALSE(reading);
    const QString message = reading.result().message();
    EXPECT_FALSE(message.contains(QChar(0x1b)));
    EXPECT_TRUE(message.contains(QStringLiteral("\"1.0\\n\\u001b[31mxxx"))) << message.toStdString();
    // The plain sentence, one paragraph break, the detail: the feed's text breaks no line.
    EXPECT_EQ(message.count(QLatin1Char('\n')), 2);
    EXPECT_LT(message.size(), 400);
}

// Every problem is counted; the first few are told in words.
TEST(AppcastMessages, BrokenItemsBesideAGoodOneAreReportedAsProblems) {
    QByteArray items =
        itemOf("1.0") + itemOf("2.0", "<sparkle:minimumSystemVersion>soon</sparkle:minimumSystemVersion>");
    for (int i = 1; i < AppcastReading::kMaximumProblemTexts; ++i)
        items += itemOf("pear");
    auto reading = Appcast::readNewest(
        feed(items), criteria(false, QStringLiteral("macos"), QStringLiteral("14")), kSource);
    ASSERT_TRUE(reading && reading->newest);
    EXPECT_EQ(reading->newest->version, QStringLiteral("1.0"));
    ASSERT_EQ(reading->problems.size(), AppcastReading::kMaximumProblemTexts);
    EXPECT_TRUE(reading->problems.first().contains(QStringLiteral("requires the system version \"soon\"")));
    EXPECT_TRUE(reading->problems.last().contains(QStringLiteral("\"pear\"")));
    reading = Appcast::readNewest(feed(items + itemOf("fig")), criteria(), kSource);
    EXPECT_EQ(reading->problemCount, AppcastReading::kMaximumProblemTexts);
    EXPECT_EQ(reading->problems.size(), AppcastReading::kMaximumProblemTexts);
    reading = Appcast::readNewest(feed(items + itemOf("fig") + itemOf("kiwi")),
                                  criteria(true, QStringLiteral("macos"), QStringLiteral("14")), kSource);
    EXPECT_EQ(reading->problemCount, AppcastReading::kMaximumProblemTexts + 2);
    EXPECT_EQ(reading->problems.size(), AppcastReading::kMaximumProblemTexts);
}

// --- What the chosen item carries ---

TEST(AppcastItemFields, AreReadFromTheElementsAndTheEnclosureTrimmed) {
    const QByteArray items =
        "<item><title> Version 2.1 </title>"
        "<sparkle:releaseNotesLink>\n   https://example.test/notes/2.1.html\n  </sparkle:releaseNotesLink>"
        "<description sparkle:format=\"markdown\"><![CDATA[# New\n* faster]]></description>"
        "<sparkle:channel>beta</sparkle:channel>"
        "<sparkle:minimumSystemVersion>12.0</sparkle:minimumSystemVersion>"
        "<enclosure url=\" https://example.test/App-2.1.zip \" sparkle:version=\"210\" "
        "sparkle:shortVersionString=\"2.1\" length=\"123456789012\"/></item>";
    const auto reading = Appcast::readNewest(feed(items), criteria(true), kSource);
    ASSERT_TRUE(reading && reading->newest);
    const AppcastItem& newest = *reading->newest;
    EXPECT_EQ(newest.title, QStringLiteral("Version 2.1"));
    EXPECT_EQ(newest.version, QStringLiteral("210"));
    EXPECT_EQ(newest.displayVersion(), QStringLiteral("2.1"));
    EXPECT_EQ(newest.minimumSystemVersion, QStringLiteral("12.0"));
    EXPECT_EQ(newest.releaseNotesURL, QUrl(QStringLiteral("https://example.test/notes/2.1.html")));
    EXPECT_EQ(newest.releaseNotes, QStringLiteral("# New\n* faster"));
    EXPECT_EQ(newest.releaseNotesFormat, ReleaseNotesFormat::Markdown); // the HTML default: below
    EXPECT_EQ(newest.downloadURL, QUrl(QStringLiteral("https://example.test/App-2.1.zip")));
    EXPECT_EQ(newest.length, 123456789012LL);
}

TEST(AppcastItemFields, AnUnusableNotesLinkOrLengthIsDroppedAndLongNotesAreCut) {
    const QByteArray notes(AppcastItem::kMaximumNotesLength + 1, 'n');
    const auto reading = Appcast::readNewest(
        feed(itemOf("2.0",
                    "<sparkle:releaseNotesLink>javascript:alert(1)</sparkle:releaseNotesLink>"
                    "<description>" +
                        notes + "</description>",
                    "url=\"https://example.test/a\" length=\"many\"")),
        criteria(), kSource);
    ASSERT_TRUE(reading && reading->newest);
    EXPECT_TRUE(reading->newest->releaseNotesURL.isEmpty());
    EXPECT_FALSE(reading->newest->length.has_value());
    EXPECT_EQ(reading->newest->releaseNotesFormat, ReleaseNotesFormat::Html);
    EXPECT_EQ(reading->newest->releaseNotes, QString::fromLatin1(notes).chopped(1));
}

TEST(AppcastSafety, EntitiesDeclaredInTheDocumentAreNotExpanded) {
    const QByteArray bomb =
        "<?xml version=\"1.0\"?><!DOCTYPE rss [<!ENTITY a \"aaaaaaaaaa\">"
        "<!ENTITY b \"&a;&a;&a;&a;&a;&a;&a;&a;&a;&a;\"><!ENTITY c \"&b;&b;&b;&b;&b;&b;&b;&b;\">"
        "<!ENTITY ext SYSTEM \"file:///etc/passwd\">]>"
        "<rss xmlns:sparkle=\"http://www.andymatuschak.org/xml-namespaces/sparkle\"><channel>"
        "<item><sparkle:version>2.0</sparkle:version><description>&c;&ext;</description>"
        "<enclosure url=\"https://example.test/a\"/></item></channel></rss>";
    const auto reading = Appcast::readNewest(bomb, criteria(), kSource);
    ASSERT_TRUE(reading && reading->newest);
    EXPECT_LT(reading->newest->releaseNotes.size(), 100);
    EXPECT_FALSE(reading->newest->releaseNotes.contains(QStringLiteral("root:")));
}

// Real feeds published by others: rows of the file, betas included, the system, and the newest
// item's version, short version, download and length (-1: none), the items and problems counted.
struct RealFeed {
    const char* file;
    bool betas;
    const char* os;
    const char* version;
    const char* shortVersion;
    const char* download;
    qint64 length;
    int items;
    int problems;
};

QByteArray sharedFeed(const char* name) {
    QFile file(testsupport::sharedTestData(QStringLiteral("appcast/") + QString::fromUtf8(name)));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

TEST(PublishedFeed, GivesTheItemAReaderOfThatFeedExpects) {
    if (testsupport::sharedTestData(QStringLiteral("appcast/Maccy.xml")).isEmpty())
        GTEST_SKIP() << "the shared test data (../shared/testdata beside the clone) is not here";
    const QString gh = QStringLiteral("https://github.com/");
    const RealFeed feeds[] = {
        {"DockDoor-beta.xml", false, "linux", "", "", "", -1, 1, 0},
        {"DockDoor-beta.xml", true, "linux", "1.18.3-2", "1.18.3-2",
         "ejbills/DockDoor/releases/download/1.18.3-2/DockDoor.dmg", 2661648, 1, 0},
        {"Hammerspoon.xml", false, "linux", "6933", "1.1.0",
         "Hammerspoon/hammerspoon/releases/download/1.1.0/Hammerspoon-1.1.0.zip", 9879298, 102, 0},
        {"Loop.xml", false, "linux", "323", "1.0.0-beta.9",
         "MrKai77/Loop/releases/download/1.0.0-beta.9/Loop.zip", 6599813, 4, 0},
        {"Maccy.xml", false, "linux", "62", "2.7.1", "p0deje/Maccy/releases/download/2.7.1/Maccy.app.zip", 0,
         1, 0},
        {"TelegramSwift.xml", false, "linux", "281560", "v0.0.40",
         "Shimbo/TelegramSwift/releases/download/v0.0.40/circles-v0.0.40.zip", 44392696, 7, 0},
        {"channels.xml", false, "linux", "2.0", "", "", -1, 6, 1},
        {"channels.xml", true, "linux", "4.0", "", "", 1346234, 6, 1},
        {"channels.xml", false, "windows", "6.0", "", "", 1346234, 6, 1}};
    for (const RealFeed& f : feeds) {
        SCOPED_TRACE(std::string(f.file) + (f.betas ? " with betas on " : " on ") + f.os);
        const auto reading = Appcast::readNewest(
            sharedFeed(f.file), criteria(f.betas, QString::fromUtf8(f.os)), QString::fromUtf8(f.file));
        ASSERT_TRUE(reading) << reading.result().message().toStdString();
        EXPECT_EQ(reading->itemCount, f.items);
        EXPECT_EQ(reading->problems.size(), f.problems);
        const AppcastItem newest = reading->newest.value_or(AppcastItem{});
        EXPECT_EQ(newest.version, QString::fromUtf8(f.version));
        EXPECT_EQ(newest.shortVersion, QString::fromUtf8(f.shortVersion));
        EXPECT_TRUE(!*f.download || newest.downloadURL.toString() == gh + QString::fromUtf8(f.download));
        EXPECT_EQ(newest.length.value_or(-1), f.length);
    }
}

} // namespace
