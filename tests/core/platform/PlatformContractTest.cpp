// What every back-end of a platform service promises, written once and run against each back-end of
// this platform (ContractBackends.h), the Mac's permission probe and AppleScript engine among them;
// what only one back-end has is tested beside that back-end.

#include "tests/core/platform/ContractBackends.h"

#include "tests/support/TempFolder.h"

#include <QDateTime>
#include <QRegularExpression>
#include <QSize>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

using namespace Qt::Literals::StringLiterals;
using namespace brisquel;
using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::TempFolder;
namespace Attr = brisquel::MetadataAttribute;

namespace {

const auto kBackendName = [](const auto& info) { return info.param.name; };

// A generous bound for what another process or the system does in its own time.
constexpr int kBound = 20000;

// Preferences domains

class PreferencesContract : public ::testing::TestWithParam<contract::PreferencesBackend> {
protected:
    std::shared_ptr<vexo::UserDefaults> open(const QString& last = u"prefs"_s) {
        return m_world->domains().open(m_world->uniqueDomain(last));
    }
    std::shared_ptr<contract::PreferencesWorld> m_world = GetParam().make();
};

// Each kind comes back as that kind; a value or key no domain can hold is refused and changes nothing.
TEST_P(PreferencesContract, KeepsEveryKindOfValue) {
    const QList<QPair<QString, QVariant>> values{
        {u"text"_s, u"/Users/me/Scripts/Grüße \"b\".scpt"_s},
        {u"integer"_s, QVariant::fromValue<qint64>(-42)},
        {u"real"_s, 1.25},
        {u"boolean"_s, true},
        {u"date"_s, QDateTime::fromString(u"2024-02-29T12:34:56.789Z"_s, Qt::ISODateWithMs)},
        {u"data"_s, QByteArray("\0\1", 2)},
        {u"map"_s, QVariantMap{{u"k"_s, QVariantList{u"a"_s}}}}};
    const auto defaults = open();
    for (const auto& [key, value] : values)
        ASSERT_TRUE(defaults->write(key, value)) << qPrintable(key);
    const auto reopened = m_world->domains().open(defaults->domain());
    for (const auto& [key, value] : values) {
        EXPECT_EQ(reopened->value(key), value) << qPrintable(key);
        EXPECT_EQ(reopened->value(key).typeId(), value.typeId()) << qPrintable(key);
    }
    // Several keys from one reading, in the order asked; a key no domain can hold is not there.
    EXPECT_EQ(reopened->readValues({u"real"_s, u"absent"_s, QString::fromUtf8("real\0", 5)}).valueOr({}),
              (QVariantList{1.25, QVariant(), QVariant()}));
    ASSERT_TRUE(defaults->remove(u"text"_s));
    EXPECT_TRUE(defaults->remove(u"text"_s)); // a key that is not there
    EXPECT_FALSE(reopened->read(u"text"_s).valueOr(1).isValid());
    const std::pair<QString, QVariant> refused[]{{u"k"_s, QVariant::fromValue(QSize(1, 2))},
                                                 {QString::fromUtf8("real\0", 5), 1},
                                                 {u"real"_s, QString::fromUtf16(u"a\0b", 3)},
                                                 {u"real"_s, QString(QChar(0xD800))},
                                                 {u"real"_s, QVariantList{QDateTime()}}};
    for (const auto& [key, value] : refused) {
        const vexo::Result written = defaults->write(key, value);
        EXPECT_FALSE(written) << value.metaType().name();
        EXPECT_FALSE(written.message().isEmpty());
    }
    EXPECT_EQ(reopened->value(u"real"_s), QVariant(1.25));
}

TEST_P(PreferencesContract, OpensOnlyPlainReverseDnsNames) {
    QStringList refused{u"com.example"_s + QChar(u'\0') + u"x"_s, u"com.example"_s + QChar(0x2028),
                        QString(QChar(0xDC00)) + u"com.example"_s, QString(240, QLatin1Char('a'))};
    for (const char* name :
         {"", "..", ".GlobalPreferences", "com.example/sub", "com\\example", "com.example\x7f"})
        refused << QString::fromUtf8(name);
    for (const QString& name : refused) {
        SCOPED_TRACE(name.toUtf8().toPercentEncoding().constData());
        const auto defaults = m_world->domains().open(name);
        for (const vexo::Result& result :
             {defaults->read(u"k"_s).result(), defaults->write(u"k"_s, 1), defaults->remove(u"k"_s)}) {
            ASSERT_FALSE(result);
            EXPECT_TRUE(result.message().contains(u"not a plain reverse-DNS name"_s))
                << qPrintable(result.message());
        }
        EXPECT_FALSE(defaults->observeChanges([] {}));
    }
    const auto defaults = open(u"App-Beta_2.müller"_s);
    ASSERT_TRUE(defaults->write(u"k"_s, 1));
    EXPECT_EQ(defaults->value(u"k"_s), QVariant::fromValue<qint64>(1));
}

// Capture One keeps a script as its path's text: what another program stores is read at once, and
// told to whoever watches the domain, until the watch ends.
TEST_P(PreferencesContract, SeesAndTellsWhatAnotherProgramStores) {
    const auto defaults = open();
    const QString key = u"captureDoneScript"_s;
    int told = 0;
    auto observation = defaults->observeChanges([&told] { ++told; });
    ASSERT_TRUE(observation);
    const QString path = u"/Users/me/My Scripts/a.scpt"_s;
    ASSERT_TRUE(m_world->writeElsewhere(defaults->domain(), key, path));
    EXPECT_EQ(defaults->url(key), QUrl::fromLocalFile(path));
    EXPECT_TRUE(QTest::qWaitFor([&] { return told > 0; }, kBound));

    observation.reset();
    const int before = told;
    ASSERT_TRUE(m_world->writeElsewhere(defaults->domain(), key, u"/b.scpt"_s));
    EXPECT_EQ(defaults->string(key), u"/b.scpt"_s);
    // Longer than any back-end takes to look again: a call would have come by now.
    QTest::qWait(1500);
    EXPECT_EQ(told, before);
}

// A file URL is stored as its path's text; no file path, or one that cannot be kept exactly as text
// (what a name of bytes that are not UTF-8 decodes to), is refused and what was stored stays.
TEST_P(PreferencesContract, StoresAFileURLAsItsPathText) {
    const auto defaults = open();
    const QString key = u"captureDoneScript"_s;
    for (const QString& path :
         {u"/Users/me/\"quoted\" 'too'.applescript"_s, u"/tmp/100%25 a#b?c\\日.scpt"_s}) {
        ASSERT_TRUE(defaults->writeUrl(key, QUrl::fromLocalFile(path))) << qPrintable(path);
        EXPECT_EQ(defaults->string(key), path);
        EXPECT_EQ(defaults->url(key), QUrl::fromLocalFile(path));
    }
    ASSERT_TRUE(defaults->writeUrl(key, std::nullopt));
    EXPECT_FALSE(defaults->value(key).isValid());
    ASSERT_TRUE(defaults->write(key, u"/kept.scpt"_s));
    for (const QUrl& url : {QUrl(u"https://example.com/a.scpt"_s), QUrl(),
                            QUrl::fromLocalFile(u"/tmp/caf"_s + QChar::ReplacementCharacter + u".scpt"_s),
                            QUrl::fromLocalFile(u"/tmp/a"_s + QChar(0xDC80) + u".scpt"_s)})
        EXPECT_FALSE(defaults->writeUrl(key, url)) << qPrintable(url.toString());
    EXPECT_EQ(defaults->string(key), u"/kept.scpt"_s);
}

INSTANTIATE_TEST_SUITE_P(Platform, PreferencesContract, ::testing::ValuesIn(contract::preferencesBackends()),
                         kBackendName);

// Metadata search

class MetadataContract : public ::testing::TestWithParam<contract::MetadataBackend> {
protected:
    MetadataSearchResult search(const QString& folder) const {
        MetadataQuery query;
        query.searchScopes = {folder};
        query.displayNamePrefix = u"Capture One"_s;
        query.sortAttribute = Attr::kDisplayName;
        return GetParam().make()->search(query);
    }
    void bundle(const QString& folder, const QString& name, const QString& identifier) const {
        BundleLayout layout;
        layout.bundleName = name + u".app"_s;
        layout.bundleIdentifier = identifier;
        makeBundle(folder, layout);
    }
    TempFolder m_apps;
};

// What each bundle's dictionary gives, and which bundles match, is the folder walk's (the search
// every platform's discovery falls back on; FolderMetadataSearchTest.cpp).
TEST_P(MetadataContract, SortsTheFinderWayThenByPath) {
    for (const QString& name :
         {u"Capture One 10"_s, u"Capture One 9"_s, u"Capture One 1.2"_s, u"Capture One"_s})
        bundle(m_apps.path(), name, name);
    // Equal names are ordered by path, so the order things are found in never decides.
    for (const QString& folder : {u"m"_s, u"z"_s, u"a"_s})
        bundle(m_apps.filePath(folder), u"Capture One 23"_s, folder);
    QStringList identifiers;
    for (const MetadataItem& item : search(m_apps.path()).items)
        identifiers << item.value(Attr::kBundleIdentifier).toString();
    EXPECT_EQ(identifiers, (QStringList{u"Capture One"_s, u"Capture One 1.2"_s, u"Capture One 9"_s,
                                        u"Capture One 10"_s, u"a"_s, u"m"_s, u"z"_s}));
    EXPECT_TRUE(search(m_apps.filePath(u"nowhere"_s)).items.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Platform, MetadataContract, ::testing::ValuesIn(contract::metadataBackends()),
                         kBackendName);

// Running applications

class RunningContract : public ::testing::TestWithParam<contract::RunningBackend> {};

TEST_P(RunningContract, ListsALaunchedBundleUntilItEnds) {
    TempFolder apps;
    BundleLayout layout;
    layout.bundleIdentifier =
        u"com.tamberline.quillmere-tests.running%1"_s.arg(QCoreApplication::applicationPid());
    layout.executable = u"C1"_s;
    const QString bundle = makeBundle(apps.path(), layout);
    const auto running = GetParam().make();
    const QString id = layout.bundleIdentifier;
    ASSERT_TRUE(running->processesWithBundleIdentifier(id).isEmpty());

    // Two copies, so that their order shows.
    auto launched = GetParam().launch(bundle, id);
    auto second = GetParam().launch(bundle, id);
    ASSERT_TRUE(launched && second);
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return running->processesWithBundleIdentifier(id).size() == 2; }, kBound));
    const QList<qint64> processes = running->processesWithBundleIdentifier(id);
    EXPECT_TRUE(std::is_sorted(processes.begin(), processes.end()));
    EXPECT_TRUE(std::ranges::all_of(processes, [](qint64 process) { return process > 0; }));
    for (const QString& other : {id.toUpper(), id + u".other"_s, QString()})
        EXPECT_TRUE(running->processesWithBundleIdentifier(other).isEmpty()) << qPrintable(other);

    launched.reset();
    second.reset();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return running->processesWithBundleIdentifier(id).isEmpty(); }, kBound));
}

INSTANTIATE_TEST_SUITE_P(Platform, RunningContract, ::testing::ValuesIn(contract::runningBackends()),
                         kBackendName);

// The Apple-event permission probe: the same answer on the main thread, which it must not block,
// and on any other.

class PermissionContract : public ::testing::TestWithParam<contract::PermissionBackend> {};

TEST_P(PermissionContract, AnswersForAnApplicationThatIsNotRunningOnAnyThread) {
    const auto permission = GetParam().make();
    const QString absent = u"com.tamberline.quillmere-tests.absent"_s;
    EXPECT_EQ(permission->determine(absent, false), GetParam().notRunning);
    int elsewhere = 1;
    std::thread worker([&] { elsewhere = permission->determine(absent, false); });
    worker.join();
    EXPECT_EQ(elsewhere, GetParam().notRunning);
}

INSTANTIATE_TEST_SUITE_P(Platform, PermissionContract, ::testing::ValuesIn(contract::permissionBackends()),
                         kBackendName);

// The system log

class LogContract : public ::testing::TestWithParam<contract::LogBackend> {};

TEST_P(LogContract, WritesTheTextAsItStandsInTheSystemShape) {
    // Directives that would crash a printf.
    const QString text = u"## Getting URL for %s %n %d {} %% ü"_s;
    const auto log = GetParam().make();
    testing::internal::CaptureStderr();
    testing::internal::CaptureStdout();
    log->system(text);
    log->standardOutput(text);
    const QString err = QString::fromStdString(testing::internal::GetCapturedStderr());
    const std::string out = testing::internal::GetCapturedStdout();
    const QRegularExpression shape(QStringLiteral(
        "^\\d{4}-\\d{2}-\\d{2} \\d{2}:\\d{2}:\\d{2}\\.\\d{3} [^\\[\\n]+\\[\\d+:\\d+\\] (.*)\\n\\z"));
    const QRegularExpressionMatch line = shape.match(err);
    ASSERT_TRUE(line.hasMatch()) << qPrintable(err);
    EXPECT_EQ(line.captured(1), text);
    EXPECT_EQ(out, text.toStdString() + "\n");
}

INSTANTIATE_TEST_SUITE_P(Platform, LogContract, ::testing::ValuesIn(contract::logBackends()), kBackendName);

// The AppleScript channel, where a real engine answers (Linux has none: its channel's handling of
// the program is tested with stand-in programs, OsascriptChannelTest.cpp).

class ScriptContract : public ::testing::TestWithParam<contract::ScriptBackend> {};

TEST_P(ScriptContract, GivesTheResultOrWhyTheScriptFailed) {
    const auto channel = GetParam().make();
    const ScriptResult path = channel->execute(u"return \"/Users/Shared/a \\\"b\\\".scpt\""_s);
    EXPECT_EQ(path.fileURL(), QUrl::fromLocalFile(u"/Users/Shared/a \"b\".scpt"_s));
    EXPECT_FALSE(path.errorInfo);

    const ScriptResult failed = channel->execute(u"error \"no such script\" number -1728"_s);
    EXPECT_FALSE(failed.value);
    ASSERT_TRUE(failed.errorInfo);
    EXPECT_TRUE(ScriptResult::describe(*failed.errorInfo).contains(u"no such script"_s));
}

GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ScriptContract);
INSTANTIATE_TEST_SUITE_P(Platform, ScriptContract, ::testing::ValuesIn(contract::scriptBackends()),
                         kBackendName);

} // namespace
