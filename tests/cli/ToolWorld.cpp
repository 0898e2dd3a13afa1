#include "tests/cli/ToolWorld.h"

#include "VexoExtensions/InputLimits.h"
#include "VexoExtensions/PropertyList.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QProcessEnvironment>

namespace clitest {

QString ToolWorld::identifier(const QString& name) {
    return QStringLiteral("com.example.brisquel") + QString::number(QCoreApplication::applicationPid()) +
           QLatin1Char('.') + name;
}

Outcome ToolWorld::run(const QList<QByteArray>& arguments, int terminalColumns) const {
    Launch launch;
    launch.program = QByteArrayLiteral(BRISQUEL_BINARY);
    launch.arguments = arguments;
    const QProcessEnvironment system = QProcessEnvironment::systemEnvironment();
    for (const QString& name : system.keys()) {
        launch.environment.insert(name.toUtf8(), system.value(name).toUtf8());
    }
    launch.environment.remove("COLUMNS");
    launch.environment.insert("QUILLMERE_APPLICATIONS_DIR", m_applicationsFolder.toUtf8());
    launch.environment.insert("QUILLMERE_PREFERENCES_DIR", m_preferencesFolder.toUtf8());
    launch.environment.insert("QUILLMERE_OSASCRIPT", "/nonexistent/osascript");
    launch.environment.insert("HOME", m_home.path().toUtf8());
    launch.environment.insert("XDG_CONFIG_HOME", m_home.filePath(QStringLiteral(".config")).toUtf8());
    launch.workingDirectory = m_workingDirectory;
    launch.terminalColumns = terminalColumns;
    launch.outputFile = m_outputFile;
#if !defined(__SANITIZE_ADDRESS__)
    launch.addressSpaceLimitBytes = qint64(4) << 30;
#else
    // The sanitizers make the largest honest runs (10,000 scripts) take seconds, and a machine busy
    // with other builds several times that; an unbounded reader still takes minutes.
    launch.timeLimitSeconds = 90;
#endif
    Outcome outcome = clitest::run(launch);
    EXPECT_TRUE(outcome.finished) << "brisquel was still running at the time limit: "
                                  << arguments.join(' ').toStdString();
    return outcome;
}

Outcome ToolWorld::run(const QStringList& arguments, int terminalColumns) const {
    QList<QByteArray> bytes;
    for (const QString& argument : arguments) {
        bytes.append(argument.toUtf8());
    }
    return run(bytes, terminalColumns);
}

QString ToolWorld::makeCopy(const QString& name, const QString& bundleIdentifier, const QByteArray& sdef,
                            const QString& version) const {
    testsupport::BundleLayout layout;
    layout.bundleName = name + QStringLiteral(".app");
    layout.bundleIdentifier = bundleIdentifier;
    layout.version = version;
    layout.sdef = sdef;
    return testsupport::makeBundle(m_apps.path(), layout);
}

QString ToolWorld::domainFile(const QString& bundleIdentifier) const {
    return QDir(m_preferencesFolder).filePath(bundleIdentifier + QStringLiteral(".plist"));
}

QVariantMap ToolWorld::domain(const QString& bundleIdentifier) const {
    return brisquel::vexo::plist::readFile(domainFile(bundleIdentifier),
                                           brisquel::vexo::limits::kPreferencesDomainBytes)
        .valueOr(QVariant())
        .toMap();
}

void ToolWorld::writeDomain(const QString& bundleIdentifier, const QVariantMap& values) const {
    QFile file(domainFile(bundleIdentifier));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(brisquel::vexo::plist::toBinary(values).value_or(QByteArray()));
}

QByteArray ToolWorld::bytesOf(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QString ToolWorld::compiledScript(const QString& relative) const {
    return m_files.write(relative, QByteArrayLiteral("FasdUAS 1.101.10\x0e\0\0\0\x04\x0f\xff\xff"));
}

QJsonArray jsonArray(const QByteArray& text) {
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text, &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << text.toStdString();
    EXPECT_TRUE(document.isArray()) << text.toStdString();
    return document.array();
}

} // namespace clitest
