// What every back-end of a platform service promises, written once and run against each back-end of
// this platform (ContractBackends.h): preferences domains and their observation, the metadata
// search, running applications, the Apple-event permission probe, the system log and, where a real
// AppleScript engine answers, the script channel. What only one back-end has (a file's shape, its
// lock, the process table) is tested beside that back-end.

#include "tests/core/platform/ContractBackends.h"

#include "VexoExtensions/PropertyList.h"
#include "tests/support/TempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QSize>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

using namespace brisquel;
using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::TempFolder;
namespace Attr = brisquel::MetadataAttribute;

namespace {

const auto kBackendName = [](const auto& info) { return info.param.name; };

// A generous bound for what another process or the system does in its own time.
constexpr int kBound = 20000;

// ---------------------------------------------------------------------------------------------
// Preferences domains

class PreferencesContract : public ::testing::TestWithParam<contract::PreferencesBackend> {
protected:
    std::shared_ptr<vexo::UserDefaults> open(const QString& last = QStringLiteral("prefs")) {
        return m_world->domains().open(m_world->uniqueDomain(last));
    }
    std::shared_ptr<contract::PreferencesWorld> m_world = GetParam().make();
};

TEST_P(PreferencesContract, KeepsEveryKindOfValue) {
    const QList<QPair<QString, QVariant>> values{
        {QStringLiteral("text"), QStringLiteral("/Users/me/Scripts/Grüße \"b\".scpt")},
        {QStringLiteral("integer"), QVariant::fromValue<qint64>(-42)},
        {QStringLiteral("real"), 1.25},
        {QStringLiteral("boolean"), true},
        {QStringLiteral("date"),
         QDateTime::fromString(QStringLiteral("2024-02-29T12:34:56.789Z"), Qt::ISODateWithMs)},
        {QStringLiteral("data"), QByteArray("\0\1", 2)},
        {QStringLiteral("array"), QVariantList{QStringLiteral("a"), QVariant::fromValue<qint64>(7)}},
        {QStringLiteral("map"), QVariantMap{{QStringLiteral("k"), false}}}};
    const auto defaults = open();
    for (const auto& [key, value] : values)
        ASSERT_TRUE(defaults->write(key, value)) << qPrintable(key);
    const auto reopened = m_world->domains().open(defaults->domain());
    for (const auto& [key, value] : values) {
        EXPECT_EQ(reopened->value(key), value) << qPrintable(key);
        EXPECT_EQ(reopened->value(key).typeId(), value.typeId()) << qPrintable(key);
    }
    EXPECT_EQ(reopened->string(QStringLiteral("text")), values.at(0).second.toString());
    EXPECT_EQ(reopened->boolean(QStringLiteral("boolean")), true);
    EXPECT_EQ(reopened->data(QStringLiteral("data")), QByteArray("\0\1", 2));
    EXPECT_FALSE(reopened->string(QStringLiteral("integer")));
    EXPECT_FALSE(reopened->boolean(QStringLiteral("text")));
    EXPECT_FALSE(reopened->data(QStringLiteral("text")));
    // Several keys from one reading, in the order asked; a key no domain can hold is not there.
    EXPECT_EQ(reopened
                  ->readValues({QStringLiteral("real"), QStringLiteral("absent"),
                                QString::fromUtf8("real\0", 5), QStringLiteral("real")})
                  .valueOr({}),
              (QVariantList{1.25, QVariant(), QVariant(), 1.25}));

    const vexo::Expected<QVariant> missing = reopened->read(QStringLiteral("missing"));
    ASSERT_TRUE(missing);
    EXPECT_FALSE(missing->isValid());
    ASSERT_TRUE(defaults->remove(QStringLiteral("text")));
    EXPECT_TRUE(defaults->remove(QStringLiteral("text"))); // a key that is not there
    EXPECT_FALSE(reopened->value(QStringLiteral("text")).isValid());
}

TEST_P(PreferencesContract, RefusesWhatItCannotStoreAndChangesNothing) {
    const struct {
        const char* name;
        QString key;
        QVariant value;
        const char* reason;
    } rows[]{
        {"value of no kind", QStringLiteral("k"), QVariant::fromValue(QSize(1, 2)), "no property-list form"},
        {"no value", QStringLiteral("k"), QVariant(), "no property-list form"},
        {"key holding a NUL", QString::fromUtf8("k\0b", 3), 1, "not a valid property-list key"}};
    const auto defaults = open();
    ASSERT_TRUE(defaults->write(QStringLiteral("k"), QStringLiteral("kept")));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const vexo::Result written = defaults->write(row.key, row.value);
        ASSERT_FALSE(written);
        EXPECT_TRUE(written.message().contains(QString::fromUtf8(row.reason)))
            << qPrintable(written.message());
        EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("kept")));
    }
}

TEST_P(PreferencesContract, OpensOnlyPlainReverseDnsNames) {
    QStringList refused{QStringLiteral("com.example") + QChar(u'\0') + QStringLiteral("x"),
                        QStringLiteral("com.example") + QChar(0x2028),
                        QString(QChar(0xDC00)) + QStringLiteral("com.example"),
                        QString(240, QLatin1Char('a'))};
    for (const char* name : {"", ".", "..", ".GlobalPreferences", "../escaped", "com.example/sub",
                             "/etc/passwd", "com\\example", "com.example\nx", "com.example\x7f"})
        refused << QString::fromUtf8(name);
    for (const QString& name : refused) {
        SCOPED_TRACE(name.toUtf8().toPercentEncoding().constData());
        const auto defaults = m_world->domains().open(name);
        for (const vexo::Result& result :
             {defaults->read(QStringLiteral("k")).result(), defaults->write(QStringLiteral("k"), 1),
              defaults->remove(QStringLiteral("k"))}) {
            ASSERT_FALSE(result);
            EXPECT_TRUE(result.message().contains(QStringLiteral("not a plain reverse-DNS name")))
                << qPrintable(result.message());
        }
        EXPECT_FALSE(defaults->observeChanges([] {}));
    }
    for (const QString& last : {QStringLiteral("App-Beta_2"), QStringLiteral("müller")}) {
        const auto defaults = open(last);
        ASSERT_TRUE(defaults->write(QStringLiteral("k"), 1)) << qPrintable(last);
        EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant::fromValue<qint64>(1));
    }
}

// Capture One keeps a script as its path's text: what another program stores is read at once, and
// told to whoever watches the domain, until the watch ends.
TEST_P(PreferencesContract, SeesAndTellsWhatAnotherProgramStores) {
    const auto defaults = open();
    const QString key = QStringLiteral("captureDoneScript");
    int told = 0;
    auto observation = defaults->observeChanges([&told] { ++told; });
    ASSERT_TRUE(observation);
    const QString path = QStringLiteral("/Users/me/My Scripts/a.scpt");
    ASSERT_TRUE(m_world->writeElsewhere(defaults->domain(), key, path));
    EXPECT_EQ(defaults->url(key), QUrl::fromLocalFile(path));
    EXPECT_TRUE(QTest::qWaitFor([&] { return told > 0; }, kBound));

    observation.reset();
    const int before = told;
    ASSERT_TRUE(m_world->writeElsewhere(defaults->domain(), key, QStringLiteral("/b.scpt")));
    EXPECT_EQ(defaults->string(key), QStringLiteral("/b.scpt"));
    // Longer than any back-end takes to look again: a call would have come by now.
    QTest::qWait(1500);
    EXPECT_EQ(told, before);
}

TEST_P(PreferencesContract, StoresAFileURLAsItsPathText) {
    const auto defaults = open();
    const QString key = QStringLiteral("captureDoneScript");
    for (const QString& path :
         {QStringLiteral("/Users/me/\"quoted\" 'too'.applescript"),
          QStringLiteral("/Users/me/Grüße/日本語.scpt"), QStringLiteral("/tmp/100%25 and %.scpt"),
          QStringLiteral("/tmp/a#b?c.scpt"), QStringLiteral("/tmp/back\\slash.scpt")}) {
        ASSERT_TRUE(defaults->writeUrl(key, QUrl::fromLocalFile(path))) << qPrintable(path);
        EXPECT_EQ(defaults->string(key), path);
        EXPECT_EQ(defaults->url(key), QUrl::fromLocalFile(path));
    }
    ASSERT_TRUE(defaults->writeUrl(key, std::nullopt));
    EXPECT_FALSE(defaults->value(key).isValid());

    // No file path, or one that cannot be kept exactly as text (what a name of bytes that are not
    // UTF-8 decodes to): refused, and what was stored stays.
    ASSERT_TRUE(defaults->write(key, QStringLiteral("/kept.scpt")));
    for (const QUrl& url :
         {QUrl(QStringLiteral("https://example.com/a.scpt")), QUrl(),
          QUrl::fromLocalFile(QStringLiteral("/tmp/caf") + QChar::ReplacementCharacter +
                              QStringLiteral(".scpt")),
          QUrl::fromLocalFile(QStringLiteral("/tmp/a") + QChar(0xDC80) + QStringLiteral(".scpt"))})
        EXPECT_FALSE(defaults->writeUrl(key, url)) << qPrintable(url.toString());
    EXPECT_EQ(defaults->string(key), QStringLiteral("/kept.scpt"));
}

INSTANTIATE_TEST_SUITE_P(Platform, PreferencesContract, ::testing::ValuesIn(contract::preferencesBackends()),
                         kBackendName);

// ---------------------------------------------------------------------------------------------
// Metadata search

class MetadataContract : public ::testing::TestWithParam<contract::MetadataBackend> {
protected:
    MetadataSearchResult search(const QString& folder) const {
        MetadataQuery query;
        query.searchScopes = {folder};
        query.displayNamePrefix = QStringLiteral("Capture One");
        query.sortAttribute = Attr::kDisplayName;
        return GetParam().make()->search(query);
    }
    QString bundle(const QString& folder, const QString& name,
                   const QString& identifier = QStringLiteral("x"),
                   const QString& version = QStringLiteral("16.0")) const {
        BundleLayout layout;
        layout.bundleName = name;
        layout.bundleIdentifier = identifier;
        layout.version = version;
        return makeBundle(folder, layout);
    }
    QString info(const QString& name, const QByteArray& bytes) const {
        return m_apps.write(name + QStringLiteral("/Contents/Info.plist"), bytes);
    }
    static QByteArray xmlInfo(const QByteArray& entries) {
        return "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict>" + entries + "</dict></plist>";
    }

    TempFolder m_apps;
};

TEST_P(MetadataContract, GivesEachMatchingBundleWithWhatItsDictionaryHolds) {
    bundle(m_apps.path(), QStringLiteral("Capture One 23.app"), QStringLiteral("com.captureone.captureone16"),
           QStringLiteral("16.3.1"));
    bundle(m_apps.path(), QStringLiteral("Capture One 12.app"), QStringLiteral("com.example.nover"), {});
    bundle(m_apps.path(), QStringLiteral("Capture One Ünïcode ✓.app"), QStringLiteral("x.u"));
    // The prefix is case-sensitive, and a bundle needs the suffix and an information dictionary.
    for (const char* name : {"capture one 2.app", "Photo Capture One.app", "Capture One 6.bundle"})
        bundle(m_apps.path(), QString::fromUtf8(name));
    QDir().mkpath(m_apps.filePath(QStringLiteral("Capture One 5.app/Contents/Resources")));
    info(QStringLiteral("Capture One 21.app"),
         *vexo::plist::toBinary(
             QVariantMap{{QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.binary")},
                         {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("14.2")}}));
    info(QStringLiteral("Capture One 20.app"), "<plist><dict><key>CFBundleIdentifier</key>");
    info(QStringLiteral("Capture One 19.app"),
         xmlInfo("<key>CFBundleShortVersionString</key><integer>19</integer>"));
    // Icons named with or without their extension; one that does not exist; one outside Resources.
    for (const auto& [name, icon] :
         {std::pair{"AppIcon", "AppIcon"}, std::pair{"Logo", "Logo"}, std::pair{"Missing", "Missing.icns"},
          std::pair{"Escape", "../Info.plist"}})
        info(QStringLiteral("Capture One %1.app").arg(QLatin1String(name)),
             xmlInfo("<key>CFBundleIconFile</key><string>" + QByteArray(icon) + "</string>"));
    m_apps.write(QStringLiteral("Capture One AppIcon.app/Contents/Resources/AppIcon.icns"), "icns");
    m_apps.write(QStringLiteral("Capture One Logo.app/Contents/Resources/Logo.png"), "png");

    // Beyond the name and location that every bundle has.
    const QHash<QString, QVariantHash> expected{
        {QStringLiteral("Capture One 23.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("com.captureone.captureone16")},
          {Attr::kVersion, QStringLiteral("16.3.1")}}},
        {QStringLiteral("Capture One 12.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("com.example.nover")}}},
        {QStringLiteral("Capture One Ünïcode ✓.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("x.u")}, {Attr::kVersion, QStringLiteral("16.0")}}},
        {QStringLiteral("Capture One 21.app"),
         {{Attr::kBundleIdentifier, QStringLiteral("com.example.binary")},
          {Attr::kVersion, QStringLiteral("14.2")}}},
        // A number where text belongs is passed on as it stands.
        {QStringLiteral("Capture One 19.app"), {{Attr::kVersion, QVariant::fromValue<qint64>(19)}}},
        {QStringLiteral("Capture One AppIcon.app"),
         {{Attr::kIconPath,
           m_apps.filePath(QStringLiteral("Capture One AppIcon.app/Contents/Resources/AppIcon.icns"))}}},
        {QStringLiteral("Capture One Logo.app"),
         {{Attr::kIconPath,
           m_apps.filePath(QStringLiteral("Capture One Logo.app/Contents/Resources/Logo.png"))}}},
        {QStringLiteral("Capture One Missing.app"), {}},
        {QStringLiteral("Capture One Escape.app"), {}}};

    const MetadataSearchResult found = search(m_apps.path());
    // A dictionary that cannot be read, or none at all, is passed over with its reason.
    QStringList skipped;
    for (const SkippedEntry& entry : found.skipped)
        skipped << entry.path + QStringLiteral(": ") + entry.reason.message();
    skipped.sort();
    ASSERT_EQ(skipped.size(), 2) << qPrintable(skipped.join(u'\n'));
    EXPECT_TRUE(skipped.at(0).startsWith(m_apps.filePath(QStringLiteral("Capture One 20.app: "))));
    EXPECT_TRUE(skipped.at(0).contains(QStringLiteral("not a property list"))) << qPrintable(skipped.at(0));
    EXPECT_TRUE(skipped.at(1).startsWith(m_apps.filePath(QStringLiteral("Capture One 5.app: "))));
    ASSERT_EQ(found.items.size(), expected.size());
    for (const MetadataItem& item : found.items) {
        const QString name = item.value(Attr::kFsName).toString();
        SCOPED_TRACE(qPrintable(name));
        ASSERT_TRUE(expected.contains(name));
        QVariantHash rest = item.attributes;
        EXPECT_EQ(rest.take(Attr::kDisplayName), QVariant(name.chopped(4)));
        EXPECT_EQ(rest.take(Attr::kPath), QVariant(m_apps.filePath(name)));
        EXPECT_EQ(QUrl(rest.take(Attr::kUrl).toString()), QUrl::fromLocalFile(m_apps.filePath(name)));
        rest.remove(Attr::kFsName);
        const QVariantHash wanted = expected.value(name);
        EXPECT_EQ(rest, wanted);
        // QVariant equality would let the text "19" pass for the number.
        for (auto it = wanted.cbegin(); it != wanted.cend(); ++it)
            EXPECT_EQ(rest.value(it.key()).typeId(), it->typeId()) << qPrintable(it.key());
    }
}

TEST_P(MetadataContract, SortsTheFinderWayThenByPath) {
    for (const char* name : {"Capture One 10", "Capture One 9", "Capture One 1.2", "Capture One"})
        bundle(m_apps.path(), QString::fromUtf8(name) + QStringLiteral(".app"), QString::fromUtf8(name));
    // Equal names are ordered by path, so the order things are found in never decides.
    for (const char* folder : {"m", "z", "a"})
        bundle(m_apps.filePath(QString::fromUtf8(folder)), QStringLiteral("Capture One 23.app"),
               QString::fromUtf8(folder));
    QStringList identifiers;
    for (const MetadataItem& item : search(m_apps.path()).items)
        identifiers << item.value(Attr::kBundleIdentifier).toString();
    EXPECT_EQ(identifiers, (QStringList{QStringLiteral("Capture One"), QStringLiteral("Capture One 1.2"),
                                        QStringLiteral("Capture One 9"), QStringLiteral("Capture One 10"),
                                        QStringLiteral("a"), QStringLiteral("m"), QStringLiteral("z")}));
    EXPECT_TRUE(search(m_apps.filePath(QStringLiteral("nowhere"))).items.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(Platform, MetadataContract, ::testing::ValuesIn(contract::metadataBackends()),
                         kBackendName);

// ---------------------------------------------------------------------------------------------
// Running applications

class RunningContract : public ::testing::TestWithParam<contract::RunningBackend> {};

TEST_P(RunningContract, ListsALaunchedBundleUntilItEnds) {
    TempFolder apps;
    BundleLayout layout;
    layout.bundleIdentifier =
        QStringLiteral("com.tamberline.quillmere-tests.running%1").arg(QCoreApplication::applicationPid());
    layout.executable = QStringLiteral("C1");
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
    for (const QString& other : {id.toUpper(), id + QStringLiteral(".other"), QString()})
        EXPECT_TRUE(running->processesWithBundleIdentifier(other).isEmpty()) << qPrintable(other);

    launched.reset();
    second.reset();
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return running->processesWithBundleIdentifier(id).isEmpty(); }, kBound));
}

INSTANTIATE_TEST_SUITE_P(Platform, RunningContract, ::testing::ValuesIn(contract::runningBackends()),
                         kBackendName);

// ---------------------------------------------------------------------------------------------
// The Apple-event permission probe

class PermissionContract : public ::testing::TestWithParam<contract::PermissionBackend> {};

// The same answer on the main thread, which the probe must not block, and on any other.
TEST_P(PermissionContract, AnswersForAnApplicationThatIsNotRunningOnAnyThread) {
    const auto permission = GetParam().make();
    const QString absent = QStringLiteral("com.tamberline.quillmere-tests.absent");
    EXPECT_EQ(permission->determine(absent, false), GetParam().notRunning);
    int elsewhere = 1;
    std::thread worker([&] { elsewhere = permission->determine(absent, false); });
    worker.join();
    EXPECT_EQ(elsewhere, GetParam().notRunning);
}

INSTANTIATE_TEST_SUITE_P(Platform, PermissionContract, ::testing::ValuesIn(contract::permissionBackends()),
                         kBackendName);

// ---------------------------------------------------------------------------------------------
// The system log

class LogContract : public ::testing::TestWithParam<contract::LogBackend> {};

TEST_P(LogContract, WritesTheTextAsItStandsInTheSystemShape) {
    // Directives that would crash a printf.
    const QString text = QStringLiteral("## Getting URL for %s %n %d {} %% ü");
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

// ---------------------------------------------------------------------------------------------
// The AppleScript channel

class ScriptContract : public ::testing::TestWithParam<contract::ScriptBackend> {};

TEST_P(ScriptContract, GivesTheResultOrWhyTheScriptFailed) {
    const auto channel = GetParam().make();
    const ScriptResult path = channel->execute(QStringLiteral("return \"/Users/Shared/a \\\"b\\\".scpt\""));
    EXPECT_EQ(path.fileURL(), QUrl::fromLocalFile(QStringLiteral("/Users/Shared/a \"b\".scpt")));
    EXPECT_FALSE(path.errorInfo);

    const ScriptResult failed = channel->execute(QStringLiteral("error \"no such script\" number -1728"));
    EXPECT_FALSE(failed.value);
    ASSERT_TRUE(failed.errorInfo);
    EXPECT_TRUE(ScriptResult::describe(*failed.errorInfo).contains(QStringLiteral("no such script")));
}

// Linux has no AppleScript engine; its channel's handling of the program is tested with stand-in
// programs (OsascriptChannelTest.cpp).
GTEST_ALLOW_UNINSTANTIATED_PARAMETERIZED_TEST(ScriptContract);
INSTANTIATE_TEST_SUITE_P(Platform, ScriptContract, ::testing::ValuesIn(contract::scriptBackends()),
                         kBackendName);

} // namespace
