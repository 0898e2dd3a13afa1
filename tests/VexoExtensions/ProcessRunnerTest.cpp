#include "VexoExtensions/ProcessRunner.h"
#include "StdoutCapture.h"
#include "TempFolder.h"

#include <QDir>
#include <QFile>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace brisquel::vexo;

namespace {

Process shell(const QString& script) {
    return Process(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
}

} // namespace

// --- results -------------------------------------------------------------------------------------

TEST(ProcessRunnerResult, SuccessReturnsStandardOutputOnly) {
    Process task = shell(QStringLiteral("printf 'abc\\n'; printf 'noise' >&2"));
    const ProcessOutput output = task.run(false);
    EXPECT_EQ(output.terminationStatus, 0);
    EXPECT_EQ(output.response, QByteArray("abc\n"));
    EXPECT_EQ(output.responseString(), QStringLiteral("abc\n"));
    EXPECT_EQ(task.terminationReason(), Process::TerminationReason::Exit);
    EXPECT_FALSE(task.isRunning());
    EXPECT_GT(task.processIdentifier(), 0);
}

TEST(ProcessRunnerResult, NonZeroStatusThrowsWithBothStreams) {
    Process task = shell(QStringLiteral("printf out; printf 'it broke' >&2; exit 3"));
    try {
        task.run(false);
        FAIL() << "a status of 3 must throw";
    } catch (const ProcessError& error) {
        EXPECT_EQ(error.localizedDescription(), QStringLiteral("exited normally"));
        EXPECT_EQ(error.failureReason(), QStringLiteral("it broke"));
        EXPECT_EQ(error.stdOut(), QByteArray("out"));
        EXPECT_EQ(error.stdOutString(), QStringLiteral("out"));
        EXPECT_EQ(error.task().terminationStatus(), 3);
        EXPECT_TRUE(error.task() == task);
        EXPECT_STREQ(error.what(), "exited normally");
    }
}

TEST(ProcessRunnerResult, KilledBySignalNamesTheSignal) {
    Process task = shell(QStringLiteral("kill -9 $$"));
    try {
        task.run(false);
        FAIL() << "a killed program must throw";
    } catch (const ProcessError& error) {
        EXPECT_EQ(error.localizedDescription(), QStringLiteral("exited with uncaught signal: 9"));
        EXPECT_EQ(error.task().terminationReason(), Process::TerminationReason::UncaughtSignal);
        EXPECT_EQ(error.task().terminationStatus(), 9);
    }
}

TEST(ProcessRunnerResult, ErrorKeepsTheProcessObjectAlive) {
    std::optional<ProcessError> kept;
    {
        Process task = shell(QStringLiteral("exit 7"));
        try {
            task.run(false);
        } catch (const ProcessError& error) {
            kept = error;
        }
    }
    ASSERT_TRUE(kept);
    EXPECT_EQ(kept->task().terminationStatus(), 7);
    EXPECT_EQ(kept->task().launchPath(), QStringLiteral("/bin/sh"));
}

TEST(ProcessRunnerResult, InvalidUtf8KeepsTheBytesButHasNoText) {
    Process ok = shell(QStringLiteral("printf '\\377\\376ok'"));
    const ProcessOutput output = ok.run(false);
    EXPECT_EQ(output.response, QByteArray("\xff\xfeok"));
    EXPECT_FALSE(output.responseString());

    Process failing = shell(QStringLiteral("printf '\\303' >&2; exit 1")); // a cut-off sequence
    try {
        failing.run(false);
        FAIL();
    } catch (const ProcessError& error) {
        EXPECT_EQ(error.stdErr(), QByteArray("\xc3"));
        EXPECT_FALSE(error.stdErrString());
        EXPECT_FALSE(error.failureReason());
    }
}

TEST(ProcessRunnerResult, DecodingIsStrict) {
    EXPECT_EQ(decodeUtf8(QByteArray("h\xc3\xa9llo")), QStringLiteral(u"héllo"));
    EXPECT_EQ(decodeUtf8(QByteArray()), QString());
    EXPECT_FALSE(decodeUtf8(QByteArray("\xc0\xaf")));         // overlong "/"
    EXPECT_FALSE(decodeUtf8(QByteArray("\xed\xa0\x80")));     // an encoded surrogate
    EXPECT_FALSE(decodeUtf8(QByteArray("\xf4\x90\x80\x80"))); // beyond U+10FFFF
    // A byte-order mark is a character like any other here.
    EXPECT_EQ(decodeUtf8(QByteArray("\xef\xbb\xbfx")), QStringLiteral(u"\uFEFFx"));
}

// --- large output ------------------------------------------------------------------------------

TEST(ProcessRunnerStreams, FiftyMegabytesOnEachStreamInterleavedArriveWhole) {
    // Each round writes 1 MiB to standard output, then 1 MiB to standard error: a runner that read
    // one stream to its end before the other would block the child on the full pipe forever.
    Process task = shell(QStringLiteral("i=0; while [ $i -lt 50 ]; do "
                                        "head -c 1048576 /dev/zero | tr '\\000' o; "
                                        "head -c 1048576 /dev/zero | tr '\\000' e >&2; "
                                        "i=$((i+1)); done; exit 1"));
    try {
        task.run(false);
        FAIL();
    } catch (const ProcessError& error) {
        ASSERT_EQ(error.stdOut().size(), 50 * 1048576);
        ASSERT_EQ(error.stdErr().size(), 50 * 1048576);
        EXPECT_EQ(error.stdOut().count('o'), 50 * 1048576);
        EXPECT_EQ(error.stdErr().count('e'), 50 * 1048576);
    }
}

// --- starting ----------------------------------------------------------------------------------

TEST(ProcessRunnerLaunch, MissingProgramThrowsInsteadOfHanging) {
    Process task(QStringLiteral("/no/such/program"));
    try {
        task.run(false);
        FAIL();
    } catch (const ProcessLaunchError& error) {
        EXPECT_EQ(error.errorCode(), ENOENT);
        EXPECT_TRUE(error.message().startsWith(QStringLiteral("cannot start /no/such/program: ")))
            << error.what();
    }
    EXPECT_FALSE(task.isRunning());
}

TEST(ProcessRunnerLaunch, FileThatIsNotExecutableThrows) {
    testsupport::TempFolder folder;
    const QString path = folder.write(QStringLiteral("plain.txt"), "echo hi\n");
    Process task(path);
    EXPECT_THROW(task.run(false), ProcessLaunchError);
}

TEST(ProcessRunnerLaunch, EmptyLaunchPathThrows) {
    Process task;
    EXPECT_THROW(task.run(false), ProcessLaunchError);
}

TEST(ProcessRunnerLaunch, MissingWorkingFolderThrows) {
    Process task(QStringLiteral("/bin/true"));
    EXPECT_THROW(task.run(QUrl::fromLocalFile(QStringLiteral("/no/such/folder")), false), ProcessLaunchError);
    Process remote(QStringLiteral("/bin/true"));
    EXPECT_THROW(remote.run(QUrl(QStringLiteral("https://example.invalid/dir")), false), ProcessLaunchError);
}

TEST(ProcessRunnerLaunch, AProcessObjectRunsOnce) {
    Process task(QStringLiteral("/bin/true"));
    task.run(false);
    EXPECT_THROW(task.run(false), std::logic_error);
}

TEST(ProcessRunnerLaunch, IgnoredSigpipeDoesNotPassToTheChild) {
    struct sigaction previous {};
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    Process task(QStringLiteral("/bin/grep"),
                 {QStringLiteral("SigIgn"), QStringLiteral("/proc/self/status")});
    const ProcessOutput output = task.run(false);
    sigaction(SIGPIPE, &previous, nullptr);
    const QString line = output.responseString().value_or(QString()).trimmed();
    ASSERT_TRUE(line.startsWith(QStringLiteral("SigIgn:"))) << line.toStdString();
    bool ok = false;
    const qulonglong ignored = line.mid(7).trimmed().toULongLong(&ok, 16);
    ASSERT_TRUE(ok);
    EXPECT_EQ(ignored & (1ULL << (SIGPIPE - 1)), 0ULL) << line.toStdString();
}

TEST(ProcessRunnerLaunch, CallersDescriptorsDoNotLeakIntoTheChild) {
    const int fd = ::open("/dev/null", O_RDONLY); // deliberately without O_CLOEXEC
    ASSERT_GE(fd, 3);
    Process task = shell(QStringLiteral("ls /proc/$$/fd"));
    const QStringList listed = task.run(false).responseString().value_or(QString()).split(QLatin1Char('\n'));
    ::close(fd);
    EXPECT_TRUE(listed.contains(QStringLiteral("1")));
    EXPECT_FALSE(listed.contains(QString::number(fd))) << listed.join(QLatin1Char(' ')).toStdString();
}

TEST(ProcessRunnerLaunch, OwnProcessGroupMakesTheChildItsLeader) {
    // Field 5 of /proc/<pid>/stat is the process group; the shell's name holds no spaces.
    const QString script = QStringLiteral("set -- $(cat /proc/$$/stat); echo \"$1 $5\"");
    Process shared = shell(script);
    const QStringList inherited =
        shared.run(false).responseString().value_or(QString()).trimmed().split(QLatin1Char(' '));
    ASSERT_EQ(inherited.size(), 2);
    EXPECT_EQ(inherited[1].toLongLong(), static_cast<long long>(::getpgrp()));

    Process own = shell(script);
    own.setOwnProcessGroup(true);
    EXPECT_TRUE(own.ownProcessGroup());
    const QStringList leader =
        own.run(false).responseString().value_or(QString()).trimmed().split(QLatin1Char(' '));
    ASSERT_EQ(leader.size(), 2);
    EXPECT_EQ(leader[0], leader[1]);
}

// --- working folder and verbose lines ----------------------------------------------------------

TEST(ProcessRunnerVerbose, NoFolderPrintsWorkingPathNotSetThenTheCommandLine) {
    Process task(QStringLiteral("/bin/echo"), {QStringLiteral("a"), QStringLiteral("b")});
    vexotest::StdoutCapture capture;
    task.run(std::nullopt, true);
    EXPECT_EQ(capture.take(), QByteArray("Working path not set\n/bin/echo a b\n"));
}

TEST(ProcessRunnerVerbose, FolderPrintsItsPath) {
    testsupport::TempFolder folder;
    Process task(QStringLiteral("/bin/true"));
    vexotest::StdoutCapture capture;
    task.run(QUrl::fromLocalFile(folder.path()), true);
    EXPECT_EQ(capture.take(), (folder.path() + QStringLiteral("\n/bin/true \n")).toUtf8());
}

TEST(ProcessRunnerVerbose, RunWithoutFolderPrintsOnlyTheCommandLine) {
    Process task(QStringLiteral("/bin/echo"), {QStringLiteral("x y"), QStringLiteral("z")});
    vexotest::StdoutCapture capture;
    task.run(true);
    EXPECT_EQ(capture.take(), QByteArray("/bin/echo x y z\n")); // arguments are not quoted
}

TEST(ProcessRunnerVerbose, QuietRunPrintsNothing) {
    Process task(QStringLiteral("/bin/true"));
    vexotest::StdoutCapture capture;
    task.run(std::nullopt, false);
    EXPECT_EQ(capture.take(), QByteArray());
}

TEST(ProcessRunnerFolder, RunKeepsAFolderSetBefore) {
    testsupport::TempFolder folder;
    Process task(QStringLiteral("/bin/pwd"));
    task.setCurrentDirectoryURL(QUrl::fromLocalFile(folder.path()));
    const QString printed = task.run(false).responseString().value_or(QString()).trimmed();
    EXPECT_EQ(QDir(printed).canonicalPath(), QDir(folder.path()).canonicalPath());
}

TEST(ProcessRunnerFolder, RunWithNoFolderClearsOneSetBefore) {
    testsupport::TempFolder folder;
    Process task(QStringLiteral("/bin/pwd"));
    task.setCurrentDirectoryURL(QUrl::fromLocalFile(folder.path()));
    const QString printed = task.run(std::nullopt, false).responseString().value_or(QString()).trimmed();
    EXPECT_FALSE(task.currentDirectoryURL());
    EXPECT_EQ(QDir(printed).canonicalPath(), QDir::current().canonicalPath());
}

TEST(ProcessRunnerFolder, RelativeLaunchPathIsTheCallersNotTheFolders) {
    testsupport::TempFolder tools;
    const QString script = tools.write(QStringLiteral("tool.sh"), "#!/bin/sh\necho ran\n");
    QFile::setPermissions(script, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    testsupport::TempFolder elsewhere;
    Process task(QDir::current().relativeFilePath(script));
    EXPECT_EQ(task.run(QUrl::fromLocalFile(elsewhere.path()), false).responseString(),
              QStringLiteral("ran\n"));
}
