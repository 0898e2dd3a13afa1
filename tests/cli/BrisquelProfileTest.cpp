// Profiles, import and the script check through the real binary: exit statuses, the change table,
// a dry run that changes nothing, and the upgrade from one copy to another.
#include "tests/cli/ToolWorld.h"

#include <QDir>
#include <QFile>

using clitest::jsonArray;
using clitest::Outcome;
using testsupport::sdefWithScripts;

namespace {

const QList<QPair<QString, QString>> kFourScripts{
    {QStringLiteral("capture done script"), QStringLiteral("After a capture.")},
    {QStringLiteral("batch done script"), QStringLiteral("After a batch.")},
    {QStringLiteral("live view ready script"), QStringLiteral("Live view is on.")},
    {QStringLiteral("import done script"), QStringLiteral("After an import.")}};

class BrisquelProfiles : public clitest::ToolWorld {
protected:
    void SetUp() override {
        makeCopy(QStringLiteral("Capture One 23"), m_old, sdefWithScripts(kFourScripts),
                 QStringLiteral("16.2"));
        // The newer copy no longer offers "import done script".
        makeCopy(QStringLiteral("Capture One 24"), m_new, sdefWithScripts(kFourScripts.mid(0, 3)),
                 QStringLiteral("17.0"));
        // Script files in the home folder, so that the profile writes them from "~/".
        for (const char* name : {"capture.scpt", "batch.scpt", "live.scpt", "import.scpt"})
            m_scripts.append(m_home.write(QStringLiteral("Scripts/") + QString::fromLatin1(name),
                                          QByteArrayLiteral("FasdUAS 1.101.10\x0e\0\0\0")));
        writeDomain(m_old, {{QStringLiteral("endOfCaptureScript"), m_scripts[0]},
                            {QStringLiteral("endOfBatchScript"), m_scripts[1]},
                            {QStringLiteral("liveViewReadyScript"), m_scripts[2]},
                            {QStringLiteral("endOfImportScript"), m_scripts[3]}});
        // The newer copy has settings of its own, and one script assigned by hand already.
        writeDomain(m_new, {{QStringLiteral("WindowFrame"), QStringLiteral("10 10 800 600")},
                            {QStringLiteral("recentCount"), 7},
                            {QStringLiteral("endOfBatchScript"), m_scripts[1]}});
    }

    QString exportOld() {
        QString profile = m_files.filePath(QStringLiteral("studio.json"));
        const Outcome o =
            run({QStringLiteral("export"), QStringLiteral("Capture One 23"), QStringLiteral("-o"), profile});
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        return profile;
    }

    QString m_old = identifier(QStringLiteral("c23"));
    QString m_new = identifier(QStringLiteral("c24"));
    QStringList m_scripts;
};

TEST_F(BrisquelProfiles, AnUpgradeCarriesTheAssignmentsToTheNewCopy) {
    const QString profile = exportOld();
    EXPECT_TRUE(bytesOf(profile).contains("\"~/Scripts/capture.scpt\"")) << bytesOf(profile).toStdString();
    QVariantMap expected = domain(m_new);
    const QByteArray before = bytesOf(domainFile(m_new));
    // A dry run prints the changes and changes nothing, as text or as JSON.
    const QStringList import{QStringLiteral("import"), profile, QStringLiteral("--to"),
                             QStringLiteral("Capture One 24")};
    Outcome o = run(import + QStringList{QStringLiteral("--dry-run")});
    EXPECT_TRUE(o.outLines().constLast().startsWith(QStringLiteral("Dry run: nothing was changed")))
        << o.out.toStdString();
    o = run(import + QStringList{QStringLiteral("--dry-run"), QStringLiteral("--json")});
    EXPECT_EQ(jsonArray(o.out).size(), 4);
    EXPECT_EQ(bytesOf(domainFile(m_new)), before);

    o = run(import);
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    ASSERT_EQ(o.outLines().size(), 6) << o.out.toStdString();
    EXPECT_EQ(o.outLines().at(5),
              QStringLiteral("Imported into Capture One 24 (") + m_new + QStringLiteral(")."));
    for (const auto& [row, start] : {std::pair{0, "CHANGE"}, std::pair{1, "set        Capture Done"},
                                     std::pair{2, "unchanged  Batch Done"},
                                     std::pair{3, "set        Live View Ready"}, std::pair{4, "skipped"}})
        EXPECT_TRUE(o.outLines().value(row).startsWith(QString::fromUtf8(start))) << o.out.toStdString();
    EXPECT_TRUE(o.outLines().value(4).contains(QStringLiteral("offers no script"))) << o.out.toStdString();
    // Three scripts hold their files (one already did); nothing else in the domain changed.
    expected.insert(QStringLiteral("endOfCaptureScript"), m_scripts[0]);
    expected.insert(QStringLiteral("liveViewReadyScript"), m_scripts[2]);
    EXPECT_EQ(domain(m_new), expected);
}

TEST_F(BrisquelProfiles, ExitStatusesTellWhatHappened) {
    const QString profile = exportOld();
    const QString broken = m_files.write(QStringLiteral("broken.json"), "{\"format\": ");
    QFile::remove(m_scripts[2]);
    const struct {
        const char* name;
        QStringList arguments;
        int status;
        QString words; // on standard error
    } rows[] = {
        {"CheckPasses", {QStringLiteral("check"), m_new}, 0, {}},
        {"CheckFails", {QStringLiteral("check")}, 3, QStringLiteral("live.scpt does not exist")},
        {"ImportRefused",
         {QStringLiteral("import"), profile, QStringLiteral("--to"), m_new},
         1,
         QStringLiteral("live.scpt does not exist")},
        {"ImportMalformed", {QStringLiteral("import"), broken}, 1, QStringLiteral("malformed")},
    };
    const QByteArray before = bytesOf(domainFile(m_new));
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        const Outcome o = run(row.arguments);
        EXPECT_EQ(o.exitCode, row.status) << o.err.toStdString();
        EXPECT_TRUE(o.errText().contains(row.words)) << o.err.toStdString();
        EXPECT_EQ(bytesOf(domainFile(m_new)), before);
    }
    // Forced, the missing file is assigned with a warning.
    const Outcome forced =
        run({QStringLiteral("import"), profile, QStringLiteral("--to"), m_new, QStringLiteral("--force")});
    EXPECT_EQ(forced.exitCode, 0) << forced.err.toStdString();
    EXPECT_TRUE(forced.errText().contains(QStringLiteral("warning: "))) << forced.err.toStdString();
    EXPECT_EQ(domain(m_new).value(QStringLiteral("liveViewReadyScript")).toString(), m_scripts[2]);
}

} // namespace
