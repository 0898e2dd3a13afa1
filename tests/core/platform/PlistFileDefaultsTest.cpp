// Preferences domains kept as property-list files: what only this back-end has (the file's shape,
// its lock, other writers, hostile files). What every back-end promises is PlatformContractTest's.
#include "core/platform/posix/PlistFileDefaults.h"
#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/PlistTestSupport.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QScopeGuard>
#include <QThread>
#include <gtest/gtest.h>
#include <plist/plist.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

using namespace brisquel;
using namespace Qt::Literals::StringLiterals;
using plisttest::describe;
using plisttest::fileBytes;
namespace hostile = testsupport::HostileFiles;

namespace {

const QString kDomain = u"com.captureone.captureone16"_s;
const QString kScript = u"captureDoneScript"_s;

// A preferences folder of the test's own, holding (once written) the file of kDomain.
struct DomainFiles {
    std::unique_ptr<PlistFileDefaults> open() const {
        return std::make_unique<PlistFileDefaults>(m_folder, kDomain, m_log);
    }
    void write(const QByteArray& bytes) const { hostile::writeFile(m_path, bytes); }
    QVariantMap stored() const {
        return vexo::plist::readFile(m_path, vexo::limits::kPreferencesDomainBytes).valueOr({}).toMap();
    }
    QStringList leftovers() const {
        return QDir(m_folder).entryList({u"."_s + kDomain + u".plist.tmp.*"_s}, QDir::Files | QDir::Hidden);
    }
    QStringList logLines() const { return m_log->systemLines(); }
    void linkTo(const QString& target) const { QFile::link(target, m_path); }
    QString fifo() const {
        hostile::makeFifo(m_temp.filePath(u"fifo"_s));
        return m_temp.filePath(u"fifo"_s);
    }

    testsupport::TempFolder m_temp;
    std::shared_ptr<testsupport::RecordingLog> m_log = std::make_shared<testsupport::RecordingLog>();
    QString m_folder = m_temp.filePath(u"Preferences"_s);
    QString m_path = m_folder + u"/"_s + kDomain + u".plist"_s;
};
class PreferencesDomain : public ::testing::Test, protected DomainFiles {};

QByteArray dictionaryWith(const QString& key, const QVariant& value) {
    return *vexo::plist::toBinary(QVariantMap{{key, value}});
}
struct stat statOf(const QString& path) {
    struct stat info {};
    ::stat(QFile::encodeName(path).constData(), &info);
    return info;
}
QStringList entries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden);
}

} // namespace

TEST(PreferencesDomainOpening, FollowsTheEnvironment) {
    const testsupport::ScopedEnvironment saved[]{"QUILLMERE_PREFERENCES_DIR", "XDG_CONFIG_HOME", "HOME"};
    qputenv("HOME", "/home/someone");
    qputenv("QUILLMERE_PREFERENCES_DIR", "/srv/prefs");
    qputenv("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(PlistFilePreferences::defaultFolder().valueOr({}), u"/srv/prefs"_s);
    qunsetenv("QUILLMERE_PREFERENCES_DIR");
    EXPECT_EQ(PlistFilePreferences::defaultFolder().valueOr({}), u"/xdg/Quillmere/Preferences"_s);
    qputenv("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored, as XDG says
    EXPECT_EQ(PlistFilePreferences::defaultFolder().valueOr({}),
              u"/home/someone/.config/Quillmere/Preferences"_s);
}

// Another program rewriting the file in place (same size and inode, within one tick of the clock),
// then again once the file's times count as settled, then removing it.
TEST_F(PreferencesDomain, ChangesByOtherProgramsAreSeenAtOnce) {
    const auto defaults = open();
    write(dictionaryWith(u"k"_s, u"aaaa"_s));
    EXPECT_EQ(defaults->value(u"k"_s), QVariant(u"aaaa"_s));
    for (const QString& value : {u"bbbb"_s, u"cccc"_s}) {
        if (value == u"cccc"_s)
            QThread::msleep(3200); // long enough for the file's times to count as settled
        QFile file(m_path);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.write(dictionaryWith(u"k"_s, value));
        file.close();
        EXPECT_EQ(defaults->value(u"k"_s), QVariant(value));
    }
    QFile::remove(m_path);
    EXPECT_FALSE(defaults->value(u"k"_s).isValid());
}

// Generated files (every kind of value; XML), then every real preference file there is: each change
// made to the file must be exactly the one made here by hand to a copy of its tree.
TEST(PreferencesDomainFiles, ChangingOneKeyKeepsEveryOtherKeyExactly) {
    testsupport::TempFolder generated;
    QStringList files{
        generated.write(u"every.kind.plist"_s, vexo::plist::nodeToBinary(plisttest::everyKindTree().get())),
        generated.write(u"xml.plist"_s, hostile::xmlDictionary({}, u"big"_s, "<integer>-1</integer>"))};
    const QString shared = testsupport::sharedTestData(u"plist"_s);
    for (const QString& name : QDir(shared).entryList({u"*.plist"_s}, QDir::Files))
        files << shared + u"/"_s + name;
    const char* script = "/Users/me/Library/Scripts/d\xc3\xb4ne \"\xc3\xbc\".scpt";
    for (const QString& file : files) {
        SCOPED_TRACE(qPrintable(file));
        testsupport::TempFolder temp;
        const QString name = QFileInfo(file).fileName();
        const QString path = temp.write(name, fileBytes(file));
        const vexo::plist::Node expected = plisttest::readTree(path);
        ASSERT_TRUE(expected);
        auto* const tree = static_cast<plist_t>(expected.get());
        const QString existing = vexo::plist::toVariant(tree).toMap().firstKey();
        PlistFileDefaults defaults(temp.path(), name.chopped(6),
                                   std::make_shared<testsupport::RecordingLog>());
        ASSERT_TRUE(defaults.setValue(kScript, QString::fromUtf8(script)));
        plist_dict_set_item(tree, "captureDoneScript", plist_new_string(script));
        ASSERT_TRUE(defaults.removeValue(existing)); // a key the application itself wrote
        plist_dict_remove_item(tree, existing.toUtf8().constData());
        EXPECT_TRUE(fileBytes(path).startsWith("bplist00"));
        EXPECT_EQ(describe(plisttest::readTree(path).get()), describe(tree));
    }
    if (shared.isEmpty())
        GTEST_SKIP() << "the shared test data is missing: only generated files checked";
}

TEST_F(PreferencesDomain, FilesAreCreatedPrivatelyOnlyWhenNeededAndKeepTheirPermissionsAndLinks) {
    auto defaults = open();
    EXPECT_TRUE(defaults->removeValue(u"k"_s)); // nothing to do, and nothing created
    EXPECT_FALSE(QFileInfo::exists(m_folder));
    ASSERT_TRUE(defaults->setValue(u"k"_s, u"v"_s));
    EXPECT_EQ(statOf(m_path).st_mode & 07777, mode_t(0600));
    EXPECT_EQ(entries(m_folder), (QStringList{kDomain + u".plist"_s, kDomain + u".plist.lock"_s}));
    const ino_t inode = statOf(m_path).st_ino; // removing an absent key leaves the very same file
    EXPECT_TRUE(defaults->removeValue(u"absent"_s));
    EXPECT_EQ(statOf(m_path).st_ino, inode);
    ASSERT_EQ(::chmod(QFile::encodeName(m_path).constData(), 0644), 0);
    ASSERT_TRUE(defaults->setValue(u"j"_s, 2));
    EXPECT_EQ(statOf(m_path).st_mode & 07777, mode_t(0644));
    // A domain file kept elsewhere and linked in (as dotfile managers do) stays linked; the lock stays
    // beside the domain's own name.
    const QString real = m_temp.write(u"dotfiles/domain.plist"_s, dictionaryWith(u"k"_s, 1));
    QFile::remove(m_path);
    ASSERT_TRUE(QFile::link(real, m_path));
    ASSERT_TRUE(open()->setValue(u"j"_s, 3));
    EXPECT_TRUE(QFileInfo(m_path).isSymLink());
    EXPECT_EQ(entries(m_temp.filePath(u"dotfiles"_s)), QStringList{u"domain.plist"_s});
    EXPECT_EQ(stored(), (QVariantMap{{u"k"_s, qint64(1)}, {u"j"_s, qint64(3)}}));
}

// A key held twice reads as its first value; an XML file gives every key asked for from one walk.
TEST_F(PreferencesDomain, SeveralKeysAreReadFromOneReading) {
    write(hostile::duplicateKeyPlist());
    EXPECT_EQ(open()->readValues({u"k"_s, u"x"_s}).valueOr({}), (QVariantList{u"first"_s, QVariant()}));
    write(hostile::xmlDictionary({}, u"a"_s, "<integer>1</integer>"));
    EXPECT_EQ(open()->readValues({u"keep"_s, u"none"_s, u"a"_s}).valueOr({}),
              (QVariantList{u"me"_s, QVariant(), qint64(1)}));
}

// Whatever the domain file is, reading it stays within bounds, says why it failed (once in the log),
// and a write refuses and leaves the file as it was.
struct HostileDomain {
    const char* name;
    void (*make)(const DomainFiles&);
    const char* reason;
};
class HostileDomains : public ::testing::TestWithParam<HostileDomain> {};

TEST_P(HostileDomains, AreRefusedWithinBounds) {
    const HostileDomain& row = GetParam();
    if (std::string(row.name) == "Unreadable" && ::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    const DomainFiles domain;
    QDir().mkpath(domain.m_folder);
    row.make(domain);
    const QFileInfo before(domain.m_path);
    const bool regular = before.isFile() && !before.isSymLink();
    const QByteArray bytes = regular ? fileBytes(domain.m_path) : QByteArray();
    auto defaults = domain.open();
    vexo::Expected<QVariant> read = QVariant();
    vexo::Result written;
    bool done = false;
    testsupport::expectWithinBounds(testsupport::runBounded(
        [&] {
            read = defaults->read(kScript);
            defaults->value(kScript); // said once in the log, however often asked
            written = defaults->write(kScript, u"/a.scpt"_s);
            done = true;
        },
        [&] { return done; }));
    ASSERT_FALSE(read);
    const QString message = read.result().message();
    EXPECT_TRUE(message.contains(kDomain) || message.contains(domain.m_path)) << qPrintable(message);
    EXPECT_TRUE(message.contains(QString::fromUtf8(row.reason), Qt::CaseInsensitive)) << qPrintable(message);
    EXPECT_TRUE(domain.leftovers().isEmpty());
    EXPECT_EQ(domain.logLines().size(), 1) << qPrintable(domain.logLines().join(u'\n'));
    ASSERT_FALSE(written);
    EXPECT_TRUE(written.message().contains(u"left as it is"_s) || !regular) << qPrintable(written.message());
    EXPECT_EQ(QFileInfo(domain.m_path).isSymLink(), before.isSymLink());
    EXPECT_EQ(QFileInfo(domain.m_path).isDir(), before.isDir());
    if (regular) {
        EXPECT_EQ(fileBytes(domain.m_path), bytes);
    }
}

using D = const DomainFiles&;
const HostileDomain kHostileDomains[]{
    {"Garbage", [](D d) { d.write("this is not a property list"); }, "is not a property list"},
    {"Empty", [](D d) { d.write({}); }, "is not a property list"},
    {"TruncatedBinary",
     [](D d) { d.write(vexo::plist::nodeToBinary(plisttest::everyKindTree().get()).left(200)); },
     "is not a property list"},
    {"TruncatedXml", [](D d) { d.write("<?xml version=\"1.0\"?><plist><dict><key>a</key>"); },
     "is not a property list"},
    {"NotADictionary", [](D d) { d.write(*vexo::plist::toBinary(QStringList(u"a"_s))); },
     "does not hold a dictionary"},
    {"Fifo", [](D d) { hostile::makeFifo(d.m_path); }, "not a regular file"},
    {"LinkToFifo", [](D d) { d.linkTo(d.fifo()); }, "not a regular file"},
    {"LinkToNothing", [](D d) { d.linkTo(d.m_temp.filePath(u"gone/x.plist"_s)); }, "which does not exist"},
    {"Folder", [](D d) { QDir().mkpath(d.m_path); }, "not a regular file"},
    {"FortyMegabytes", [](D d) { hostile::writeLargeInfoPlist(d.m_path, kDomain, 40 << 20); }, "too large"},
    // Whatever one key holds: the file as a whole is refused before a tree is built.
    {"NestedBeyondTheFile", [](D d) { d.write(hostile::deeplyNestedPlist({}, u"x"_s, 200000)); },
     "levels deep"},
    {"ManyValues",
     [](D d) {
         d.write(hostile::xmlDictionary({}, u"x"_s,
                                        "<array>" + QByteArray("<true/>").repeated(600000) + "</array>"));
     },
     "more than 500000 values"},
    // Only the key's own value cannot be converted.
    {"NestedValue", [](D d) { d.write(hostile::deeplyNestedPlist({}, kScript, 50000)); }, "deep"},
    {"SharedReferences", [](D d) { d.write(hostile::sharedReferencePlist({}, kScript, 10)); }, "values"},
    {"Unreadable",
     [](D d) {
         d.write(dictionaryWith(u"keep"_s, u"me"_s));
         QFile::setPermissions(d.m_path, QFileDevice::WriteOwner);
     },
     "permission denied"}};
INSTANTIATE_TEST_SUITE_P(Rows, HostileDomains, ::testing::ValuesIn(kHostileDomains),
                         [](const auto& row) { return std::string(row.param.name); });

// Another program, which does not take our lock, changes the file between our reading and our
// replacing it: once, and the write is done again keeping its change; every time, and we give up;
// a compare-and-write sees the change and stores nothing of ours.
TEST(PreferencesDomainRaces, AChangeMadeDuringTheWriteIsNeverLost) {
    // How many times the other program changes the file; 0: once, under a compare-and-write.
    for (const int times : {1, 1000, 0}) {
        SCOPED_TRACE(times);
        const DomainFiles domain;
        domain.write(dictionaryWith(kScript, u"/mine.scpt"_s));
        auto defaults = domain.open();
        int calls = 0;
        QVariantMap theirs;
        defaults->setBeforeReplaceHook([&] {
            if (calls++ < std::max(times, 1))
                domain.write(*vexo::plist::toBinary(
                    theirs = QVariantMap{{kScript, u"/theirs.scpt"_s}, {u"t"_s, qint64(calls)}}));
        });
        if (times == 0) {
            const QVariant mine = u"/mine.scpt"_s;
            EXPECT_EQ(defaults->writeValues({{kScript, u"/undone.scpt"_s, mine}}).status(),
                      vexo::Status::Changed);
        } else {
            EXPECT_EQ(defaults->setValue(u"ours"_s, 3), times == 1);
            EXPECT_EQ(domain.logLines().filter(u"kept being changed"_s).size(), times == 1 ? 0 : 1);
            if (times == 1)
                theirs.insert(u"ours"_s, qint64(3));
        }
        EXPECT_EQ(domain.stored(), theirs);
        EXPECT_TRUE(domain.leftovers().isEmpty());
    }
}

// --- Other writers, as separate processes (the test writer, which writes as any instance of ours) ---

TEST_F(PreferencesDomain, WritersInSeveralProcessesLoseNoKey) {
    write(dictionaryWith(u"original"_s, u"kept"_s));
    constexpr int kWriters = 4;
    constexpr int kKeys = 40;
    QVariantMap expected{{u"original"_s, u"kept"_s}};
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < kWriters; ++i) {
        QStringList arguments{m_folder, kDomain};
        for (int j = 0; j < kKeys; ++j) {
            arguments << u"writer%1-%2=%2"_s.arg(i).arg(j);
            expected.insert(u"writer%1-%2"_s.arg(i).arg(j), QString::number(j));
        }
        writers.push_back(std::make_unique<QProcess>());
        writers.back()->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        writers.back()->start(u"" PREFERENCES_TEST_WRITER ""_s, arguments);
    }
    auto defaults = open(); // this process writes too
    for (int j = 0; j < kKeys; ++j) {
        EXPECT_TRUE(defaults->setValue(u"parent-%1"_s.arg(j), j));
        expected.insert(u"parent-%1"_s.arg(j), qint64(j));
    }
    for (auto& process : writers) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitCode(), 0);
    }
    EXPECT_EQ(stored(), expected);
    EXPECT_TRUE(leftovers().isEmpty());
}

TEST_F(PreferencesDomain, AWriterThatDiesOrIsKilledBeforeReplacingLeavesTheFileWholeAndUnlocked) {
    write(vexo::plist::nodeToBinary(plisttest::everyKindTree().get()));
    const QByteArray before = fileBytes(m_path);
    const plisttest::ProgramRun run = plisttest::runProgram(
        u"" PREFERENCES_TEST_WRITER ""_s, {u"--exit-before-replace"_s, m_folder, kDomain, u"k=v"_s});
    ASSERT_EQ(run.exitCode, 3) << run.output.constData();
    EXPECT_EQ(fileBytes(m_path), before);
    // One that stops holding the lock, and is killed: the kernel lets go of its lock with it.
    QProcess writer;
    writer.start(u"" PREFERENCES_TEST_WRITER ""_s, {u"--hang-before-replace"_s, m_folder, kDomain, u"k=v"_s});
    ASSERT_TRUE(writer.waitForReadyRead(60000));
    ASSERT_EQ(writer.readAllStandardOutput(), QByteArray("ready\n"));
    writer.kill();
    ASSERT_TRUE(writer.waitForFinished());
    // Their new files had no name yet, so nothing is left; or each keeps the one it was made under,
    // which no later write removes, since no program can tell it from a file of a person's.
    const QStringList left = leftovers();
    EXPECT_LE(left.size(), 2);
    auto defaults = open();
    ASSERT_TRUE(defaults->setValue(u"k"_s, u"mine"_s));
    EXPECT_EQ(defaults->value(u"text"_s), QVariant(u"Capture One"_s));
    EXPECT_EQ(leftovers(), left);
}

// A person's files, and other domains', named like this domain's new files or its lock.
TEST_F(PreferencesDomain, FilesNamedLikeItsOwnAreNeverTouched) {
    const QStringList lookalikes{kDomain + u".plist.tmp..plist"_s, u"."_s + kDomain + u".plist.tmp.abc.ef"_s,
                                 u"."_s + kDomain + u".plist.tmp.Q1w2E3"_s, kDomain + u".plist.lock"_s};
    for (const QString& name : lookalikes)
        hostile::writeFile(m_folder + u"/"_s + name, "keep me");
    auto defaults = open();
    for (int i = 0; i < 3; ++i)
        ASSERT_TRUE(defaults->setValue(u"k"_s, i));
    for (const QString& name : lookalikes)
        EXPECT_EQ(fileBytes(m_folder + u"/"_s + name), QByteArray("keep me")) << qPrintable(name);
    EXPECT_EQ(entries(m_folder).size(), lookalikes.size() + 1);
}

// Where the new file cannot take the old one's place (a full disk; a domain file that is a mount
// point), the old file stays whole and no new file is left beside it.
TEST_F(PreferencesDomain, AWriteThatCannotBeDoneLeavesTheOldFileWholeAndNothingBeside) {
    const QByteArray mountPoint = QFile::encodeName(m_folder);
    QDir().mkpath(m_folder);
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    const auto unmount = qScopeGuard([&] { ::umount2(mountPoint.constData(), MNT_DETACH); });
    auto defaults = open();
    ASSERT_TRUE(defaults->setValue(u"k"_s, QByteArray(4000, 'a')));
    const QByteArray before = fileBytes(m_path);
    struct statvfs disk {};
    ASSERT_EQ(::statvfs(mountPoint.constData(), &disk), 0);
    const QString filler = m_temp.write(u"Preferences/filler"_s,
                                        QByteArray(qint64(disk.f_bavail * disk.f_frsize) - 12 * 1024, 'f'));
    EXPECT_FALSE(defaults->setValue(u"big"_s, QByteArray(40000, 'b')));
    EXPECT_EQ(fileBytes(m_path), before);
    EXPECT_TRUE(leftovers().isEmpty());
    EXPECT_EQ(logLines().filter(u"No space left on device"_s).size(), 1)
        << qPrintable(logLines().join(u'\n'));
    QFile::remove(filler);
    EXPECT_TRUE(defaults->setValue(u"big"_s, QByteArray(40000, 'b')));

    // A file bound over the domain file's name: it reads, but cannot be replaced.
    const QString other = m_temp.write(u"bound.plist"_s, dictionaryWith(u"k"_s, 1));
    const QByteArray target = QFile::encodeName(m_path);
    ASSERT_EQ(::mount(QFile::encodeName(other).constData(), target.constData(), nullptr, MS_BIND, nullptr),
              0);
    const auto unbind = qScopeGuard([&] { ::umount2(target.constData(), MNT_DETACH); });
    EXPECT_EQ(defaults->value(u"k"_s), QVariant(qint64(1)));
    EXPECT_FALSE(defaults->setValue(u"k"_s, 2));
    EXPECT_EQ(fileBytes(other), dictionaryWith(u"k"_s, 1));
    EXPECT_TRUE(leftovers().isEmpty()) << qPrintable(leftovers().join(u' '));
}

// Several keys in one write: every change or none, every other key kept exactly, and a
// compare-and-write that refuses once a key no longer holds what the caller read.
struct SeveralKeys {
    const char* name;
    QList<vexo::UserDefaults::KeyChange> changes;
    vexo::Status status;
    const char* reason;
};
class PreferencesSeveralKeys : public ::testing::TestWithParam<SeveralKeys> {};

TEST_P(PreferencesSeveralKeys, EveryChangeOrNone) {
    const QVariantMap start{{u"a"_s, u"/one.scpt"_s}, {u"b"_s, qint64(7)}, {u"other"_s, QVariantList{1.5}}};
    const DomainFiles domain;
    domain.write(*vexo::plist::toBinary(start));
    const QByteArray before = fileBytes(domain.m_path);
    const vexo::Result result = domain.open()->writeValues(GetParam().changes);
    EXPECT_EQ(result.status(), GetParam().status) << qPrintable(result.message());
    EXPECT_TRUE(result.message().contains(QString::fromUtf8(GetParam().reason)))
        << qPrintable(result.message());
    if (GetParam().status == vexo::Status::Ok) {
        EXPECT_EQ(domain.stored(),
                  (QVariantMap{{u"a"_s, u"/two.scpt"_s}, {u"new"_s, true}, {u"other"_s, start[u"other"_s]}}));
    } else {
        EXPECT_EQ(fileBytes(domain.m_path), before);
    }
}

const QVariant kOne = u"/one.scpt"_s;
const QVariant kTwo = u"/two.scpt"_s;
using vexo::Status;
const SeveralKeys kSeveralKeys[]{
    {"ExpectedStillHeld",
     {{u"a"_s, kTwo, kOne}, {u"b"_s, {}, qint64(7)}, {u"new"_s, true, QVariant()}},
     Status::Ok,
     ""},
    {"ChangedMeanwhile",
     {{u"a"_s, kTwo, kOne}, {u"b"_s, {}, u"7"_s}},
     Status::Changed,
     "\"b\" no longer holds"},
    {"ExpectedAbsentIsThere", {{u"a"_s, {}, QVariant()}}, Status::Changed, "\"a\" no longer holds"},
    {"KeyTwice", {{u"a"_s, 1, {}}, {u"a"_s, 2, {}}}, Status::Refused, "twice"},
    {"KeyWithNul",
     {{u"a"_s, 1, {}}, {QString::fromUtf8("x\0y", 3), 2, {}}},
     Status::Refused,
     "not a valid property-list key"}};
INSTANTIATE_TEST_SUITE_P(Rows, PreferencesSeveralKeys, ::testing::ValuesIn(kSeveralKeys),
                         [](const auto& row) { return std::string(row.param.name); });
