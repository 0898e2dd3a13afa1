#include "core/platform/posix/ProcRunningApplications.h"

#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

using namespace Qt::Literals::StringLiterals;
using brisquel::ProcRunningApplications;
using testsupport::BundleLayout;
using testsupport::makeBundle;
using testsupport::TempFolder;

namespace {

BundleLayout layoutFor(const QString& name, const QString& identifier) {
    BundleLayout layout;
    layout.bundleName = name;
    layout.bundleIdentifier = identifier;
    return layout;
}

} // namespace

TEST(ProcRunningApplications, ReadsAProcessTableSkippingWhatItCannotUse) {
    // A process table of our own: an entry without a link, links into a bundle without a
    // dictionary, into a proper bundle, into a helper bundle inside another, into a folder named
    // only by the suffix, and "self".
    TempFolder world;
    const QString good =
        makeBundle(world.filePath(u"apps"_s), layoutFor(u"Capture One.app"_s, u"com.example.table"_s));
    const QString suite =
        makeBundle(world.filePath(u"apps"_s), layoutFor(u"Suite.app"_s, u"com.example.suite"_s));
    const QString helper =
        makeBundle(suite + u"/Contents/MacOS"_s, layoutFor(u"Helper.app"_s, u"com.example.helper"_s));
    QDir().mkpath(world.filePath(u"apps/Bare.app/Contents/MacOS"_s));
    const QString suffix =
        makeBundle(world.filePath(u"apps"_s), layoutFor(u".app"_s, u"com.example.suffix"_s));
    const QList<QPair<QString, QString>> links{{u"13"_s, good + u"/Contents/MacOS/Capture One"_s},
                                               {u"14"_s, world.filePath(u"apps/Bare.app/Contents/MacOS/x"_s)},
                                               {u"15"_s, helper + u"/Contents/MacOS/helper"_s},
                                               {u"16"_s, suffix + u"/Contents/MacOS/x"_s},
                                               {u"self"_s, good + u"/Contents/MacOS/Capture One"_s}};
    QDir().mkpath(world.filePath(u"proc/12"_s));
    for (const auto& [entry, target] : links) {
        QDir().mkpath(world.filePath(u"proc/"_s + entry));
        ASSERT_TRUE(QFile::link(target, world.filePath(u"proc/%1/exe"_s.arg(entry))));
    }
    ProcRunningApplications running(world.filePath(u"proc"_s));
    EXPECT_EQ(running.processesWithBundleIdentifier(u"com.example.table"_s), QList<qint64>{13});
    EXPECT_EQ(running.processesWithBundleIdentifier(u"com.example.helper"_s), QList<qint64>{15});
    for (const QString& none : {u"com.example.suite"_s, u"com.example.suffix"_s})
        EXPECT_TRUE(running.processesWithBundleIdentifier(none).isEmpty()) << qPrintable(none);
    EXPECT_TRUE(running.processesWithBundleIdentifier(QString()).isEmpty());
    // A dictionary that changed since it was read is read again, never taken from what was kept.
    testsupport::HostileFiles::writeFile(
        good + u"/Contents/Info.plist"_s,
        testsupport::HostileFiles::xmlDictionary(u"com.example.renamed"_s, u"k"_s, "<true/>"));
    EXPECT_EQ(running.processesWithBundleIdentifier(u"com.example.renamed"_s), QList<qint64>{13});
    EXPECT_TRUE(running.processesWithBundleIdentifier(u"com.example.table"_s).isEmpty());
    EXPECT_TRUE(ProcRunningApplications(world.filePath(u"no-proc"_s))
                    .processesWithBundleIdentifier(u"com.example.table"_s)
                    .isEmpty());
}
