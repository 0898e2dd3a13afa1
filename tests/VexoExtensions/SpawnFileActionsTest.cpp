#include "VexoExtensions/platform/SpawnFileActions.h"
#include "tests/support/TempFolder.h"

#include <QByteArray>
#include <QDir>
#include <QFile>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

namespace spawn = brisquel::vexo::spawn;

// The forms that stand in where the C library lacks its own: the shell changes folder, and every
// descriptor left open (close-on-exec or not) is closed in the child.
TEST(SpawnFileActions, ThePortableFormsStartInTheFolderAndLeakNoDescriptor) {
    testsupport::TempFolder temp;
    const QByteArray folder = QFile::encodeName(temp.filePath(QStringLiteral("it's a \"folder\" $HOME")));
    ASSERT_TRUE(QDir().mkpath(QFile::decodeName(folder)));
    const int leaked = ::dup2(::open("/dev/null", O_RDONLY), 77);
    ASSERT_EQ(leaked, 77);
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    EXPECT_FALSE(spawn::portable::addChangeFolder(&actions, folder.constData()));
    spawn::portable::addCloseFrom(&actions, 3);
    const char* const sh = "/bin/sh";
    const char* const into = folder.constData();
    const char* const check = "pwd; [ -e /dev/fd/77 ] && echo leaked || echo closed";
    const char* const argv[] = {sh, "-c", spawn::kChangeFolderScript, "sh", into, sh, "-c", check, nullptr};
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], &actions, nullptr, const_cast<char* const*>(argv), environ), 0);
    posix_spawn_file_actions_destroy(&actions);
    ::close(pipeFds[1]);
    ::close(leaked);
    QFile out;
    out.open(pipeFds[0], QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    EXPECT_EQ(out.readAll(), folder + "\nclosed\n");
    ::waitpid(pid, nullptr, 0);
}

} // namespace
