#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

namespace {

// Writes the file, making its folders first; its path.
QString put(const QString& path, const QByteArray& bytes) {
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
    return path;
}

} // namespace

QString TempFolder::write(const QString& relative, const QByteArray& contents) const {
    return put(m_dir.filePath(relative), contents);
}

QString makeBundle(const QString& folder, const BundleLayout& layout) {
    QString bundle = QFileInfo(QDir(folder).filePath(layout.bundleName)).absoluteFilePath();
    const QString contents = bundle + QStringLiteral("/Contents/");
    QDir().mkpath(contents + QStringLiteral("Resources"));
    const auto entry = [](const char* key, const QString& value) {
        return QStringLiteral("  <key>%1</key><string>%2</string>\n")
            .arg(QLatin1String(key), value.toHtmlEscaped());
    };
    const QString info =
        QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
                       "<!DOCTYPE plist PUBLIC \"-//Apple//DTD PLIST 1.0//EN\" "
                       "\"http://www.apple.com/DTDs/PropertyList-1.0.dtd\">\n"
                       "<plist version=\"1.0\">\n<dict>\n") +
        entry("CFBundleIdentifier", layout.bundleIdentifier) +
        (layout.version.isEmpty() ? QString() : entry("CFBundleShortVersionString", layout.version)) +
        (layout.executable.isEmpty() ? QString() : entry("CFBundleExecutable", layout.executable)) +
        QStringLiteral("</dict>\n</plist>\n");
    put(contents + QStringLiteral("Info.plist"), info.toUtf8());
    if (!layout.sdefName.isEmpty()) {
        put(contents + QStringLiteral("Resources/") + layout.sdefName,
            layout.sdef.isEmpty() ? sdefWithScripts({{QStringLiteral("capture done script"),
                                                      QStringLiteral("Runs after a capture.")}})
                                  : layout.sdef);
    }
    if (!layout.executable.isEmpty()) {
        const QString executable = contents + QStringLiteral("MacOS/") + layout.executable;
        QDir().mkpath(contents + QStringLiteral("MacOS"));
        QFile::copy(QStringLiteral("/bin/sleep"), executable);
        QFile::setPermissions(executable,
                              QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return bundle;
}

QByteArray sdefWithScripts(const QList<QPair<QString, QString>>& properties) {
    QString x = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<dictionary title=\"Test\">\n"
        "  <suite name=\"Capture One Suite\" code=\"COct\">\n"
        "    <class name=\"application\" code=\"capp\">\n"
        "      <property name=\"name\" code=\"pnam\" type=\"text\" description=\"The name.\"/>\n");
    for (const auto& [name, description] : properties) {
        x += QStringLiteral("      <property name=\"%1\" code=\"xxxx\" type=\"file\" description=\"%2\"/>\n")
                 .arg(name.toHtmlEscaped(), description.toHtmlEscaped());
    }
    x += QStringLiteral("    </class>\n  </suite>\n</dictionary>\n");
    return x.toUtf8();
}

QString sharedTestData(const QString& relative) {
    const QString path = QStringLiteral(QUILLMERE_SHARED_TESTDATA "/") + relative;
    return QFileInfo::exists(path) ? path : QString();
}

} // namespace testsupport
