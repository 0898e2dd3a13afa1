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

QByteArray run(posix_spawn_file_actions_t* actions, int outWrite, int outRead,
               std::vector<const char*> argv) {
    argv.push_back(nullptr);
    pid_t pid = 0;
    EXPECT_EQ(::posix_spawn(&pid, argv[0], actions, nullptr, const_cast<char* const*>(argv.data()), environ),
              0);
    ::close(outWrite);
    QFile out;
    out.open(outRead, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle);
    const QByteArray output = out.readAll();
    ::waitpid(pid, nullptr, 0);
    return output;
}

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
    const QByteArray output = run(&actions, pipeFds[1], pipeFds[0],
                                  {"/bin/sh", "-c", spawn::kChangeFolderScript, "sh", folder.constData(),
                                   "/bin/sh", "-c", "pwd; [ -e /dev/fd/77 ] && echo leaked || echo closed"});
    posix_spawn_file_actions_destroy(&actions);
    ::close(leaked);

    EXPECT_EQ(output, folder + "\nclosed\n");
}

} // namespace
