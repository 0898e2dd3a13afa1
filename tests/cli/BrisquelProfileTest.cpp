// Profiles, import and the script check through the real binary: exit statuses, the change table,
// a dry run that changes nothing, and the upgrade from one copy to another.
#include "tests/cli/ToolWorld.h"
#include "tests/support/PlistTestSupport.h"

#include <QFile>

using clitest::jsonArray;
using clitest::Outcome;
using testsupport::sdefWithScripts;

using namespace Qt::Literals::StringLiterals;

namespace {

const QList<QPair<QString, QString>> kFourScripts{{u"capture done script"_s, u"After a capture."_s},
                                                  {u"batch done script"_s, u"After a batch."_s},
                                                  {u"live view ready script"_s, u"Live view is on."_s},
                                                  {u"import done script"_s, u"After an import."_s}};

class BrisquelProfiles : public clitest::ToolWorld {
protected:
    void SetUp() override {
        makeCopy(u"Capture One 23"_s, m_old, sdefWithScripts(kFourScripts), u"16.2"_s);
        // The newer copy no longer offers "import done script".
        makeCopy(u"Capture One 24"_s, m_new, sdefWithScripts(kFourScripts.mid(0, 3)), u"17.0"_s);
        // Script files in the home folder, so that the profile writes them from "~/".
        for (const char* name : {"capture.scpt", "batch.scpt", "live.scpt", "import.scpt"})
            m_scripts.append(m_home.write(u"Scripts/"_s + QString::fromLatin1(name),
                                          QByteArrayLiteral("FasdUAS 1.101.10\x0e\0\0\0")));
        writeDomain(m_old, {{u"endOfCaptureScript"_s, m_scripts[0]},
                            {u"endOfBatchScript"_s, m_scripts[1]},
                            {u"liveViewReadyScript"_s, m_scripts[2]},
                            {u"endOfImportScript"_s, m_scripts[3]}});
        // The newer copy has settings of its own, and one script assigned by hand already.
        writeDomain(m_new, {{u"WindowFrame"_s, u"10 10 800 600"_s},
                            {u"recentCount"_s, 7},
                            {u"endOfBatchScript"_s, m_scripts[1]}});
    }

    QString exportOld() {
        QString profile = m_files.filePath(u"studio.json"_s);
        EXPECT_EQ(run({u"export"_s, u"Capture One 23"_s, u"-o"_s, profile}).exitCode, 0);
        return profile;
    }

    QString m_old = identifier(u"c23"_s);
    QString m_new = identifier(u"c24"_s);
    QStringList m_scripts;
};

TEST_F(BrisquelProfiles, AnUpgradeCarriesTheAssignmentsToTheNewCopy) {
    const QString profile = exportOld();
    EXPECT_TRUE(plisttest::fileBytes(profile).contains("\"~/Scripts/capture.scpt\""))
        << plisttest::fileBytes(profile).toStdString();
    QVariantMap expected = domain(m_new);
    const QByteArray before = plisttest::fileBytes(domainFile(m_new));
    // A dry run prints the changes and changes nothing, as text or as JSON.
    const QStringList import{u"import"_s, profile, u"--to"_s, u"Capture One 24"_s};
    Outcome o = run(import + QStringList{u"--dry-run"_s});
    EXPECT_TRUE(o.outLines().constLast().startsWith(u"Dry run: nothing was changed"_s))
        << o.out.toStdString();
    EXPECT_EQ(plisttest::fileBytes(domainFile(m_new)), before);

    o = run(import);
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    ASSERT_EQ(o.outLines().size(), 6) << o.out.toStdString();
    EXPECT_EQ(o.outLines().at(5), u"Imported into Capture One 24 ("_s + m_new + u")."_s);
    for (const auto& [row, start] : {std::pair{0, "CHANGE"}, std::pair{1, "set        Capture Done"},
                                     std::pair{2, "unchanged  Batch Done"},
                                     std::pair{3, "set        Live View Ready"}, std::pair{4, "skipped"}})
        EXPECT_TRUE(o.outLines().value(row).startsWith(QString::fromUtf8(start))) << o.out.toStdString();
    EXPECT_TRUE(o.outLines().value(4).contains(u"offers no script"_s)) << o.out.toStdString();
    // Three scripts hold their files (one already did); nothing else in the domain changed.
    expected.insert(u"endOfCaptureScript"_s, m_scripts[0]);
    expected.insert(u"liveViewReadyScript"_s, m_scripts[2]);
    EXPECT_EQ(domain(m_new), expected);
}

TEST_F(BrisquelProfiles, ExitStatusesTellWhatHappened) {
    const QString profile = exportOld();
    const QString broken = m_files.write(u"broken.json"_s, "{\"format\": ");
    QFile::remove(m_scripts[2]);
    const struct {
        const char* name;
        QStringList arguments;
        int status;
        QString words; // on standard error
    } rows[] = {
        {"CheckPasses", {u"check"_s, m_new}, 0, {}},
        {"CheckFails", {u"check"_s}, 3, u"live.scpt does not exist"_s},
        {"ImportRefused", {u"import"_s, profile, u"--to"_s, m_new}, 1, u"live.scpt does not exist"_s},
        {"ImportMalformed", {u"import"_s, broken}, 1, u"malformed"_s},
    };
    const QByteArray before = plisttest::fileBytes(domainFile(m_new));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome o = run(row.arguments);
        EXPECT_EQ(o.exitCode, row.status) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(row.words)) << o.err.toStdString();
        EXPECT_EQ(plisttest::fileBytes(domainFile(m_new)), before);
    }
    // Forced, the missing file is assigned with a warning.
    EXPECT_TRUE(
        run({u"import"_s, profile, u"--to"_s, m_new, u"--force"_s}).errText().contains(u"warning: "_s));
    EXPECT_EQ(domain(m_new).value(u"liveViewReadyScript"_s).toString(), m_scripts[2]);
}

} // namespace
