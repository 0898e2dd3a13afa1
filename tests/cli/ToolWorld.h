#pragma once

#include "VexoExtensions/PropertyList.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/PlistTestSupport.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

namespace clitest {

inline const QString kCaptureDone = QStringLiteral("capture done script");

// A whole run's memory, whatever it was given: far above an honest run, far below an unbounded reader.
#if defined(__SANITIZE_ADDRESS__)
constexpr long kPeakMemoryKiB = 1536L * 1024;
#else
constexpr long kPeakMemoryKiB = 400L * 1024;
#endif

// What one run of the tool gave.
struct Outcome {
    int exitCode = -1; // -1 when it did not exit normally
    QByteArray out;
    QByteArray err;
    long peakMemoryKiB = 0; // the largest resident set size of any run of the test so far

    QString outText() const { return QString::fromUtf8(out); }
    QStringList outLines() const { return outText().split(QLatin1Char('\n'), Qt::SkipEmptyParts); }
    QStringList errLines() const { return QString::fromUtf8(err).split(u'\n', Qt::SkipEmptyParts); }
};

// A world of a test's own for the brisquel binary: temporary folders, two copies of Capture One, and
// bundle identifiers no other process on the machine can be running a copy of.
class ToolWorld : public ::testing::Test {
protected:
    static QString identifier(const QString& name) {
        return QStringLiteral("com.example.brisquel%1.%2").arg(QCoreApplication::applicationPid()).arg(name);
    }

    // Runs the built brisquel in the world with arguments as bytes, its output to a terminal of that
    // width when given; killed (failing the test) past a time limit far above any honest run.
    Outcome run(const QList<QByteArray>& arguments, int terminalColumns = 0) const;
    Outcome run(const QStringList& arguments, int terminalColumns = 0) const {
        QList<QByteArray> bytes;
        for (const QString& argument : arguments)
            bytes.append(argument.toUtf8());
        return run(bytes, terminalColumns);
    }
    // The run ended within the memory bound with the status; a failure says why in one line.
    static Outcome expectRun(const Outcome& o, int status, const QStringList& words = {}) {
        EXPECT_LT(o.peakMemoryKiB, kPeakMemoryKiB);
        EXPECT_EQ(o.exitCode, status) << o.err.toStdString();
        EXPECT_TRUE(status == 0 || o.errLines().size() == 1) << o.err.toStdString();
        for (const QString& word : words)
            EXPECT_TRUE(o.err.contains(word.toUtf8())) << qPrintable(word) << ": " << o.err.toStdString();
        return o;
    }

    // A copy of Capture One ("Capture One 23") with the sdef (empty: a small one); its path.
    QString makeCopy(const QString& name, const QString& bundleIdentifier, const QByteArray& sdef = {},
                     const QString& version = QStringLiteral("1.0")) const {
        return testsupport::makeBundle(m_apps.path(), {.bundleName = name + QStringLiteral(".app"),
                                                       .bundleIdentifier = bundleIdentifier,
                                                       .version = version,
                                                       .sdef = sdef});
    }
    QString domainFile(const QString& id) const {
        return m_preferencesFolder + u'/' + id + QStringLiteral(".plist");
    }
    void writeDomain(const QString& id, const QVariantMap& values) const {
        testsupport::HostileFiles::writeFile(domainFile(id),
                                             brisquel::vexo::plist::toBinary(values).value_or(""));
    }
    QString compiledScript(const QString& relative) const {
        return m_files.write(relative, QByteArrayLiteral("FasdUAS 1.101.10\x0e\0\0\0\x04\x0f\xff\xff"));
    }

    testsupport::TempFolder m_apps;
    testsupport::TempFolder m_prefs;
    testsupport::TempFolder m_home;
    testsupport::TempFolder m_files;
    QString m_applicationsFolder = m_apps.path();
    QString m_preferencesFolder = m_prefs.path();
    QByteArray m_workingDirectory = m_files.path().toUtf8();
    QString m_outputFile; // standard output to this file (such as /dev/full) instead, when set
    const QString m_id = identifier(QStringLiteral("c16"));
    const QString m_otherId = identifier(QStringLiteral("c15"));
    const QString m_bundle23 = makeCopy(
        QStringLiteral("Capture One 23"), m_id,
        testsupport::sdefWithScripts({{kCaptureDone, QStringLiteral("After a capture.")},
                                      {QStringLiteral("batch done script"), QStringLiteral("After a batch.")},
                                      {QStringLiteral("live view ready script"), QStringLiteral("Live.")}}),
        QStringLiteral("16.2"));
    const QString m_bundle22 =
        makeCopy(QStringLiteral("Capture One 22"), m_otherId, {}, QStringLiteral("15.4"));
};

inline QJsonArray jsonArray(const QByteArray& text) {
    const QJsonDocument document = QJsonDocument::fromJson(text);
    EXPECT_TRUE(document.isArray()) << text.toStdString();
    return document.array();
}

} // namespace clitest
