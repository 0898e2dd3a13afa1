#include "platform/posix/PlistFileDefaults.h"
#include "FakePlatform.h"
#include "PlistTestSupport.h"
#include "TempFolder.h"
#include "platform/PropertyList.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSize>
#include <QStandardPaths>
#include <QThread>
#include <gtest/gtest.h>
#include <limits>
#include <plist/plist.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>

using namespace brisquel;
using plisttest::describe;
using plisttest::describeExcept;
using plisttest::fileBytes;

namespace {

const QString kDomain = QStringLiteral("com.captureone.captureone16");

struct Domain {
    testsupport::TempFolder temp;
    std::shared_ptr<testsupport::RecordingLog> log = std::make_shared<testsupport::RecordingLog>();
    QString folder = temp.filePath(QStringLiteral("Preferences"));
    QString path = folder + QStringLiteral("/") + kDomain + QStringLiteral(".plist");

    std::unique_ptr<PlistFileDefaults> open() const {
        return std::make_unique<PlistFileDefaults>(folder, kDomain, log);
    }
    void write(const QByteArray& bytes) const {
        QDir().mkpath(folder);
        plisttest::writeFileBytes(path, bytes);
    }
    void writeTree(void* tree) const { write(plist::nodeToBinary(tree)); }
    QStringList leftovers() const {
        return QDir(folder).entryList({kDomain + QStringLiteral(".plist.tmp.*")}, QDir::Files | QDir::Hidden);
    }
};

ino_t inodeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

mode_t modeOf(const QString& path) {
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? (info.st_mode & 07777) : 0;
}

// Another program rewriting the file in place, keeping its inode.
void rewriteInPlace(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(bytes);
    file.resize(bytes.size());
}

QByteArray dictionaryWith(const QString& key, const QVariant& value) {
    return *plist::toBinary(QVariantMap{{key, value}});
}

// ---------------------------------------------------------------------------------------------

TEST(PreferencesDomainNames, RefusedNamesNeverReachTheFileSystem) {
    testsupport::TempFolder temp;
    const QString folder = temp.filePath(QStringLiteral("Preferences"));
    auto log = std::make_shared<testsupport::RecordingLog>();
    const QStringList refused{QString(),
                              QStringLiteral("."),
                              QStringLiteral(".."),
                              QStringLiteral(".GlobalPreferences"),
                              QStringLiteral("../escaped"),
                              QStringLiteral("com.example/sub"),
                              QStringLiteral("/etc/passwd"),
                              QStringLiteral("com\\example"),
                              QStringLiteral("com.example") + QChar(u'\0') + QStringLiteral("x"),
                              QStringLiteral("com.example\nx"),
                              QStringLiteral("com.example\x7f"),
                              QStringLiteral("com.example") + QChar(0x2028),
                              QString(QChar(0xDC00)) + QStringLiteral("com.example"),
                              QString(240, QLatin1Char('a'))};
    for (const QString& name : refused) {
        PlistFileDefaults defaults(folder, name, log);
        EXPECT_TRUE(defaults.storageLocation().isEmpty()) << qPrintable(name);
        EXPECT_FALSE(defaults.value(QStringLiteral("key")).isValid());
        EXPECT_FALSE(defaults.setValue(QStringLiteral("key"), 1));
        EXPECT_FALSE(defaults.removeValue(QStringLiteral("key")));
        EXPECT_FALSE(PlistFileDefaults::isAcceptableDomainName(name));
    }
    EXPECT_FALSE(QFileInfo::exists(folder));
    EXPECT_EQ(QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
              QStringList());
    const QStringList lines = log->systemLines();
    ASSERT_EQ(lines.size(), refused.size() * 2);
    EXPECT_TRUE(lines.at(0).contains(QStringLiteral("not a plain reverse-DNS name")));
    EXPECT_TRUE(lines.at(6).contains(QStringLiteral("\".GlobalPreferences\"")));
}

TEST(PreferencesDomainNames, ReverseDnsNamesAreAccepted) {
    for (const char* name : {"com.captureone.captureone16", "com.phaseone.captureone12",
                             "com.example.App-Beta_2", "loginwindow", "de.m\xc3\xbcller.app"})
        EXPECT_TRUE(PlistFileDefaults::isAcceptableDomainName(QString::fromUtf8(name))) << name;
}

TEST(PreferencesDomainOpening, OpeningAHandleTouchesNothing) {
    testsupport::TempFolder temp;
    const QString folder = temp.filePath(QStringLiteral("not/there/yet"));
    PlistFilePreferences preferences(folder, std::make_shared<testsupport::RecordingLog>());
    for (int i = 0; i < 100; ++i)
        preferences.open(QStringLiteral("com.example.app%1").arg(i));
    EXPECT_FALSE(QFileInfo::exists(temp.filePath(QStringLiteral("not"))));
    // Reading a domain that has no file creates nothing either.
    EXPECT_FALSE(preferences.open(kDomain)->value(QStringLiteral("key")).isValid());
    EXPECT_FALSE(QFileInfo::exists(temp.filePath(QStringLiteral("not"))));
    EXPECT_EQ(preferences.open(kDomain)->storageLocation(),
              folder + QStringLiteral("/") + kDomain + QStringLiteral(".plist"));
}

class EnvironmentGuard {
public:
    explicit EnvironmentGuard(const char* name)
        : m_name(name), m_had(qEnvironmentVariableIsSet(name)), m_old(qgetenv(name)) {}
    ~EnvironmentGuard() {
        if (m_had)
            qputenv(m_name, m_old);
        else
            qunsetenv(m_name);
    }

private:
    const char* m_name;
    bool m_had;
    QByteArray m_old;
};

TEST(PreferencesDomainOpening, DefaultFolderFollowsTheEnvironment) {
    const EnvironmentGuard preferences("QUILLMERE_PREFERENCES_DIR");
    const EnvironmentGuard config("XDG_CONFIG_HOME");
    const EnvironmentGuard home("HOME");
    qputenv("HOME", "/home/someone");
    qputenv("QUILLMERE_PREFERENCES_DIR", "/srv/prefs");
    qputenv("XDG_CONFIG_HOME", "/xdg");
    EXPECT_EQ(PlistFilePreferences::defaultFolder(), QStringLiteral("/srv/prefs"));
    qunsetenv("QUILLMERE_PREFERENCES_DIR");
    EXPECT_EQ(PlistFilePreferences::defaultFolder(), QStringLiteral("/xdg/Quillmere/Preferences"));
    qputenv("XDG_CONFIG_HOME", "relative/config"); // not absolute: ignored, as XDG says
    EXPECT_EQ(PlistFilePreferences::defaultFolder(),
              QStringLiteral("/home/someone/.config/Quillmere/Preferences"));
    qunsetenv("XDG_CONFIG_HOME");
    EXPECT_EQ(PlistFilePreferences::defaultFolder(),
              QStringLiteral("/home/someone/.config/Quillmere/Preferences"));
}

// ---------------------------------------------------------------------------------------------

TEST(PreferencesDomainReading, ValuesReadBackAsTheyWereSet) {
    Domain domain;
    auto defaults = domain.open();
    const QDateTime date =
        QDateTime::fromString(QStringLiteral("2024-02-29T12:34:56.789Z"), Qt::ISODateWithMs);
    const QList<QPair<QString, QVariant>> values{
        {QStringLiteral("text"), QStringLiteral("/Users/me/Scripts/a \"b\".scpt")},
        {QStringLiteral("integer"), QVariant::fromValue<qint64>(-42)},
        {QStringLiteral("unsigned"), QVariant::fromValue(std::numeric_limits<quint64>::max())},
        {QStringLiteral("real"), 2.5},
        {QStringLiteral("boolean"), true},
        {QStringLiteral("date"), date},
        {QStringLiteral("data"), QByteArray("\0\1", 2)},
        {QStringLiteral("list"), QVariantList{QStringLiteral("a"), QVariant::fromValue<qint64>(1)}},
        {QStringLiteral("map"), QVariantMap{{QStringLiteral("k"), false}}},
        {QString(), QStringLiteral("the empty key")}};
    for (const auto& [key, value] : values)
        ASSERT_TRUE(defaults->setValue(key, value)) << qPrintable(key);
    auto reopened = domain.open();
    for (const auto& [key, value] : values)
        EXPECT_EQ(reopened->value(key), value) << qPrintable(key);
    EXPECT_EQ(reopened->string(QStringLiteral("text")), values.at(0).second.toString());
    EXPECT_EQ(reopened->boolean(QStringLiteral("boolean")), true);
    EXPECT_EQ(reopened->data(QStringLiteral("data")), QByteArray("\0\1", 2));
    EXPECT_FALSE(reopened->string(QStringLiteral("integer")));
    EXPECT_FALSE(reopened->boolean(QStringLiteral("text")));
    EXPECT_FALSE(reopened->data(QStringLiteral("text")));
    EXPECT_FALSE(reopened->value(QStringLiteral("missing")).isValid());
    EXPECT_TRUE(domain.log->systemLines().isEmpty()) << qPrintable(domain.log->systemLines().join(u'\n'));
}

TEST(PreferencesDomainReading, ChangesByOtherProgramsAreSeenAtOnce) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("k"), QStringLiteral("aaaa")));
    auto defaults = domain.open();
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("aaaa")));
    // Same size, same inode, within the same tick of the file-system clock.
    rewriteInPlace(domain.path, dictionaryWith(QStringLiteral("k"), QStringLiteral("bbbb")));
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("bbbb")));
    QFile::remove(domain.path);
    EXPECT_FALSE(defaults->value(QStringLiteral("k")).isValid());
}

TEST(PreferencesDomainReading, ChangesToALongUnchangedFileAreSeen) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("k"), QStringLiteral("aaaa")));
    QThread::msleep(3200); // long enough for the file's times to count as settled
    auto defaults = domain.open();
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("aaaa")));
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("aaaa")));
    rewriteInPlace(domain.path, dictionaryWith(QStringLiteral("k"), QStringLiteral("cccc")));
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("cccc")));
}

TEST(PreferencesDomainReading, AnUnreadableFileGivesNothingAndIsReportedOnce) {
    Domain domain;
    domain.write("garbage that is no property list");
    auto defaults = domain.open();
    EXPECT_FALSE(defaults->value(QStringLiteral("a")).isValid());
    EXPECT_FALSE(defaults->value(QStringLiteral("b")).isValid());
    ASSERT_EQ(domain.log->systemLines().size(), 1);
    EXPECT_TRUE(domain.log->systemLines().first().contains(kDomain));
    EXPECT_TRUE(domain.log->systemLines().first().contains(QStringLiteral("is not a property list")));
}

// ---------------------------------------------------------------------------------------------

TEST(PreferencesDomainWriting, ChangingOneKeyKeepsEveryOtherKeyExactly) {
    Domain domain;
    const plist::Node original = plisttest::everyKindTree();
    domain.writeTree(original.get());
    auto defaults = domain.open();
    // The same changes, made by hand on a copy of the tree.
    const plist::Node expected(plist_copy(static_cast<plist_t>(original.get())));
    const auto tree = static_cast<plist_t>(expected.get());

    ASSERT_TRUE(defaults->setValue(QStringLiteral("text"), QStringLiteral("changed")));
    plist_dict_set_item(tree, "text", plist_new_string("changed"));
    EXPECT_EQ(describe(plisttest::readTree(domain.path).get()), describe(tree));

    ASSERT_TRUE(defaults->setValue(QStringLiteral("added"), 1));
    plist_dict_set_item(tree, "added", plist_new_uint(1));
    EXPECT_EQ(describe(plisttest::readTree(domain.path).get()), describe(tree));

    ASSERT_TRUE(defaults->removeValue(QStringLiteral("zero")));
    plist_dict_remove_item(tree, "zero");
    EXPECT_EQ(describe(plisttest::readTree(domain.path).get()), describe(tree));

    ASSERT_TRUE(defaults->removeValue(QStringLiteral("added")));
    plist_dict_remove_item(tree, "added");
    EXPECT_EQ(describe(plisttest::readTree(domain.path).get()), describe(tree));
    EXPECT_EQ(defaults->value(QStringLiteral("text")), QVariant(QStringLiteral("changed")));
    EXPECT_FALSE(defaults->value(QStringLiteral("zero")).isValid());
    EXPECT_TRUE(fileBytes(domain.path).startsWith("bplist00"));
}

TEST(PreferencesDomainWriting, RealPreferenceFilesKeepEveryOtherKey) {
    const QString shared = testsupport::sharedTestData(QStringLiteral("plist"));
    if (shared.isEmpty())
        GTEST_SKIP() << "the shared test data (real preference files) is not beside the clone";
    const QString python = plisttest::pythonWithPlistlib();
    const QStringList names = QDir(shared).entryList({QStringLiteral("*.plist")}, QDir::Files);
    ASSERT_FALSE(names.isEmpty());
    for (const QString& name : names) {
        SCOPED_TRACE(qPrintable(name));
        testsupport::TempFolder temp;
        const QString domainName = name.chopped(6);
        const QString path = temp.write(name, fileBytes(shared + QStringLiteral("/") + name));
        const QString pristine = temp.write(QStringLiteral("pristine/") + name, fileBytes(path));
        const plist::Node before = plisttest::readTree(path);
        ASSERT_TRUE(before);
        PlistFileDefaults defaults(temp.path(), domainName, std::make_shared<testsupport::RecordingLog>());
        const QString key = QStringLiteral("captureDoneScript");

        ASSERT_TRUE(defaults.setValue(key, QStringLiteral("/Users/me/Library/Scripts/done.scpt")));
        const plist::Node afterSet = plisttest::readTree(path);
        ASSERT_TRUE(afterSet);
        EXPECT_EQ(describeExcept(afterSet.get(), key), describe(before.get()));
        if (!python.isEmpty()) {
            // A reader that shares no code with libplist agrees.
            const plisttest::ProgramRun run = plisttest::runProgram(
                python, {QStringLiteral("-c"),
                         QStringLiteral("import plistlib, sys\n"
                                        "a = plistlib.load(open(sys.argv[1], 'rb'))\n"
                                        "b = plistlib.load(open(sys.argv[2], 'rb'))\n"
                                        "assert b.pop(sys.argv[3]) == '/Users/me/Library/Scripts/done.scpt'\n"
                                        "assert a == b\n"),
                         pristine, path, key});
            EXPECT_EQ(run.exitCode, 0) << run.output.constData();
        }

        // Changing a key the application itself wrote keeps all the others too.
        char* firstKey = nullptr;
        plist_dict_iter iter = nullptr;
        plist_t firstItem = nullptr;
        plist_dict_new_iter(static_cast<plist_t>(before.get()), &iter);
        plist_dict_next_item(static_cast<plist_t>(before.get()), iter, &firstKey, &firstItem);
        std::free(iter);
        ASSERT_TRUE(firstKey);
        const QString existing = QString::fromUtf8(firstKey);
        std::free(firstKey);
        ASSERT_TRUE(defaults.setValue(existing, QStringLiteral("replaced")));
        const plist::Node afterReplace = plisttest::readTree(path);
        EXPECT_EQ(describeExcept(afterReplace.get(), existing), describeExcept(afterSet.get(), existing));

        ASSERT_TRUE(defaults.removeValue(key));
        const plist::Node afterRemove = plisttest::readTree(path);
        EXPECT_EQ(describeExcept(afterRemove.get(), existing), describeExcept(before.get(), existing));
        EXPECT_FALSE(defaults.value(key).isValid());
    }
}

TEST(PreferencesDomainWriting, WrittenFilesAreBinaryAndReadableByOtherReaders) {
    Domain domain;
    domain.writeTree(plisttest::everyKindTree().get());
    ASSERT_TRUE(domain.open()->setValue(QStringLiteral("scriptPath"), QStringLiteral("/tmp/a b/ü.scpt")));
    const QByteArray bytes = fileBytes(domain.path);
    EXPECT_TRUE(bytes.startsWith("bplist00"));
    // libplist on its own, without any of our code.
    plist_t root = nullptr;
    plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &root);
    ASSERT_TRUE(root);
    EXPECT_TRUE(plist_dict_get_item(root, "scriptPath"));
    plist_free(root);
    const QString plistutil = QStandardPaths::findExecutable(QStringLiteral("plistutil"));
    if (plistutil.isEmpty())
        GTEST_SKIP() << "plistutil (libplist-utils) is not installed";
    const plisttest::ProgramRun run = plisttest::runProgram(plistutil, {QStringLiteral("-i"), domain.path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_TRUE(run.output.contains("<string>/tmp/a b/\xc3\xbc.scpt</string>")) << run.output.constData();
}

TEST(PreferencesDomainWriting, AMissingFileAndFolderAreCreatedPrivately) {
    Domain domain;
    auto defaults = domain.open();
    // Removing from a domain that has no file has nothing to do and creates nothing.
    EXPECT_TRUE(defaults->removeValue(QStringLiteral("k")));
    EXPECT_FALSE(QFileInfo::exists(domain.folder));
    ASSERT_TRUE(defaults->setValue(QStringLiteral("k"), QStringLiteral("v")));
    EXPECT_EQ(plist::readFile(domain.path),
              QVariant(QVariantMap{{QStringLiteral("k"), QStringLiteral("v")}}));
    EXPECT_EQ(modeOf(domain.path), mode_t(0600));
    EXPECT_FALSE(QFileInfo::exists(domain.path + QStringLiteral(".lock")));
    EXPECT_TRUE(domain.leftovers().isEmpty());
}

TEST(PreferencesDomainWriting, RemovingAnAbsentKeyLeavesTheFileAlone) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("k"), 1));
    const QByteArray before = fileBytes(domain.path);
    const ino_t inode = inodeOf(domain.path);
    EXPECT_TRUE(domain.open()->removeValue(QStringLiteral("absent")));
    EXPECT_EQ(fileBytes(domain.path), before);
    EXPECT_EQ(inodeOf(domain.path), inode);
}

TEST(PreferencesDomainWriting, PermissionsAndSymbolicLinksAreKept) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("k"), 1));
    ASSERT_EQ(::chmod(QFile::encodeName(domain.path).constData(), 0644), 0);
    ASSERT_TRUE(domain.open()->setValue(QStringLiteral("j"), 2));
    EXPECT_EQ(modeOf(domain.path), mode_t(0644));

    // A domain file kept elsewhere and linked in (as dotfile managers do) stays linked.
    const QString real =
        domain.temp.write(QStringLiteral("dotfiles/domain.plist"), dictionaryWith(QStringLiteral("k"), 1));
    QFile::remove(domain.path);
    ASSERT_TRUE(QFile::link(real, domain.path));
    ASSERT_TRUE(domain.open()->setValue(QStringLiteral("j"), 3));
    EXPECT_TRUE(QFileInfo(domain.path).isSymLink());
    EXPECT_EQ(plist::readFile(real)->toMap().value(QStringLiteral("j")), QVariant::fromValue<qint64>(3));
    EXPECT_EQ(plist::readFile(real)->toMap().value(QStringLiteral("k")), QVariant::fromValue<qint64>(1));
}

TEST(PreferencesDomainWriting, AnXmlFileIsRewrittenAsBinaryWithItsKeys) {
    Domain domain;
    domain.write("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
                 "<key>big</key><integer>18446744073709551615</integer>"
                 "<key>negative</key><integer>-7</integer>"
                 "<key>list</key><array><string>a</string><real>1.25</real></array>"
                 "</dict></plist>");
    const plist::Node before = plisttest::readTree(domain.path);
    ASSERT_TRUE(domain.open()->setValue(QStringLiteral("k"), true));
    EXPECT_TRUE(fileBytes(domain.path).startsWith("bplist00"));
    EXPECT_EQ(describeExcept(plisttest::readTree(domain.path).get(), QStringLiteral("k")),
              describe(before.get()));
}

TEST(PreferencesDomainWriting, AFileThatIsNotAPropertyListIsNeverOverwritten) {
    const plist::Node tree = plisttest::everyKindTree();
    const QByteArray binary = plist::nodeToBinary(tree.get());
    const QList<QPair<QByteArray, QString>> cases{
        {"this is not a property list", QStringLiteral("is not a property list")},
        {QByteArray(), QStringLiteral("is not a property list")},
        {binary.left(binary.size() / 2), QStringLiteral("is not a property list")},
        {"<?xml version=\"1.0\"?><plist version=\"1.0\"><dict><key>a</key>",
         QStringLiteral("is not a property list")},
        {*plist::toBinary(QVariantList{1, 2}), QStringLiteral("does not hold a dictionary")}};
    for (const auto& [bytes, reason] : cases) {
        Domain domain;
        domain.write(bytes);
        auto defaults = domain.open();
        EXPECT_FALSE(defaults->setValue(QStringLiteral("k"), QStringLiteral("v"))) << reason.toStdString();
        EXPECT_FALSE(defaults->removeValue(QStringLiteral("k")));
        EXPECT_EQ(fileBytes(domain.path), bytes);
        EXPECT_TRUE(domain.leftovers().isEmpty());
        const QStringList lines = domain.log->systemLines();
        ASSERT_EQ(lines.size(), 2);
        EXPECT_TRUE(lines.first().contains(kDomain)) << qPrintable(lines.first());
        EXPECT_TRUE(lines.first().contains(reason)) << qPrintable(lines.first());
        EXPECT_TRUE(lines.first().contains(QStringLiteral("left as it is"))) << qPrintable(lines.first());
    }
}

TEST(PreferencesDomainWriting, AValueWithoutAPropertyListFormChangesNothing) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("k"), 1));
    const QByteArray before = fileBytes(domain.path);
    auto defaults = domain.open();
    EXPECT_FALSE(defaults->setValue(QStringLiteral("k"), QVariant::fromValue(QSize(1, 2))));
    EXPECT_FALSE(defaults->setValue(QStringLiteral("k"), QVariant()));
    EXPECT_FALSE(defaults->setValue(QString::fromUtf8("a\0b", 3), 1));
    EXPECT_EQ(fileBytes(domain.path), before);
    ASSERT_EQ(domain.log->systemLines().size(), 3);
    EXPECT_TRUE(domain.log->systemLines().first().contains(QStringLiteral("no property-list form")));
}

TEST(PreferencesDomainWriting, AChangeMadeDuringTheWriteIsKeptAndTheWriteRedone) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("original"), 1));
    auto defaults = domain.open();
    int calls = 0;
    defaults->setBeforeReplaceHook([&](const QString&) {
        // Another program, which does not take our lock, replaces the file just then.
        if (calls++ == 0)
            domain.temp.write(QStringLiteral("Preferences/") + kDomain + QStringLiteral(".plist"),
                              *plist::toBinary(QVariantMap{{QStringLiteral("original"), 1},
                                                           {QStringLiteral("theirs"), 2}}));
    });
    ASSERT_TRUE(defaults->setValue(QStringLiteral("ours"), 3));
    EXPECT_EQ(calls, 2);
    const QVariantMap stored = plist::readFile(domain.path)->toMap();
    EXPECT_EQ(stored.value(QStringLiteral("theirs")), QVariant::fromValue<qint64>(2));
    EXPECT_EQ(stored.value(QStringLiteral("ours")), QVariant::fromValue<qint64>(3));
    EXPECT_EQ(stored.value(QStringLiteral("original")), QVariant::fromValue<qint64>(1));
    EXPECT_TRUE(domain.leftovers().isEmpty());
}

TEST(PreferencesDomainWriting, AFileThatKeepsChangingIsNotOverwritten) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("original"), 1));
    auto defaults = domain.open();
    int calls = 0;
    QByteArray theirs;
    defaults->setBeforeReplaceHook([&](const QString&) {
        theirs = dictionaryWith(QStringLiteral("theirs"), ++calls);
        plisttest::writeFileBytes(domain.path, theirs);
    });
    EXPECT_FALSE(defaults->setValue(QStringLiteral("ours"), 3));
    EXPECT_GT(calls, 1);
    EXPECT_EQ(fileBytes(domain.path), theirs);
    EXPECT_TRUE(domain.leftovers().isEmpty());
    ASSERT_EQ(domain.log->systemLines().size(), 1);
    EXPECT_TRUE(domain.log->systemLines().first().contains(QStringLiteral("kept being changed")));
}

// ---------------------------------------------------------------------------------------------

TEST(PreferencesDomainProcesses, WritersInSeveralProcessesLoseNoKey) {
    Domain domain;
    domain.write(dictionaryWith(QStringLiteral("original"), QStringLiteral("kept")));
    constexpr int kWriters = 4;
    constexpr int kKeysEach = 40;
    std::vector<std::unique_ptr<QProcess>> writers;
    for (int i = 0; i < kWriters; ++i) {
        auto process = std::make_unique<QProcess>();
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(
            QStringLiteral(PREFERENCES_TEST_WRITER),
            {domain.folder, kDomain, QStringLiteral("writer%1").arg(i), QString::number(kKeysEach)});
        writers.push_back(std::move(process));
    }
    // This process writes too, through its own handle.
    auto defaults = domain.open();
    for (int j = 0; j < kKeysEach; ++j)
        EXPECT_TRUE(defaults->setValue(QStringLiteral("parent-%1").arg(j), j));
    for (auto& process : writers) {
        ASSERT_TRUE(process->waitForFinished(120000));
        EXPECT_EQ(process->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process->exitCode(), 0);
    }
    const QVariantMap stored = plist::readFile(domain.path)->toMap();
    EXPECT_EQ(stored.size(), (kWriters + 1) * kKeysEach + 1);
    for (int j = 0; j < kKeysEach; ++j) {
        for (int i = 0; i < kWriters; ++i)
            EXPECT_EQ(stored.value(QStringLiteral("writer%1-%2").arg(i).arg(j)),
                      QVariant::fromValue<qint64>(j));
        EXPECT_EQ(stored.value(QStringLiteral("parent-%1").arg(j)), QVariant::fromValue<qint64>(j));
    }
    EXPECT_EQ(stored.value(QStringLiteral("original")), QVariant(QStringLiteral("kept")));
    EXPECT_TRUE(domain.leftovers().isEmpty());
}

TEST(PreferencesDomainProcesses, AWriterThatDiesBeforeReplacingLeavesTheOldFileWhole) {
    Domain domain;
    domain.writeTree(plisttest::everyKindTree().get());
    const QByteArray before = fileBytes(domain.path);
    const plisttest::ProgramRun run = plisttest::runProgram(
        QStringLiteral(PREFERENCES_TEST_WRITER), {QStringLiteral("--exit-before-replace"), domain.folder,
                                                  kDomain, QStringLiteral("k"), QStringLiteral("v")});
    ASSERT_EQ(run.exitCode, 3) << run.output.constData();
    EXPECT_EQ(fileBytes(domain.path), before);
    // It left its finished temporary file and its lock behind, as a crash would.
    EXPECT_EQ(domain.leftovers().size(), 1);
    EXPECT_TRUE(QFileInfo::exists(domain.path + QStringLiteral(".lock")));

    auto defaults = domain.open();
    EXPECT_FALSE(defaults->value(QStringLiteral("k")).isValid());
    ASSERT_TRUE(defaults->setValue(QStringLiteral("k"), QStringLiteral("mine")));
    EXPECT_EQ(defaults->value(QStringLiteral("k")), QVariant(QStringLiteral("mine")));
    EXPECT_EQ(defaults->value(QStringLiteral("text")), QVariant(QStringLiteral("Capture One")));
    EXPECT_TRUE(domain.leftovers().isEmpty());
    EXPECT_FALSE(QFileInfo::exists(domain.path + QStringLiteral(".lock")));
}

// ---------------------------------------------------------------------------------------------

// A small file system of its own, filled to the brim; skips when mounting is not allowed.
class SmallFileSystem {
public:
    explicit SmallFileSystem(const QString& mountPoint) : m_mountPoint(QFile::encodeName(mountPoint)) {
        QDir().mkpath(mountPoint);
        m_mounted = ::mount("tmpfs", m_mountPoint.constData(), "tmpfs", 0, "size=64k") == 0;
    }
    ~SmallFileSystem() {
        if (m_mounted)
            ::umount(m_mountPoint.constData());
    }
    bool mounted() const { return m_mounted; }
    qint64 freeBytes() const {
        struct statvfs info {};
        return ::statvfs(m_mountPoint.constData(), &info) == 0 ? qint64(info.f_bavail) * qint64(info.f_frsize)
                                                               : 0;
    }

private:
    QByteArray m_mountPoint;
    bool m_mounted = false;
};

TEST(PreferencesDomainFullDisk, AWriteThatDoesNotFitLeavesTheOldFileWhole) {
    testsupport::TempFolder temp;
    const QString folder = temp.filePath(QStringLiteral("small"));
    SmallFileSystem disk(folder);
    if (!disk.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here (needs root): " << std::strerror(errno);
    auto log = std::make_shared<testsupport::RecordingLog>();
    PlistFileDefaults defaults(folder, kDomain, log);
    ASSERT_TRUE(defaults.setValue(QStringLiteral("k"), QByteArray(4000, 'a')));
    const QString path = defaults.storageLocation();
    const QByteArray before = fileBytes(path);
    // Leave room for the lock file and a little more, but not for the new contents.
    const qint64 filler = disk.freeBytes() - 12 * 1024;
    ASSERT_GT(filler, 0);
    plisttest::writeFileBytes(folder + QStringLiteral("/filler"), QByteArray(filler, 'f'));

    EXPECT_FALSE(defaults.setValue(QStringLiteral("big"), QByteArray(40000, 'b')));
    EXPECT_EQ(fileBytes(path), before);
    EXPECT_TRUE(QDir(folder).entryList({kDomain + QStringLiteral(".plist.tmp.*")}, QDir::Files).isEmpty());
    ASSERT_EQ(log->systemLines().size(), 1);
    EXPECT_TRUE(log->systemLines().first().contains(QStringLiteral("No space left on device")))
        << qPrintable(log->systemLines().first());
    EXPECT_EQ(defaults.value(QStringLiteral("k")), QVariant(QByteArray(4000, 'a')));
    // Once there is room again, writing works.
    QFile::remove(folder + QStringLiteral("/filler"));
    EXPECT_TRUE(defaults.setValue(QStringLiteral("big"), QByteArray(40000, 'b')));
}

} // namespace
