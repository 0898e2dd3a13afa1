#include "tests/support/HostileFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdlib>
#include <numeric>
#include <sys/stat.h>

namespace testsupport::HostileFiles {

namespace {

void appendBigEndian(QByteArray& out, quint64 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// An object's marker: its kind, then its count of parts (from 15 on, a 4-byte integer object).
QByteArray marker(int kind, quint64 count) {
    if (count < 15)
        return QByteArray(1, char((kind << 4) | int(count)));
    QByteArray out(1, char((kind << 4) | 0xf));
    out.append(char(0x12));
    appendBigEndian(out, count, 4);
    return out;
}

QByteArray asciiString(const QByteArray& text) {
    return marker(0x5, quint64(text.size())) + text;
}

// An array (0xa) or a dictionary (0xd: the references of its keys, then of its values).
QByteArray container(int kind, const QList<quint64>& references) {
    QByteArray out = marker(kind, kind == 0xd ? quint64(references.size() / 2) : quint64(references.size()));
    for (const quint64 reference : references)
        appendBigEndian(out, reference, 4);
    return out;
}

// After the objects, `levels` arrays naming the next one `width` times, the last naming `leaf`.
QByteArray sharedArrays(QList<QByteArray> objects, int levels, int width, const QByteArray& leaf) {
    for (int level = 0; level < levels; ++level)
        objects.append(container(0xa, QList<quint64>(width, quint64(objects.size() + 1))));
    objects.append(asciiString(leaf));
    return binaryPlist(objects);
}

bool dictionaryAt(Nesting nesting, int level) {
    return nesting == Nesting::Mixed && level % 2 == 1;
}

const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
const QByteArray kXmlTail = "</plist>\n";

QByteArray infoPlistHead(const QString& bundleIdentifier) {
    return kXmlHead + "\n<dict>\n<key>CFBundleIdentifier</key><string>" + bundleIdentifier.toUtf8() +
           "</string>\n<key>CFBundleShortVersionString</key><string>1.0</string>\n";
}

void writeChunks(const QString& path, const QByteArray& head, const QByteArray& repeated,
                 const QByteArray& tail, qint64 bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(head);
    const QByteArray chunk = repeated.repeated((1 << 20) / repeated.size() + 1);
    for (qint64 written = head.size(); written < bytes; written += chunk.size())
        file.write(chunk);
    file.write(tail);
}

} // namespace

QByteArray binaryPlist(const QList<QByteArray>& objects) {
    QByteArray out("bplist00");
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        appendBigEndian(offsets, quint64(out.size()), 4);
        out += object;
    }
    const quint64 table = quint64(out.size());
    out += offsets + QByteArray(6, '\0') + "\x04\x04"; // offsets and references of 4 bytes
    appendBigEndian(out, quint64(objects.size()), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, table, 8);
    return out;
}

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size())
        qFatal("cannot write %s: %s", qUtf8Printable(path), qUtf8Printable(file.errorString()));
}

void makeFifo(const QString& path) {
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        std::abort();
}

void makeLinkToFifo(const QString& path) {
    makeFifo(path + QStringLiteral("-fifo"));
    if (!QFile::link(path + QStringLiteral("-fifo"), path))
        qFatal("cannot link %s", qUtf8Printable(path));
}

QByteArray nestedXmlValue(int depth, Nesting nesting) {
    QByteArray open;
    QByteArray close;
    open.reserve(qsizetype(depth) * 18);
    close.reserve(qsizetype(depth) * 8);
    for (int level = 0; level < depth; ++level)
        open += dictionaryAt(nesting, level) ? "<dict><key>k</key>" : "<array>";
    for (int level = depth - 1; level >= 0; --level)
        close += dictionaryAt(nesting, level) ? "</dict>" : "</array>";
    // The innermost dictionary's key needs a value.
    if (depth > 0 && dictionaryAt(nesting, depth - 1))
        open += "<true/>";
    return open + close;
}

QByteArray nestedXmlPlist(int depth, Nesting nesting) {
    return kXmlHead + nestedXmlValue(depth, nesting) + kXmlTail;
}

QByteArray nestedBinaryPlist(int depth, Nesting nesting) {
    // The containers from the top, each naming the next; then every dictionary's key, and a value.
    QList<QByteArray> objects;
    for (int level = 0; level < depth; ++level) {
        const bool innermost = level + 1 == depth;
        const QList<quint64> next{innermost ? quint64(depth) + 1 : quint64(level) + 1};
        objects.append(dictionaryAt(nesting, level) ? container(0xd, QList<quint64>{quint64(depth)} + next)
                                                    : container(0xa, innermost ? QList<quint64>() : next));
    }
    objects << asciiString("k") << QByteArray(1, char(0x09)); // true
    return binaryPlist(objects);
}

QByteArray xmlDictionary(const QString& bundleIdentifier, const QString& key, const QByteArray& value) {
    const QByteArray head = bundleIdentifier.isEmpty()
                                ? kXmlHead + "\n<dict>\n<key>keep</key><string>me</string>\n"
                                : infoPlistHead(bundleIdentifier);
    return head + "<key>" + key.toUtf8() + "</key>" + value + "\n</dict>\n" + kXmlTail;
}

QByteArray deeplyNestedPlist(const QString& bundleIdentifier, const QString& key, int depth) {
    return xmlDictionary(bundleIdentifier, key, nestedXmlValue(depth));
}

QByteArray manyValuesXmlPlist(qint64 count) {
    return kXmlHead + "<array>" + QByteArray("<true/>").repeated(count) + "</array>" + kXmlTail;
}

QByteArray manyValuesBinaryPlist(qint64 count) {
    QList<quint64> references(count);
    std::iota(references.begin(), references.end(), 1);
    return binaryPlist(QList<QByteArray>{container(0xa, references)} +
                       QList<QByteArray>(count, QByteArray(1, char(0x09)))); // true
}

QByteArray sharedReferencePlist(int levels, int width) {
    return sharedArrays({}, levels, width, "abc");
}

QByteArray sharedReferencePlist(const QString& bundleIdentifier, const QString& key, int levels) {
    // The top dictionary, its keys, its plain values, then the arrays: its references run from 1.
    const QList<QByteArray> texts =
        bundleIdentifier.isEmpty() ? QList<QByteArray>{key.toUtf8()}
                                   : QList<QByteArray>{"CFBundleIdentifier", "CFBundleShortVersionString",
                                                       key.toUtf8(), bundleIdentifier.toUtf8(), "1.0"};
    QList<quint64> references(texts.size() + 1);
    std::iota(references.begin(), references.end(), 1);
    QList<QByteArray> objects{container(0xd, references)};
    for (const QByteArray& text : texts)
        objects.append(asciiString(text));
    return sharedArrays(objects, levels, 14, "x");
}

QByteArray loopingPlist() {
    return binaryPlist({container(0xa, {0})});
}

QByteArray duplicateKeyPlist() {
    return binaryPlist(
        {container(0xd, {1, 1, 2, 3}), asciiString("k"), asciiString("first"), asciiString("second")});
}

void writeLargeInfoPlist(const QString& path, const QString& bundleIdentifier, qint64 bytes) {
    writeChunks(path, infoPlistHead(bundleIdentifier),
                "<key>Padding0000000000</key><string>padding padding padding</string>\n",
                "</dict>\n" + kXmlTail, bytes);
}

void writeLargeSdef(const QString& path, qint64 bytes) {
    writeChunks(path,
                "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dictionary>\n"
                "<suite name=\"Capture One Suite\">\n<class name=\"application\">\n"
                "<property name=\"capture done script\" description=\"After a capture.\"/>\n",
                "<property name=\"p\" code=\"xxxx\" type=\"text\" description=\"d\"/>\n",
                "</class>\n</suite>\n</dictionary>\n", bytes);
}

} // namespace testsupport::HostileFiles
