#include "platform/posix/ProcRunningApplications.h"

#include "support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QThread>

using brisquel::ProcRunningApplications;
using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::TempFolder;

namespace {

// Polls until the lookup agrees, since a process shows in /proc a little after it is started and
// lingers a little after it is killed.
bool eventually(const std::function<bool()>& condition) {
    QDeadlineTimer deadline(10000);
    while (!deadline.hasExpired()) {
        if (condition()) {
            return true;
        }
        QThread::msleep(20);
    }
    return condition();
}

class RunningBundle : public ::testing::Test {
protected:
    void TearDown() override {
        if (m_process.state() != QProcess::NotRunning) {
            m_process.kill();
            m_process.waitForFinished(5000);
        }
    }

    // Starts the stand-in executable of a bundle (a copy of sleep) and returns its process id.
    qint64 start(const QString& executable) {
        m_process.setProgram(executable);
        m_process.setArguments({QStringLiteral("60")});
        m_process.start();
        return m_process.waitForStarted(5000) ? m_process.processId() : 0;
    }

    QProcess m_process;
};

} // namespace

TEST_F(RunningBundle, FindsAProcessRunningABundlesExecutableUntilItEnds) {
    TempFolder apps;
    BundleLayout layout;
    layout.bundleName = QStringLiteral("Capture One 23.app");
    layout.bundleIdentifier = QStringLiteral("com.example.running");
    layout.executable = QStringLiteral("Capture One");
    const QString bundle = makeBundle(apps.path(), layout);

    ProcRunningApplications running;
    ASSERT_TRUE(running.processesWithBundleIdentifier(QStringLiteral("com.example.running")).isEmpty());

    const qint64 pid = start(bundle + QStringLiteral("/Contents/MacOS/Capture One"));
    ASSERT_GT(pid, 0);
    EXPECT_TRUE(eventually([&] {
        return running.processesWithBundleIdentifier(QStringLiteral("com.example.running")).contains(pid);
    }));
    EXPECT_TRUE(running.processesWithBundleIdentifier(QStringLiteral("com.example.other")).isEmpty());
    EXPECT_TRUE(running.processesWithBundleIdentifier(QStringLiteral("COM.EXAMPLE.RUNNING")).isEmpty());

    m_process.kill();
    ASSERT_TRUE(m_process.waitForFinished(5000));
    EXPECT_TRUE(eventually([&] {
        return !running.processesWithBundleIdentifier(QStringLiteral("com.example.running")).contains(pid);
    }));
}

TEST_F(RunningBundle, UsesTheIdentifierOfTheInnermostBundle) {
    TempFolder apps;
    BundleLayout outer;
    outer.bundleName = QStringLiteral("Suite.app");
    outer.bundleIdentifier = QStringLiteral("com.example.suite");
    const QString suite = makeBundle(apps.path(), outer);
    BundleLayout inner;
    inner.bundleName = QStringLiteral("Helper.app");
    inner.bundleIdentifier = QStringLiteral("com.example.helper");
    inner.executable = QStringLiteral("helper");
    const QString helper = makeBundle(suite + QStringLiteral("/Contents/MacOS"), inner);

    const qint64 pid = start(helper + QStringLiteral("/Contents/MacOS/helper"));
    ASSERT_GT(pid, 0);
    ProcRunningApplications running;
    EXPECT_TRUE(eventually([&] {
        return running.processesWithBundleIdentifier(QStringLiteral("com.example.helper")).contains(pid);
    }));
    EXPECT_FALSE(running.processesWithBundleIdentifier(QStringLiteral("com.example.suite")).contains(pid));
}

TEST_F(RunningBundle, AnExecutableOutsideContentsMacOSRunsNoBundle) {
    TempFolder apps;
    BundleLayout layout;
    layout.bundleIdentifier = QStringLiteral("com.example.misplaced");
    const QString bundle = makeBundle(apps.path(), layout);
    const QString exe = bundle + QStringLiteral("/Contents/Resources/tool");
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), exe));
    QFile::setPermissions(exe, QFileDevice::ReadOwner | QFileDevice::ExeOwner);

    const qint64 pid = start(exe);
    ASSERT_GT(pid, 0);
    QThread::msleep(100);
    EXPECT_TRUE(ProcRunningApplications()
                    .processesWithBundleIdentifier(QStringLiteral("com.example.misplaced"))
                    .isEmpty());
}

TEST(ProcRunningApplications, MissingProcessTableGivesNothing) {
    TempFolder empty;
    EXPECT_TRUE(ProcRunningApplications(empty.filePath(QStringLiteral("proc")))
                    .processesWithBundleIdentifier(QStringLiteral("com.example"))
                    .isEmpty());
}

TEST(ProcRunningApplications, SkipsEntriesItCannotReadAndBundlesWithoutIdentifiers) {
    // A process table of our own: one unreadable entry, one link into a bundle without a
    // dictionary, one into a proper bundle.
    TempFolder world;
    BundleLayout layout;
    layout.bundleIdentifier = QStringLiteral("com.example.table");
    const QString good = makeBundle(world.filePath(QStringLiteral("apps")), layout);
    QDir().mkpath(world.filePath(QStringLiteral("apps/Bare.app/Contents/MacOS")));
    QDir().mkpath(world.filePath(QStringLiteral("proc/12")));
    QDir().mkpath(world.filePath(QStringLiteral("proc/13")));
    QDir().mkpath(world.filePath(QStringLiteral("proc/14")));
    QDir().mkpath(world.filePath(QStringLiteral("proc/self")));
    QFile::link(good + QStringLiteral("/Contents/MacOS/Capture One"),
                world.filePath(QStringLiteral("proc/13/exe")));
    QFile::link(world.filePath(QStringLiteral("apps/Bare.app/Contents/MacOS/x")),
                world.filePath(QStringLiteral("proc/14/exe")));
    QFile::link(good + QStringLiteral("/Contents/MacOS/Capture One"),
                world.filePath(QStringLiteral("proc/self/exe")));

    ProcRunningApplications running(world.filePath(QStringLiteral("proc")));
    EXPECT_EQ(running.processesWithBundleIdentifier(QStringLiteral("com.example.table")), QList<qint64>{13});
    EXPECT_TRUE(running.processesWithBundleIdentifier(QString()).isEmpty());
}

TEST(ProcRunningApplications, LocatesTheBundleOfAnExecutablePath) {
    EXPECT_EQ(
        ProcRunningApplications::bundleOfExecutable(QStringLiteral("/A/Capture One.app/Contents/MacOS/C1")),
        QStringLiteral("/A/Capture One.app"));
    EXPECT_EQ(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/A/X.app/Contents/MacOS/sub/tool")),
              QStringLiteral("/A/X.app"));
    EXPECT_EQ(ProcRunningApplications::bundleOfExecutable(
                  QStringLiteral("/A/X.app/Contents/MacOS/Y.app/Contents/MacOS/y")),
              QStringLiteral("/A/X.app/Contents/MacOS/Y.app"));
    EXPECT_EQ(
        ProcRunningApplications::bundleOfExecutable(QStringLiteral("/A/X.app/Contents/MacOS/C1 (deleted)")),
        QStringLiteral("/A/X.app"));
    EXPECT_TRUE(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/usr/bin/sleep")).isEmpty());
    EXPECT_TRUE(
        ProcRunningApplications::bundleOfExecutable(QStringLiteral("/A/.app/Contents/MacOS/x")).isEmpty());
    EXPECT_TRUE(ProcRunningApplications::bundleOfExecutable(QStringLiteral("/A/X.app/Contents/Resources/x"))
                    .isEmpty());
}
