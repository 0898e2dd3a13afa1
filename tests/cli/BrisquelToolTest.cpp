// The brisquel tool through its real binary: what only the binary shows (exit statuses, messages,
// terminal layout, the bounds of a whole run). What the library decides is tested in tests/core.

#include "tests/cli/ToolWorld.h"
#include "tests/support/HostileFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>

#include <fcntl.h>
#include <unistd.h>

using clitest::jsonArray;
using clitest::Outcome;
using testsupport::sdefWithScripts;
namespace hostile = testsupport::HostileFiles;

namespace {

const QString kCaptureDone = QStringLiteral("capture done script");

// What a whole run may take in memory, whatever it was given: far above an honest run (a few tens
// of MiB), far below what an unbounded reader takes. The sanitizers multiply a run's own.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakMemoryKiB = 1536 * 1024;
#else
constexpr long kPeakMemoryKiB = 400 * 1024;
#endif

// Whether every line's text under the header starts in the header's column.
bool alignedUnder(const QString& table, const QString& header) {
    const QStringList all = table.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    const qsizetype start = all.value(0).indexOf(header);
    return std::ranges::all_of(all, [start](const QString& line) {
        return start > 0 && line.size() > start && line.at(start) != QLatin1Char(' ') &&
               line.at(start - 1) == QLatin1Char(' ');
    });
}

// Two copies of Capture One and one other application, and an empty preferences folder.
class BrisquelCommandLine : public clitest::ToolWorld {
protected:
    void SetUp() override {
        m_bundle23 =
            makeCopy(QStringLiteral("Capture One 23"), m_id,
                     sdefWithScripts({{kCaptureDone, QStringLiteral("After a capture.")},
                                      {QStringLiteral("batch done script"), QStringLiteral("After a batch.")},
                                      {QStringLiteral("live view ready script"), QStringLiteral("Live.")}}),
                     QStringLiteral("16.2"));
        makeCopy(QStringLiteral("Capture One 22"), m_otherId, {}, QStringLiteral("15.4"));
        testsupport::BundleLayout viewer;
        viewer.bundleName = QStringLiteral("Photo Viewer.app");
        viewer.bundleIdentifier = identifier(QStringLiteral("viewer"));
        testsupport::makeBundle(m_apps.path(), viewer);
    }
    // The run ended on its own, within the memory bound, with the status and one line saying why.
    static void expectFailure(const Outcome& o, int status, const QStringList& words, const QString& label) {
        EXPECT_TRUE(o.finished) << qPrintable(label);
        EXPECT_LT(o.peakMemoryKiB, kPeakMemoryKiB) << qPrintable(label);
        EXPECT_EQ(o.exitCode, status) << qPrintable(label) << ": " << o.err.toStdString();
        EXPECT_EQ(o.errLines().size(), status == 0 ? 0 : 1)
            << qPrintable(label) << ": " << o.err.toStdString();
        for (const QString& word : words)
            EXPECT_TRUE(o.errText().contains(word, Qt::CaseInsensitive))
                << qPrintable(label) << ": " << o.err.toStdString();
    }

    const QString m_id = identifier(QStringLiteral("c16"));
    const QString m_otherId = identifier(QStringLiteral("c15"));
    QString m_bundle23;
};

} // namespace

// --- Listing ---

TEST_F(BrisquelCommandLine, Apps) {
#if defined(__APPLE__)
    GTEST_SKIP()
        << "macOS asks LaunchServices which applications run; a program started from a bundle is none";
#endif
    testsupport::BundleLayout running;
    running.bundleName = QStringLiteral("Capture One 21.app");
    running.bundleIdentifier = identifier(QStringLiteral("c14"));
    running.executable = QStringLiteral("Capture One");
    QProcess copy;
    copy.start(testsupport::makeBundle(m_apps.path(), running) +
                   QStringLiteral("/Contents/MacOS/Capture One"),
               {QStringLiteral("60")});
    ASSERT_TRUE(copy.waitForStarted(5000));
    const Outcome json = run({QStringLiteral("apps"), QStringLiteral("--json")});
    const Outcome table = run({QStringLiteral("apps")});
    copy.kill();
    copy.waitForFinished(5000);

    ASSERT_EQ(json.exitCode, 0) << json.err.toStdString();
    const QJsonArray apps = jsonArray(json.out);
    ASSERT_EQ(apps.size(), 3);
    EXPECT_EQ(apps.at(0)[QStringLiteral("running")], QJsonValue(true));
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
    EXPECT_TRUE(rows.at(3).endsWith(m_bundle23));
    EXPECT_TRUE(alignedUnder(table.outText(), QStringLiteral("PATH"))) << qPrintable(table.outText());
}

TEST_F(BrisquelCommandLine, FolderWithoutCopies) {
    const QString empty = m_files.filePath(QStringLiteral("empty"));
    QDir().mkpath(empty);
    m_applicationsFolder = empty;
    const QString names = QStringLiteral(" (it is the folder QUILLMERE_APPLICATIONS_DIR names)");
    Outcome o = run({QStringLiteral("apps")});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_EQ(o.outText(),
              QStringLiteral("No copy of Capture One found in ") + empty + names + QStringLiteral(".\n"));
    EXPECT_EQ(jsonArray(run({QStringLiteral("apps"), QStringLiteral("--json")}).out), QJsonArray());
    expectFailure(
        run({QStringLiteral("scripts"), QStringLiteral("Capture One 23")}), 1,
        {QStringLiteral("brisquel: no copy of Capture One is named \"Capture One 23\": none was found in ") +
         empty + names},
        QStringLiteral("empty"));
    // A folder that cannot be searched is a failure, never "no copies".
    for (const QString& folder :
         {m_apps.filePath(QStringLiteral("missing")), m_files.write(QStringLiteral("a file"), "x")}) {
        m_applicationsFolder = folder;
        for (const QStringList& arguments : {QStringList{QStringLiteral("apps"), QStringLiteral("--json")},
                                             QStringList{QStringLiteral("scripts"), m_id}}) {
            o = run(arguments);
            expectFailure(o, 1, {folder, QStringLiteral("QUILLMERE_APPLICATIONS_DIR")}, arguments.join(u' '));
            EXPECT_TRUE(o.out.isEmpty());
        }
    }
}

TEST_F(BrisquelCommandLine, VerboseNamesWhatTheSearchPassedOver) {
    const QString noInfo = m_apps.filePath(QStringLiteral("Capture One 10.app"));
    QDir().mkpath(noInfo + QStringLiteral("/Contents/Resources"));
    const QString noVersion =
        makeCopy(QStringLiteral("Capture One 11"), identifier(QStringLiteral("c11")), {}, {});
    const Outcome quiet = run({QStringLiteral("apps")});
    EXPECT_EQ(quiet.exitCode, 0);
    EXPECT_EQ(quiet.errLines(),
              QStringList{QStringLiteral("brisquel: the search passed over 2 bundles or folders; "
                                         "--verbose says which and why")});
    const Outcome verbose = run({QStringLiteral("apps"), QStringLiteral("--verbose")});
    EXPECT_EQ(verbose.out, quiet.out);
    EXPECT_EQ(verbose.errLines().filter(QStringLiteral("brisquel: searched with the folder walk")).size(), 1);
    for (const auto& [path, reason] : {std::pair{noInfo, QStringLiteral("Info.plist")},
                                       std::pair{noVersion, QStringLiteral("CFBundleShortVersionString")}}) {
        const QStringList said = verbose.errLines().filter(path + QLatin1Char(' '));
        ASSERT_EQ(said.size(), 1) << verbose.err.toStdString();
        EXPECT_TRUE(said.first().contains(reason)) << qPrintable(said.first());
    }
}

TEST_F(BrisquelCommandLine, Scripts) {
    const QString file = compiledScript(QStringLiteral("done.scpt"));
    const QString gone = m_files.filePath(QStringLiteral("gone.scpt"));
    writeDomain(m_id,
                {{QStringLiteral("endOfBatchScript"), file}, {QStringLiteral("liveViewReadyScript"), gone}});
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
                           {QStringLiteral("path"), QJsonValue::Null},
                           {QStringLiteral("status"), QJsonValue::Null}}));
    EXPECT_EQ(scripts.at(1)[QStringLiteral("status")].toString(), QStringLiteral("ok"));
    EXPECT_EQ(scripts.at(2)[QStringLiteral("status")].toString(), QStringLiteral("missing"));

    const Outcome table = run({QStringLiteral("scripts"), m_id});
    ASSERT_EQ(table.exitCode, 0);
    const QStringList rows = table.outLines();
    ASSERT_EQ(rows.size(), 4);
    EXPECT_TRUE(rows.at(1).startsWith(QStringLiteral("Capture Done")));
    EXPECT_TRUE(QRegularExpression(QStringLiteral("  ok +") +
                                   QRegularExpression::escape(file + QStringLiteral("  After a batch.")))
                    .match(rows.at(2))
                    .hasMatch())
        << qPrintable(rows.at(2));
    EXPECT_TRUE(rows.at(3).contains(QStringLiteral("  missing  ") + gone)) << qPrintable(rows.at(3));
    EXPECT_TRUE(alignedUnder(table.outText(), QStringLiteral("DESCRIPTION"))) << qPrintable(table.outText());

    makeCopy(QStringLiteral("Capture One 9"), identifier(QStringLiteral("c9")),
             sdefWithScripts({{QStringLiteral("name"), QStringLiteral("Not a script.")}}));
    EXPECT_EQ(run({QStringLiteral("scripts"), QStringLiteral("Capture One 9")}).outText(),
              QStringLiteral("Capture One 9 offers no background scripts.\n"));
}

TEST_F(BrisquelCommandLine, TablesFitTheTerminal) {
    const QString description = QStringLiteral("Runs once every image of a long batch has been processed and "
                                               "written, with the list of the files that were produced.");
    // Localized dictionaries describe scripts in characters that take two columns.
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
    const QStringList scripts{QStringLiteral("scripts"), QStringLiteral("Capture One 30")};
    // To a program: every cell whole, one line per row.
    const Outcome piped = run(scripts);
    ASSERT_EQ(piped.outLines().size(), 3);
    EXPECT_TRUE(piped.outLines().at(1).contains(file + QStringLiteral("  ") + description));
    const QRegularExpression space(QStringLiteral("\\s+"));
    for (const int columns : {60, 140}) {
        const QString text = run(scripts, columns).outText();
        for (const QString& line : text.split(QLatin1Char('\n')))
            EXPECT_LE(line.size() + line.count(QRegularExpression(QStringLiteral("[\\x{3000}-\\x{9fff}]"))),
                      columns)
                << qPrintable(line); // these characters take two columns
        // Names are never cut; descriptions are wrapped, every word kept in order; paths cut from the left.
        for (const QString& whole : {QStringLiteral("endOfBatchScript"), QString(description).remove(space),
                                     QString(wide).remove(space), QStringLiteral("batch.scpt")})
            EXPECT_TRUE(QString(text).remove(space).contains(whole)) << columns << "\n" << qPrintable(text);
    }
    EXPECT_TRUE(QRegularExpression(QStringLiteral("…/([^\\n]*/)?batch\\.scpt\\n"))
                    .match(run(scripts, 60).outText())
                    .hasMatch());
}

// --- Naming ---

TEST_F(BrisquelCommandLine, EveryNameShownIsAcceptedBack) {
    const QString file = compiledScript(QStringLiteral("done.scpt"));
    writeDomain(m_id, {{QStringLiteral("endOfCaptureScript"), file}});
    QList<QPair<QString, QString>> names;
    for (const QString& copy :
         {m_id.toUpper(), QStringLiteral("capture one 23"), QStringLiteral("CAPTURE ONE 23.APP"),
          m_bundle23 + QLatin1Char('/'), QDir(m_files.path()).relativeFilePath(m_bundle23)})
        names.append({copy, kCaptureDone});
    for (const QString& script : {QStringLiteral("ENDOFCAPTURESCRIPT"), QStringLiteral("capture done")})
        names.append({m_id, script});
    for (const auto& [copy, script] : names) {
        const Outcome o = run({QStringLiteral("get"), copy, script});
        EXPECT_EQ(o.outText(), file + QLatin1Char('\n')) << qPrintable(copy) << " / " << qPrintable(script);
    }
}

TEST_F(BrisquelCommandLine, UnknownOrAmbiguousNamesListTheAcceptedOnes) {
    testsupport::BundleLayout twin;
    twin.bundleName = QStringLiteral("Capture One 23.app");
    twin.bundleIdentifier = identifier(QStringLiteral("twin"));
    testsupport::makeBundle(m_apps.filePath(QStringLiteral("Other")), twin);
    makeCopy(QStringLiteral("Capture One Pro"), identifier(QStringLiteral("pro")));
    makeCopy(QStringLiteral("Capture One PRO"), identifier(QStringLiteral("PRO")));
    const QString file = compiledScript(QStringLiteral("x.scpt"));
    const struct {
        QStringList arguments;
        QStringList words;
    } rows[] = {
        {{QStringLiteral("get"), QStringLiteral("Capture One 99"), kCaptureDone},
         {QStringLiteral("\"Capture One 99\""),
          QStringLiteral("Capture One 22 (") + m_otherId + QLatin1Char(')')}},
        {{QStringLiteral("scripts"), identifier(QStringLiteral("viewer"))},
         {QStringLiteral("no copy of Capture One")}},
        {{QStringLiteral("scripts"), QStringLiteral("Capture One 23")}, {m_id, twin.bundleIdentifier}},
        {{QStringLiteral("scripts"), QStringLiteral("capture one pro")}, {identifier(QStringLiteral("PRO"))}},
        {{QStringLiteral("set"), m_id, QStringLiteral("capture undone script"), file},
         {QStringLiteral("\"Capture Done\", \"Batch Done\", \"Live View Ready\"")}},
    };
    for (const auto& row : rows)
        expectFailure(run(row.arguments), 1, row.words, row.arguments.join(u' '));
    // An exact spelling is taken, though another differs only in case.
    EXPECT_EQ(run({QStringLiteral("scripts"), QStringLiteral("Capture One PRO")}).exitCode, 0);
    EXPECT_EQ(QDir(m_prefs.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList());
}

// --- Assigning, reading and clearing ---

TEST_F(BrisquelCommandLine, SetGetClear) {
    m_preferencesFolder = m_prefs.filePath(QStringLiteral("not/yet/there"));
    const QString file = compiledScript(QStringLiteral("Mes scripts/l'été \"final\" ✓ $HOME `x` %41 #.scpt"));
    const QString batch = m_files.write(QStringLiteral("sub/b.applescript"), "display dialog \"b\"");
    const QString dash = compiledScript(QStringLiteral("-dash.scpt"));
    // A relative file is made absolute; any name may follow "--".
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("set"), QStringLiteral("Capture One 23"), kCaptureDone, file},
          QStringList{QStringLiteral("set"), m_id, QStringLiteral("Batch Done"),
                      QStringLiteral("./sub/../sub//b.applescript")},
          QStringList{QStringLiteral("set"), m_id, QStringLiteral("live view ready script"),
                      QStringLiteral("--"), QStringLiteral("-dash.scpt")}})
        expectFailure(run(arguments), 0, {}, arguments.join(u' '));
    QVariantMap expected{{QStringLiteral("endOfCaptureScript"), file},
                         {QStringLiteral("endOfBatchScript"), batch},
                         {QStringLiteral("liveViewReadyScript"), dash}};
    EXPECT_EQ(domain(m_id), expected);
    EXPECT_FALSE(QFileInfo::exists(domainFile(m_otherId)));
    EXPECT_EQ(run({QStringLiteral("get"), m_id, kCaptureDone}).outText(), file + QLatin1Char('\n'));
    EXPECT_EQ(run({QStringLiteral("clear"), m_id, QStringLiteral("Capture Done")}).exitCode, 0);
    expected.remove(QStringLiteral("endOfCaptureScript"));
    EXPECT_EQ(domain(m_id), expected);
    Outcome o = run({QStringLiteral("get"), m_id, kCaptureDone});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.isEmpty() && o.err.isEmpty()) << o.err.toStdString();

    // A file gone since, one that cannot be reached, a value that is no path: printed as they are,
    // with a warning that Capture One will find no script there.
    QFile::remove(batch);
    o = run({QStringLiteral("get"), m_id, QStringLiteral("Batch Done")});
    EXPECT_EQ(o.outText(), batch + QLatin1Char('\n'));
    EXPECT_EQ(o.errLines().size(), 1);
    EXPECT_TRUE(o.errText().contains(batch + QStringLiteral(" does not exist"))) << o.err.toStdString();
    const QString underAFile = compiledScript(QStringLiteral("plain.scpt")) + QStringLiteral("/x.scpt");
    writeDomain(
        m_id, {{QStringLiteral("endOfBatchScript"), underAFile}, {QStringLiteral("endOfCaptureScript"), 42}});
    EXPECT_EQ(
        run({QStringLiteral("get"), m_id, QStringLiteral("Batch Done")}).errLines(),
        QStringList{
            QStringLiteral("brisquel: warning: ") + underAFile +
            QStringLiteral(" cannot be reached (Not a directory): Capture One will find no script there")});
    o = run({QStringLiteral("get"), m_id, kCaptureDone});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_EQ(o.errLines(),
              QStringList{QStringLiteral("brisquel: warning: endOfCaptureScript holds a number, not a "
                                         "file's path: Capture One will find no script there")});
}

// Which files are scripts is the library's script check; here, what the tool does with its answer.
TEST_F(BrisquelCommandLine, SetRefusesWhatIsNotAScriptUnlessForced) {
    hostile::makeFifo(m_files.filePath(QStringLiteral("pipe.scpt")));
    for (const QString& file : {m_files.write(QStringLiteral("notes.txt"), "tell application \"Finder\""),
                                m_files.filePath(QStringLiteral("pipe.scpt"))}) {
        expectFailure(run({QStringLiteral("set"), m_id, kCaptureDone, file}), 1,
                      {file, QStringLiteral("--force")}, file);
        EXPECT_FALSE(QFileInfo::exists(domainFile(m_id)));
        const Outcome o = run({QStringLiteral("set"), m_id, kCaptureDone, file, QStringLiteral("--force")});
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_EQ(o.errLines().size(), 1);
        EXPECT_TRUE(o.errText().contains(QStringLiteral("warning: ") + file)) << o.err.toStdString();
        EXPECT_EQ(domain(m_id).value(QStringLiteral("endOfCaptureScript")).toString(), file);
        QFile::remove(domainFile(m_id));
    }
    // A script bundle is a script; the path stored is the clean one.
    const QString bundle = m_files.filePath(QStringLiteral("Whole.scptd"));
    compiledScript(QStringLiteral("Whole.scptd/Contents/Resources/Scripts/main.scpt"));
    expectFailure(run({QStringLiteral("set"), m_id, kCaptureDone, bundle + QStringLiteral("/./")}), 0, {},
                  bundle);
    EXPECT_EQ(domain(m_id).value(QStringLiteral("endOfCaptureScript")).toString(), bundle);
}

TEST_F(BrisquelCommandLine, WhatCannotBeWrittenIsAFailure) {
    // A program storing the output must not take a truncated result for a whole one.
    if (QFileInfo::exists(QStringLiteral("/dev/full"))) {
        m_outputFile = "/dev/full";
        for (const QStringList& arguments :
             {QStringList{QStringLiteral("apps"), QStringLiteral("--json")},
              QStringList{QStringLiteral("scripts"), m_id}, QStringList{QStringLiteral("--help")}})
            expectFailure(
                run(arguments), 1,
                {QStringLiteral("brisquel: the output could not be written: No space left on device")},
                arguments.join(u' '));
        m_outputFile.clear();
    }
    m_preferencesFolder = m_prefs.write(QStringLiteral("a file"), "x");
    const Outcome o =
        run({QStringLiteral("set"), m_id, kCaptureDone, compiledScript(QStringLiteral("x.scpt"))});
    expectFailure(o, 1, {QStringLiteral("brisquel: could not assign "), m_preferencesFolder},
                  QStringLiteral("set"));
    EXPECT_TRUE(o.errText().startsWith(QStringLiteral("brisquel: could not assign "))) << o.err.toStdString();
}

// --- The command line itself ---

TEST_F(BrisquelCommandLine, AUsageErrorIsOneLineAndAPointerToTheHelp) {
    const QByteArray id = m_id.toUtf8();
    const struct {
        QList<QByteArray> arguments;
        const char* said;
        const char* help; // the command whose help is pointed to; empty: the tool's
    } rows[] = {
        {{}, "no command given", ""},
        {{"launch"}, "unknown command 'launch'", ""},
        {{"script", id}, "unknown command 'script'; did you mean 'scripts'?", ""},
        {{"scripts"}, "missing COPY: the command is 'brisquel scripts COPY'", "scripts"},
        {{"set", id, "x"}, "missing FILE", "set"},
        {{"clear", id, "a", "b"}, "unexpected argument 'b'", "clear"},
        {{"--jsn", "apps"}, "unknown option '--jsn'; did you mean '--json'?", "apps"},
        {{"apps", "-json"}, "unknown option '-json'; did you mean '--json'?", "apps"},
        {{"set", "--FORCE"}, "unknown option '--FORCE'; did you mean '--force'?", "set"},
        {{"get", id, "x", "--json"}, "--json applies", "get"},
        {{"clear", id, "x", "--force"}, "--force applies", "clear"},
        {{"set", id, "x", ""},
         "FILE is empty: give the script file to assign, or use 'brisquel clear COPY SCRIPT'",
         "set"},
        {{"help", "sets"}, "no command is named 'sets'; did you mean 'set'?", ""},
        {{"check", "--dry-run"}, "--dry-run applies to import only", "check"},
        {{"export", "-o"}, "'-o' needs a value", "export"},
        // What was typed is echoed with its escapes: it drives no terminal.
        {{"\x1b]0;owned\x07\xc2\x9b"
          "31m\u202e"},
         "unknown command '\\u001b]0;owned\\u0007\\u009b31m\\u202e'",
         ""},
        {{"apps", "--\x1b[2J\xe2\x80\x8b"}, "unknown option '--\\u001b[2J\\u200b'", "apps"},
    };
    for (const auto& row : rows) {
        const Outcome o = run(row.arguments);
        const QString label = QString::fromUtf8(row.arguments.join(' '));
        EXPECT_EQ(o.exitCode, 2) << qPrintable(label);
        ASSERT_EQ(o.errLines().size(), 2) << o.err.toStdString();
        EXPECT_TRUE(o.errLines().at(0).startsWith(QStringLiteral("brisquel: ") + QString::fromUtf8(row.said)))
            << o.err.toStdString();
        EXPECT_EQ(o.errLines().at(1),
                  *row.help ? QStringLiteral("Try 'brisquel help %1'.").arg(QLatin1String(row.help))
                            : QStringLiteral("Try 'brisquel --help'."));
        EXPECT_TRUE(o.out.isEmpty());
    }
    EXPECT_FALSE(QFileInfo::exists(domainFile(m_id)));
}

TEST_F(BrisquelCommandLine, HelpAndVersion) {
    const QString tool = QStringLiteral("Usage: brisquel [--verbose] COMMAND [ARGUMENTS]");
    const QString set = QStringLiteral("Usage: brisquel set COPY SCRIPT FILE [--force]");
    const struct {
        QStringList arguments;
        QString usage;
    } rows[] = {
        {{QStringLiteral("help")}, tool},
        {{QStringLiteral("launch"), QStringLiteral("--help")}, tool},
        {{QStringLiteral("set"), QStringLiteral("x"), QStringLiteral("--bogus"), QStringLiteral("-h")}, set},
        {{QStringLiteral("help"), QStringLiteral("set"), QStringLiteral("--help")}, set},
        {{QStringLiteral("apps"), QStringLiteral("--help")}, QStringLiteral("Usage: brisquel apps [--json]")},
        {{QStringLiteral("help"), QStringLiteral("scripts")},
         QStringLiteral("Usage: brisquel scripts COPY [--json]")},
        {{QStringLiteral("get"), QStringLiteral("-h")}, QStringLiteral("Usage: brisquel get COPY SCRIPT")},
        {{QStringLiteral("help"), QStringLiteral("clear")},
         QStringLiteral("Usage: brisquel clear COPY SCRIPT")},
        {{QStringLiteral("check"), QStringLiteral("-h")}, QStringLiteral("Usage: brisquel check [COPY]")},
        {{QStringLiteral("help"), QStringLiteral("export")},
         QStringLiteral("Usage: brisquel export [COPY] [-o FILE]")},
        {{QStringLiteral("import"), QStringLiteral("--help")},
         QStringLiteral("Usage: brisquel import FILE [--to COPY] [--dry-run] [--force] [--replace]")},
    };
    for (const auto& row : rows) {
        const Outcome o = run(row.arguments);
        const QString label = row.arguments.join(u' ');
        expectFailure(o, 0, {}, label);
        EXPECT_EQ(o.outLines().value(0), row.usage) << qPrintable(label);
        // Whole on an 80 x 24 terminal, with the line that asked and the next prompt.
        EXPECT_LE(o.outText().count(QLatin1Char('\n')), 22) << qPrintable(label);
        for (const QString& line : o.outLines())
            EXPECT_LE(line.size(), 79) << qPrintable(label) << ": " << qPrintable(line);
    }
    EXPECT_TRUE(
        QRegularExpression(QStringLiteral("^brisquel 1\\.\\d+\\.\\d+ \\(Brisquel library 1\\.0\\)\n$"))
            .match(run({QStringLiteral("--version")}).outText())
            .hasMatch());
}

// --- Hostile input: the readers' refusals are tested in tests/core; here, that a whole run stays
// within its bounds and says what failed ---

TEST_F(BrisquelCommandLine, HostileBundlesBreakNoCommand) {
    const auto info = [&](const QString& name) {
        const QString bundle =
            m_apps.filePath(QStringLiteral("Hostile/Capture One ") + name + QStringLiteral(".app"));
        QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS"));
        return bundle + QStringLiteral("/Contents/Info.plist");
    };
    // A FIFO as the dictionary of a bundle a running process belongs to: the search and the running
    // check both read it.
    hostile::makeFifo(info(QStringLiteral("FIFO")));
    const QString executable =
        m_apps.filePath(QStringLiteral("Hostile/Capture One FIFO.app/Contents/MacOS/C1"));
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), executable));
    QFile::setPermissions(executable, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QProcess sleeper;
    sleeper.start(executable, {QStringLiteral("300")});
    ASSERT_TRUE(sleeper.waitForStarted(5000));
    const auto stop = qScopeGuard([&] {
        sleeper.kill();
        sleeper.waitForFinished(5000);
    });
    hostile::writeFile(
        info(QStringLiteral("Nested")),
        hostile::deeplyNestedPlist(identifier(QStringLiteral("n")), QStringLiteral("N"), 50000));
    hostile::writeFile(
        info(QStringLiteral("Shared")),
        hostile::sharedReferencePlist(identifier(QStringLiteral("s")), QStringLiteral("S"), 10));
    hostile::writeLargeInfoPlist(info(QStringLiteral("Large")), identifier(QStringLiteral("l")),
                                 50 * 1024 * 1024);
    for (const QStringList& command : {QStringList{QStringLiteral("apps"), QStringLiteral("--json")},
                                       QStringList{QStringLiteral("scripts"), m_id},
                                       QStringList{QStringLiteral("clear"), m_id, kCaptureDone}}) {
        const Outcome o = run(command);
        EXPECT_LT(o.peakMemoryKiB, kPeakMemoryKiB) << qPrintable(command.join(u' '));
        EXPECT_EQ(o.exitCode, 0) << qPrintable(command.join(u' ')) << ": " << o.err.toStdString();
        if (command.last() == QStringLiteral("--json")) {
            EXPECT_EQ(jsonArray(o.out).size(), 2);
        }
    }
    EXPECT_EQ(run({QStringLiteral("apps"), QStringLiteral("--verbose")})
                  .errLines()
                  .filter(QStringLiteral("Hostile/"))
                  .size(),
              4);
}

TEST_F(BrisquelCommandLine, AnSdefOrDomainThatCannotBeReadIsAFailureNeverNothing) {
    const QString sdef = m_bundle23 + QStringLiteral("/Contents/Resources/CaptureOne.sdef");
    QFile::remove(sdef);
    hostile::makeFifo(sdef);
    for (const QStringList& command : {QStringList{QStringLiteral("scripts"), m_id},
                                       QStringList{QStringLiteral("get"), m_id, kCaptureDone}}) {
        const Outcome o = run(command);
        expectFailure(o, 1, {QStringLiteral("Capture One 23"), sdef, QStringLiteral("not a regular file")},
                      command.join(u' '));
        EXPECT_TRUE(o.out.isEmpty());
    }
    QFile::remove(sdef);
    m_apps.write(QDir(m_apps.path()).relativeFilePath(sdef), sdefWithScripts({{kCaptureDone, {}}}));

    // A domain file that is not a property list: reads and writes fail naming it, and leave it; the
    // listing shows the scripts with their files unknown, never "nothing assigned".
    const QByteArray garbage = "<?xml version=\"1.0\"?><plist><dict><key>k";
    m_prefs.write(m_id + QStringLiteral(".plist"), garbage);
    for (const QStringList& command :
         {QStringList{QStringLiteral("get"), m_id, kCaptureDone},
          QStringList{QStringLiteral("set"), m_id, kCaptureDone, compiledScript(QStringLiteral("x.scpt"))},
          QStringList{QStringLiteral("clear"), m_id, kCaptureDone}})
        expectFailure(run(command), 1, {m_id, QStringLiteral("not a property list")}, command.join(u' '));
    EXPECT_EQ(bytesOf(domainFile(m_id)), garbage);
    const Outcome table = run({QStringLiteral("scripts"), m_id});
    ASSERT_EQ(table.outLines().size(), 2) << table.out.toStdString();
    EXPECT_TRUE(table.outLines().at(1).contains(QStringLiteral("  ?  "))) << table.out.toStdString();
    const QJsonObject row =
        jsonArray(run({QStringLiteral("scripts"), m_id, QStringLiteral("--json")}).out).at(0).toObject();
    EXPECT_TRUE(row[QStringLiteral("pathError")].toString().contains(QStringLiteral("not a property list")));
    EXPECT_EQ(row[QStringLiteral("path")], QJsonValue(QJsonValue::Null));
}

TEST_F(BrisquelCommandLine, TenThousandScriptsWithinBounds) {
    constexpr int kScripts = 10000;
    const QString id = identifier(QStringLiteral("many"));
    makeCopy(QStringLiteral("Capture One 40"), id, hostile::sdefWithScripts(kScripts));
    QVariantMap values;
    for (int n = 1; n <= kScripts; ++n)
        values.insert(hostile::keyOfScript(n), hostile::pathOfScript(n));
    writeDomain(id, values);
    const QStringList scripts{QStringLiteral("scripts"), QStringLiteral("Capture One 40")};
    const Outcome table = run(scripts);
    expectFailure(table, 0, {}, QStringLiteral("table"));
    ASSERT_EQ(table.outLines().size(), kScripts + 1);
    EXPECT_TRUE(table.outLines().at(5000).contains(hostile::pathOfScript(5000)));
    const QJsonArray listed = jsonArray(run(scripts + QStringList{QStringLiteral("--json")}).out);
    ASSERT_EQ(listed.size(), kScripts);
    EXPECT_EQ(listed.at(kScripts - 1)[QStringLiteral("path")].toString(), hostile::pathOfScript(kScripts));
    // On a terminal too, in one pass however many rows there are.
    const Outcome shown = run(scripts, 80);
    expectFailure(shown, 0, {}, QStringLiteral("terminal"));
    EXPECT_TRUE(shown.outText().contains(hostile::pathOfScript(kScripts).section(QLatin1Char('/'), -1)));
    EXPECT_EQ(run({QStringLiteral("get"), QStringLiteral("Capture One 40"),
                   QStringLiteral("property 09999 script")})
                  .outText(),
              hostile::pathOfScript(9999) + QLatin1Char('\n'));
}

TEST_F(BrisquelCommandLine, AWordOfAMegabyteIsCutOnATerminalAndWholeInJson) {
    const QString word(1 << 20, QLatin1Char('x'));
    const QString longId = identifier(QStringLiteral("long.") + QString(400 * 1024, QLatin1Char('y')));
    makeCopy(QStringLiteral("Capture One 41"), identifier(QStringLiteral("word")),
             sdefWithScripts({{kCaptureDone, word + QStringLiteral(" end")}}));
    makeCopy(QStringLiteral("Capture One 42"), longId);
    for (const auto& [command, columns] :
         {std::pair{QStringList{QStringLiteral("scripts"), QStringLiteral("Capture One 41")}, 80},
          std::pair{QStringList{QStringLiteral("scripts"), QStringLiteral("Capture One 41")}, 200},
          std::pair{QStringList{QStringLiteral("apps")}, 80}}) {
        const Outcome o = run(command, columns);
        const QString label = command.join(u' ') + QLatin1Char('/') + QString::number(columns);
        expectFailure(o, 0, {}, label);
        // A screenful or so per cell, each line within the terminal, and "…" where the word was cut.
        EXPECT_LT(o.outLines().size(), 60) << qPrintable(label);
        for (const QString& line : o.outLines())
            EXPECT_LE(line.size(), columns) << qPrintable(label);
        EXPECT_TRUE(o.outText().contains(QStringLiteral("…"))) << qPrintable(label);
    }
    const QJsonArray json = jsonArray(
        run({QStringLiteral("scripts"), QStringLiteral("Capture One 41"), QStringLiteral("--json")}, 80).out);
    EXPECT_EQ(json.at(0)[QStringLiteral("description")].toString(), word + QStringLiteral(" end"));
    EXPECT_EQ(jsonArray(run({QStringLiteral("apps"), QStringLiteral("--json")}, 80).out)
                  .at(3)[QStringLiteral("bundleIdentifier")]
                  .toString(),
              longId);
}

TEST_F(BrisquelCommandLine, ANameThatIsNotUtf8IsRefusedAndNothingIsAssigned) {
    writeDomain(m_id, {{QStringLiteral("keep"), QStringLiteral("me")}});
    const QByteArray folder = QFile::encodeName(m_files.path());
    // "café.scpt" in Latin-1, and the look-alike that decoding it lossily would name.
    const QByteArray latin1 = folder + "/caf\xe9.scpt";
    const QByteArray lookAlike = folder + "/caf\xef\xbf\xbd.scpt";
    const QByteArray badFolder = folder + "/Scripts \xff";
    for (const QByteArray& name : {latin1, lookAlike}) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_EQ(::write(fd, "FasdUAS 1.101.10", 16), 16);
        ::close(fd);
    }
    ASSERT_EQ(::mkdir(badFolder.constData(), 0755), 0);
    const auto cleanUp = qScopeGuard([&] { // the temporary folder's own clean-up cannot name these
        for (const QByteArray& name : {latin1, lookAlike})
            ::unlink(name.constData());
        ::rmdir(badFolder.constData());
    });
    const QByteArray before = bytesOf(domainFile(m_id));
    const QByteArray script = kCaptureDone.toUtf8();
    const struct {
        QList<QByteArray> arguments;
        QByteArray workingDirectory;
        QString shown;
    } rows[] = {
        {{"set", m_id.toUtf8(), script, latin1}, {}, QStringLiteral("caf\\xe9.scpt")},
        {{"set", m_id.toUtf8(), script, "caf\xe9.scpt", "--force"}, {}, QStringLiteral("caf\\xe9.scpt")},
        // A relative name from a current folder whose own name is not valid UTF-8.
        {{"set", m_id.toUtf8(), script, "x.scpt"}, badFolder, QStringLiteral("Scripts \\xff")},
        {{"get", "Capture One \xe9", script}, {}, QStringLiteral("Capture One \\xe9")},
        {{"get", m_id.toUtf8(), "capture \xff script"}, {}, QStringLiteral("capture \\xff script")},
    };
    for (const auto& row : rows) {
        const QByteArray saved = m_workingDirectory;
        if (!row.workingDirectory.isEmpty())
            m_workingDirectory = row.workingDirectory;
        const Outcome o = run(row.arguments);
        m_workingDirectory = saved;
        expectFailure(o, 1, {row.shown, QStringLiteral("not valid UTF-8")}, row.shown);
        EXPECT_TRUE(o.out.isEmpty());
        EXPECT_EQ(bytesOf(domainFile(m_id)), before);
    }
}

TEST_F(BrisquelCommandLine, InvisibleOrControlCharactersArePrintedEscapedAndAcceptedBack) {
    const QString id = identifier(QStringLiteral("hostile"));
    const QString copyName = QStringLiteral("Capture One \u202e32\u200b");
    makeCopy(
        copyName, id,
        "<?xml version=\"1.0\"?><dictionary><suite name=\"Capture One Suite\"><class name=\"application\">"
        "<property name=\"evil&#10;line&#27;[2J script\" description=\"two&#10;lines&#x9B;2J\"/>"
        "<property name=\"done &#x202E;tpircs&#x2066; script\" description=\"a&#x200D;b&#xFEFF;c&#xAD;d\"/>"
        "</class></suite></dictionary>");
    writeDomain(id,
                {{QStringLiteral("evil\nline\x1b[2JScript"), QStringLiteral("/tmp/a\x1b]0;owned\x07.scpt")}});
    const QString invisible = QStringLiteral("\u202e\u200b\u200d\ufeff\u00ad\u2066\x1b\u009b");
    for (const QStringList& command :
         {QStringList{QStringLiteral("apps")}, QStringList{QStringLiteral("scripts"), id},
          QStringList{QStringLiteral("scripts"), id, QStringLiteral("--json")}}) {
        for (const int columns : {0, 200}) {
            const Outcome o = run(command, columns);
            EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
            for (const QChar c : invisible)
                EXPECT_FALSE(o.outText().contains(c)) << std::hex << int(c.unicode()) << "\n"
                                                      << o.out.toStdString();
        }
    }
    EXPECT_TRUE(
        run({QStringLiteral("apps")}).outText().contains(QStringLiteral("Capture One \\u202e32\\u200b")));
    const QString scripts = run({QStringLiteral("scripts"), id}).outText();
    for (const char* shown : {"evil\\nline\\u001b[2J script", "done \\u202etpircs\\u2066 script",
                              "a\\u200db\\ufeffc\\u00add", "/tmp/a\\u001b]0;owned\\u0007.scpt"})
        EXPECT_TRUE(scripts.contains(QString::fromUtf8(shown))) << shown << "\n" << qPrintable(scripts);
    // As printed or as stored, the names lead to the same script; the path goes out exactly to a
    // program, escaped to a terminal.
    for (const QString& copy : {QStringLiteral("Capture One \\u202e32\\u200b"), copyName})
        for (const QString& script :
             {QStringLiteral("evil\\nline\\u001b[2J script"), QStringLiteral("evil\nline\x1b[2J script")})
            EXPECT_EQ(run({QStringLiteral("get"), copy, script}).out,
                      QByteArray("/tmp/a\x1b]0;owned\x07.scpt\n"));
    EXPECT_EQ(run({QStringLiteral("get"), id, QStringLiteral("evil\\nline\\u001b[2J script")}, 80).outText(),
              QStringLiteral("/tmp/a\\u001b]0;owned\\u0007.scpt\n"));
    // JSON carries every text whole.
    const QJsonArray rows = jsonArray(run({QStringLiteral("scripts"), id, QStringLiteral("--json")}).out);
    EXPECT_EQ(rows.at(0)[QStringLiteral("scriptName")].toString(),
              QStringLiteral("evil\nline\x1b[2J script"));
    EXPECT_EQ(rows.at(1)[QStringLiteral("description")].toString(), QStringLiteral("a\u200db\ufeffc\u00add"));
}
