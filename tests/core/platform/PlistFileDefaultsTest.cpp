#include "core/platform/posix/PlistFileDefaults.h"
#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/PlistTestSupport.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QSize>
#include <QStandardPaths>
#include <QThread>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <limits>
#include <plist/plist.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace brisquel;
using plisttest::describe;
using plisttest::fileBytes;
namespace hostile = testsupport::HostileFiles;

namespace {

const QString kDomain = QStringLiteral("com.captureone.captureone16");
const QString kScriptKey = QStringLiteral("captureDoneScript");

// A preferences folder of the test's own, holding (once written) the file of kDomain.
struct DomainFiles {
    std::unique_ptr<PlistFileDefaults> open() const {
        return std::make_unique<PlistFileDefaults>(m_folder, kDomain, m_log);
    }
    void write(const QByteArray& bytes) const {
        QDir().mkpath(m_folder);
        hostile::writeFile(m_path, bytes);
    }
    QVariantMap stored() const {
        return vexo::plist::readFile(m_path, vexo::limits::kPreferencesDomainBytes)
            .valueOr(QVariant())
            .toMap();
    }
    QStringList leftovers() const {
        return QDir(m_folder).entryList({QStringLiteral(".") + kDomain + QStringLiteral(".plist.tmp.*")},
                                        QDir::Files | QDir::Hidden);
    }
    QStringList logLines() const { return m_log->systemLines(); }

    testsupport::TempFolder m_temp;
    std::shared_ptr<testsupport::RecordingLog> m_log = std::make_shared<testsupport::RecordingLog>();
    QString m_folder = m_temp.filePath(QStringLiteral("Preferences"));
    QString m_path = m_folder + QStringLiteral("/") + kDomain + QStringLiteral(".plist");
};
class PreferencesDomain : public ::testing::Test, protected DomainFiles {};

// Whether the file system of folder lets a file be made without a name: then a writer that dies
// before its rename leaves nothing behind; elsewhere its new file keeps the name it was made under.
bool makesUnnamedFiles(const QString& folder) {
    QDir().mkpath(folder);
    const int fd = ::open(QFile::encodeName(folder).constData(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0600);
    if (fd < 0)
        return false;
    ::close(fd);
    return true;
}
using PreferencesDomainReading = PreferencesDomain;
using PreferencesDomainWriting = PreferencesDomain;
using PreferencesDomainProcesses = PreferencesDomain;
using PreferencesDomainFullDisk = PreferencesDomain;

QByteArray dictionaryWith(const QString& key, const QVariant& value) {
    return *vexo::plist::toBinary(QVariantMap{{key, value}});
}

struct stat statOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}
mode_t modeOf(const QString& path) {
    return statOf(path).st_mode & 07777;
}
ino_t inodeOf(const QString& path) {
    return statOf(path).st_ino;
}

// ---------------------------------------------------------------------------------------------

TEST(PreferencesDomainOpening, OpeningOrReadingAHandleCreatesNothing) {
    testsupport::TempFolder temp;
    const QString folder = temp.filePath(QStringLiteral("not/there/yet"));
    PlistFilePreferences preferences(folder, std::make_shared<testsupport::RecordingLog>());
    for (int i = 0; i < 100; ++i)
        preferences.open(QStringLiteral("com.example.app%1").arg(i));
    EXPECT_FALSE(preferences.open(kDomain)->value(QStringLiteral("key")).isValid());
    // Nor does a refused name, written to: its refusal is every back-end's, tested with theirs.
    for (const char* name : {"../escaped", "/etc/passwd", "com.example/sub", ".GlobalPreferences"})
        EXPECT_FALSE(preferences.open(QString::fromUtf8(name))->setValue(QStringLiteral("key"), 1)) << name;
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList());
    EXPECT_EQ(std::dynamic_pointer_cast<PlistFileDefaults>(preferences.open(kDomain))->path(),
              folder + QStringLiteral("/") + kDomain + QStringLiteral(".plist"));
}

TEST(PreferencesDomainOpening, DefaultFolderFollowsTheEnvironment) {
    const testsupport::ScopedEnvironment saved[]{"QUILLMERE_PREFERENCES_DIR", "XDG_CONFIG_HOME", "HOME"};
    qputenv("HOME", "/home/someone");
    qputenv("QUILLMERE_PREFERENCES_DIR", "/srv/prefs");
    qputenv("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(PlistFilePreferences::defaultFolder().valueOr({}), QStringLiteral("/srv/prefs"));
    qunsetenv("QUILLMERE_PREFERENCES_DIR");
    EXPECT_EQ(PlistFilePreferences::defaultFolder().valueOr({}),
              QStringLiteral("/xdg/Quillmere/Preferences"));
    qputenv("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored, as XDG says
    EXPECT_EQ(PlistFilePreferences::defaultFolder().valueOr({}),
              QStringLiteral("/home/someone/.config/Quillmere/Preferences"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PlistFilePreferences::defaultFolder().valueOr({}),
              QStringLiteral("/home/someone/.config/Quillmere/Preferences"));
}

// ---------------------------------------------------------------------------------------------

TEST_F(PreferencesDomainReading, ChangesByOtherProgramsAreSeenAtOnce) {
    const auto defaults = open();
    const auto expectValue = [&](const char* value) {
        EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QString::fromUtf8(value)));
    };
    // Another program rewriting the file in place: same size and inode, within one tick of the
    // file-system clock.
    const auto rewriteInPlace = [this](const char* value) {
        QFile file(m_path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write(dictionaryWith(QStringLiteral("k"), QString::fromUtf8(value)));
    };
    write(dictionaryWith(QStringLiteral("k"), QStringLiteral("aaaa")));
    expectValue("aaaa");
    rewriteInPlace("bbbb");
    expectValue("bbbb");
    QThread::msleep(3200); // long enough for the file's times to count as settled
    expectValue("bbbb");
    expectValue("bbbb");
    rewriteInPlace("cccc");
    expectValue("cccc");
    QFile::remove(m_path);
    EXPECT_FALSE(defaults->value(QStringLiteral("k")).isValid());
}

// ---------------------------------------------------------------------------------------------

// Generated files (every kind of value; XML), then every real preference file there is: each
// change made to the file must be exactly the one made here by hand to a copy of its tree, and
// readers that share no code with libplist must agree.
TEST(PreferencesDomainFiles, ChangingOneKeyKeepsEveryOtherKeyExactly) {
    testsupport::TempFolder generated;
    QStringList files{
        generated.write(QStringLiteral("every.kind.plist"),
                        vexo::plist::nodeToBinary(plisttest::everyKindTree().get())),
        generated.write(QStringLiteral("xml.plist"),
                        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                        "<key>big</key><integer>18446744073709551615</integer><key>negative</key>"
                        "<integer>-7</integer><key>list</key><array><string>a</string><real>1.25</real>"
                        "</array></dict></plist>")};
    const QString shared = testsupport::sharedTestData(QStringLiteral("plist"));
    for (const QString& name : QDir(shared).entryList({QStringLiteral("*.plist")}, QDir::Files))
        files << shared + QStringLiteral("/") + name;
    if (!shared.isEmpty()) {
        ASSERT_GT(files.size(), 2) << "no preference files in " << qPrintable(shared);
    }
    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    ASSERT_FALSE(plistutil.isEmpty()) << "plistutil (libplist-utils, see scripts/install-deps) is missing";
    const QString python = plisttest::pythonWithPlistlib();
    // The new file is the old one plus the key; in the generated file, the values most easily
    // spoilt are still what they were made.
    const QString pythonCheck =
        QStringLiteral("import plistlib, sys\n"
                       "a = plistlib.load(open(sys.argv[1], 'rb'))\n"
                       "b = plistlib.load(open(sys.argv[2], 'rb'))\n"
                       "assert b.pop(sys.argv[3]) == sys.argv[4]\n"
                       "assert a == b\n"
                       "if 'uid' in b:\n"
                       "    assert b['largest unsigned'] == 2**64 - 1\n"
                       "    assert b['just above signed'] == 2**63\n"
                       "    assert b['smallest signed'] == -2**63\n"
                       "    assert b['minus one'] == -1\n"
                       "    assert b['array'][2]['wide'] == 0xfedcba9876543210\n"
                       "    assert b['data'] == b'\\x00\\x01\\x02\\xff\\x00'\n"
                       "    assert b['non-ASCII text'] == 'Gr\\u00fc\\u00dfe \\u2014 \\U0001f4f7'\n"
                       "    assert b['uid'] == plistlib.UID(7)\n"
                       "    assert b['fine date'].year == 2023, b['fine date']\n");
    const char* key = "captureDoneScript";
    const char* script = "/Users/me/Library/Scripts/d\xc3\xb4ne \"\xc3\xbc\".scpt";
    for (const QString& file : files) {
        SCOPED_TRACE(qPrintable(file));
        testsupport::TempFolder temp;
        const QString name = QFileInfo(file).fileName();
        const QString path = temp.write(name, fileBytes(file));
        const QString pristine = temp.write(QStringLiteral("pristine/") + name, fileBytes(file));
        const vexo::plist::Node expected = plisttest::readTree(path);
        ASSERT_TRUE(expected);
        const auto tree = static_cast<plist_t>(expected.get());
        const QString existing = vexo::plist::toVariant(tree).toMap().firstKey();
        PlistFileDefaults defaults(temp.path(), name.chopped(6),
                                   std::make_shared<testsupport::RecordingLog>());
        const auto expectFileMatches = [&] {
            EXPECT_TRUE(fileBytes(path).startsWith("bplist00"));
            EXPECT_EQ(describe(plisttest::readTree(path).get()), describe(tree));
        };

        ASSERT_TRUE(defaults.setValue(QString::fromUtf8(key), QString::fromUtf8(script)));
        plist_dict_set_item(tree, key, plist_new_string(script));
        expectFileMatches();
        plisttest::ProgramRun run = plisttest::runProgram(plistutil, {QStringLiteral("-i"), path});
        EXPECT_EQ(run.exitCode, 0);
        EXPECT_TRUE(run.output.contains(QByteArray("<string>") + script + "</string>"))
            << run.output.constData();
        if (!python.isEmpty()) {
            run = plisttest::runProgram(python, {QStringLiteral("-c"), pythonCheck, pristine, path,
                                                 QString::fromUtf8(key), QString::fromUtf8(script)});
            EXPECT_EQ(run.exitCode, 0) << run.output.constData();
        }

        // Replacing and then removing a key the application itself wrote.
        ASSERT_TRUE(defaults.setValue(existing, QStringLiteral("replaced")));
        plist_dict_set_item(tree, existing.toUtf8().constData(), plist_new_string("replaced"));
        expectFileMatches();
        ASSERT_TRUE(defaults.removeValue(existing));
        plist_dict_remove_item(tree, existing.toUtf8().constData());
        expectFileMatches();
        EXPECT_FALSE(defaults.value(existing).isValid());
        ASSERT_TRUE(defaults.removeValue(QString::fromUtf8(key)));
        plist_dict_remove_item(tree, key);
        expectFileMatches();
    }
    if (python.isEmpty())
        GTEST_SKIP() << "python3 with plistlib is not available: only libplist and plistutil read the files";
    if (shared.isEmpty())
        GTEST_SKIP() << "only the generated files were checked: the shared test data is not beside the clone";
}

TEST_F(PreferencesDomainWriting, AMissingFileAndFolderAreCreatedPrivatelyAndOnlyWhenNeeded) {
    auto defaults = open();
    // Removing from a domain that has no file has nothing to do and creates nothing.
    EXPECT_TRUE(defaults->removeValue(QStringLiteral("k")));
    EXPECT_FALSE(QFileInfo::exists(m_folder));
    ASSERT_TRUE(defaults->setValue(QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(stored(), (QVariantMap{{QStringLiteral("k"), QStringLiteral("v")}}));
    EXPECT_EQ(modeOf(m_path), mode_t(0600));
    // The domain file and its one lock file, nothing else.
    EXPECT_EQ(QDir(m_folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              (QStringList{kDomain + QStringLiteral(".plist"), kDomain + QStringLiteral(".plist.lock")}));

    // Removing an absent key leaves the very same file.
    const QByteArray before = fileBytes(m_path);
    const ino_t inode = inodeOf(m_path);
    EXPECT_TRUE(defaults->removeValue(QStringLiteral("absent")));
    EXPECT_EQ(inodeOf(m_path), inode);
    EXPECT_EQ(fileBytes(m_path), before);
}

TEST_F(PreferencesDomainWriting, PermissionsAndSymbolicLinksAreKept) {
    write(dictionaryWith(QStringLiteral("k"), 1));
    ASSERT_EQ(::chmod(QFile::encodeName(m_path).constData(), 0644), 0);
    ASSERT_TRUE(open()->setValue(QStringLiteral("j"), 2));
    EXPECT_EQ(modeOf(m_path), mode_t(0644));

    // A domain file kept elsewhere and linked in (as dotfile managers do) stays linked.
    const QString real =
        m_temp.write(QStringLiteral("dotfiles/domain.plist"), dictionaryWith(QStringLiteral("k"), 1));
    QFile::remove(m_path);
    QFile::remove(m_path + QStringLiteral(".lock"));
    ASSERT_TRUE(QFile::link(real, m_path));
    ASSERT_TRUE(open()->setValue(QStringLiteral("j"), 3));
    EXPECT_TRUE(QFileInfo(m_path).isSymLink());
    // The lock stays beside the domain's own name: nothing is made in the folder the link leads to.
    EXPECT_TRUE(QFileInfo::exists(m_path + QStringLiteral(".lock")));
    EXPECT_EQ(QDir(m_temp.filePath(QStringLiteral("dotfiles")))
                  .entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList{QStringLiteral("domain.plist")});
    EXPECT_EQ(vexo::plist::readFile(real, vexo::limits::kPreferencesDomainBytes).valueOr(QVariant()),
              QVariant(QVariantMap{{QStringLiteral("k"), qint64(1)}, {QStringLiteral("j"), qint64(3)}}));
}

TEST(PreferencesDomainMalformed, AFileThatIsNotAPropertyListIsReportedAndNeverOverwritten) {
    const QByteArray binary = vexo::plist::nodeToBinary(plisttest::everyKindTree().get());
    const QString notAList = QStringLiteral("is not a property list");
    const QList<QPair<QByteArray, QString>> cases{
        {"this is not a property list", notAList},
        {QByteArray(), notAList},
        {binary.left(binary.size() / 2), notAList},
        {"<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>", notAList},
        {*vexo::plist::toBinary(QVariantList{1, 2}), QStringLiteral("does not hold a dictionary")},
        // Whatever any one key holds: the file as a whole is refused before a tree is built.
        {hostile::deeplyNestedPlist({}, QStringLiteral("deep"), 200000), QStringLiteral("levels deep")},
        {hostile::xmlDictionary({}, QStringLiteral("many"),
                                "<array>" + QByteArray("<true/>").repeated(600000) + "</array>"),
         QStringLiteral("more than 500000 values")}};
    for (const auto& [bytes, reason] : cases) {
        SCOPED_TRACE(reason.toStdString());
        const DomainFiles domain;
        domain.write(bytes);
        auto defaults = domain.open();
        // Reading gives nothing and says so once.
        EXPECT_FALSE(defaults->value(QStringLiteral("a")).isValid());
        EXPECT_FALSE(defaults->value(QStringLiteral("b")).isValid());
        EXPECT_EQ(domain.logLines().size(), 1);
        EXPECT_FALSE(defaults->setValue(QStringLiteral("k"), QStringLiteral("v")));
        EXPECT_FALSE(defaults->removeValue(QStringLiteral("k")));
        EXPECT_EQ(fileBytes(domain.m_path), bytes);
        EXPECT_TRUE(domain.leftovers().isEmpty());
        const QStringList lines = domain.logLines();
        ASSERT_EQ(lines.size(), 3);
        for (const QString& line : lines) {
            EXPECT_TRUE(line.contains(kDomain)) << qPrintable(line);
            EXPECT_TRUE(line.contains(reason)) << qPrintable(line);
        }
        for (const QString& line : lines.mid(1)) // the failed set and remove
            EXPECT_TRUE(line.contains(QStringLiteral("left as it is"))) << qPrintable(line);
    }
}

// Another program, which does not take our lock, changes the file between our reading and our
// replacing it: once, and the write is done again keeping its change; every time, and we give up.
TEST(PreferencesDomainRaces, AChangeMadeDuringTheWriteIsNeverLost) {
    for (const bool everyTime : {false, true}) {
        SCOPED_TRACE(everyTime ? "every time" : "once");
        const DomainFiles domain;
        domain.write(dictionaryWith(QStringLiteral("original"), 1));
        auto defaults = domain.open();
        int calls = 0;
        QVariantMap theirs;
        defaults->setBeforeReplaceHook([&] {
            if (calls++ > 0 && !everyTime)
                return;
            theirs = {{QStringLiteral("original"), qint64(1)}, {QStringLiteral("theirs"), qint64(calls)}};
            hostile::writeFile(domain.m_path, *vexo::plist::toBinary(theirs));
        });
        EXPECT_EQ(defaults->setValue(QStringLiteral("ours"), 3), !everyTime);
        EXPECT_TRUE(domain.leftovers().isEmpty());
        if (everyTime) {
            EXPECT_GT(calls, 1);
            EXPECT_EQ(fileBytes(domain.m_path), *vexo::plist::toBinary(theirs));
            ASSERT_EQ(domain.logLines().size(), 1);
            EXPECT_TRUE(domain.logLines().first().contains(QStringLiteral("kept being changed")));
        } else {
            EXPECT_EQ(calls, 2);
            theirs.insert(QStringLiteral("ours"), qint64(3));
            EXPECT_EQ(domain.stored(), theirs);
        }
    }
}

// ---------------------------------------------------------------------------------------------

TEST_F(PreferencesDomainProcesses, WritersInSeveralProcessesLoseNoKey) {
    write(dictionaryWith(QStringLiteral("original"), QStringLiteral("kept")));
    constexpr int kWriters = 4;
    constexpr int kKeysEach = 40;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < kWriters; ++i) {
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers.back()->start(
            QStringLiteral(PREFERENCES_TEST_WRITER),
            {m_folder, kDomain, QStringLiteral("writer%1").arg(i), QString::number(kKeysEach)});
    }
    // This process writes too, through its own handle.
    auto defaults = open();
    for (int j = 0; j < kKeysEach; ++j)
        EXPECT_TRUE(defaults->setValue(QStringLiteral("parent-%1").arg(j), j));
    for (auto& process : writers) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
    }
    QVariantMap expected{{QStringLiteral("original"), QStringLiteral("kept")}};
    for (int j = 0; j < kKeysEach; ++j) {
        for (int i = 0; i < kWriters; ++i)
            expected.insert(QStringLiteral("writer%1-%2").arg(i).arg(j), qint64(j));
        expected.insert(QStringLiteral("parent-%1").arg(j), qint64(j));
    }
    EXPECT_EQ(stored(), expected);
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(PreferencesDomainProcesses, AWriterThatDiesBeforeReplacingLeavesTheOldFileWhole) {
    write(vexo::plist::nodeToBinary(plisttest::everyKindTree().get()));
    const QByteArray before = fileBytes(m_path);
    const plisttest::ProgramRun run = plisttest::runProgram(
        QStringLiteral(PREFERENCES_TEST_WRITER), {QStringLiteral("--exit-before-replace"), m_folder, kDomain,
                                                  QStringLiteral("k"), QStringLiteral("v")});
    ASSERT_EQ(run.exitCode, 3) << run.output.constData();
    EXPECT_EQ(fileBytes(m_path), before);
    // Its new file had no name yet, so nothing is left; or it keeps the one it was made under,
    // which no later write removes, since no program can tell it from a file of a person's.
    const QStringList left = leftovers();
    EXPECT_EQ(left.size(), makesUnnamedFiles(m_folder) ? 0 : 1);

    auto defaults = open();
    EXPECT_FALSE(defaults->value(QStringLiteral("k")).isValid());
    ASSERT_TRUE(defaults->setValue(QStringLiteral("k"), QStringLiteral("mine")));
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("mine")));
    EXPECT_EQ(defaults->value(QStringLiteral("text")), QVariant(QStringLiteral("Capture One")));
    EXPECT_EQ(leftovers(), left);
}

TEST_F(PreferencesDomainProcesses, AWriterKilledWhileHoldingTheLockNeverBlocksTheNextOne) {
    write(dictionaryWith(QStringLiteral("k"), 1));
    // The writer stops for good once its temporary file is written, holding the lock; then it is
    // killed. The kernel lets go of its lock with it.
    QProcess writer;
    writer.start(QStringLiteral(PREFERENCES_TEST_WRITER),
                 {QStringLiteral("--hang-before-replace"), m_folder, kDomain, QStringLiteral("k"),
                  QStringLiteral("v")});
    ASSERT_TRUE(writer.waitForStarted());
    ASSERT_TRUE(writer.waitForReadyRead(60000));
    ASSERT_EQ(writer.readAllStandardOutput(), QByteArray("ready\n"));
    writer.kill();
    ASSERT_TRUE(writer.waitForFinished());
    const QStringList left = leftovers();
    auto defaults = open();
    ASSERT_TRUE(defaults->setValue(QStringLiteral("k"), QStringLiteral("after")));
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("after")));
    EXPECT_EQ(leftovers(), left);
}

TEST_F(PreferencesDomainWriting, FilesNamedLikeItsOwnAreNeverTouched) {
    // A person's files, and other domains' files, named like this domain's new files, or exactly as
    // a new file of its own would be named, or as its lock.
    const QStringList lookalikes{kDomain + QStringLiteral(".plist.tmp..plist"),
                                 kDomain + QStringLiteral(".plist.tmp.abcdef"),
                                 QStringLiteral(".") + kDomain + QStringLiteral(".plist.tmp.abc.ef"),
                                 QStringLiteral(".") + kDomain + QStringLiteral(".plist.tmp.abcdefg"),
                                 QStringLiteral(".") + kDomain + QStringLiteral(".plist.tmp.backup"),
                                 QStringLiteral(".") + kDomain + QStringLiteral(".plist.tmp.Q1w2E3"),
                                 kDomain + QStringLiteral(".plist.lock")};
    QDir().mkpath(m_folder);
    for (const QString& name : lookalikes)
        hostile::writeFile(m_folder + QLatin1Char('/') + name, "keep me");
    auto defaults = open();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(defaults->setValue(QStringLiteral("k"), i));
    for (const QString& name : lookalikes)
        EXPECT_EQ(fileBytes(m_folder + QLatin1Char('/') + name), QByteArray("keep me")) << qPrintable(name);
    EXPECT_EQ(QDir(m_folder).entryList(QDir::Files | QDir::Hidden).size(), lookalikes.size() + 1);
}

TEST_F(PreferencesDomainWriting, ALinkThatLeadsNowhereIsRefusedAlikeByReadsAndWrites) {
    QDir().mkpath(m_folder);
    const QString nowhere = m_temp.filePath(QStringLiteral("elsewhere/missing.plist"));
    ASSERT_TRUE(QFile::link(nowhere, m_path));
    auto defaults = open();
    const vexo::Expected<QVariant> read = defaults->read(QStringLiteral("k"));
    const vexo::Result written = defaults->write(QStringLiteral("k"), 1);
    const vexo::Result removed = defaults->remove(QStringLiteral("k"));
    const QString reason =
        m_path + QStringLiteral(" is a link to ") + nowhere + QStringLiteral(", which does not exist");
    for (const vexo::Result& result : {read.result(), written, removed}) {
        ASSERT_FALSE(result);
        EXPECT_TRUE(result.message().contains(reason)) << qPrintable(result.message());
    }
    EXPECT_EQ(read.result().status(), vexo::Status::NotFound);
    EXPECT_FALSE(QFileInfo::exists(m_temp.filePath(QStringLiteral("elsewhere"))));
    EXPECT_TRUE(QFileInfo(m_path).isSymLink());
}

// A key that a file holds twice reads as its first value, one key or several at a time.
TEST_F(PreferencesDomainReading, AKeyHeldTwiceReadsAsItsFirstValue) {
    write(hostile::duplicateKeyPlist());
    EXPECT_EQ(open()->value(QStringLiteral("k")), QVariant(QStringLiteral("first")));
    EXPECT_EQ(open()->readValues({QStringLiteral("k"), QStringLiteral("x")}).valueOr({}),
              (QVariantList{QStringLiteral("first"), QVariant()}));
}

// ---------------------------------------------------------------------------------------------

TEST_F(PreferencesDomainFullDisk, AWriteThatDoesNotFitLeavesTheOldFileWhole) {
    const QByteArray mountPoint = QFile::encodeName(m_folder);
    QDir().mkpath(m_folder);
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    const auto unmount = qScopeGuard([&] { ::umount(mountPoint.constData()); });
    auto defaults = open();
    ASSERT_TRUE(defaults->setValue(QStringLiteral("k"), QByteArray(4000, 'a')));
    const QByteArray before = fileBytes(m_path);
    // Leave room for the lock file and a little more, but not for the new contents.
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(mountPoint.constData(), &disk), 0);
    const qint64 filler = qint64(disk.f_bavail) * qint64(disk.f_frsize) - 12 * 1024;
    ASSERT_GT(filler, 0);
    const QString fillerPath = m_temp.write(QStringLiteral("Preferences/filler"), QByteArray(filler, 'f'));

    EXPECT_FALSE(defaults->setValue(QStringLiteral("big"), QByteArray(40000, 'b')));
    EXPECT_EQ(fileBytes(m_path), before);
    EXPECT_TRUE(leftovers().isEmpty());
    ASSERT_EQ(logLines().size(), 1);
    EXPECT_TRUE(logLines().first().contains(QStringLiteral("No space left on device")))
        << qPrintable(logLines().first());
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QByteArray(4000, 'a')));
    // Once there is room again, writing works.
    QFile::remove(fillerPath);
    EXPECT_TRUE(defaults->setValue(QStringLiteral("big"), QByteArray(40000, 'b')));
}

// Several keys in one write: every change or none, every other key kept exactly, and a
// compare-and-write that refuses once a key no longer holds what the caller read.
TEST(PreferencesSeveralKeys, EveryChangeOrNone) {
    using Change = vexo::UserDefaults::KeyChange;
    const QString a = QStringLiteral("a");
    const QString b = QStringLiteral("b");
    const QVariantMap start{{a, QStringLiteral("/one.scpt")},
                            {b, qint64(7)},
                            {QStringLiteral("other"), QVariantList{1.5, QByteArray("x")}}};
    struct Row {
        const char* name;
        QList<Change> changes;
        vexo::Status status;
        const char* reason; // words of the failure; null for a success
        QVariantMap after;  // what the domain holds afterwards: `start` when nothing was written
    };
    QVariantMap setBoth = start;
    setBoth[a] = QStringLiteral("/two.scpt");
    setBoth.remove(b);
    setBoth[QStringLiteral("new")] = true;
    const QList<Row> rows{
        {"set, remove and add",
         {{a, QStringLiteral("/two.scpt"), std::nullopt},
          {b, QVariant(), std::nullopt},
          {QStringLiteral("new"), true, std::nullopt}},
         vexo::Status::Ok,
         nullptr,
         setBoth},
        {"expected values still held",
         {{a, QStringLiteral("/two.scpt"), QVariant(QStringLiteral("/one.scpt"))},
          {b, QVariant(), QVariant(qint64(7))},
          {QStringLiteral("new"), true, QVariant()}},
         vexo::Status::Ok,
         nullptr,
         setBoth},
        {"one key changed meanwhile",
         {{a, QStringLiteral("/two.scpt"), QVariant(QStringLiteral("/one.scpt"))},
          {b, QVariant(), QVariant(QStringLiteral("7"))}},
         vexo::Status::Changed,
         "\"b\" no longer holds",
         start},
        {"a key expected absent is there",
         {{a, QVariant(), QVariant()}},
         vexo::Status::Changed,
         "\"a\" no longer holds",
         start},
        {"a key named twice",
         {{a, 1, std::nullopt}, {a, 2, std::nullopt}},
         vexo::Status::Refused,
         "twice",
         start},
        {"a value without a property-list form",
         {{a, 1, std::nullopt}, {b, QVariant::fromValue(QSize(1, 2)), std::nullopt}},
         vexo::Status::Refused,
         "no property-list form",
         start},
        {"a key no file can hold",
         {{a, 1, std::nullopt}, {QString::fromUtf8("x\0y", 3), 2, std::nullopt}},
         vexo::Status::Refused,
         "not a valid property-list key",
         start},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const DomainFiles domain;
        domain.write(*vexo::plist::toBinary(start));
        const QByteArray before = fileBytes(domain.m_path);
        const vexo::Result result = domain.open()->writeValues(row.changes);
        EXPECT_EQ(result.status(), row.status) << qPrintable(result.message());
        if (row.reason) {
            EXPECT_TRUE(result.message().contains(QString::fromUtf8(row.reason)))
                << qPrintable(result.message());
        }
        if (row.status == vexo::Status::Ok) {
            EXPECT_EQ(domain.stored(), row.after);
        } else {
            EXPECT_EQ(fileBytes(domain.m_path), before);
        }
    }
}

// Another program, which does not take our lock, changes an expected key between our reading and
// our replacing the file: the write is done again, sees the change and stores nothing of ours.
TEST(PreferencesSeveralKeys, ACompareAndWriteSeesAChangeMadeDuringTheWrite) {
    const DomainFiles domain;
    domain.write(dictionaryWith(kScriptKey, QStringLiteral("/mine.scpt")));
    auto defaults = domain.open();
    const QVariantMap theirs{{kScriptKey, QStringLiteral("/theirs.scpt")}};
    defaults->setBeforeReplaceHook(
        [&] { hostile::writeFile(domain.m_path, *vexo::plist::toBinary(theirs)); });
    const vexo::Result result = defaults->writeValues(
        {{kScriptKey, QStringLiteral("/undone.scpt"), QVariant(QStringLiteral("/mine.scpt"))}});
    EXPECT_EQ(result.status(), vexo::Status::Changed) << qPrintable(result.message());
    EXPECT_EQ(domain.stored(), theirs);
    EXPECT_TRUE(domain.leftovers().isEmpty());
}

} // namespace
