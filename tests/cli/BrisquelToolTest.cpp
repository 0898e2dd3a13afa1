// The brisquel tool through its real binary: what only the binary shows (exit statuses, messages,
// terminal output, the bounds of a whole run). What the library decides is tested in tests/core.

#include "tests/cli/ToolWorld.h"

#include <QFile>
#include <QProcess>
#include <QScopeGuard>

#include <fcntl.h>
#include <unistd.h>

using plisttest::fileBytes;
using testsupport::sdefWithScripts;
using namespace Qt::Literals::StringLiterals;
namespace hostile = testsupport::HostileFiles;

namespace clitest {
namespace {

using BrisquelCommandLine = ToolWorld;

TEST_F(BrisquelCommandLine, FolderWithoutCopies) {
    m_applicationsFolder = m_home.path();
    const QString found =
        u" found in "_s + m_applicationsFolder + u" (it is the folder QUILLMERE_APPLICATIONS_DIR names)"_s;
    EXPECT_EQ(expectRun(run({u"apps"_s}), 0).outText(), u"No copy of Capture One"_s + found + u".\n"_s);
    expectRun(run({u"scripts"_s, u"Capture One 23"_s}), 1, {u"named \"Capture One 23\": none was"_s + found});
    // A folder that cannot be searched is a failure, never "no copies".
    m_applicationsFolder = m_apps.filePath(u"missing"_s);
    EXPECT_TRUE(
        expectRun(run({u"apps"_s, u"--json"_s}), 1, {m_applicationsFolder, u"QUILLMERE_APPLICATIONS_DIR"_s})
            .out.isEmpty());
}

TEST_F(BrisquelCommandLine, UnknownOrAmbiguousNamesListTheAcceptedOnes) {
    const QString twin = identifier(u"twin"_s); // of a second "Capture One 23"
    testsupport::makeBundle(m_apps.filePath(u"Other"_s), {.bundleIdentifier = twin});
    makeCopy(u"Capture One Pro"_s, identifier(u"pro"_s));
    makeCopy(u"Capture One PRO"_s, identifier(u"PRO"_s));
    for (const auto& [arguments, words] : std::initializer_list<std::pair<QStringList, QStringList>>{
             {{u"get"_s, u"Capture One 99"_s, kCaptureDone},
              {u"\"Capture One 99\""_s, u"Capture One 22 ("_s + m_otherId}},
             {{u"scripts"_s, u"Capture One 23"_s}, {u"several copies"_s, m_id, twin}},
             {{u"scripts"_s, u"capture one pro"_s}, {identifier(u"PRO"_s)}},
             {{u"set"_s, m_id, u"capture undone script"_s, compiledScript(u"x.scpt"_s)},
              {u"\"Capture Done\", \"Batch Done\", \"Live View Ready\""_s}}})
        expectRun(run(arguments), 1, words);
    expectRun(run({u"scripts"_s, u"Capture One PRO"_s}), 0); // an exact spelling is taken
}

TEST_F(BrisquelCommandLine, SetGetClear) {
    m_preferencesFolder = m_prefs.filePath(u"not/yet/there"_s);
    const QString file = compiledScript(u"Mes scripts/l'été \"final\" ✓ $HOME `x` %41 #.scpt"_s);
    const QString batch = m_files.write(u"sub/notes.txt"_s, "tell");
    const QString bundle = m_files.filePath(u"-Whole.scptd"_s);
    compiledScript(u"-Whole.scptd/Contents/Resources/Scripts/main.scpt"_s);
    // Which files are scripts is the library's check; what it refuses is assigned only when forced.
    expectRun(run({u"set"_s, m_id, u"Batch Done"_s, batch}), 1, {batch, u"--force"_s});
    EXPECT_FALSE(QFile::exists(domainFile(m_id)));
    expectRun(run({u"set"_s, u"Capture One 23"_s, kCaptureDone, file}), 0);
    // A relative file is made absolute and a bundle's path clean; any name may follow "--".
    expectRun(run({u"set"_s, m_id, u"Batch Done"_s, u"./sub/../sub//notes.txt"_s, u"--force"_s}), 0,
              {u"warning: "_s, batch + u" is not an AppleScript file"_s});
    expectRun(run({u"set"_s, m_id, u"live view ready script"_s, u"--"_s, u"-Whole.scptd/./"_s}), 0);
    // Every name a listing shows is accepted back.
    for (const auto& [copy, script] :
         {std::pair{m_id.toUpper(), kCaptureDone}, std::pair{u"capture one 23"_s, u"ENDOFCAPTURESCRIPT"_s},
          std::pair{u"CAPTURE ONE 23.APP"_s, u"capture done"_s}, std::pair{m_bundle23 + u"/"_s, kCaptureDone},
          std::pair{u"../"_s + m_bundle23.section(u'/', -2), kCaptureDone}})
        EXPECT_EQ(expectRun(run({u"get"_s, copy, script}), 0).outText(), file + u"\n"_s) << qPrintable(copy);
    expectRun(run({u"clear"_s, m_id, u"Capture Done"_s}), 0);
    EXPECT_EQ(brisquel::vexo::plist::parse(fileBytes(domainFile(m_id))).valueOr(QVariant()),
              (QVariantMap{{u"endOfBatchScript"_s, batch}, {u"liveViewReadyScript"_s, bundle}}));
    const QJsonArray scripts = jsonArray(expectRun(run({u"scripts"_s, m_id, u"--json"_s}), 0).out);
    EXPECT_TRUE(scripts.at(0)[u"displayName"_s] == u"Capture Done"_s && scripts.at(0)[u"path"_s].isNull() &&
                scripts.at(0)[u"status"_s].isNull() && scripts.at(2)[u"status"_s] == u"ok"_s)
        << QJsonDocument(scripts).toJson().toStdString();
    const QString row = expectRun(run({u"scripts"_s, u"Capture One 23"_s}), 0).outLines().value(2);
    EXPECT_TRUE(row.startsWith(u"Batch Done "_s) && row.endsWith(batch + u"  After a batch."_s))
        << qPrintable(row);
    EXPECT_TRUE(expectRun(run({u"get"_s, m_id, kCaptureDone}), 0).out.isEmpty());
    // What Capture One will find no script at is printed with a warning that says why.
    const QString underAFile = compiledScript(u"plain.scpt"_s) + u"/x.scpt"_s;
    QFile::remove(batch);
    for (const auto& [value, warning] :
         {std::pair{QVariant(42), u"endOfBatchScript holds a number, not a file's path"_s},
          std::pair{QVariant(underAFile), underAFile + u" cannot be reached (Not a directory)"_s},
          std::pair{QVariant(batch), batch + u" does not exist"_s}}) {
        writeDomain(m_id, {{u"endOfBatchScript"_s, value}});
        EXPECT_EQ(
            expectRun(run({u"get"_s, m_id, u"Batch Done"_s}), 0).errLines(),
            QStringList{u"brisquel: warning: "_s + warning + u": Capture One will find no script there"_s});
    }
}

// A program storing the output must not take a truncated result for a whole one.
TEST_F(BrisquelCommandLine, WhatCannotBeWrittenIsAFailure) {
    m_outputFile = u"/dev/full"_s;
    expectRun(run({u"apps"_s, u"--json"_s}), 1,
              {u"brisquel: the output could not be written: No space left on device"_s});
}

TEST_F(BrisquelCommandLine, AUsageErrorIsOneLineAndAPointerToTheHelp) {
    const QByteArray id = m_id.toUtf8();
    const struct {
        QList<QByteArray> arguments;
        const char* said;
        const char* help; // what the pointer to the help names
    } rows[] = {
        {{}, "no command given", "--help"},
        {{"script", id}, "unknown command 'script'; did you mean 'scripts'?", "--help"},
        {{"scripts"}, "missing COPY: the command is 'brisquel scripts COPY'", "help scripts"},
        {{"--jsn", "apps"}, "unknown option '--jsn'; did you mean '--json'?", "help apps"},
        {{"get", id, "x", "--json"}, "--json applies", "help get"},
        {{"set", id, "x", ""}, "FILE is empty: give the script file to assign", "help set"},
        {{"help", "sets"}, "no command is named 'sets'; did you mean 'set'?", "--help"},
        {{"export", "-o"}, "'-o' needs a value", "help export"},
        // What was typed is echoed with its escapes: it drives no terminal.
        {{"\x1b]0;owned\x07\xc2\x9b\u202e"},
         "unknown command '\\u001b]0;owned\\u0007\\u009b\\u202e'",
         "--help"},
        {{"apps", "--\x1b[2J\xe2\x80\x8b"}, "unknown option '--\\u001b[2J\\u200b'", "help apps"},
    };
    for (const auto& row : rows) {
        const Outcome o = run(row.arguments);
        EXPECT_TRUE(o.exitCode == 2 && o.out.isEmpty() && o.err.count('\n') == 2 &&
                    o.err.startsWith("brisquel: " + QByteArray(row.said)) &&
                    o.err.endsWith("\nTry 'brisquel " + QByteArray(row.help) + "'.\n"))
            << o.exitCode << ": " << o.err.toStdString();
    }
}

// Help is whole on an 80 x 24 terminal, with the line that asked and the next prompt.
TEST_F(BrisquelCommandLine, HelpAndVersion) {
    for (const auto& [arguments, usage] :
         {std::pair{QStringList{u"help"_s}, u"Usage: brisquel [--verbose] COMMAND [ARGUMENTS]"_s},
          std::pair{QStringList{u"set"_s, u"x"_s, u"--bogus"_s, u"-h"_s},
                    u"Usage: brisquel set COPY SCRIPT FILE [--force]"_s}}) {
        const Outcome o = expectRun(run(arguments), 0);
        EXPECT_EQ(o.outLines().value(0), usage);
        EXPECT_LE(o.outText().count(u'\n'), 22);
        for (const QString& line : o.outLines())
            EXPECT_LE(line.size(), 79) << qPrintable(line);
    }
    EXPECT_TRUE(expectRun(run({u"--version"_s}), 0).outText().startsWith(u"brisquel 1."_s));
}

TEST_F(BrisquelCommandLine, HostileBundlesBreakNoCommand) {
    const auto info = [&](const QString& name) {
        return m_apps.write(u"Hostile/Capture One "_s + name + u".app/Contents/Info.plist"_s, {});
    };
    // A FIFO as the dictionary of a bundle a running process belongs to: the search and the running
    // check both read it. Beside it, a copy that is running.
    QProcess sleepers[2];
    const auto stop = qScopeGuard([&] {
        for (QProcess& sleeper : sleepers)
            sleeper.kill(), sleeper.waitForFinished(5000);
    });
    for (int i = 0; i < 2; ++i) {
        const QString bundle = testsupport::makeBundle(
            m_apps.path(), {.bundleName = i ? u"Capture One 21.app"_s : u"Hostile/Capture One FIFO.app"_s,
                            .bundleIdentifier = identifier(u"c14"_s),
                            .executable = u"C1"_s});
        sleepers[i].start(bundle + u"/Contents/MacOS/C1"_s, {u"300"_s});
        ASSERT_TRUE(sleepers[i].waitForStarted(5000));
    }
    const QString fifo = info(u"FIFO"_s);
    QFile::remove(fifo);
    hostile::makeFifo(fifo);
    hostile::writeLargeInfoPlist(info(u"Large"_s), identifier(u"l"_s), qint64{50} << 20);
    hostile::writeFile(info(u"Shared"_s), hostile::sharedReferencePlist(identifier(u"s"_s), u"S"_s, 10));
    const Outcome o = expectRun(run({u"apps"_s, u"--json"_s}), 0);
    const QJsonArray apps = jsonArray(o.out);
    ASSERT_EQ(apps.size(), 3);
    EXPECT_TRUE(apps.at(2)[u"bundleIdentifier"_s] == m_id && apps.at(2)[u"version"_s] == u"16.2"_s &&
                apps.at(2)[u"path"_s] == m_bundle23 && apps.at(2)[u"running"_s] == false)
        << o.out.toStdString();
    EXPECT_EQ(o.errLines(), QStringList{u"brisquel: the search passed over 3 bundles or folders; --verbose "
                                        "says which and why"_s});
    const Outcome verbose = run({u"apps"_s, u"--verbose"_s});
    EXPECT_EQ(verbose.errLines().filter(u"Hostile/Capture One "_s).size(), 3) << verbose.err.toStdString();
    // macOS asks LaunchServices which applications run: a program started from a bundle is none.
#if !defined(__APPLE__)
    EXPECT_EQ(apps.at(0)[u"running"_s], QJsonValue(true));
    EXPECT_TRUE(verbose.outLines().value(1).contains(u" yes "_s)) << verbose.out.toStdString();
#endif
    expectRun(run({u"clear"_s, m_id, kCaptureDone}), 0);
}

TEST_F(BrisquelCommandLine, AnSdefOrDomainThatCannotBeReadIsAFailureNeverNothing) {
    // A domain that cannot be read: reads and writes fail naming it and leave it as it is; the listing
    // shows the script with its file unknown, never "nothing assigned".
    hostile::writeFile(domainFile(m_id), "<?xml version=\"1.0\"?><plist><dict><key>k");
    expectRun(run({u"get"_s, m_id, kCaptureDone}), 1, {m_id, u"not a property list"_s});
    expectRun(run({u"set"_s, m_id, kCaptureDone, compiledScript(u"x.scpt"_s)}), 1,
              {u"brisquel: could not assign "_s, m_id, u"not a property list"_s});
    const QStringList table =
        expectRun(run({u"scripts"_s, m_id}), 1, {u"the assigned files cannot be read"_s}).outLines();
    EXPECT_TRUE(table.value(1).contains(u"  ?  "_s)) << qPrintable(table.join(u'\n'));
    const QJsonValue row = jsonArray(run({u"scripts"_s, m_id, u"--json"_s}).out).at(0);
    EXPECT_TRUE(row[u"pathError"_s].toString().contains(u"not a property list"_s) && row[u"path"_s].isNull());
    const QString sdef = m_bundle23 + u"/Contents/Resources/CaptureOne.sdef"_s;
    QFile::remove(sdef);
    hostile::makeFifo(sdef);
    EXPECT_TRUE(expectRun(run({u"scripts"_s, m_id}), 1, {u"Capture One 23"_s, sdef, u"not a regular file"_s})
                    .out.isEmpty());
}

// In one pass however many rows there are, to a pipe and to a terminal.
TEST_F(BrisquelCommandLine, TenThousandScriptsWithinBounds) {
    constexpr int kScripts = 10000;
    QList<QPair<QString, QString>> properties;
    QVariantMap values;
    for (int n = 1; n <= kScripts; ++n) {
        const QString number = QString::number(n).rightJustified(5, u'0');
        properties.append({u"property "_s + number + u" script"_s, u"Script number "_s + number});
        values.insert(u"property"_s + number + u"Script"_s,
                      u"/Volumes/Studio/Scripts/"_s + number + u".scpt"_s);
    }
    makeCopy(u"Capture One 40"_s, identifier(u"many"_s), sdefWithScripts(properties));
    writeDomain(identifier(u"many"_s), values);
    const QStringList scripts{u"scripts"_s, u"Capture One 40"_s};
    ASSERT_EQ(expectRun(run(scripts), 0).outLines().size(), kScripts + 1);
    EXPECT_TRUE(expectRun(run(scripts, 80), 0).outText().contains(u"10000.scpt"_s));
}

TEST_F(BrisquelCommandLine, ANameThatIsNotUtf8IsRefusedAndNothingIsAssigned) {
    writeDomain(m_id, {{u"keep"_s, u"me"_s}});
    const QByteArray folder = QFile::encodeName(m_files.path());
    const QByteArray latin1 = folder + "/caf\xe9.scpt"; // "café.scpt" in Latin-1
    const QByteArray badFolder = folder + "/Scripts \xff";
    ::close(::open(latin1.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644));
    ::mkdir(badFolder.constData(), 0755);
    const auto cleanUp = qScopeGuard([&] { // the temporary folder's own clean-up cannot name these
        ::unlink(latin1.constData()), ::rmdir(badFolder.constData());
    });
    const QByteArray before = fileBytes(domainFile(m_id));
    const QByteArray id = m_id.toUtf8();
    const QByteArray script = kCaptureDone.toUtf8();
    for (const auto& [arguments, workingDirectory, shown] :
         {std::tuple{QList<QByteArray>{"set", id, script, latin1}, m_workingDirectory, u"caf\\xe9.scpt"_s},
          // A relative name from a current folder whose own name is not valid UTF-8.
          std::tuple{QList<QByteArray>{"set", id, script, "x.scpt"}, badFolder, u"Scripts \\xff"_s},
          std::tuple{QList<QByteArray>{"get", "Capture One \xe9", script}, m_workingDirectory,
                     u"One \\xe9"_s}}) {
        m_workingDirectory = workingDirectory;
        EXPECT_TRUE(expectRun(run(arguments), 1, {shown, u"not valid UTF-8"_s}).out.isEmpty());
        EXPECT_EQ(fileBytes(domainFile(m_id)), before);
    }
}

// How a text is escaped is VisibleText's (tests/VexoExtensions); here, that every output goes through
// it and that a name is accepted back as printed or as stored.
TEST_F(BrisquelCommandLine, ControlCharactersArePrintedEscapedAndAcceptedBack) {
    const QString id = identifier(u"hostile"_s);
    makeCopy(
        u"Capture One \u202e32\u200b"_s, id,
        "<?xml version=\"1.0\"?><dictionary><suite name=\"Capture One Suite\"><class name=\"application\">"
        "<property name=\"evil&#10;line&#27;[2J script\" description=\"a&#x200D;b&#x9B;d\"/>"
        "</class></suite></dictionary>");
    writeDomain(id, {{u"evil\nline\x1b[2JScript"_s, u"/tmp/a\x1b]0;owned\x07.scpt"_s}});
    for (const QStringList& command : {QStringList{u"apps"_s}, QStringList{u"scripts"_s, id},
                                       QStringList{u"scripts"_s, id, u"--json"_s}}) {
        const QString out = expectRun(run(command, 200), 0).outText();
        for (const QChar c : u"\u202e\u200b\u200d\x1b\u009b"_s)
            EXPECT_FALSE(out.contains(c)) << qPrintable(out);
    }
    EXPECT_EQ(run({u"get"_s, u"Capture One \\u202e32\\u200b"_s, u"evil\nline\x1b[2J script"_s}).out,
              QByteArray("/tmp/a\x1b]0;owned\x07.scpt\n"));
    EXPECT_EQ(run({u"get"_s, id, u"evil\\nline\\u001b[2J script"_s}, 80).outText(),
              u"/tmp/a\\u001b]0;owned\\u0007.scpt\n"_s);
    EXPECT_EQ(jsonArray(run({u"scripts"_s, id, u"--json"_s}).out).at(0)[u"description"_s].toString(),
              u"a\u200db\u009bd"_s);
}

// Which change each script gets is the import plan's (tests/core); here, the change table, a dry run,
// the exit statuses and that a refusal changes nothing. Capture One 22 offers only "capture done".
TEST_F(BrisquelCommandLine, ProfilesCarryAssignmentsToAnotherCopy) {
    const QString capture = m_home.write(u"Scripts/capture.scpt"_s, "FasdUAS 1.101.10");
    writeDomain(m_id,
                {{u"endOfCaptureScript"_s, capture}, {u"endOfBatchScript"_s, compiledScript(u"b.scpt"_s)}});
    const QString profile = m_files.filePath(u"studio.json"_s);
    expectRun(run({u"export"_s, u"Capture One 23"_s, u"-o"_s, profile}), 0);
    EXPECT_TRUE(fileBytes(profile).contains("\"~/Scripts/capture.scpt\""));
    const QStringList import{u"import"_s, profile, u"--to"_s, u"Capture One 22"_s};
    // A file gone since refuses the import, unless forced; a check says so with its own status.
    QFile::remove(capture);
    for (const auto& [arguments, status, words] :
         {std::tuple{QStringList{u"check"_s, m_otherId}, 0, QStringList{}},
          std::tuple{import + QStringList{u"--dry-run"_s, u"--force"_s}, 0,
                     QStringList{u"would be imported anyway"_s}},
          std::tuple{QStringList{u"check"_s}, 3, QStringList{u"capture.scpt does not exist"_s}},
          std::tuple{import, 1, QStringList{u"capture.scpt does not exist"_s, u"--force"_s}}}) {
        expectRun(run(arguments), status, words);
        EXPECT_FALSE(QFile::exists(domainFile(m_otherId)));
    }
    const Outcome o = expectRun(run(import + QStringList{u"--force"_s}), 0, {u"warning: "_s + capture});
    const QString table = o.outText().simplified();
    EXPECT_TRUE(table.contains(u"set Capture Done"_s) && table.contains(u"offers no script"_s) &&
                table.endsWith(u"Imported into Capture One 22 ("_s + m_otherId + u")."_s))
        << qPrintable(table);
    EXPECT_TRUE(expectRun(run({u"check"_s, m_otherId}), 3).outText().contains(capture)); // its one row
}

} // namespace
} // namespace clitest
