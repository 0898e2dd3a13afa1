#include "VexoExtensions/ProcessRunner.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <csignal>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace brisquel::vexo;

namespace {

Process shell(const QString& script) {
    return Process(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), script});
}

std::optional<ProcessError> failure(Process& task) {
    try {
        task.run(false);
    } catch (const ProcessError& error) {
        return error;
    }
    ADD_FAILURE() << "the run did not fail";
    return std::nullopt;
}

QString text(const ProcessOutput& output) {
    return output.responseString().value_or(QString());
}

} // namespace

// A failure carries both streams and the status, and outlives the process object (shared, not copied).
TEST(ProcessRunnerResult, SuccessIsStandardOutputAndAFailureCarriesBothStreams) {
    Process ok = shell(QStringLiteral("printf 'abc\\n'; printf 'noise' >&2"));
    EXPECT_EQ(text(ok.run(false)), QStringLiteral("abc\n"));
    EXPECT_EQ(ok.terminationReason(), Process::TerminationReason::Exit);
    EXPECT_THROW(ok.run(false), std::logic_error); // a process object runs once
    std::optional<ProcessError> error;
    {
        Process task = shell(QStringLiteral("printf out; printf 'it broke' >&2; exit 3"));
        error = failure(task);
        ASSERT_TRUE(error);
        EXPECT_TRUE(error->task() == task);
    }
    EXPECT_STREQ(error->what(), "exited normally");
    EXPECT_EQ(error->failureReason(), QStringLiteral("it broke"));
    EXPECT_EQ(error->stdOut(), QByteArray("out"));
    EXPECT_EQ(error->task().terminationStatus(), 3);
    Process killed = shell(QStringLiteral("kill -9 $$"));
    error = failure(killed);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->localizedDescription(), QStringLiteral("exited with uncaught signal: 9"));
    EXPECT_EQ(error->task().terminationReason(), Process::TerminationReason::UncaughtSignal);
}

TEST(ProcessRunnerResult, InvalidUtf8KeepsTheBytesButHasNoTextDecodingIsStrict) {
    Process ok = shell(QStringLiteral("printf '\\377\\376ok'"));
    const ProcessOutput output = ok.run(false);
    EXPECT_EQ(output.response, QByteArray("\xff\xfeok"));
    EXPECT_FALSE(output.responseString());

    Process failing = shell(QStringLiteral("printf '\\303' >&2; exit 1")); // a cut-off sequence
    const auto error = failure(failing);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stdErr(), QByteArray("\xc3"));
    EXPECT_FALSE(error->failureReason());

    EXPECT_EQ(decodeUtf8(QByteArray("\xef\xbb\xbfx")), QStringLiteral(u"\uFEFFx")); // a BOM is kept
    // Overlong "/", an encoded surrogate, beyond U+10FFFF.
    for (const char* bad : {"\xc0\xaf", "\xed\xa0\x80", "\xf4\x90\x80\x80"})
        EXPECT_FALSE(decodeUtf8(QByteArray(bad))) << bad;
}

TEST(ProcessRunnerStreams, FiftyMegabytesOnEachStreamInterleavedArriveWhole) {
    // A runner that read one stream to its end first would leave the child blocked on a full pipe.
    Process task = shell(QStringLiteral("i=0; while [ $i -lt 50 ]; do "
                                        "head -c 1048576 /dev/zero | tr '\\000' o; "
                                        "head -c 1048576 /dev/zero | tr '\\000' e >&2; "
                                        "i=$((i+1)); done; exit 1"));
    const auto error = failure(task);
    ASSERT_TRUE(error);
    EXPECT_EQ(error->stdOut().count('o'), 50 * 1048576);
    EXPECT_EQ(error->stdErr().count('e'), 50 * 1048576);
}

TEST(ProcessRunnerLaunch, WhatCannotStartThrowsInsteadOfHanging) {
    testsupport::TempFolder folder;
    const QString truePath = QStringLiteral("/bin/true");
    // Missing, not executable, no program at all, a folder that does not exist or is not local.
    const std::vector<std::pair<QString, std::optional<QUrl>>> cases = {
        {QStringLiteral("/no/such/program"), std::nullopt},
        {folder.write(QStringLiteral("plain.txt"), "echo hi\n"), std::nullopt},
        {QString(), std::nullopt},
        {truePath, QUrl::fromLocalFile(QStringLiteral("/no/such/folder"))},
        {truePath, QUrl(QStringLiteral("https://example.invalid/dir"))}};
    for (const auto& [path, workingDir] : cases) {
        Process task(path);
        try {
            task.run(workingDir, false);
            ADD_FAILURE() << "started " << path.toStdString();
        } catch (const ProcessLaunchError& error) {
            EXPECT_TRUE(error.message().startsWith(QStringLiteral("cannot start ") + path)) << error.what();
        }
        EXPECT_FALSE(task.isRunning());
    }
}

// The child starts clean: SIGPIPE not ignored although the caller ignores it, none of the caller's
// descriptors (one without close-on-exec here), and in a process group of its own only when asked.
TEST(ProcessRunnerLaunch, TheChildInheritsNoIgnoredSignalNoDescriptorAndNoGroupByChoice) {
#if !defined(__linux__)
    GTEST_SKIP() << "reads /proc, which Linux has and macOS has not";
#endif
    struct sigaction previous {};
    struct sigaction ignore {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGPIPE, &ignore, &previous);
    const int fd = ::open("/dev/null", O_RDONLY);
    // Its ignored signals, its process and group (fields 1 and 5 of stat), then its descriptors.
    const auto child = [](bool ownGroup) {
        Process task = shell(QStringLiteral("sed -n 's/^SigIgn:\\s*//p' /proc/$$/status; "
                                            "set -- $(cat /proc/$$/stat); echo $1 $5; ls /proc/$$/fd"));
        task.setOwnProcessGroup(ownGroup);
        return text(task.run(false)).split(QLatin1Char('\n'));
    };
    const QStringList inherited = child(false);
    const QStringList leader = child(true);
    sigaction(SIGPIPE, &previous, nullptr);
    ::close(fd);
    ASSERT_GE(inherited.size(), 3);
    EXPECT_EQ(inherited[0].toULongLong(nullptr, 16) & (1ULL << (SIGPIPE - 1)), 0ULL)
        << inherited[0].toStdString();
    EXPECT_EQ(inherited[1].section(QLatin1Char(' '), 1).toLongLong(), static_cast<long long>(::getpgrp()));
    EXPECT_TRUE(inherited.contains(QStringLiteral("1")));
    EXPECT_FALSE(inherited.mid(2).contains(QString::number(fd)))
        << inherited.join(QLatin1Char(' ')).toStdString();
    ASSERT_GE(leader.size(), 2);
    EXPECT_EQ(leader[1].section(QLatin1Char(' '), 0, 0), leader[1].section(QLatin1Char(' '), 1));
}

// A run without a folder keeps one set before; a run with none clears it.
TEST(ProcessRunnerFolder, IsKeptOrCleared) {
    testsupport::TempFolder folder;
    const auto pwdAfterSetting = [&](bool keepFolder) {
        Process task(QStringLiteral("/bin/pwd"));
        task.setCurrentDirectoryURL(QUrl::fromLocalFile(folder.path()));
        return QDir(text(keepFolder ? task.run(false) : task.run(std::nullopt, false)).trimmed())
            .canonicalPath();
    };
    EXPECT_EQ(pwdAfterSetting(true), QDir(folder.path()).canonicalPath());
    EXPECT_EQ(pwdAfterSetting(false), QDir::current().canonicalPath());
}
