#include "platform/PropertyList.h"
#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>

#include <unistd.h>

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

// A world of its own for each test: an applications folder with two copies of Capture One and one
// other application, and an empty preferences folder.
class BrisquelTool : public ::testing::Test {
protected:
    void SetUp() override {
        m_preferencesFolder = m_prefs.path();
        BundleLayout c23;
        c23.bundleName = QStringLiteral("Capture One 23.app");
        c23.bundleIdentifier = kId;
        c23.version = QStringLiteral("16.2");
        c23.sdef =
            sdefWithScripts({{QStringLiteral("capture done script"), QStringLiteral("After a capture.")},
                             {QStringLiteral("batch done script"), QStringLiteral("After a batch.")},
                             {QStringLiteral("live view ready script"), QStringLiteral("Live view is on.")}});
        m_bundle23 = makeBundle(m_apps.path(), c23);
        BundleLayout c22;
        c22.bundleName = QStringLiteral("Capture One 22.app");
        c22.bundleIdentifier = kOtherId;
        c22.version = QStringLiteral("15.4");
        makeBundle(m_apps.path(), c22);
        BundleLayout other;
        other.bundleName = QStringLiteral("Photo Viewer.app");
        other.bundleIdentifier = QStringLiteral("com.example.viewer");
        makeBundle(m_apps.path(), other);
    }

    Outcome run(const QStringList& arguments, const QString& workingDirectory = {},
                const std::function<void()>& childSetup = {}) const {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QUILLMERE_APPLICATIONS_DIR"), m_apps.path());
        env.insert(QStringLiteral("QUILLMERE_PREFERENCES_DIR"), m_preferencesFolder);
        env.insert(QStringLiteral("QUILLMERE_OSASCRIPT"), QStringLiteral("/nonexistent/osascript"));
        env.insert(QStringLiteral("HOME"), m_home.path());
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home.filePath(QStringLiteral(".config")));
        process.setProcessEnvironment(env);
        if (!workingDirectory.isEmpty()) {
            process.setWorkingDirectory(workingDirectory);
        }
        if (childSetup) {
            process.setChildProcessModifier(childSetup);
        }
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
        const std::optional<QVariant> value = brisquel::plist::readFile(domainFile(id));
        return value ? value->toMap() : QVariantMap();
    }

    static QJsonArray jsonArray(const QString& text) {
        QJsonParseError error{};
        const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
        EXPECT_EQ(error.error, QJsonParseError::NoError) << qPrintable(text);
        EXPECT_TRUE(document.isArray());
        return document.array();
    }

    TempFolder m_apps;
    TempFolder m_prefs;
    TempFolder m_home;
    TempFolder m_files;
    QString m_preferencesFolder;
    QString m_bundle23;
};

// The column at which each line's text under a header starts.
QList<qsizetype> columnStarts(const QString& table, const QString& header) {
    const QStringList lines = table.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype start = lines.value(0).indexOf(header);
    QList<qsizetype> starts;
    for (const QString& line : lines) {
        starts.append(line.size() > start && line.at(start) != QLatin1Char(' ') &&
                              line.at(start - 1) == QLatin1Char(' ')
                          ? start
                          : -1);
    }
    return starts;
}

} // namespace

// --- Listing copies ---

TEST_F(BrisquelTool, AppsAsJsonListsTheCopiesInDiscoveryOrder) {
    const Outcome o = run({QStringLiteral("apps"), QStringLiteral("--json")});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.err);
    const QJsonArray apps = jsonArray(o.out);
    ASSERT_EQ(apps.size(), 2);
    const QJsonObject first = apps.at(0).toObject();
    EXPECT_EQ(first.value(QStringLiteral("displayName")).toString(), QStringLiteral("Capture One 22"));
    EXPECT_EQ(first.value(QStringLiteral("bundleIdentifier")).toString(), kOtherId);
    const QJsonObject second = apps.at(1).toObject();
    EXPECT_EQ(second.value(QStringLiteral("displayName")).toString(), QStringLiteral("Capture One 23"));
    EXPECT_EQ(second.value(QStringLiteral("bundleIdentifier")).toString(), kId);
    EXPECT_EQ(second.value(QStringLiteral("version")).toString(), QStringLiteral("16.2"));
    EXPECT_EQ(second.value(QStringLiteral("path")).toString(), m_bundle23);
    ASSERT_TRUE(second.value(QStringLiteral("running")).isBool());
    EXPECT_FALSE(second.value(QStringLiteral("running")).toBool());
    EXPECT_EQ(second.keys().size(), 5);
}

TEST_F(BrisquelTool, AppsShowsACopyThatRuns) {
    BundleLayout layout;
    layout.bundleName = QStringLiteral("Capture One 21.app");
    layout.bundleIdentifier = QStringLiteral("com.captureone.captureone14");
    layout.executable = QStringLiteral("Capture One");
    const QString bundle = makeBundle(m_apps.path(), layout);
    QProcess copy;
    copy.start(bundle + QStringLiteral("/Contents/MacOS/Capture One"), {QStringLiteral("60")});
    ASSERT_TRUE(copy.waitForStarted(5000));

    const Outcome o = run({QStringLiteral("apps"), QStringLiteral("--json")});
    copy.kill();
    copy.waitForFinished(5000);
    ASSERT_EQ(o.exitCode, 0);
    QHash<QString, bool> running;
    for (const QJsonValue& app : jsonArray(o.out)) {
        running.insert(app[QStringLiteral("bundleIdentifier")].toString(),
                       app[QStringLiteral("running")].toBool());
    }
    EXPECT_TRUE(running.value(QStringLiteral("com.captureone.captureone14")));
    EXPECT_FALSE(running.value(kId, true));
}

TEST_F(BrisquelTool, AppsAsATableAlignsItsColumns) {
    const Outcome o = run({QStringLiteral("apps")});
    ASSERT_EQ(o.exitCode, 0);
    const QStringList lines = o.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3);
    EXPECT_TRUE(lines.at(0).startsWith(QStringLiteral("NAME")));
    EXPECT_TRUE(lines.at(1).startsWith(QStringLiteral("Capture One 22")));
    EXPECT_TRUE(lines.at(2).contains(m_bundle23));
    for (const QString& header :
         {QStringLiteral("VERSION"), QStringLiteral("BUNDLE IDENTIFIER"), QStringLiteral("PATH")}) {
        const QList<qsizetype> starts = columnStarts(o.out, header);
        EXPECT_FALSE(starts.contains(-1)) << qPrintable(header) << "\n" << qPrintable(o.out);
    }
    EXPECT_FALSE(o.out.contains(QStringLiteral("Photo Viewer")));
}

TEST_F(BrisquelTool, NoCopiesIsNotAnError) {
    TempFolder empty;
    m_apps.write(QStringLiteral("unused"), "x");
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QUILLMERE_APPLICATIONS_DIR"), empty.filePath(QStringLiteral("missing")));
    env.insert(QStringLiteral("QUILLMERE_PREFERENCES_DIR"), m_preferencesFolder);
    process.setProcessEnvironment(env);
    process.start(QStringLiteral(BRISQUEL_BINARY), {QStringLiteral("apps"), QStringLiteral("--json")});
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.exitCode(), 0);
    EXPECT_EQ(jsonArray(QString::fromUtf8(process.readAllStandardOutput())).size(), 0);
}

// --- Listing scripts ---

TEST_F(BrisquelTool, ScriptsAsJsonFollowTheDictionaryOrder) {
    const Outcome o = run({QStringLiteral("scripts"), kId, QStringLiteral("--json")});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.err);
    const QJsonArray scripts = jsonArray(o.out);
    ASSERT_EQ(scripts.size(), 3);
    const QJsonObject first = scripts.at(0).toObject();
    EXPECT_EQ(first.value(QStringLiteral("scriptName")).toString(), QStringLiteral("capture done script"));
    EXPECT_EQ(first.value(QStringLiteral("displayName")).toString(), QStringLiteral("Capture Done"));
    EXPECT_EQ(first.value(QStringLiteral("defaultsScriptName")).toString(),
              QStringLiteral("endOfCaptureScript"));
    EXPECT_EQ(first.value(QStringLiteral("description")).toString(), QStringLiteral("After a capture."));
    EXPECT_TRUE(first.value(QStringLiteral("path")).isNull());
    EXPECT_EQ(scripts.at(1)[QStringLiteral("scriptName")].toString(), QStringLiteral("batch done script"));
    EXPECT_EQ(scripts.at(2)[QStringLiteral("defaultsScriptName")].toString(),
              QStringLiteral("liveViewReadyScript"));
}

TEST_F(BrisquelTool, ScriptsShowTheAssignedFile) {
    const QString file = m_files.write(QStringLiteral("done.scpt"), "compiled");
    ASSERT_EQ(run({QStringLiteral("set"), kId, QStringLiteral("batch done script"), file}).exitCode, 0);
    const Outcome json =
        run({QStringLiteral("scripts"), QStringLiteral("Capture One 23"), QStringLiteral("--json")});
    const QJsonArray scripts = jsonArray(json.out);
    ASSERT_EQ(scripts.size(), 3);
    EXPECT_TRUE(scripts.at(0)[QStringLiteral("path")].isNull());
    EXPECT_EQ(scripts.at(1)[QStringLiteral("path")].toString(), file);

    const Outcome table = run({QStringLiteral("scripts"), kId});
    ASSERT_EQ(table.exitCode, 0);
    const QStringList lines = table.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 4);
    EXPECT_TRUE(lines.at(2).startsWith(QStringLiteral("Batch Done")));
    EXPECT_TRUE(lines.at(2).contains(file));
    EXPECT_TRUE(lines.at(2).endsWith(QStringLiteral("After a batch.")));
    EXPECT_FALSE(columnStarts(table.out, QStringLiteral("DESCRIPTION")).contains(-1))
        << qPrintable(table.out);
}

TEST_F(BrisquelTool, NamesFromTheDictionaryCannotDriveTheTerminal) {
    BundleLayout layout;
    layout.bundleName = QStringLiteral("Capture One 24.app");
    layout.bundleIdentifier = QStringLiteral("com.example.hostile");
    layout.sdef = QByteArray("<?xml version=\"1.0\"?><dictionary><suite name=\"Capture One Suite\">"
                           "<class name=\"application\"><property name=\"evil&#10;line&#27;[2J script\" "
                           "description=\"two&#10;lines\"/></class></suite></dictionary>");
    makeBundle(m_apps.path(), layout);
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
    const QString file = m_files.write(QStringLiteral("capture.scpt"), "compiled");
    Outcome o = run({QStringLiteral("set"), QStringLiteral("Capture One 23"),
                     QStringLiteral("capture done script"), file});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.err);
    EXPECT_TRUE(o.err.isEmpty()) << qPrintable(o.err);
    EXPECT_EQ(domain().value(QStringLiteral("endOfCaptureScript")), QVariant(file));

    o = run({QStringLiteral("get"), kId, QStringLiteral("endOfCaptureScript")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.out, file + QLatin1Char('\n'));

    o = run({QStringLiteral("clear"), kId, QStringLiteral("capture done script")});
    EXPECT_EQ(o.exitCode, 0) << qPrintable(o.err);
    EXPECT_FALSE(domain().contains(QStringLiteral("endOfCaptureScript")));
    EXPECT_TRUE(QFileInfo::exists(domainFile()));

    o = run({QStringLiteral("get"), kId, QStringLiteral("capture done script")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.isEmpty());
}

TEST_F(BrisquelTool, SetKeepsEveryOtherKeyOfTheDomain) {
    const QString first = m_files.write(QStringLiteral("a.scpt"), "a");
    const QString second = m_files.write(QStringLiteral("b.applescript"), "b");
    ASSERT_EQ(run({QStringLiteral("set"), kId, QStringLiteral("capture done script"), first}).exitCode, 0);
    ASSERT_EQ(run({QStringLiteral("set"), kId, QStringLiteral("batch done script"), second}).exitCode, 0);
    const QVariantMap values = domain();
    EXPECT_EQ(values.value(QStringLiteral("endOfCaptureScript")).toString(), first);
    EXPECT_EQ(values.value(QStringLiteral("endOfBatchScript")).toString(), second);
    EXPECT_TRUE(domain(kOtherId).isEmpty()) << "another copy's domain is untouched";
}

TEST_F(BrisquelTool, SetMakesARelativeFileAbsolute) {
    m_files.write(QStringLiteral("sub/relative.scpt"), "x");
    const Outcome o = run({QStringLiteral("set"), kId, QStringLiteral("capture done script"),
                           QStringLiteral("./sub/../sub/relative.scpt")},
                          m_files.path());
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.err);
    EXPECT_EQ(domain().value(QStringLiteral("endOfCaptureScript")).toString(),
              m_files.filePath(QStringLiteral("sub/relative.scpt")));
}

TEST_F(BrisquelTool, SetKeepsAPathWithSpacesQuotesAndNonAscii) {
    const QString file = m_files.write(QStringLiteral("Mes scripts/l'été \"final\" ✓ $HOME `x`.scpt"), "x");
    Outcome o = run({QStringLiteral("set"), kId, QStringLiteral("capture done script"), file});
    ASSERT_EQ(o.exitCode, 0) << qPrintable(o.err);
    EXPECT_EQ(domain().value(QStringLiteral("endOfCaptureScript")).toString(), file);
    o = run({QStringLiteral("get"), kId, QStringLiteral("capture done script")});
    EXPECT_EQ(o.out, file + QLatin1Char('\n'));
}

TEST_F(BrisquelTool, SetRefusesAFileThatDoesNotExist) {
    const Outcome o = run({QStringLiteral("set"), kId, QStringLiteral("capture done script"),
                           m_files.filePath(QStringLiteral("missing.scpt"))});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
    EXPECT_TRUE(o.err.contains(QStringLiteral("missing.scpt")));
    EXPECT_FALSE(QFileInfo::exists(domainFile()));
    EXPECT_EQ(run({QStringLiteral("set"), kId, QStringLiteral("capture done script"), QString()}).exitCode,
              1);
}

TEST_F(BrisquelTool, SetWarnsAboutAFileThatIsNotAnAppleScript) {
    const QString text = m_files.write(QStringLiteral("notes.txt"), "x");
    Outcome o = run({QStringLiteral("set"), kId, QStringLiteral("capture done script"), text});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.errLines().size(), 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("warning")));
    EXPECT_EQ(domain().value(QStringLiteral("endOfCaptureScript")).toString(), text);

    QDir().mkpath(m_files.filePath(QStringLiteral("Bundle.scptd")));
    for (const QString& quiet :
         {m_files.write(QStringLiteral("a.SCPT"), "x"), m_files.write(QStringLiteral("b.applescript"), "x"),
          m_files.filePath(QStringLiteral("Bundle.scptd"))}) {
        o = run({QStringLiteral("set"), kId, QStringLiteral("capture done script"), quiet});
        EXPECT_EQ(o.exitCode, 0);
        EXPECT_TRUE(o.err.isEmpty()) << qPrintable(quiet) << ": " << qPrintable(o.err);
    }
}

TEST_F(BrisquelTool, AFileNamedLikeAnOptionFollowsTheDoubleDash) {
    const QString file = m_files.write(QStringLiteral("-dash.scpt"), "x");
    const Outcome o = run({QStringLiteral("set"), kId, QStringLiteral("capture done script"),
                           QStringLiteral("--"), QStringLiteral("-dash.scpt")},
                          m_files.path());
    EXPECT_EQ(o.exitCode, 0) << qPrintable(o.err);
    EXPECT_EQ(domain().value(QStringLiteral("endOfCaptureScript")).toString(), file);
}

// --- Storage failures ---

TEST_F(BrisquelTool, MalformedDomainFileIsLeftByteForByte) {
    const QByteArray garbage("<?xml version=\"1.0\"?><plist><dict><key>keep</key><string>me");
    QDir().mkpath(m_preferencesFolder);
    QFile f(domainFile());
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(garbage);
    f.close();
    const QString file = m_files.write(QStringLiteral("x.scpt"), "x");

    for (const QStringList& arguments :
         {QStringList{QStringLiteral("set"), kId, QStringLiteral("capture done script"), file},
          QStringList{QStringLiteral("clear"), kId, QStringLiteral("capture done script")}}) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 1) << qPrintable(arguments.first());
        EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
        QFile check(domainFile());
        ASSERT_TRUE(check.open(QIODevice::ReadOnly));
        EXPECT_EQ(check.readAll(), garbage);
    }
}

TEST_F(BrisquelTool, CreatesAPreferencesFolderThatDoesNotExistYet) {
    m_preferencesFolder = m_prefs.filePath(QStringLiteral("not/yet/there"));
    const QString file = m_files.write(QStringLiteral("x.scpt"), "x");
    const Outcome o = run({QStringLiteral("set"), kId, QStringLiteral("capture done script"), file});
    EXPECT_EQ(o.exitCode, 0) << qPrintable(o.err);
    EXPECT_EQ(domain().value(QStringLiteral("endOfCaptureScript")).toString(), file);
}

TEST_F(BrisquelTool, AReadOnlyPreferencesFolderFailsTheAssignment) {
    const QString file = m_files.write(QStringLiteral("x.scpt"), "x");
    std::function<void()> asOrdinaryUser;
    if (geteuid() == 0) {
        // Permission bits do not bind a privileged user: the tool runs as an ordinary one, which
        // needs to reach the test's folders.
        for (const QString& folder : {m_apps.path(), m_files.path(), m_prefs.path(), m_home.path()}) {
            QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                              QFileDevice::ExeOwner | QFileDevice::ReadOther |
                                              QFileDevice::ExeOther | QFileDevice::ReadGroup |
                                              QFileDevice::ExeGroup);
        }
        asOrdinaryUser = [] {
            if (::setgid(65534) != 0 || ::setuid(65534) != 0) {
                ::_exit(99);
            }
        };
        const Outcome probe = run({QStringLiteral("--version")}, {}, asOrdinaryUser);
        if (probe.exitCode != 0) {
            GTEST_SKIP() << "the tool cannot run as an ordinary user from this build folder";
        }
    }
    QFile::setPermissions(m_prefs.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                              QFileDevice::ReadOther | QFileDevice::ExeOther |
                                              QFileDevice::ReadGroup | QFileDevice::ExeGroup);
    const Outcome o =
        run({QStringLiteral("set"), kId, QStringLiteral("capture done script"), file}, {}, asOrdinaryUser);
    QFile::setPermissions(m_prefs.path(),
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    EXPECT_EQ(o.exitCode, 1) << qPrintable(o.err);
    EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
    EXPECT_TRUE(o.err.startsWith(QStringLiteral("brisquel: could not assign")));
    EXPECT_FALSE(QFileInfo::exists(domainFile()));
}

TEST_F(BrisquelTool, ARefusedDomainNameFailsTheAssignment) {
    BundleLayout layout;
    layout.bundleName = QStringLiteral("Capture One 30.app");
    layout.bundleIdentifier = QStringLiteral("../escape");
    makeBundle(m_apps.path(), layout);
    const QString file = m_files.write(QStringLiteral("x.scpt"), "x");
    const Outcome o = run(
        {QStringLiteral("set"), QStringLiteral("../escape"), QStringLiteral("capture done script"), file});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
    EXPECT_FALSE(QFileInfo::exists(m_prefs.filePath(QStringLiteral("../escape.plist"))));
    EXPECT_TRUE(QDir(m_prefs.path()).entryList(QDir::Files).isEmpty());
}

// --- Naming copies and scripts ---

TEST_F(BrisquelTool, UnknownCopyOrScriptIsOneLineAndStatusOne) {
    Outcome o =
        run({QStringLiteral("get"), QStringLiteral("Capture One 99"), QStringLiteral("capture done script")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);
    EXPECT_TRUE(o.out.isEmpty());

    o = run({QStringLiteral("get"), QStringLiteral("capture one 23"), QStringLiteral("capture done script")});
    EXPECT_EQ(o.exitCode, 1) << "display names match exactly";

    o = run({QStringLiteral("get"), kId, QStringLiteral("capture undone script")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.errLines().size(), 1) << qPrintable(o.err);

    o = run({QStringLiteral("scripts"), QStringLiteral("com.example.viewer")});
    EXPECT_EQ(o.exitCode, 1) << "not a Capture One copy";
}

TEST_F(BrisquelTool, TwoCopiesWithOneNameMustBeNamedByIdentifier) {
    BundleLayout layout;
    layout.bundleName = QStringLiteral("Capture One 23.app");
    layout.bundleIdentifier = QStringLiteral("com.example.twin");
    makeBundle(m_apps.filePath(QStringLiteral("Other")), layout);
    Outcome o = run({QStringLiteral("scripts"), QStringLiteral("Capture One 23")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.errLines().size(), 1);
    EXPECT_TRUE(o.err.contains(QStringLiteral("com.example.twin")));
    o = run({QStringLiteral("scripts"), QStringLiteral("com.example.twin"), QStringLiteral("--json")});
    EXPECT_EQ(o.exitCode, 0);
}

// --- The command line itself ---

TEST_F(BrisquelTool, UsageErrorsGiveTheUsageAndStatusTwo) {
    const QList<QStringList> wrong{
        {},
        {QStringLiteral("launch")},
        {QStringLiteral("scripts")},
        {QStringLiteral("get"), kId},
        {QStringLiteral("set"), kId, QStringLiteral("capture done script")},
        {QStringLiteral("clear"), kId, QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("apps"), QStringLiteral("--colour")},
        {QStringLiteral("get"), kId, QStringLiteral("capture done script"), QStringLiteral("--json")}};
    for (const QStringList& arguments : wrong) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 2) << qPrintable(arguments.join(u' '));
        EXPECT_TRUE(o.err.contains(QStringLiteral("Usage: brisquel"))) << qPrintable(arguments.join(u' '));
        EXPECT_TRUE(o.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(domainFile()));
}

TEST_F(BrisquelTool, HelpAndVersion) {
    Outcome o = run({QStringLiteral("--help")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.startsWith(QStringLiteral("Usage: brisquel")));
    for (const char* command :
         {"apps", "scripts COPY", "get COPY SCRIPT", "set COPY SCRIPT FILE", "clear COPY SCRIPT"}) {
        EXPECT_TRUE(o.out.contains(QString::fromUtf8(command))) << command;
    }
    EXPECT_EQ(run({QStringLiteral("scripts"), QStringLiteral("-h")}).exitCode, 0);
    o = run({QStringLiteral("--version")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.startsWith(QStringLiteral("brisquel 1.")));
}
