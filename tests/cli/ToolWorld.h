#pragma once

#include "tests/cli/ToolProcess.h"
#include "tests/support/TempFolder.h"

#include <gtest/gtest.h>

#include <QJsonArray>
#include <QString>
#include <QVariantMap>

namespace clitest {

// A world of a test's own for the brisquel binary: an applications folder, a preferences folder,
// a home folder and a folder of script files, all temporary, and bundle identifiers that no other
// process on the machine can be running a copy of.
class ToolWorld : public ::testing::Test {
protected:
    // A bundle identifier of this test process's own ("com.example.brisquel4711.<name>").
    static QString identifier(const QString& name);

    // Runs build/bin/brisquel in the world, with standard output to a pipe, or to a terminal of
    // `terminalColumns` columns. The run is killed, and the test fails, when it goes on past the
    // time limit.
    Outcome run(const QList<QByteArray>& arguments, int terminalColumns = 0) const;
    Outcome run(const QStringList& arguments, int terminalColumns = 0) const;

    // A copy of Capture One named `name` ("Capture One 23") with the given sdef (empty: the
    // default small one), in the applications folder; its absolute path.
    QString makeCopy(const QString& name, const QString& bundleIdentifier, const QByteArray& sdef = {},
                     const QString& version = QStringLiteral("1.0")) const;

    QString domainFile(const QString& bundleIdentifier) const;
    // The domain as stored; empty when it cannot be read.
    QVariantMap domain(const QString& bundleIdentifier) const;
    // Writes the domain as a binary property list.
    void writeDomain(const QString& bundleIdentifier, const QVariantMap& values) const;
    // The exact bytes of a file; empty when there is none.
    static QByteArray bytesOf(const QString& path);
    // A file that begins as a compiled script does.
    QString compiledScript(const QString& relative) const;

    testsupport::TempFolder m_apps;
    testsupport::TempFolder m_prefs;
    testsupport::TempFolder m_home;
    testsupport::TempFolder m_files;
    QString m_applicationsFolder = m_apps.path();
    QString m_preferencesFolder = m_prefs.path();
    QByteArray m_workingDirectory = m_files.path().toUtf8();
    QByteArray m_outputFile; // standard output to this file instead of a pipe, when set
};

QJsonArray jsonArray(const QByteArray& text);

} // namespace clitest
