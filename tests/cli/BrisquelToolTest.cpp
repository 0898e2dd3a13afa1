#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::sdefWithScripts;
using testsupport::TempFolder;

namespace {

struct Outcome {
    int exitCode = -1;
    QString out;
    QString err;

    QStringList errLines() const { return err.split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
};

const QString kId = QStringLiteral("com.captureone.captureone16");
const QString kOtherId = QStringLiteral("com.captureone.captureone15");
const QString kCaptureDone = QStringLiteral("capture done script");

BundleLayout layout(const QString& name, const QString& identifier,
                    const QString& version = QStringLiteral("1.0")) {
    BundleLayout layout;
    layout.bundleName = name;
    layout.bundleIdentifier = identifier;
    layout.version = version;
    return layout;
}

QJsonArray jsonArray(const QString& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << qPrintable(text);
    EXPECT_TRUE(document.isArray());
    return document.array();
}

QStringList lines(const QString& text) {
    return text.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

// Whether every line's text under the header starts in the header's column.
bool alignedUnder(const QString& table, const QString& header) {
    const QStringList all = lines(table);
    const qsizetype start = all.value(0).indexOf(header);
    for (const QString& line : all) {
        if (start <= 0 || line.size() <= start || line.at(start) == QLatin1Char(' ') ||
            line.at(start - 1) != QLatin1Char(' '))
            return false;
    }
    return true;
}

// A world of its own for each test: an applications folder with two copies of Capture One and one
// other application, and an empty preferences folder.
class BrisquelTool : public ::testing::Test {
protected:
    void SetUp() override {
        BundleLayout c23 = layout(QStringLiteral("Capture One 23.app"), kId, QStringLiteral("16.2"));
        c23.sdef =
            sdefWithScripts({{kCaptureDone, QStringLiteral("After a capture.")},
                             {QStringLiteral("batch done script"), QStringLiteral("After a batch.")},
                             {QStringLiteral("live view ready script"), QStringLiteral("Live view is on.")}});
        m_bundle23 = makeBundle(m_apps.path(), c23);
        makeBundle(m_apps.path(),
                   layout(QStringLiteral("Capture One 22.app"), kOtherId, QStringLiteral("15.4")));
        makeBundle(m_apps.path(),
                   layout(QStringLiteral("Photo Viewer.app"), QStringLiteral("com.example.viewer")));
    }

    Outcome run(const QStringList& arguments) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLMERE_APPLICATIONS_DIR"), m_applicationsFolder);
        env.insert(QStringLiteral("QUILLMERE_PREFERENCES_DIR"), m_preferencesFolder);
        env.insert(QStringLiteral("QUILLMERE_OSASCRIPT"), QStringLiteral("/nonexistent/osascript"));
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(m_files.path());
        process.start(QStringLiteral(BRISQUEL_BINARY), arguments);
        Outcome outcome;
        if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) {
            ADD_FAILURE() << "brisquel did not end normally";
            return outcome;
        }
        outcome.exitCode = process.exitCode();
        outcome.out = QString::fromUtf8(process.readAllStandardOutput());
        outcome.err = QString::fromUtf8(process.readAllStandardError());
        return outcome;
    }

    QString domainFile(const QString& id = kId) const {
        return QDir(m_preferencesFolder).filePath(id + QStringLiteral(".plist"));
    }
    QVariantMap domain(const QString& id = kId) const {
        return brisquel::vexo::plist::readFile(domainFile(id),
                                               brisquel::vexo::limits::kPreferencesDomainBytes)
            .valueOr(QVariant())
            .toMap();
    }

    TempFolder m_apps;
    TempFolder m_prefs;
    TempFolder m_home;
    TempFolder m_files;
    QString m_applicationsFolder = m_apps.path();
    QString m_preferencesFolder = m_prefs.path();
    QString m_bundle23;
};

} // namespace

// --- Listing ---

TEST_F(BrisquelTool, AppsListsTheCopiesAsJsonOrAsATable) {
    BundleLayout running =
        layout(QStringLiteral("Capture One 21.app"), QStringLiteral("com.captureone.captureone14"));
    running.executable = QStringLiteral("Capture One");
    const QString bundle21 = makeBundle(m_apps.path(), running);
    QProcess copy;
    copy.start(bundle21 + QStringLiteral("/Contents/MacOS/Capture One"), {QStringLiteral("60")});
    ASSERT_TRUE(copy.waitForStarted(5000));

    const Outcome json = run({QStringLiteral("apps"), QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << qPrintable(json.err);
    const QJsonArray apps = jsonArray(json.out);
    ASSERT_EQ(apps.size(), 3);
    EXPECT_EQ(apps.at(0)[QStringLiteral("bundleIdentifier")].toString(),
              QStringLiteral("com.captureone.captureone14"));
    EXPECT_EQ(apps.at(0)[QStringLiteral("running")], QJsonValue(true));
    EXPECT_EQ(apps.at(1)[QStringLiteral("displayName")].toString(), QStringLiteral("Capture One 22"));
    EXPECT_EQ(apps.at(2).toObject(),
              (QJsonObject{{QStringLiteral("displayName"), QStringLiteral("Capture One 23")},
                           {QStringLiteral("bundleIdentifier"), kId},
                           {QStringLiteral("version"), QStringLiteral("16.2")},
                           {QStringLiteral("path"), m_bundle23},
                           {QStringLiteral("running"), false}}));

    const Outcome table = run({QStringLiteral("apps")});
    copy.kill();
    copy.waitForFinished(5000);
    ASSERT_EQ(table.exitCode, 0);
    const QStringList rows = lines(table.out);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.at(0).startsWith(QStringLiteral("NAME")));
    EXPECT_TRUE(rows.at(2).startsWith(QStringLiteral("Capture One 22")));
    EXPECT_TRUE(rows.at(3).contains(m_bundle23));
    for (const QString& header :
         {QStringLiteral("VERSION"), QStringLiteral("BUNDLE IDENTIFIER"), QStringLiteral("PATH")})
        EXPECT_TRUE(alignedUnder(table.out, header)) << qPrintable(header) << "\n" << qPrintable(table.out);
    EXPECT_FALSE(table.out.contains(QStringLiteral("Photo Viewer")));
}

TEST_F(BrisquelTool, NoCopiesIsNotAnError) {
    m_applicationsFolder = m_apps.filePath(QStringLiteral("missing"));
    const Outcome o = run({QStringLiteral("apps"), QStringLiteral("--json")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(jsonArray(o.out), QJsonArray());
}

TEST_F(BrisquelTool, ScriptsFollowTheDictionaryOrderAndShowTheAssignedFile) {
    const QString file = m_files.write(QStringLiteral("done.scpt"), "compiled");
    ASSERT_EQ(run({QStringLiteral("set"), kId, QStringLiteral("batch done script"), file}).exitCode, 0);

    const Outcome json =
        run({QStringLiteral("scripts"), QStringLiteral("Capture One 23"), QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << qPrintable(json.err);
    const QJsonArray scripts = jsonArray(json.out);
    ASSERT_EQ(scripts.size(), 3);
    EXPECT_EQ(scripts.at(0).toObject(),
              (QJsonObject{{QStringLiteral("scriptName"), kCaptureDone},
                           {QStringLiteral("displayName"), QStringLiteral("Capture Done")},
                           {QStringLiteral("defaultsScriptName"), QStringLiteral("endOfCaptureScript")},
                           {QStringLiteral("description"), QStringLiteral("After a capture.")},
                           {QStringLiteral("path"), QJsonValue::Null}}));
    EXPECT_EQ(scripts.at(1)[QStringLiteral("scriptName")].toString(), QStringLiteral("batch done script"));
    EXPECT_EQ(scripts.at(1)[QStringLiteral("path")].toString(), file);
    EXPECT_EQ(scripts.at(2)[QStringLiteral("defaultsScriptName")].toString(),
              QStringLiteral("liveViewReadyScript"));

    const Outcome table = run({QStringLiteral("scripts"), kId});
    ASSERT_EQ(table.exitCode, 0);
    const QStringList rows = lines(table.out);
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.at(2).startsWith(QStringLiteral("Batch Done")));
    EXPECT_TRUE(rows.at(2).contains(file));
    EXPECT_TRUE(rows.at(2).endsWith(QStringLiteral("After a batch.")));
    EXPECT_TRUE(alignedUnder(table.out, QStringLiteral("DESCRIPTION"))) << qPrintable(table.out);
}

TEST_F(BrisquelTool, NamesFromTheDictionaryCannotDriveTheTerminal) {
    BundleLayout hostile =
        layout(QStringLiteral("Capture One 24.app"), QStringLiteral("com.example.hostile"));
    hostile.sdef = QByteArray("<?xml version=\"1.0\"?><dictionary><suite name=\"Capture One Suite\">"
                              "<class name=\"application\"><property name=\"evil&#10;line&#27;[2J script\" "
                              "description=\"two&#10;lines\"/></class></suite></dictionary>");
    makeBundle(m_apps.path(), hostile);
    const Outcome o = run({QStringLiteral("scripts"), QStringLiteral("com.example.hostile")});
    ASSERT_EQ(o.exitCode, 0);
    EXPECT_FALSE(o.out.contains(QChar(0x1b)));
    EXPECT_EQ(o.out.count(QLatin1Char('\n')), 2) << qPrintable(o.out);
    EXPECT_TRUE(o.out.contains(QStringLiteral("evil\\nline\\u001b[2J script")));

    const Outcome json =
        run({QStringLiteral("scripts"), QStringLiteral("com.example.hostile"), QStringLiteral("--json")});
    EXPECT_EQ(jsonArray(json.out).at(0)[QStringLiteral("scriptName")].toString(),
              QStringLiteral("evil\nline\x1b[2J script"));
}

// --- Assigning, reading and clearing ---

TEST_F(BrisquelTool, SetGetClearRoundTripThroughTheDomainFile) {
    m_preferencesFolder = m_prefs.filePath(QStringLiteral("not/yet/there"));
    const QString file = m_files.write(QStringLiteral("Mes scripts/l'été \"final\" ✓ $HOME `x`.scpt"), "x");
    const QString batch = m_files.write(QStringLiteral("sub/b.applescript"), "b");
    const QString dash = m_files.write(QStringLiteral("-dash.scpt"), "x");
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("set"), QStringLiteral("Capture One 23"), kCaptureDone, file},
          // A relative file is made absolute; any name may follow "--".
          QStringList{QStringLiteral("set"), kId, QStringLiteral("batch done script"),
                      QStringLiteral("./sub/../sub/b.applescript")},
          QStringList{QStringLiteral("set"), kId, QStringLiteral("live view ready script"),
                      QStringLiteral("--"), QStringLiteral("-dash.scpt")}}) {
        const Outcome o = run(arguments);
        ASSERT_EQ(o.exitCode, 0) << qPrintable(o.err);
        EXPECT_TRUE(o.err.isEmpty()) << qPrintable(o.err);
    }
    QVariantMap expected{{QStringLiteral("endOfCaptureScript"), file},
                         {QStringLiteral("endOfBatchScript"), batch},
                         {QStringLiteral("liveViewReadyScript"), dash}};
    EXPECT_EQ(domain(), expected);
    EXPECT_FALSE(QFileInfo::exists(domainFile(kOtherId))) << "another copy's domain is untouched";

    // The script is named by its defaults name or by its own.
    for (const QString& script : {QStringLiteral("endOfCaptureScript"), kCaptureDone}) {
        const Outcome o = run({QStringLiteral("get"), kId, script});
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_EQ(o.out, file + QLatin1Char('\n'));
    }

    EXPECT_EQ(run({QStringLiteral("clear"), kId, kCaptureDone}).exitCode, 0);
    expected.remove(QStringLiteral("endOfCaptureScript"));
    EXPECT_EQ(domain(), expected);
    const Outcome o = run({QStringLiteral("get"), kId, kCaptureDone});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.isEmpty());
}

TEST_F(BrisquelTool, SetWarnsOnlyAboutAFileThatIsNotAnAppleScript) {
    const QString text = m_files.write(QStringLiteral("notes.txt"), "x");
    Outcome o = run({QStringLiteral("set"), kId, kCaptureDone, text});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.errLines().size(), 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("warning")));
    EXPECT_EQ(domain().value(QStringLiteral("endOfCaptureScript")).toString(), text);

    QDir().mkpath(m_files.filePath(QStringLiteral("Bundle.scptd")));
    for (const QString& quiet :
         {m_files.write(QStringLiteral("a.SCPT"), "x"), m_files.write(QStringLiteral("b.applescript"), "x"),
          m_files.filePath(QStringLiteral("Bundle.scptd"))}) {
        o = run({QStringLiteral("set"), kId, kCaptureDone, quiet});
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_TRUE(o.err.isEmpty()) << qPrintable(quiet) << ": " << qPrintable(o.err);
    }
}

// --- Failures ---

TEST_F(BrisquelTool, EachFailureIsOneLineAndStatusOneAndStoresNothing) {
    makeBundle(m_apps.filePath(QStringLiteral("Other")),
               layout(QStringLiteral("Capture One 23.app"), QStringLiteral("com.example.twin")));
    makeBundle(m_apps.path(), layout(QStringLiteral("Capture One 30.app"), QStringLiteral("../escape")));
    const QString file = m_files.write(QStringLiteral("x.scpt"), "x");
    const QList<QPair<QStringList, QString>> cases{
        {{QStringLiteral("get"), QStringLiteral("Capture One 99"), kCaptureDone}, {}},
        {{QStringLiteral("get"), QStringLiteral("capture one 22"), kCaptureDone}, {}}, // names match exactly
        {{QStringLiteral("get"), kId, QStringLiteral("capture undone script")}, {}},
        {{QStringLiteral("scripts"), QStringLiteral("com.example.viewer")}, {}}, // not a Capture One copy
        // Two copies of one name must be named by identifier.
        {{QStringLiteral("scripts"), QStringLiteral("Capture One 23")}, QStringLiteral("com.example.twin")},
        {{QStringLiteral("set"), kId, kCaptureDone, m_files.filePath(QStringLiteral("missing.scpt"))},
         QStringLiteral("missing.scpt")},
        {{QStringLiteral("set"), kId, kCaptureDone, QString()}, {}},
        {{QStringLiteral("set"), QStringLiteral("../escape"), kCaptureDone, file},
         {}}}; // a refused domain name
    for (const auto& [arguments, mentioned] : cases) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 1) << qPrintable(arguments.join(u' '));
        EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
        EXPECT_TRUE(o.err.contains(mentioned)) << qPrintable(o.err);
        EXPECT_TRUE(o.out.isEmpty()) << qPrintable(o.out);
    }
    EXPECT_EQ(QDir(m_prefs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
    EXPECT_FALSE(QFileInfo::exists(m_prefs.filePath(QStringLiteral("../escape.plist"))));
    EXPECT_EQ(run({QStringLiteral("scripts"), QStringLiteral("com.example.twin"), QStringLiteral("--json")})
                  .exitCode,
              0);
}

TEST_F(BrisquelTool, AMalformedDomainFileIsLeftByteForByte) {
    const QByteArray garbage("<?xml version=\"1.0\"?><plist><dict><key>keep</key><string>me");
    m_prefs.write(kId + QStringLiteral(".plist"), garbage);
    const QString file = m_files.write(QStringLiteral("x.scpt"), "x");
    for (const QStringList& arguments : {QStringList{QStringLiteral("set"), kId, kCaptureDone, file},
                                         QStringList{QStringLiteral("clear"), kId, kCaptureDone}}) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 1) << qPrintable(arguments.first());
        EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
        QFile check(domainFile());
        ASSERT_TRUE(check.open(QIODevice::ReadOnly));
        EXPECT_EQ(check.readAll(), garbage);
    }
}

TEST_F(BrisquelTool, AWriteThatFailsFailsTheAssignment) {
    // A preferences "folder" that is a file: no domain file can be written there, whoever runs.
    m_preferencesFolder = m_prefs.write(QStringLiteral("a file"), "x");
    const Outcome o =
        run({QStringLiteral("set"), kId, kCaptureDone, m_files.write(QStringLiteral("x.scpt"), "x")});
    EXPECT_EQ(o.exitCode, 1) << qPrintable(o.err);
    EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
    EXPECT_TRUE(o.err.startsWith(QStringLiteral("brisquel: could not assign"))) << qPrintable(o.err);
    EXPECT_EQ(QDir(m_prefs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("a file")});
}

// --- The command line itself ---

TEST_F(BrisquelTool, UsageErrorsGiveTheUsageAndStatusTwoAndHelpAndVersionZero) {
    const QList<QStringList> wrong{{},
                                   {QStringLiteral("launch")},
                                   {QStringLiteral("scripts")},
                                   {QStringLiteral("get"), kId},
                                   {QStringLiteral("set"), kId, kCaptureDone},
                                   {QStringLiteral("clear"), kId, QStringLiteral("a"), QStringLiteral("b")},
                                   {QStringLiteral("apps"), QStringLiteral("--colour")},
                                   {QStringLiteral("get"), kId, kCaptureDone, QStringLiteral("--json")}};
    for (const QStringList& arguments : wrong) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 2) << qPrintable(arguments.join(u' '));
        EXPECT_TRUE(o.err.contains(QStringLiteral("Usage: brisquel"))) << qPrintable(arguments.join(u' '));
        EXPECT_TRUE(o.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(domainFile()));

    Outcome o = run({QStringLiteral("--help")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.startsWith(QStringLiteral("Usage: brisquel")));
    for (const char* command :
         {"apps", "scripts COPY", "get COPY SCRIPT", "set COPY SCRIPT FILE", "clear COPY SCRIPT"})
        EXPECT_TRUE(o.out.contains(QString::fromUtf8(command))) << command;
    EXPECT_EQ(run({QStringLiteral("scripts"), QStringLiteral("-h")}).exitCode, 0);
    o = run({QStringLiteral("--version")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.startsWith(QStringLiteral("brisquel 1.")));
}
