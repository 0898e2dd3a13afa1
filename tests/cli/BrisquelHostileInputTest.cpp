// The brisquel tool against files built to hang, crash or exhaust it. Each hostile input is built in
// the test's own folders; every run is killed (and fails the test) past its time limit, and its
// peak memory is measured by the kernel.

#include "tests/cli/ToolWorld.h"
#include "tests/support/HostileFiles.h"

#include "VexoExtensions/PropertyList.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonObject>
#include <QProcess>
#include <QScopeGuard>

#include <fcntl.h>
#include <functional>
#include <iostream>
#include <unistd.h>

using clitest::jsonArray;
using clitest::Outcome;
using testsupport::sdefWithScripts;
namespace hostile = testsupport::HostileFiles;

namespace {

const QString kCaptureDone = QStringLiteral("capture done script");

// What a command may take at most in memory, whatever it was given: far above an honest run (a few
// tens of MiB), far below what the unbounded readers took (gigabytes). The sanitizers' shadow
// memory and quarantine multiply a run's own.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakMemoryKiB = 1536 * 1024;
#else
constexpr long kPeakMemoryKiB = 400 * 1024;
#endif

bool runningAsRoot() {
    return ::geteuid() == 0;
}

// A good copy beside whatever hostile thing a test puts in the world.
class BrisquelUnderHostileInput : public clitest::ToolWorld {
protected:
    void SetUp() override { m_bundle = makeCopy(QStringLiteral("Capture One 23"), m_id); }

    // The run succeeded (or failed, as expected) on its own, without help from the time limit, and
    // within the memory bound.
    static void expectBounded(const Outcome& o, const QString& what) {
        EXPECT_TRUE(o.finished) << qPrintable(what);
        EXPECT_LT(o.peakMemoryKiB, kPeakMemoryKiB) << qPrintable(what);
    }

    const QString m_id = identifier(QStringLiteral("good"));
    QString m_bundle;
};

} // namespace

// --- Bundles: discovery runs first in every command, so one bad bundle must break none ---

TEST_F(BrisquelUnderHostileInput, OneBadBundleAnywhereBreaksNoCommand) {
    const auto bundle = [&](const QString& name) {
        const QString path = m_apps.filePath(QStringLiteral("Hostile/") + name + QStringLiteral(".app"));
        QDir().mkpath(path + QStringLiteral("/Contents/Resources"));
        return path;
    };
    const auto info = [](const QString& bundlePath) {
        return bundlePath + QStringLiteral("/Contents/Info.plist");
    };

    // A FIFO as the information dictionary of a bundle that a running process belongs to: both the
    // search and the running check read it.
    const QString fifoRunning = bundle(QStringLiteral("Capture One FIFO"));
    hostile::makeFifo(info(fifoRunning));
    QDir().mkpath(fifoRunning + QStringLiteral("/Contents/MacOS"));
    const QString executable = fifoRunning + QStringLiteral("/Contents/MacOS/Capture One");
    ASSERT_TRUE(QFile::copy(QStringLiteral("/bin/sleep"), executable));
    QFile::setPermissions(executable, QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    QProcess sleeper;
    sleeper.start(executable, {QStringLiteral("300")});
    ASSERT_TRUE(sleeper.waitForStarted(5000));
    const auto stop = qScopeGuard([&] {
        sleeper.kill();
        sleeper.waitForFinished(5000);
    });

    const QString fifoLink = bundle(QStringLiteral("Capture One Link"));
    hostile::makeFifo(m_files.filePath(QStringLiteral("elsewhere")));
    QFile::link(m_files.filePath(QStringLiteral("elsewhere")), info(fifoLink));
    const QString nested = bundle(QStringLiteral("Capture One Nested"));
    m_apps.write(
        QDir(m_apps.path()).relativeFilePath(info(nested)),
        hostile::deeplyNestedPlist(identifier(QStringLiteral("nested")), QStringLiteral("Nested"), 50000));
    const QString shared = bundle(QStringLiteral("Capture One Shared"));
    m_apps.write(
        QDir(m_apps.path()).relativeFilePath(info(shared)),
        hostile::sharedReferencePlist(identifier(QStringLiteral("shared")), QStringLiteral("Shared"), 10));
    const QString large = bundle(QStringLiteral("Capture One Large"));
    hostile::writeLargeInfoPlist(info(large), identifier(QStringLiteral("large")), 50 * 1024 * 1024);
    const QString folder = bundle(QStringLiteral("Capture One Folder"));
    QDir().mkpath(info(folder));
    // A bundle whose name is not valid UTF-8: there is no exact text to list it under.
    const QByteArray badName =
        QFile::encodeName(m_apps.filePath(QStringLiteral("Hostile"))) + "/Capture One \xff.app";
    const QByteArray badInfo = badName + "/Contents/Info.plist";
    for (const QByteArray& level : {badName, badName + "/Contents"})
        ASSERT_EQ(::mkdir(level.constData(), 0755), 0);
    const QByteArray plist =
        "<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>CFBundleIdentifier</key><string>" +
        identifier(QStringLiteral("badname")).toUtf8() +
        "</string><key>CFBundleShortVersionString</key><string>1</string></dict></plist>";
    const int infoFd = ::open(badInfo.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    ASSERT_EQ(::write(infoFd, plist.constData(), size_t(plist.size())), plist.size());
    ::close(infoFd);
    const auto removeBadName = qScopeGuard([&] {
        ::unlink(badInfo.constData());
        ::rmdir((badName + "/Contents").constData());
        ::rmdir(badName.constData());
    });

    const QString file = compiledScript(QStringLiteral("x.scpt"));
    const QList<QStringList> commands{{QStringLiteral("apps")},
                                      {QStringLiteral("apps"), QStringLiteral("--json")},
                                      {QStringLiteral("scripts"), m_id},
                                      {QStringLiteral("set"), m_id, kCaptureDone, file},
                                      {QStringLiteral("get"), m_id, kCaptureDone},
                                      {QStringLiteral("clear"), m_id, kCaptureDone}};
    for (const QStringList& command : commands) {
        const Outcome o = run(command);
        expectBounded(o, command.join(u' '));
        EXPECT_EQ(o.exitCode, 0) << qPrintable(command.join(u' ')) << ": " << o.err.toStdString();
        EXPECT_FALSE(o.out.isEmpty() && command.first() != QStringLiteral("set") &&
                     command.first() != QStringLiteral("clear"));
    }
    const Outcome listed = run({QStringLiteral("apps"), QStringLiteral("--json")});
    EXPECT_EQ(jsonArray(listed.out).size(), 1);
    EXPECT_EQ(jsonArray(listed.out).at(0)[QStringLiteral("bundleIdentifier")].toString(), m_id);

    // Each is named with its reason.
    const Outcome verbose = run({QStringLiteral("apps"), QStringLiteral("--verbose")});
    const struct {
        QString bundle;
        QString reason;
    } expected[] = {{fifoRunning, QStringLiteral("not a regular file")},
                    {fifoLink, QStringLiteral("not a regular file")},
                    {nested, QStringLiteral("deep")},
                    {shared, QStringLiteral("values")},
                    {large, QStringLiteral("too large")},
                    {folder, QStringLiteral("not a regular file")}};
    EXPECT_EQ(verbose.errLines().filter(QStringLiteral("UTF-8")).size(), 1) << verbose.err.toStdString();
    for (const auto& [path, reason] : expected) {
        const QStringList said = verbose.errLines().filter(path + QLatin1Char(' '));
        EXPECT_EQ(said.size(), 1) << qPrintable(path) << "\n" << verbose.err.toStdString();
        EXPECT_TRUE(said.value(0).contains(reason, Qt::CaseInsensitive)) << qPrintable(said.value(0));
    }
}

// --- The scripting definition ---

TEST_F(BrisquelUnderHostileInput, AnSdefThatCannotBeReadIsAFailureWithItsReasonNeverNoScripts) {
    const QString resources = m_bundle + QStringLiteral("/Contents/Resources/");
    const QString sdef = resources + QStringLiteral("CaptureOne.sdef");
    const auto replaceWith = [&](const std::function<void()>& make) {
        QFile::remove(sdef);
        QDir(sdef).removeRecursively();
        make();
    };
    const struct {
        const char* what;
        std::function<void()> make;
        QString reason;
        bool needsNonRoot;
    } cases[] = {
        {"malformed XML",
         [&] { m_apps.write(QDir(m_apps.path()).relativeFilePath(sdef), "<dictionary><suite>"); },
         QStringLiteral("not well-formed"), false},
        {"missing", [] {}, QStringLiteral("no file with the extension .sdef in ") + resources.chopped(1),
         false},
        {"a FIFO", [&] { hostile::makeFifo(sdef); }, QStringLiteral("not a regular file"), false},
        {"a link to a FIFO",
         [&] {
             hostile::makeFifo(m_files.filePath(QStringLiteral("fifo.sdef")));
             QFile::link(m_files.filePath(QStringLiteral("fifo.sdef")), sdef);
         },
         QStringLiteral("not a regular file"), false},
        {"60 MB", [&] { hostile::writeLargeSdef(sdef, 60 * 1024 * 1024); }, QStringLiteral("too large"),
         false},
        {"unreadable",
         [&] {
             m_apps.write(QDir(m_apps.path()).relativeFilePath(sdef), sdefWithScripts({{kCaptureDone, {}}}));
             QFile::setPermissions(sdef, QFileDevice::WriteOwner);
         },
         QStringLiteral("ermission denied"), true},
    };
    for (const auto& [what, make, reason, needsNonRoot] : cases) {
        if (needsNonRoot && runningAsRoot()) {
            std::cout << "[ SKIPPED  ] an unreadable sdef: root reads any file\n";
            continue;
        }
        replaceWith(make);
        for (const QStringList& command : {QStringList{QStringLiteral("scripts"), m_id},
                                           QStringList{QStringLiteral("get"), m_id, kCaptureDone}}) {
            const Outcome o = run(command);
            expectBounded(o, QString::fromUtf8(what));
            EXPECT_EQ(o.exitCode, 1) << what << ": " << o.out.toStdString();
            ASSERT_EQ(o.errLines().size(), 1) << what << ": " << o.err.toStdString();
            EXPECT_TRUE(o.errText().contains(QStringLiteral("Capture One 23"))) << o.err.toStdString();
            EXPECT_TRUE(o.errText().contains(reason, Qt::CaseInsensitive))
                << what << ": " << o.err.toStdString();
            if (QString::fromUtf8(what) != QStringLiteral("missing")) {
                EXPECT_TRUE(o.errText().contains(sdef)) << what << ": " << o.err.toStdString();
            }
            EXPECT_TRUE(o.out.isEmpty()) << what << ": " << o.out.toStdString();
        }
    }
}

TEST_F(BrisquelUnderHostileInput, TenThousandScriptsAndALargeDomainAreListedWithinBounds) {
    constexpr int kScripts = 10000;
    const QString many = makeCopy(QStringLiteral("Capture One 40"), identifier(QStringLiteral("many")),
                                  hostile::sdefWithScripts(kScripts));
    QVariantMap values;
    for (int n = 1; n <= kScripts; ++n) {
        values.insert(hostile::keyOfScript(n), hostile::pathOfScript(n));
    }
    writeDomain(identifier(QStringLiteral("many")), values);
    ASSERT_GT(QFileInfo(domainFile(identifier(QStringLiteral("many")))).size(), 400 * 1024);

    const Outcome table = run({QStringLiteral("scripts"), QStringLiteral("Capture One 40")});
    expectBounded(table, QStringLiteral("scripts"));
    ASSERT_EQ(table.exitCode, 0) << table.err.toStdString();
    const QStringList rows = table.outLines();
    ASSERT_EQ(rows.size(), kScripts + 1);
    for (const int n : {1, 5000, kScripts})
        EXPECT_TRUE(rows.at(n).contains(hostile::pathOfScript(n))) << qPrintable(rows.at(n));

    const Outcome json =
        run({QStringLiteral("scripts"), QStringLiteral("Capture One 40"), QStringLiteral("--json")});
    expectBounded(json, QStringLiteral("scripts --json"));
    const QJsonArray listed = jsonArray(json.out);
    ASSERT_EQ(listed.size(), kScripts);
    EXPECT_EQ(listed.at(kScripts - 1)[QStringLiteral("path")].toString(), hostile::pathOfScript(kScripts));

    // On a terminal too, in one pass however many rows there are.
    const Outcome shown = run({QStringLiteral("scripts"), QStringLiteral("Capture One 40")}, 80);
    expectBounded(shown, QStringLiteral("scripts on a terminal"));
    EXPECT_EQ(shown.exitCode, 0) << shown.err.toStdString();
    EXPECT_TRUE(shown.outText().contains(hostile::pathOfScript(kScripts).section(QLatin1Char('/'), -1)));

    const Outcome one = run(
        {QStringLiteral("get"), QStringLiteral("Capture One 40"), QStringLiteral("property 09999 script")});
    expectBounded(one, QStringLiteral("get"));
    EXPECT_EQ(one.outText(), hostile::pathOfScript(9999) + QLatin1Char('\n'));
}

TEST_F(BrisquelUnderHostileInput, AWordOfAMegabyteIsCutOnATerminalAndWholeInJson) {
    const QString word(1 << 20, QLatin1Char('x'));
    const QString longId = identifier(QStringLiteral("long.") + QString(400 * 1024, QLatin1Char('y')));
    makeCopy(QStringLiteral("Capture One 41"), identifier(QStringLiteral("word")),
             sdefWithScripts({{kCaptureDone, word + QStringLiteral(" end")}}));
    makeCopy(QStringLiteral("Capture One 42"), longId);
    const struct {
        QStringList command;
        int columns;
    } shown[] = {
        {{QStringLiteral("scripts"), QStringLiteral("Capture One 41")}, 80},
        {{QStringLiteral("scripts"), QStringLiteral("Capture One 41")}, 200},
        {{QStringLiteral("apps")}, 80},
        {{QStringLiteral("scripts"), QStringLiteral("Capture One 42")}, 80},
    };
    for (const auto& [command, columns] : shown) {
        const QString label = command.join(u' ') + QLatin1Char('/') + QString::number(columns);
        const Outcome o = run(command, columns);
        expectBounded(o, label);
        // A screenful or so per cell, each line within the terminal, and "…" where the word was cut
        // (in a message about it too).
        EXPECT_LT(o.outLines().size(), 60) << qPrintable(label);
        EXPECT_LT(o.err.size(), 4096) << qPrintable(label);
        for (const QString& line : o.outLines())
            EXPECT_LE(line.size(), columns) << qPrintable(label);
        EXPECT_TRUE(o.outText().contains(QStringLiteral("…")) || o.errText().contains(QStringLiteral("…")))
            << qPrintable(label);
    }
    const Outcome json =
        run({QStringLiteral("scripts"), QStringLiteral("Capture One 41"), QStringLiteral("--json")}, 80);
    expectBounded(json, QStringLiteral("--json"));
    EXPECT_EQ(jsonArray(json.out).at(0)[QStringLiteral("description")].toString(),
              word + QStringLiteral(" end"));
    const Outcome apps = run({QStringLiteral("apps"), QStringLiteral("--json")}, 80);
    EXPECT_EQ(jsonArray(apps.out).at(2)[QStringLiteral("bundleIdentifier")].toString(), longId);
}

// --- The preferences domain ---

TEST_F(BrisquelUnderHostileInput, ADomainThatCannotBeReadIsAFailureWithItsReasonAndIsLeftAsItWas) {
    const QString path = domainFile(m_id);
    const QString file = compiledScript(QStringLiteral("x.scpt"));
    const QString key = QStringLiteral("endOfCaptureScript");
    // Which commands the hostile domain must fail: a file that cannot be read fails them all; a
    // readable file whose value under the script's key cannot be converted fails the reads, and a
    // write may then replace that value (keeping every other key) or refuse (leaving the file).
    enum class Refused { Everything, Reads };
    const struct {
        const char* what;
        std::function<void()> make;
        QString reason;
        Refused refused;
        bool needsNonRoot;
    } cases[] = {
        {"garbage",
         [&] {
             m_prefs.write(m_id + QStringLiteral(".plist"), "<?xml version=\"1.0\"?><plist><dict><key>k");
         },
         QStringLiteral("not a property list"), Refused::Everything, false},
        {"a FIFO", [&] { hostile::makeFifo(path); }, QStringLiteral("not a regular file"),
         Refused::Everything, false},
        {"a link to a FIFO",
         [&] {
             hostile::makeFifo(m_files.filePath(QStringLiteral("fifo.plist")));
             QFile::link(m_files.filePath(QStringLiteral("fifo.plist")), path);
         },
         QStringLiteral("not a regular file"), Refused::Everything, false},
        {"a folder", [&] { QDir().mkpath(path); }, QStringLiteral("not a regular file"), Refused::Everything,
         false},
        {"a well-formed 40 MB", [&] { hostile::writeLargeInfoPlist(path, m_id, 40 * 1024 * 1024); },
         QStringLiteral("too large"), Refused::Everything, false},
        {"50,000 nested arrays",
         [&] { m_prefs.write(m_id + QStringLiteral(".plist"), hostile::deeplyNestedPlist({}, key, 50000)); },
         QStringLiteral("deep"), Refused::Reads, false},
        {"shared references",
         [&] { m_prefs.write(m_id + QStringLiteral(".plist"), hostile::sharedReferencePlist({}, key, 10)); },
         QStringLiteral("values"), Refused::Reads, false},
        {"unreadable",
         [&] {
             writeDomain(m_id, {{QStringLiteral("keep"), true}});
             QFile::setPermissions(path, QFileDevice::WriteOwner);
         },
         QStringLiteral("ermission denied"), Refused::Everything, true},
    };
    for (const auto& [what, make, reason, refused, needsNonRoot] : cases) {
        if (needsNonRoot && runningAsRoot()) {
            std::cout << "[ SKIPPED  ] an unreadable domain: root reads any file\n";
            continue;
        }
        const auto remake = [&, make = make] {
            QFile::remove(path);
            QDir(path).removeRecursively();
            make();
        };
        remake();
        const QFileInfo before(path);
        const QByteArray bytes = before.isFile() && !before.isSymLink() ? bytesOf(path) : QByteArray();
        const QList<QStringList> commands{{QStringLiteral("get"), m_id, kCaptureDone},
                                          {QStringLiteral("scripts"), m_id},
                                          {QStringLiteral("set"), m_id, kCaptureDone, file},
                                          {QStringLiteral("clear"), m_id, kCaptureDone}};
        for (const QStringList& command : commands) {
            const bool write =
                command.first() == QStringLiteral("set") || command.first() == QStringLiteral("clear");
            const QString label = QString::fromUtf8(what) + QStringLiteral(": ") + command.first();
            const Outcome o = run(command);
            expectBounded(o, label);
            if (write && refused == Refused::Reads && o.exitCode == 0) {
                // The value was replaced; every other key is kept.
                EXPECT_EQ(domain(m_id).value(QStringLiteral("keep")).toString(), QStringLiteral("me"))
                    << qPrintable(label);
                EXPECT_EQ(domain(m_id).value(key),
                          command.first() == QStringLiteral("set") ? QVariant(file) : QVariant())
                    << qPrintable(label);
                remake();
                continue;
            }
            EXPECT_EQ(o.exitCode, 1) << qPrintable(label);
            EXPECT_EQ(o.errLines().size(), 1) << qPrintable(label) << "\n" << o.err.toStdString();
            EXPECT_TRUE(o.errText().contains(m_id)) << qPrintable(label) << "\n" << o.err.toStdString();
            EXPECT_TRUE(o.errText().contains(reason, Qt::CaseInsensitive)) << qPrintable(label) << "\n"
                                                                           << o.err.toStdString();
            // The domain stays as it was, whatever it is.
            const QFileInfo after(path);
            EXPECT_EQ(after.isSymLink(), before.isSymLink()) << qPrintable(label);
            EXPECT_EQ(after.isDir(), before.isDir()) << qPrintable(label);
            EXPECT_EQ(after.size(), before.size()) << qPrintable(label);
            if (!bytes.isEmpty()) {
                EXPECT_EQ(bytesOf(path), bytes) << qPrintable(label);
            }
        }
        // The listing still shows the scripts, with their files unknown, never "nothing assigned".
        const Outcome table = run({QStringLiteral("scripts"), m_id});
        EXPECT_EQ(table.outLines().size(), 2) << what << ": " << table.out.toStdString();
        EXPECT_TRUE(table.outLines().value(1).contains(QStringLiteral("  ?  "))) << what;
        const Outcome json = run({QStringLiteral("scripts"), m_id, QStringLiteral("--json")});
        const QJsonObject row = jsonArray(json.out).at(0).toObject();
        EXPECT_TRUE(row[QStringLiteral("pathError")].toString().contains(reason, Qt::CaseInsensitive))
            << what;
        EXPECT_EQ(row[QStringLiteral("path")], QJsonValue(QJsonValue::Null)) << what;
    }
    QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    QFile::remove(path);
    QDir(path).removeRecursively();
    EXPECT_EQ(run({QStringLiteral("set"), m_id, kCaptureDone, file}).exitCode, 0);
    EXPECT_EQ(domain(m_id).value(key).toString(), file);
}

// --- Names and paths that are not what they seem ---

TEST_F(BrisquelUnderHostileInput, AFileNameThatIsNotUtf8IsRefusedAndNothingIsAssignedInItsPlace) {
    writeDomain(m_id, {{QStringLiteral("keep"), QStringLiteral("me")}});
    const QByteArray folder = QFile::encodeName(m_files.path());
    // "café.scpt" in Latin-1, and the look-alike that decoding it lossily would name.
    const QByteArray latin1 = folder + "/caf\xe9.scpt";
    const QByteArray lookAlike = folder + "/caf\xef\xbf\xbd.scpt";
    for (const QByteArray& name : {latin1, lookAlike}) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, "FasdUAS 1.101.10", 16), 16);
        ::close(fd);
    }
    const QByteArray badFolder = folder + "/Scripts \xff";
    ASSERT_EQ(::mkdir(badFolder.constData(), 0755), 0);
    ASSERT_EQ(::symlink(latin1.constData(), (badFolder + "/x.scpt").constData()), 0);

    const QByteArray before = bytesOf(domainFile(m_id));
    const struct {
        QList<QByteArray> arguments;
        QByteArray workingDirectory;
        QString shown;
    } cases[] = {
        {{"set", m_id.toUtf8(), kCaptureDone.toUtf8(), latin1}, {}, QStringLiteral("caf\\xe9.scpt")},
        {{"set", m_id.toUtf8(), kCaptureDone.toUtf8(), "caf\xe9.scpt", "--force"},
         {},
         QStringLiteral("caf\\xe9.scpt")},
        // A relative name from a current folder whose own name is not valid UTF-8.
        {{"set", m_id.toUtf8(), kCaptureDone.toUtf8(), "x.scpt"}, badFolder, QStringLiteral("Scripts \\xff")},
        {{"set", m_id.toUtf8(), kCaptureDone.toUtf8(), badFolder + "/x.scpt"},
         {},
         QStringLiteral("Scripts \\xff/x.scpt")},
        {{"get", "Capture One \xe9", kCaptureDone.toUtf8()}, {}, QStringLiteral("Capture One \\xe9")},
        {{"get", m_id.toUtf8(), "capture \xff script"}, {}, QStringLiteral("capture \\xff script")},
    };
    for (const auto& [arguments, workingDirectory, shown] : cases) {
        const QByteArray saved = m_workingDirectory;
        if (!workingDirectory.isEmpty())
            m_workingDirectory = workingDirectory;
        const Outcome o = run(arguments);
        m_workingDirectory = saved;
        expectBounded(o, shown);
        EXPECT_EQ(o.exitCode, 1) << qPrintable(shown);
        ASSERT_EQ(o.errLines().size(), 1) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(shown)) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(QStringLiteral("not valid UTF-8"))) << o.err.toStdString();
        EXPECT_TRUE(o.out.isEmpty());
        EXPECT_EQ(bytesOf(domainFile(m_id)), before);
    }
    // The temporary folder's own clean-up cannot name these.
    for (const QByteArray& name : {latin1, lookAlike, badFolder + "/x.scpt"})
        ::unlink(name.constData());
    ::rmdir(badFolder.constData());
}

TEST_F(BrisquelUnderHostileInput,
       NamesThatCarryInvisibleOrControlCharactersArePrintedEscapedAndAcceptedBack) {
    const QString hostileId = identifier(QStringLiteral("hostile"));
    const QString copyName = QStringLiteral("Capture One \u202e32\u200b");
    makeCopy(
        copyName, hostileId,
        "<?xml version=\"1.0\"?><dictionary><suite name=\"Capture One Suite\"><class name=\"application\">"
        "<property name=\"evil&#10;line&#27;[2J script\" description=\"two&#10;lines&#x9B;2J\"/>"
        "<property name=\"done &#x202E;tpircs&#x2066; script\" description=\"a&#x200D;b&#xFEFF;c&#xAD;d\"/>"
        "</class></suite></dictionary>");
    // A path that any program may have written into the domain.
    writeDomain(hostileId,
                {{QStringLiteral("evil\nline\x1b[2JScript"), QStringLiteral("/tmp/a\x1b]0;owned\x07.scpt")}});

    const QString invisible = QStringLiteral("\u202e\u200b\u200d\ufeff\u00ad\u2066\x1b\u009b");
    const QList<QStringList> commands{{QStringLiteral("apps")}, {QStringLiteral("scripts"), hostileId}};
    for (const int columns : {0, 200}) {
        for (const QStringList& command : commands) {
            const Outcome o = run(command, columns);
            EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
            for (const QChar c : invisible)
                EXPECT_FALSE(o.outText().contains(c)) << std::hex << int(c.unicode()) << "\n"
                                                      << o.out.toStdString();
        }
    }
    const Outcome apps = run({QStringLiteral("apps")});
    EXPECT_TRUE(apps.outText().contains(QStringLiteral("Capture One \\u202e32\\u200b")))
        << apps.out.toStdString();
    const Outcome scripts = run({QStringLiteral("scripts"), hostileId});
    EXPECT_EQ(scripts.outLines().size(), 3) << scripts.out.toStdString();
    for (const char* shown : {"evil\\nline\\u001b[2J script", "done \\u202etpircs\\u2066 script",
                              "a\\u200db\\ufeffc\\u00add", "/tmp/a\\u001b]0;owned\\u0007.scpt"})
        EXPECT_TRUE(scripts.outText().contains(QString::fromUtf8(shown))) << shown << "\n"
                                                                          << scripts.out.toStdString();

    // As printed, or as stored, the names lead to the same script; the path goes out exactly to a
    // program and escaped to a terminal.
    for (const QString& copy : {QStringLiteral("Capture One \\u202e32\\u200b"), copyName}) {
        for (const QString& script :
             {QStringLiteral("evil\\nline\\u001b[2J script"), QStringLiteral("evil\nline\x1b[2J script")}) {
            const Outcome o = run({QStringLiteral("get"), copy, script});
            EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
            EXPECT_EQ(o.out, QByteArray("/tmp/a\x1b]0;owned\x07.scpt\n"));
        }
    }
    const Outcome shown =
        run({QStringLiteral("get"), hostileId, QStringLiteral("evil\\nline\\u001b[2J script")}, 80);
    EXPECT_EQ(shown.outText(), QStringLiteral("/tmp/a\\u001b]0;owned\\u0007.scpt\n"));
    EXPECT_FALSE(shown.errText().contains(QChar(0x1b)));

    // JSON carries every text whole, with what a terminal would hide or act on as \u escapes.
    for (const QStringList& command :
         {QStringList{QStringLiteral("apps"), QStringLiteral("--json")},
          QStringList{QStringLiteral("scripts"), hostileId, QStringLiteral("--json")}}) {
        const Outcome json = run(command, 200);
        for (const QChar c : invisible)
            EXPECT_FALSE(json.outText().contains(c)) << std::hex << int(c.unicode()) << "\n"
                                                     << json.out.toStdString();
    }
    const Outcome json = run({QStringLiteral("scripts"), hostileId, QStringLiteral("--json")});
    for (const char* escaped : {"\\u009b", "\\u202e", "\\u2066", "\\u200d", "\\ufeff", "\\u00ad"})
        EXPECT_TRUE(json.out.contains(escaped)) << escaped << "\n" << json.out.toStdString();
    const QJsonArray rows = jsonArray(json.out);
    EXPECT_EQ(rows.at(0)[QStringLiteral("scriptName")].toString(),
              QStringLiteral("evil\nline\x1b[2J script"));
    EXPECT_EQ(rows.at(0)[QStringLiteral("description")].toString(), QStringLiteral("two\nlines\u009b2J"));
    EXPECT_EQ(rows.at(1)[QStringLiteral("scriptName")].toString(),
              QStringLiteral("done \u202etpircs\u2066 script"));
    EXPECT_EQ(rows.at(1)[QStringLiteral("description")].toString(), QStringLiteral("a\u200db\ufeffc\u00add"));
}
