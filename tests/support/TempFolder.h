#pragma once

#include "tests/support/QtPrinters.h"

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A temporary folder removed at the end of the test, with helpers to fill it.
class TempFolder {
public:
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& relative) const { return m_dir.filePath(relative); }

    // Writes a file (creating its folders) and returns its absolute path.
    QString write(const QString& relative, const QByteArray& contents) const;

private:
    QTemporaryDir m_dir;
};

// A stand-in application bundle: <folder>/<bundleName>/Contents/{Info.plist,Resources,MacOS}.
struct BundleLayout {
    QString bundleName = QStringLiteral("Capture One 23.app");
    QString bundleIdentifier = QStringLiteral("com.captureone.captureone16");
    QString version = QStringLiteral("16.0");             // empty: no version key
    QString sdefName = QStringLiteral("CaptureOne.sdef"); // empty: no sdef
    QByteArray sdef{};                                    // empty: a small default dictionary
    QString executable{};                                 // non-empty: a copy of /bin/sleep under MacOS/
};

// Writes the bundle (XML Info.plist) and returns its absolute path.
QString makeBundle(const QString& folder, const BundleLayout& layout);

// A small sdef of the usual shape with the given background-script properties (name, description).
QByteArray sdefWithScripts(const QList<QPair<QString, QString>>& properties);

// Absolute path of a file in the shared test data, or empty (and the test should skip) when the
// shared folder is not beside the clone.
QString sharedTestData(const QString& relative);

} // namespace testsupport
