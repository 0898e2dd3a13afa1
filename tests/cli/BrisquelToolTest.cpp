// The brisquel tool through its real binary: listing, naming, assigning, and the command line.

#include "tests/cli/ToolWorld.h"
#include "tests/support/HostileFiles.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>

using clitest::jsonArray;
using clitest::Outcome;
using testsupport::sdefWithScripts;

namespace {

const QString kCaptureDone = QStringLiteral("capture done script");

// Whether every line's text under the header starts in the header's column.
bool alignedUnder(const QString& table, const QString& header) {
    const QStringList all = table.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype start = all.value(0).indexOf(header);
    for (const QString& line : all) {
        if (start <= 0 || line.size() <= start || line.at(start) == QLatin1Char(' ') ||
            line.at(start - 1) != QLatin1Char(' '))
            return false;
    }
    return true;
}

// The columns a line takes on a terminal: CJK characters take two.
qsizetype terminalColumns(const QString& line) {
    qsizetype columns = 0;
    for (const QChar c : line)
        columns += (c.unicode() >= 0x2e80 && c.unicode() <= 0xa4cf) ||
                           (c.unicode() >= 0xff00 && c.unicode() <= 0xff60)
                       ? 2
                       : 1;
    return columns;
}

// Two copies of Capture One and one other application, and an empty preferences folder.
class BrisquelCommandLine : public clitest::ToolWorld {
protected:
    void SetUp() override {
        m_bundle23 = makeCopy(
            QStringLiteral("Capture One 23"), m_id,
            sdefWithScripts({{kCaptureDone, QStringLiteral("After a capture.")},
                             {QStringLiteral("batch done script"), QStringLiteral("After a batch.")},
                             {QStringLiteral("live view ready script"), QStringLiteral("Live view is on.")}}),
            QStringLiteral("16.2"));
        makeCopy(QStringLiteral("Capture One 22"), m_otherId, {}, QStringLiteral("15.4"));
        testsupport::BundleLayout viewer;
        viewer.bundleName = QStringLiteral("Photo Viewer.app");
        viewer.bundleIdentifier = identifier(QStringLiteral("viewer"));
        testsupport::makeBundle(m_apps.path(), viewer);
    }

    const QString m_id = identifier(QStringLiteral("c16"));
    const QString m_otherId = identifier(QStringLiteral("c15"));
    QString m_bundle23;
};

} // namespace

// --- Listing ---

TEST_F(BrisquelCommandLine, AppsListsTheCopiesAsJsonOrAsATableAndTellsWhichRuns) {
#if defined(__APPLE__)
    GTEST_SKIP() << "macOS asks LaunchServices which applications run, and a program started from a "
                    "bundle's Contents/MacOS is none to it";
#endif
    testsupport::BundleLayout running;
    running.bundleName = QStringLiteral("Capture One 21.app");
    running.bundleIdentifier = identifier(QStringLiteral("c14"));
    running.executable = QStringLiteral("Capture One");
    const QString bundle21 = testsupport::makeBundle(m_apps.path(), running);
    QProcess copy;
    copy.start(bundle21 + QStringLiteral("/Contents/MacOS/Capture One"), {QStringLiteral("60")});
    ASSERT_TRUE(copy.waitForStarted(5000));

    const Outcome json = run({QStringLiteral("apps"), QStringLiteral("--json")});
    const Outcome table = run({QStringLiteral("apps")});
    copy.kill();
    copy.waitForFinished(5000);

    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonArray apps = jsonArray(json.out);
    ASSERT_EQ(apps.size(), 3);
    EXPECT_EQ(apps.at(0)[QStringLiteral("bundleIdentifier")].toString(), running.bundleIdentifier);
    EXPECT_EQ(apps.at(0)[QStringLiteral("running")], QJsonValue(true));
    EXPECT_EQ(apps.at(1)[QStringLiteral("displayName")].toString(), QStringLiteral("Capture One 22"));
    EXPECT_EQ(apps.at(2).toObject(),
              (QJsonObject{{QStringLiteral("displayName"), QStringLiteral("Capture One 23")},
                           {QStringLiteral("bundleIdentifier"), m_id},
                           {QStringLiteral("version"), QStringLiteral("16.2")},
                           {QStringLiteral("path"), m_bundle23},
                           {QStringLiteral("running"), false}}));

    ASSERT_EQ(table.exitCode, 0);
    EXPECT_TRUE(table.err.isEmpty()) << table.err.toStdString();
    const QStringList rows = table.outLines();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.at(0).startsWith(QStringLiteral("NAME")));
    EXPECT_TRUE(rows.at(1).contains(QStringLiteral(" yes ")));
    EXPECT_TRUE(rows.at(2).startsWith(QStringLiteral("Capture One 22")));
    EXPECT_TRUE(rows.at(3).endsWith(m_bundle23));
    for (const QString& header :
         {QStringLiteral("VERSION"), QStringLiteral("BUNDLE IDENTIFIER"), QStringLiteral("PATH")})
        EXPECT_TRUE(alignedUnder(table.outText(), header)) << qPrintable(header) << "\n"
                                                           << qPrintable(table.outText());
    EXPECT_FALSE(table.outText().contains(QStringLiteral("Photo Viewer")));
}

TEST_F(BrisquelCommandLine, AFolderWithoutCopiesIsNoCopiesButAFolderThatCannotBeSearchedIsAFailure) {
    const QString empty = m_files.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    m_applicationsFolder = empty;
    Outcome o = run({QStringLiteral("apps")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.outText(), QStringLiteral("No copy of Capture One found in ") + empty +
                               QStringLiteral(" (it is the folder QUILLMERE_APPLICATIONS_DIR names).\n"));
    o = run({QStringLiteral("apps"), QStringLiteral("--json")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(jsonArray(o.out), QJsonArray());
    // A copy named in a folder that holds none: the folder is named, and how to search another.
    o = run({QStringLiteral("scripts"), QStringLiteral("Capture One 23")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(o.errLines(),
              QStringList{QStringLiteral("brisquel: no copy of Capture One is named \"Capture One 23\": "
                                         "none was found in ") +
                          empty + QStringLiteral(" (it is the folder QUILLMERE_APPLICATIONS_DIR names)")});

    const struct {
        QString folder;
        QString reason;
    } unsearchable[] = {{m_apps.filePath(QStringLiteral("missing")), QStringLiteral("does not exist")},
                        {m_files.write(QStringLiteral("a file"), "x"), QStringLiteral("is not a folder")}};
    for (const auto& [folder, reason] : unsearchable) {
        m_applicationsFolder = folder;
        for (const QStringList& arguments : {QStringList{QStringLiteral("apps")},
                                             QStringList{QStringLiteral("apps"), QStringLiteral("--json")},
                                             QStringList{QStringLiteral("scripts"), m_id},
                                             QStringList{QStringLiteral("get"), m_id, kCaptureDone}}) {
            o = run(arguments);
            EXPECT_EQ(o.exitCode, 1) << qPrintable(arguments.join(u' '));
            EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
            ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
            EXPECT_TRUE(o.errText().contains(folder + QLatin1Char(' ') + reason)) << o.err.toStdString();
            EXPECT_TRUE(o.errText().contains(QStringLiteral("QUILLMERE_APPLICATIONS_DIR")))
                << o.err.toStdString();
        }
    }
}

TEST_F(BrisquelCommandLine, VerboseSaysWhichBundlesTheSearchPassedOverAndWhy) {
    const QString noInfo = m_apps.filePath(QStringLiteral("Capture One 10.app"));
    QDir().mkpath(noInfo + QStringLiteral("/Contents/Resources"));
    const QString noVersion =
        makeCopy(QStringLiteral("Capture One 11"), identifier(QStringLiteral("c11")), {}, {});
    const QString twin = m_apps.filePath(QStringLiteral("Twins"));
    QDir().mkpath(twin);
    testsupport::BundleLayout sameId;
    sameId.bundleName = QStringLiteral("Capture One 24.app");
    sameId.bundleIdentifier = m_id;
    const QString repeated = testsupport::makeBundle(twin, sameId);

    const Outcome quiet = run({QStringLiteral("apps")});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.errLines(),
              QStringList{QStringLiteral(
                  "brisquel: the search passed over 3 bundles or folders; --verbose says which and why")});

    const Outcome verbose = run({QStringLiteral("apps"), QStringLiteral("--verbose")});
    EXPECT_EQ(verbose.exitCode, 0);
    EXPECT_EQ(verbose.out, quiet.out);
    // A folder of one's own is always walked, on every platform.
    EXPECT_EQ(verbose.errLines().filter(QStringLiteral("brisquel: searched with the folder walk")).size(), 1)
        << verbose.err.toStdString();
    const struct {
        QString path;
        QString reason;
    } expected[] = {{noInfo, QStringLiteral("Info.plist")},
                    {noVersion, QStringLiteral("CFBundleShortVersionString")},
                    {repeated, QStringLiteral("same bundle identifier")}};
    for (const auto& [path, reason] : expected) {
        const QStringList said = verbose.errLines().filter(path + QLatin1Char(' '));
        ASSERT_EQ(said.size(), 1) << qPrintable(path) << "\n" << verbose.err.toStdString();
        EXPECT_TRUE(said.first().contains(reason)) << qPrintable(said.first());
    }
}

TEST_F(BrisquelCommandLine, ScriptsFollowTheDictionaryOrderAndShowTheAssignedFile) {
    const QString file = compiledScript(QStringLiteral("done.scpt"));
    writeDomain(m_id,
                {{QStringLiteral("endOfBatchScript"), file},
                 {QStringLiteral("liveViewReadyScript"), m_files.filePath(QStringLiteral("gone.scpt"))}});

    const Outcome json =
        run({QStringLiteral("scripts"), QStringLiteral("Capture One 23"), QStringLiteral("--json")});
    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonArray scripts = jsonArray(json.out);
    ASSERT_EQ(scripts.size(), 3);
    EXPECT_EQ(scripts.at(0).toObject(),
              (QJsonObject{{QStringLiteral("scriptName"), kCaptureDone},
                           {QStringLiteral("displayName"), QStringLiteral("Capture Done")},
                           {QStringLiteral("defaultsScriptName"), QStringLiteral("endOfCaptureScript")},
                           {QStringLiteral("description"), QStringLiteral("After a capture.")},
                           {QStringLiteral("path"), QJsonValue::Null}}));
    EXPECT_EQ(scripts.at(1)[QStringLiteral("path")].toString(), file);
    EXPECT_EQ(scripts.at(2)[QStringLiteral("defaultsScriptName")].toString(),
              QStringLiteral("liveViewReadyScript"));

    const Outcome table = run({QStringLiteral("scripts"), m_id});
    ASSERT_EQ(table.exitCode, 0);
    const QStringList rows = table.outLines();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.at(1).startsWith(QStringLiteral("Capture Done")));
    EXPECT_TRUE(rows.at(2).startsWith(QStringLiteral("Batch Done")));
    EXPECT_TRUE(rows.at(2).contains(QStringLiteral(" ") + file + QStringLiteral("  ")));
    EXPECT_TRUE(rows.at(2).endsWith(QStringLiteral("After a batch.")));
    EXPECT_TRUE(rows.at(3).contains(QStringLiteral("gone.scpt (missing)"))) << qPrintable(rows.at(3));
    EXPECT_TRUE(alignedUnder(table.outText(), QStringLiteral("DESCRIPTION"))) << qPrintable(table.outText());

    const QString none =
        makeCopy(QStringLiteral("Capture One 9"), identifier(QStringLiteral("c9")),
                 sdefWithScripts({{QStringLiteral("name"), QStringLiteral("Not a script.")}}));
    const Outcome empty = run({QStringLiteral("scripts"), QStringLiteral("Capture One 9")});
    EXPECT_EQ(empty.exitCode, 0);
    EXPECT_EQ(empty.outText(), QStringLiteral("Capture One 9 offers no background scripts.\n"));
}

TEST_F(BrisquelCommandLine, TablesFitTheTerminalWithoutCuttingANameAndAreWholeOtherwise) {
    const QString description = QStringLiteral("Runs once every image of a long batch has been processed and "
                                               "written, with the list of the files that were produced.");
    // Localized dictionaries describe scripts in scripts whose characters take two columns.
    const QString wide =
        QStringLiteral("読み込みが終わり、最後の画像がカタログにコピーされたときに実行されます。");
    makeCopy(QStringLiteral("Capture One 30"), identifier(QStringLiteral("c30")),
             sdefWithScripts({{QStringLiteral("batch done script"), description},
                              {QStringLiteral("import done script"), wide}}));
    const QString file =
        compiledScript(QStringLiteral("A folder with a rather long name/Another one/batch.scpt"));
    ASSERT_EQ(
        run({QStringLiteral("set"), QStringLiteral("Capture One 30"), QStringLiteral("Batch Done"), file})
            .exitCode,
        0);

    // To a program: every cell whole, one line per row.
    const Outcome piped = run({QStringLiteral("scripts"), QStringLiteral("Capture One 30")});
    ASSERT_EQ(piped.outLines().size(), 3);
    EXPECT_TRUE(piped.outLines().at(2).endsWith(QStringLiteral("  ") + wide));
    EXPECT_TRUE(piped.outLines().at(1).contains(file + QStringLiteral("  ") + description));

    for (const int columns : {60, 100, 140}) {
        const Outcome shown = run({QStringLiteral("scripts"), QStringLiteral("Capture One 30")}, columns);
        ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
        const QString text = shown.outText();
        for (const QString& line : shown.outLines())
            EXPECT_LE(terminalColumns(line), columns) << columns << ": " << qPrintable(line);
        // Names are never cut; the description is wrapped, so all of its words are there in order.
        for (const char* name : {"Batch Done", "batch done script", "endOfBatchScript"})
            EXPECT_TRUE(text.contains(QString::fromUtf8(name))) << columns << ": " << name << "\n"
                                                                << qPrintable(text);
        const QRegularExpression space(QStringLiteral("\\s+"));
        for (const QString& whole : {description, wide})
            EXPECT_TRUE(QString(text).remove(space).contains(QString(whole).remove(space)))
                << columns << "\n"
                << qPrintable(text);
        EXPECT_TRUE(text.contains(QStringLiteral("batch.scpt"))) << columns;
    }
    // A path is cut from the left: the bundle's own name stays whole, as does the file's.
    const QString deep = m_apps.filePath(QStringLiteral("A folder with a rather long name/Another one"));
    QDir().mkpath(deep);
    QDir().rename(m_apps.filePath(QStringLiteral("Capture One 22.app")),
                  deep + QStringLiteral("/Capture One 22.app"));
    for (const int columns : {50, 80, 100}) {
        const Outcome apps = run({QStringLiteral("apps")}, columns);
        for (const QString& line : apps.outLines())
            EXPECT_LE(line.size(), columns) << qPrintable(line);
        for (const QString& name : {QStringLiteral("Capture One 22"), QStringLiteral("Capture One 30"), m_id})
            EXPECT_TRUE(apps.outText().contains(name)) << qPrintable(apps.outText());
        const QStringList paths = apps.outLines().filter(QStringLiteral(".app"));
        EXPECT_EQ(paths.size(), 3) << qPrintable(apps.outText());
        for (const QString& line : paths)
            EXPECT_TRUE(
                QRegularExpression(QStringLiteral("/Capture One \\d\\d\\.app$")).match(line).hasMatch())
                << columns << ": " << qPrintable(line);
        EXPECT_TRUE(QRegularExpression(QStringLiteral("…/([^\\n]*/)?Capture One 22\\.app\\n"))
                        .match(apps.outText())
                        .hasMatch())
            << qPrintable(apps.outText());
    }
    const Outcome narrow = run({QStringLiteral("scripts"), QStringLiteral("Capture One 30")}, 60);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("…/([^\\n]*/)?batch\\.scpt\\n")).match(narrow.outText()).hasMatch())
        << qPrintable(narrow.outText());
}

// --- Naming ---

TEST_F(BrisquelCommandLine, EveryNameTheTablesShowIsAcceptedBack) {
    const QString file = compiledScript(QStringLiteral("done.scpt"));
    writeDomain(m_id, {{QStringLiteral("endOfCaptureScript"), file}});
    const QString relativeBundle = QDir(m_files.path()).relativeFilePath(m_bundle23);
    QList<QPair<QString, QString>> names;
    for (const QString& copy :
         {m_id, m_id.toUpper(), QStringLiteral("Capture One 23"), QStringLiteral("capture one 23"),
          QStringLiteral("CAPTURE ONE 23.APP"), m_bundle23, m_bundle23 + QLatin1Char('/'), relativeBundle})
        names.append({copy, kCaptureDone});
    for (const QString& script : {QStringLiteral("endOfCaptureScript"), QStringLiteral("Capture Done"),
                                  QStringLiteral("capture done"), QStringLiteral("ENDOFCAPTURESCRIPT")})
        names.append({m_id, script});
    for (const auto& [copy, script] : names) {
        const Outcome o = run({QStringLiteral("get"), copy, script});
        EXPECT_EQ(o.exitCode, 0) << qPrintable(copy) << " / " << qPrintable(script) << ": "
                                 << o.err.toStdString();
        EXPECT_EQ(o.outText(), file + QLatin1Char('\n'));
    }
}

TEST_F(BrisquelCommandLine, AnUnknownOrAmbiguousNameListsTheNamesThatWouldBeAccepted) {
    const QString twins = m_apps.filePath(QStringLiteral("Other"));
    QDir().mkpath(twins);
    testsupport::BundleLayout twin;
    twin.bundleName = QStringLiteral("Capture One 23.app");
    twin.bundleIdentifier = identifier(QStringLiteral("twin"));
    testsupport::makeBundle(twins, twin);
    makeCopy(QStringLiteral("Capture One Pro"), identifier(QStringLiteral("pro")));
    makeCopy(QStringLiteral("Capture One PRO"), identifier(QStringLiteral("PRO")));
    const QString file = compiledScript(QStringLiteral("x.scpt"));

    const struct {
        QStringList arguments;
        QStringList mentioned;
    } cases[] = {
        {{QStringLiteral("get"), QStringLiteral("Capture One 99"), kCaptureDone},
         {QStringLiteral("\"Capture One 99\""),
          QStringLiteral("Capture One 22 (") + m_otherId + QLatin1Char(')')}},
        {{QStringLiteral("scripts"), identifier(QStringLiteral("viewer"))},
         {QStringLiteral("no copy of Capture One")}},
        // The same display name twice: the identifiers tell them apart.
        {{QStringLiteral("scripts"), QStringLiteral("Capture One 23")}, {m_id, twin.bundleIdentifier}},
        // Two names that differ only in case: an exact one is taken, a third spelling is ambiguous.
        {{QStringLiteral("scripts"), QStringLiteral("capture one pro")},
         {identifier(QStringLiteral("pro")), identifier(QStringLiteral("PRO"))}},
        {{QStringLiteral("set"), m_id, QStringLiteral("capture undone script"), file},
         {QStringLiteral("\"Capture Done\", \"Batch Done\", \"Live View Ready\"")}},
    };
    for (const auto& [arguments, mentioned] : cases) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 1) << qPrintable(arguments.join(u' '));
        EXPECT_EQ(o.errLines().size(), 1) << o.err.toStdString();
        for (const QString& text : mentioned)
            EXPECT_TRUE(o.errText().contains(text)) << qPrintable(text) << "\n" << o.err.toStdString();
        EXPECT_TRUE(o.out.isEmpty()) << o.out.toStdString();
    }
    EXPECT_EQ(run({QStringLiteral("scripts"), QStringLiteral("Capture One PRO"), QStringLiteral("--json")})
                  .exitCode,
              0);
    EXPECT_EQ(QDir(m_prefs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// --- Assigning, reading and clearing ---

TEST_F(BrisquelCommandLine, SetGetClearRoundTripThroughTheDomainFile) {
    m_preferencesFolder = m_prefs.filePath(QStringLiteral("not/yet/there"));
    const QString file = compiledScript(QStringLiteral("Mes scripts/l'été \"final\" ✓ $HOME `x` %41 #.scpt"));
    const QString batch = m_files.write(QStringLiteral("sub/b.applescript"), "display dialog \"b\"");
    const QString dash = compiledScript(QStringLiteral("-dash.scpt"));
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("set"), QStringLiteral("Capture One 23"), kCaptureDone, file},
          // A relative file is made absolute; any name may follow "--".
          QStringList{QStringLiteral("set"), m_id, QStringLiteral("Batch Done"),
                      QStringLiteral("./sub/../sub//b.applescript")},
          QStringList{QStringLiteral("set"), m_id, QStringLiteral("live view ready script"),
                      QStringLiteral("--"), QStringLiteral("-dash.scpt")}}) {
        const Outcome o = run(arguments);
        ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_TRUE(o.err.isEmpty()) << o.err.toStdString();
    }
    QVariantMap expected{{QStringLiteral("endOfCaptureScript"), file},
                         {QStringLiteral("endOfBatchScript"), batch},
                         {QStringLiteral("liveViewReadyScript"), dash}};
    EXPECT_EQ(domain(m_id), expected);
    EXPECT_FALSE(QFileInfo::exists(domainFile(m_otherId))) << "another copy's domain is untouched";

    Outcome o = run({QStringLiteral("get"), m_id, kCaptureDone});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.outText(), file + QLatin1Char('\n'));

    EXPECT_EQ(run({QStringLiteral("clear"), m_id, QStringLiteral("Capture Done")}).exitCode, 0);
    expected.remove(QStringLiteral("endOfCaptureScript"));
    EXPECT_EQ(domain(m_id), expected);
    o = run({QStringLiteral("get"), m_id, kCaptureDone});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_TRUE(o.err.isEmpty());

    // A file that has gone since it was assigned: the path, and a warning that Capture One will
    // find nothing there.
    QFile::remove(batch);
    o = run({QStringLiteral("get"), m_id, QStringLiteral("Batch Done")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.outText(), batch + QLatin1Char('\n'));
    EXPECT_EQ(o.errLines().size(), 1);
    EXPECT_TRUE(o.errText().contains(QStringLiteral("does not exist"))) << o.err.toStdString();
    // One that is not gone but cannot be reached is not said to be missing.
    const QString underAFile = compiledScript(QStringLiteral("plain.scpt")) + QStringLiteral("/x.scpt");
    writeDomain(m_id, {{QStringLiteral("endOfBatchScript"), underAFile}});
    o = run({QStringLiteral("get"), m_id, QStringLiteral("Batch Done")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.errLines(), QStringList{QStringLiteral("brisquel: warning: ") + underAFile +
                                        QStringLiteral(" cannot be reached (Not a directory): Capture One "
                                                       "will find no script there")});

    // A value that is not a path, put there by another program: nothing to print, and a warning.
    writeDomain(m_id, {{QStringLiteral("endOfCaptureScript"), 42}});
    o = run({QStringLiteral("get"), m_id, kCaptureDone});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(o.errLines(),
              QStringList{QStringLiteral("brisquel: warning: endOfCaptureScript holds a number, not a "
                                         "file's path: Capture One will find no script there")});
}

TEST_F(BrisquelCommandLine, SetRefusesWhatIsNotAScriptUnlessForced) {
    QDir().mkpath(m_files.filePath(QStringLiteral("Folder")));
    QDir().mkpath(m_files.filePath(QStringLiteral("Hollow.scptd/Contents/Resources")));
    QFile::link(m_files.filePath(QStringLiteral("nowhere.scpt")),
                m_files.filePath(QStringLiteral("dangling.scpt")));
    testsupport::HostileFiles::makeFifo(m_files.filePath(QStringLiteral("pipe.scpt")));
    const QString scripts = QStringLiteral("/Contents/Resources/Scripts");
    QDir().mkpath(m_files.filePath(QStringLiteral("Piped.scptd") + scripts));
    testsupport::HostileFiles::makeFifo(
        m_files.filePath(QStringLiteral("Piped.scptd") + scripts + QStringLiteral("/main.scpt")));
    QDir().mkpath(m_files.filePath(QStringLiteral("Nested.scptd") + scripts + QStringLiteral("/main.scpt")));
    const struct {
        QString file;
        QString reason;
    } refused[] = {
        {m_files.write(QStringLiteral("notes.txt"), "tell application \"Finder\""),
         QStringLiteral("not an AppleScript file")},
        {m_files.filePath(QStringLiteral("Folder")), QStringLiteral("is a folder")},
        {m_files.filePath(QStringLiteral("Hollow.scptd")), QStringLiteral("script bundle without")},
        {m_files.write(QStringLiteral("empty.scpt"), ""), QStringLiteral("is empty")},
        {m_files.write(QStringLiteral("photo.scpt"), QByteArray("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16)),
         QStringLiteral("neither a compiled script nor a script text")},
        {m_files.filePath(QStringLiteral("missing.scpt")), QStringLiteral("does not exist")},
        {m_files.filePath(QStringLiteral("dangling.scpt")),
         QStringLiteral("symbolic link to a file that does not exist")},
        {m_files.filePath(QStringLiteral("pipe.scpt")), QStringLiteral("is a FIFO")},
        {m_files.filePath(QStringLiteral("Piped.scptd")),
         QStringLiteral("/main.scpt is a FIFO, not a script file")},
        {m_files.filePath(QStringLiteral("Nested.scptd")),
         QStringLiteral("/main.scpt is a folder, not a script file")},
    };
    for (const auto& [file, reason] : refused) {
        Outcome o = run({QStringLiteral("set"), m_id, kCaptureDone, file});
        EXPECT_EQ(o.exitCode, 1) << qPrintable(file);
        ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(file)) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(reason)) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(QStringLiteral("--force"))) << o.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(domainFile(m_id)));

        o = run({QStringLiteral("set"), m_id, kCaptureDone, file, QStringLiteral("--force")});
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(QStringLiteral("warning: ") + file)) << o.err.toStdString();
        EXPECT_EQ(domain(m_id).value(QStringLiteral("endOfCaptureScript")).toString(), file);
        QFile::remove(domainFile(m_id));
    }

    QDir().mkpath(m_files.filePath(QStringLiteral("Whole.scptd/Contents/Resources/Scripts")));
    compiledScript(QStringLiteral("Whole.scptd/Contents/Resources/Scripts/main.scpt"));
    const QString bundle = m_files.filePath(QStringLiteral("Whole.scptd"));
    const QList<QPair<QString, QString>> accepted{
        {compiledScript(QStringLiteral("a.SCPT")), {}},
        {m_files.write(QStringLiteral("text.scpt"), "display dialog \"hi\""), {}},
        {m_files.write(QStringLiteral("b.applescript"), "display dialog \"b\""), {}},
        {m_files.write(QStringLiteral("u.applescript"), QByteArray("\xff\xfe"
                                                                   "d\0i\0",
                                                                   6)),
         {}},
        {compiledScript(QStringLiteral("compiled without extension")), {}},
        {bundle, {}},
        {bundle + QStringLiteral("/./"), bundle},
    };
    for (const auto& [given, stored] : accepted) {
        const Outcome o = run({QStringLiteral("set"), m_id, kCaptureDone, given});
        EXPECT_EQ(o.exitCode, 0) << qPrintable(given) << ": " << o.err.toStdString();
        EXPECT_TRUE(o.err.isEmpty()) << qPrintable(given) << ": " << o.err.toStdString();
        EXPECT_EQ(domain(m_id).value(QStringLiteral("endOfCaptureScript")).toString(),
                  stored.isEmpty() ? given : stored);
    }
}

TEST_F(BrisquelCommandLine, WhatCannotBeWrittenIsAFailureWithItsReason) {
    // Output to a full disk: a program storing it must not take a truncated result for a whole one.
    // (Linux's /dev/full stands for one; macOS has no such device.)
    m_outputFile = "/dev/full";
    for (const QStringList& arguments :
         QFileInfo::exists(QStringLiteral("/dev/full"))
             ? QList<QStringList>{QStringList{QStringLiteral("apps"), QStringLiteral("--json")},
                                  QStringList{QStringLiteral("scripts"), m_id},
                                  QStringList{QStringLiteral("--help")}}
             : QList<QStringList>{}) {
        const Outcome o = run(arguments);
        EXPECT_EQ(o.exitCode, 1) << qPrintable(arguments.join(u' '));
        EXPECT_EQ(o.errLines(), QStringList{QStringLiteral(
                                    "brisquel: the output could not be written: No space left on device")});
    }
    m_outputFile.clear();

    // A bundle identifier that names a path: refused as a domain name, nothing written anywhere.
    const QString escape =
        QStringLiteral("../") + QFileInfo(m_prefs.path()).fileName() + QStringLiteral("-escape");
    makeCopy(QStringLiteral("Capture One 31"), escape);
    const QString file = compiledScript(QStringLiteral("x.scpt"));
    const Outcome refused = run({QStringLiteral("set"), escape, kCaptureDone, file});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.errLines().size(), 1) << refused.err.toStdString();
    EXPECT_TRUE(refused.errText().contains(escape)) << refused.err.toStdString();
    EXPECT_FALSE(QFileInfo::exists(m_prefs.path() + QStringLiteral("-escape.plist")));

    // A preferences "folder" that is a file: no domain file can be written there, whoever runs.
    m_preferencesFolder = m_prefs.write(QStringLiteral("a file"), "x");
    const Outcome o = run({QStringLiteral("set"), m_id, kCaptureDone, file});
    EXPECT_EQ(o.exitCode, 1) << o.err.toStdString();
    ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
    EXPECT_TRUE(o.errText().startsWith(QStringLiteral("brisquel: could not assign "))) << o.err.toStdString();
    EXPECT_TRUE(o.errText().contains(m_preferencesFolder)) << o.err.toStdString();
    EXPECT_EQ(QDir(m_prefs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot),
              QStringList{QStringLiteral("a file")});
}

// --- The command line itself ---

TEST_F(BrisquelCommandLine, AUsageErrorIsOneLineAndAPointerToTheHelp) {
    const QString toolHelp = QStringLiteral("Try 'brisquel --help'.");
    const struct {
        QList<QByteArray> arguments;
        QString said;
        QString pointer;
    } wrong[] = {
        {{}, QStringLiteral("no command given"), toolHelp},
        {{"launch"}, QStringLiteral("unknown command 'launch'"), toolHelp},
        {{"script", m_id.toUtf8()},
         QStringLiteral("unknown command 'script'; did you mean 'scripts'?"),
         toolHelp},
        {{"scr"}, QStringLiteral("unknown command 'scr'; did you mean 'scripts'?"), toolHelp},
        {{"scripts"},
         QStringLiteral("missing COPY: the command is 'brisquel scripts COPY'"),
         QStringLiteral("Try 'brisquel help scripts'.")},
        {{"set", m_id.toUtf8(), kCaptureDone.toUtf8()},
         QStringLiteral("missing FILE"),
         QStringLiteral("Try 'brisquel help set'.")},
        {{"clear", m_id.toUtf8(), "a", "b"},
         QStringLiteral("unexpected argument 'b'"),
         QStringLiteral("Try 'brisquel help clear'.")},
        {{"apps", "--colour"},
         QStringLiteral("unknown option '--colour'"),
         QStringLiteral("Try 'brisquel help apps'.")},
        {{"--jsn", "apps"},
         QStringLiteral("unknown option '--jsn'; did you mean '--json'?"),
         QStringLiteral("Try 'brisquel help apps'.")},
        {{"apps", "-json"},
         QStringLiteral("unknown option '-json'; did you mean '--json'?"),
         QStringLiteral("Try 'brisquel help apps'.")},
        {{"apps", "--verb"},
         QStringLiteral("unknown option '--verb'; did you mean '--verbose'?"),
         QStringLiteral("Try 'brisquel help apps'.")},
        {{"set", "--FORCE"},
         QStringLiteral("unknown option '--FORCE'; did you mean '--force'?"),
         QStringLiteral("Try 'brisquel help set'.")},
        {{"get", m_id.toUtf8(), kCaptureDone.toUtf8(), "--json"},
         QStringLiteral("--json applies"),
         QStringLiteral("Try 'brisquel help get'.")},
        {{"clear", m_id.toUtf8(), kCaptureDone.toUtf8(), "--force"},
         QStringLiteral("--force applies"),
         QStringLiteral("Try 'brisquel help clear'.")},
        {{"set", m_id.toUtf8(), kCaptureDone.toUtf8(), ""},
         QStringLiteral("FILE is empty: give the script file to assign, or use 'brisquel clear COPY SCRIPT'"),
         QStringLiteral("Try 'brisquel help set'.")},
        {{"help", "sets"}, QStringLiteral("no command is named 'sets'; did you mean 'set'?"), toolHelp},
        {{"help", "set", "apps"},
         QStringLiteral("unexpected argument 'apps'"),
         QStringLiteral("Try 'brisquel help set'.")},
        // What was typed is echoed with its escapes: it drives no terminal.
        {{"\x1b]0;owned\x07\xc2\x9b"
          "31m\u202e"},
         QStringLiteral("unknown command '\\u001b]0;owned\\u0007\\u009b31m\\u202e'"),
         toolHelp},
        {{"apps", "--\x1b[2J\xe2\x80\x8b"},
         QStringLiteral("unknown option '--\\u001b[2J\\u200b'"),
         QStringLiteral("Try 'brisquel help apps'.")},
        {{"scripts", "a", "\x1b[2J"},
         QStringLiteral("unexpected argument '\\u001b[2J'"),
         QStringLiteral("Try 'brisquel help scripts'.")},
    };
    for (const auto& [arguments, said, pointer] : wrong) {
        const Outcome o = run(arguments);
        const QString label = QString::fromUtf8(arguments.join(' '));
        EXPECT_EQ(o.exitCode, 2) << qPrintable(label);
        ASSERT_EQ(o.errLines().size(), 2) << o.err.toStdString();
        EXPECT_TRUE(o.errLines().at(0).startsWith(QStringLiteral("brisquel: ") + said))
            << o.err.toStdString();
        EXPECT_EQ(o.errLines().at(1), pointer) << qPrintable(label);
        EXPECT_TRUE(o.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(domainFile(m_id)));
}

TEST_F(BrisquelCommandLine, HelpAndVersionArePrintedWhereverTheyAreAsked) {
    const QString tool = QStringLiteral("Usage: brisquel [--verbose] COMMAND [ARGUMENTS]");
    const QString set = QStringLiteral("Usage: brisquel set COPY SCRIPT FILE [--force]");
    const struct {
        QStringList arguments;
        QString usage;
    } asked[] = {
        {{QStringLiteral("--help")}, tool},
        {{QStringLiteral("help")}, tool},
        {{QStringLiteral("launch"), QStringLiteral("--help")}, tool},
        {{QStringLiteral("set"), QStringLiteral("--help")}, set},
        {{QStringLiteral("help"), QStringLiteral("set")}, set},
        {{QStringLiteral("set"), QStringLiteral("x"), QStringLiteral("--bogus"), QStringLiteral("-h")}, set},
        {{QStringLiteral("help"), QStringLiteral("set"), QStringLiteral("--help")}, set},
        {{QStringLiteral("apps"), QStringLiteral("--help")}, QStringLiteral("Usage: brisquel apps [--json]")},
        {{QStringLiteral("help"), QStringLiteral("scripts")},
         QStringLiteral("Usage: brisquel scripts COPY [--json]")},
        {{QStringLiteral("get"), QStringLiteral("-h")}, QStringLiteral("Usage: brisquel get COPY SCRIPT")},
        {{QStringLiteral("help"), QStringLiteral("clear")},
         QStringLiteral("Usage: brisquel clear COPY SCRIPT")},
    };
    for (const auto& [arguments, usage] : asked) {
        const Outcome o = run(arguments);
        const QString label = arguments.join(u' ');
        EXPECT_EQ(o.exitCode, 0) << qPrintable(label);
        EXPECT_TRUE(o.err.isEmpty()) << qPrintable(label) << ": " << o.err.toStdString();
        EXPECT_EQ(o.outLines().value(0), usage) << qPrintable(label);
        // Whole on an 80 x 24 terminal, with the line that asked and the next prompt.
        EXPECT_LE(o.outText().count(QLatin1Char('\n')), 22) << qPrintable(label);
        for (const QString& line : o.outLines())
            EXPECT_LE(line.size(), 79) << qPrintable(label) << ": " << qPrintable(line);
    }
    const Outcome o = run({QStringLiteral("--version")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^brisquel 1\\.\\d+\\.\\d+ \\(Brisquel library 1\\.0\\)\n$"))
            .match(o.outText())
            .hasMatch())
        << o.out.toStdString();
}
