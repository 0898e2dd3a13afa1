#include "tests/cli/HostileFiles.h"

#include <QFile>

#include <cstdlib>
#include <sys/stat.h>

namespace clitest::HostileFiles {

namespace {

void appendBigEndian(QByteArray& out, quint64 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i) {
        out.append(char((value >> (8 * i)) & 0xff));
    }
}

// Texts of up to 255 bytes; from 15 bytes on, the length follows as a one-byte integer.
QByteArray asciiString(const QByteArray& text) {
    if (text.size() < 15) {
        return char(0x50 | text.size()) + text;
    }
    return QByteArray(1, char(0x5f)) + char(0x10) + char(text.size()) + text;
}

QByteArray infoPlistHead(const QString& bundleIdentifier) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
           "<key>CFBundleIdentifier</key><string>" +
           bundleIdentifier.toUtf8() +
           "</string>\n<key>CFBundleShortVersionString</key><string>1.0</string>\n";
}

void writeChunks(const QString& path, const QByteArray& head, const QByteArray& repeated,
                 const QByteArray& tail, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::abort();
    }
    file.write(head);
    QByteArray chunk;
    while (chunk.size() < (1 << 20)) {
        chunk += repeated;
    }
    for (qint64 written = head.size(); written < bytes; written += chunk.size()) {
        file.write(chunk);
    }
    file.write(tail);
}

} // namespace

void makeFifo(const QString& path) {
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0) {
        std::abort();
    }
}

QByteArray deeplyNestedPlist(const QString& bundleIdentifier, const QString& key, int depth) {
    QByteArray out =
        (bundleIdentifier.isEmpty()
             ? QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                          "<key>keep</key><string>me</string>\n")
             : infoPlistHead(bundleIdentifier)) +
        "<key>" + key.toUtf8() + "</key>";
    out.reserve(out.size() + depth * 15 + 32);
    for (int i = 0; i < depth; ++i) {
        out += "<array>";
    }
    for (int i = 0; i < depth; ++i) {
        out += "</array>";
    }
    return out + "\n</dict>\n</plist>\n";
}

QByteArray sharedReferencePlist(const QString& bundleIdentifier, const QString& key, int levels) {
    // Objects: 0 the top dictionary, then its keys and plain values, then the arrays, the last of
    // which refers to a one-letter string.
    QList<QByteArray> keys;
    QList<QByteArray> values;
    if (!bundleIdentifier.isEmpty()) {
        keys = {"CFBundleIdentifier", "CFBundleShortVersionString"};
        values = {bundleIdentifier.toUtf8(), "1.0"};
    }
    keys.append(key.toUtf8());
    QList<QByteArray> objects;
    const int pairs = int(keys.size());
    const int firstKey = 1;
    const int firstValue = firstKey + pairs;
    const int firstArray = firstValue + pairs - 1;
    const int leaf = firstArray + levels;
    QByteArray top(1, char(0xd0 | pairs));
    for (int i = 0; i < pairs; ++i) {
        top.append(char(firstKey + i));
    }
    for (int i = 0; i < pairs - 1; ++i) {
        top.append(char(firstValue + i));
    }
    top.append(char(firstArray));
    objects.append(top);
    for (const QByteArray& name : keys) {
        objects.append(asciiString(name));
    }
    for (const QByteArray& value : values) {
        objects.append(asciiString(value));
    }
    for (int level = 0; level < levels; ++level) {
        const int below = level + 1 < levels ? firstArray + level + 1 : leaf;
        objects.append(QByteArray(1, char(0xae)) + QByteArray(14, char(below)));
    }
    objects.append(asciiString("x"));

    QByteArray out("bplist00");
    QList<quint64> offsets;
    for (const QByteArray& object : objects) {
        offsets.append(quint64(out.size()));
        out += object;
    }
    const quint64 tableOffset = quint64(out.size());
    for (const quint64 offset : offsets) {
        appendBigEndian(out, offset, 2);
    }
    out += QByteArray(6, '\0');
    out.append(char(2)); // offset size
    out.append(char(1)); // object reference size
    appendBigEndian(out, quint64(objects.size()), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, tableOffset, 8);
    return out;
}

void writeLargeInfoPlist(const QString& path, const QString& bundleIdentifier, qint64 bytes) {
    writeChunks(path, infoPlistHead(bundleIdentifier),
                "<key>Padding0000000000</key><string>padding padding padding</string>\n",
                "</dict>\n</plist>\n", bytes);
}

void writeLargeSdef(const QString& path, qint64 bytes) {
    writeChunks(path,
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dictionary>\n"
                "<suite name=\"Capture One Suite\">\n<class name=\"application\">\n"
                "<property name=\"capture done script\" description=\"After a capture.\"/>\n",
                "<property name=\"p\" code=\"xxxx\" type=\"text\" description=\"d\"/>\n",
                "</class>\n</suite>\n</dictionary>\n", bytes);
}

QByteArray sdefWithScripts(int count) {
    QByteArray out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dictionary>\n"
                   "<suite name=\"Capture One Suite\">\n<class name=\"application\">\n");
    for (int n = 1; n <= count; ++n) {
        out += "<property name=\"property " + QByteArray::number(n).rightJustified(5, '0') +
               " script\" code=\"xxxx\" type=\"file\" description=\"Script number " + QByteArray::number(n) +
               ".\"/>\n";
    }
    return out + "</class>\n</suite>\n</dictionary>\n";
}

QString keyOfScript(int n) {
    return QStringLiteral("property") + QString::number(n).rightJustified(5, QLatin1Char('0')) +
           QStringLiteral("Script");
}

QString pathOfScript(int n) {
    return QStringLiteral("/Volumes/Studio/Scripts/") +
           QString::number(n).rightJustified(5, QLatin1Char('0')) + QStringLiteral(".scpt");
}

} // namespace clitest::HostileFiles
