#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace testsupport {

TempFolder::TempFolder() {
    m_dir.setAutoRemove(true);
}

QString TempFolder::write(const QString& relative, const QByteArray& contents) const {
    const QString path = m_dir.filePath(relative);
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        f.write(contents);
    return path;
}

QString makeBundle(const QString& folder, const BundleLayout& layout) {
    const QString bundle = QDir(folder).filePath(layout.bundleName);
    QDir().mkpath(bundle + QStringLiteral("/Contents/Resources"));
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
    QFile f(bundle + QStringLiteral("/Contents/Info.plist"));
    if (f.open(QIODevice::WriteOnly))
        f.write(info.toUtf8());
    if (!layout.sdefName.isEmpty()) {
        QFile s(bundle + QStringLiteral("/Contents/Resources/") + layout.sdefName);
        if (s.open(QIODevice::WriteOnly)) {
            s.write(layout.sdef.isEmpty() ? sdefWithScripts({{QStringLiteral("capture done script"),
                                                              QStringLiteral("Runs after a capture.")}})
                                          : layout.sdef);
        }
    }
    if (!layout.executable.isEmpty()) {
        QDir().mkpath(bundle + QStringLiteral("/Contents/MacOS"));
        const QString exe = bundle + QStringLiteral("/Contents/MacOS/") + layout.executable;
        QFile::copy(QStringLiteral("/bin/sleep"), exe);
        QFile::setPermissions(exe, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
    return QFileInfo(bundle).absoluteFilePath();
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
