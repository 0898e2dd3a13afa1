#include "core/platform/posix/ProcRunningApplications.h"

#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using brisquel::ProcRunningApplications;
using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::TempFolder;

namespace {

BundleLayout layoutFor(const QString& name, const QString& identifier, const QString& executable = {}) {
    BundleLayout layout;
    layout.bundleName = name;
    layout.bundleIdentifier = identifier;
    layout.executable = executable;
    return layout;
}

} // namespace

TEST(ProcRunningApplications, ReadsAProcessTableSkippingWhatItCannotUse) {
    // A process table of our own: an entry without a link, links into a bundle without a
    // dictionary, into a proper bundle, into a helper bundle inside another, and "self".
    TempFolder world;
    const QString good =
        makeBundle(world.filePath(QStringLiteral("apps")),
                   layoutFor(QStringLiteral("Capture One.app"), QStringLiteral("com.example.table")));
    const QString suite =
        makeBundle(world.filePath(QStringLiteral("apps")),
                   layoutFor(QStringLiteral("Suite.app"), QStringLiteral("com.example.suite")));
    const QString helper =
        makeBundle(suite + QStringLiteral("/Contents/MacOS"),
                   layoutFor(QStringLiteral("Helper.app"), QStringLiteral("com.example.helper")));
    QDir().mkpath(world.filePath(QStringLiteral("apps/Bare.app/Contents/MacOS")));
    const QList<QPair<QString, QString>> links{
        {QStringLiteral("13"), good + QStringLiteral("/Contents/MacOS/Capture One")},
        {QStringLiteral("14"), world.filePath(QStringLiteral("apps/Bare.app/Contents/MacOS/x"))},
        {QStringLiteral("15"), helper + QStringLiteral("/Contents/MacOS/helper")},
        {QStringLiteral("self"), good + QStringLiteral("/Contents/MacOS/Capture One")}};
    QDir().mkpath(world.filePath(QStringLiteral("proc/12")));
    for (const auto& [entry, target] : links) {
        QDir().mkpath(world.filePath(QStringLiteral("proc/") + entry));
        ASSERT_TRUE(QFile::link(target, world.filePath(QStringLiteral("proc/%1/exe").arg(entry))));
    }
    ProcRunningApplications running(world.filePath(QStringLiteral("proc")));
    EXPECT_EQ(running.processesWithBundleIdentifier(QStringLiteral("com.example.table")), QList<qint64>{13});
    EXPECT_EQ(running.processesWithBundleIdentifier(QStringLiteral("com.example.helper")), QList<qint64>{15});
    EXPECT_TRUE(running.processesWithBundleIdentifier(QStringLiteral("com.example.suite")).isEmpty());
    EXPECT_TRUE(running.processesWithBundleIdentifier(QString()).isEmpty());
    EXPECT_TRUE(ProcRunningApplications(world.filePath(QStringLiteral("no-proc")))
                    .processesWithBundleIdentifier(QStringLiteral("com.example.table"))
                    .isEmpty());
}

TEST(ProcRunningApplications, LocatesTheInnermostBundleOfAnExecutablePath) {
    const QList<QPair<const char*, const char*>> cases{
        {"/A/Capture One.app/Contents/MacOS/C1", "/A/Capture One.app"},
        {"/A/X.app/Contents/MacOS/sub/tool", "/A/X.app"},
        {"/A/X.app/Contents/MacOS/Y.app/Contents/MacOS/y", "/A/X.app/Contents/MacOS/Y.app"},
        {"/A/X.app/Contents/MacOS/C1 (deleted)", "/A/X.app"},
        {"/usr/bin/sleep", ""},
        {"/A/.app/Contents/MacOS/x", ""},
        {"/A/X.app/Contents/Resources/x", ""}};
    for (const auto& [executable, bundle] : cases)
        EXPECT_EQ(ProcRunningApplications::bundleOfExecutable(QString::fromUtf8(executable)),
                  QString::fromUtf8(bundle))
            << executable;
}
