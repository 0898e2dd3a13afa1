#include "tests/support/HostileFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>

namespace testsupport::HostileFiles {

namespace {

// ---- binary property lists, laid out by hand (no writer makes these shapes) ----

void appendBigEndian(QByteArray& out, quint64 value, int bytes) {
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xff));
}

// The marker of an object with `count` parts (kind in the high half), the count following as a
// 4-byte integer object from 15 on.
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

// References of 4 bytes.
QByteArray container(int kind, const QList<quint64>& references) {
    QByteArray out = marker(kind, kind == 0xd ? quint64(references.size() / 2) : quint64(references.size()));
    for (const quint64 reference : references)
        appendBigEndian(out, reference, 4);
    return out;
}

QByteArray arrayOf(const QList<quint64>& references) {
    return container(0xa, references);
}

// A dictionary of keys and values, given as the references of its keys then its values.
QByteArray dictionaryOf(const QList<quint64>& keys, const QList<quint64>& values) {
    return container(0xd, keys + values);
}

// The objects in order, the first one at the top; offsets and references of 4 bytes.
QByteArray binaryPlist(const QList<QByteArray>& objects) {
    QByteArray out("bplist00");
    QList<quint64> offsets;
    offsets.reserve(objects.size());
    for (const QByteArray& object : objects) {
        offsets.append(quint64(out.size()));
        out += object;
    }
    const quint64 table = quint64(out.size());
    for (const quint64 offset : offsets)
        appendBigEndian(out, offset, 4);
    out += QByteArray(6, '\0') + "\x04\x04"; // offsets and references of 4 bytes
    appendBigEndian(out, quint64(objects.size()), 8);
    appendBigEndian(out, 0, 8);
    appendBigEndian(out, table, 8);
    return out;
}

bool dictionaryAt(Nesting nesting, int level) {
    return nesting == Nesting::Mixed && level % 2 == 1;
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
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        std::abort();
    file.write(head);
    QByteArray chunk;
    while (chunk.size() < (1 << 20))
        chunk += repeated;
    for (qint64 written = head.size(); written < bytes; written += chunk.size())
        file.write(chunk);
    file.write(tail);
}

const QByteArray kXmlHead = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
const QByteArray kXmlTail = "</plist>\n";

} // namespace

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!QDir().mkpath(QFileInfo(path).path()) || !file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        file.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s: %s\n", qUtf8Printable(path),
                     qUtf8Printable(file.errorString()));
        std::abort();
    }
}

void makeFifo(const QString& path) {
    if (::mkfifo(QFile::encodeName(path).constData(), 0600) != 0)
        std::abort();
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
    // The containers from the top, each naming the next, as nestedXmlValue() nests them; then the
    // key "k" that every dictionary holds its value under, and the innermost dictionary's value.
    QList<QByteArray> objects;
    objects.reserve(depth + 2);
    const quint64 key = quint64(depth);
    const quint64 leaf = quint64(depth) + 1;
    for (int level = 0; level < depth; ++level) {
        const bool innermost = level + 1 == depth;
        const quint64 next = innermost ? leaf : quint64(level + 1);
        if (dictionaryAt(nesting, level)) {
            objects.append(dictionaryOf({key}, {next}));
        } else {
            objects.append(innermost ? arrayOf({}) : arrayOf({next}));
        }
    }
    objects.append(asciiString("k"));
    objects.append(QByteArray(1, char(0x09))); // true
    return binaryPlist(objects);
}

QByteArray xmlDictionary(const QString& bundleIdentifier, const QString& key, const QByteArray& value) {
    const QByteArray head =
        bundleIdentifier.isEmpty()
            ? QByteArray("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">\n<dict>\n"
                         "<key>keep</key><string>me</string>\n")
            : infoPlistHead(bundleIdentifier);
    return head + "<key>" + key.toUtf8() + "</key>" + value + "\n</dict>\n</plist>\n";
}

QByteArray deeplyNestedPlist(const QString& bundleIdentifier, const QString& key, int depth) {
    return xmlDictionary(bundleIdentifier, key, nestedXmlValue(depth));
}

QByteArray manyValuesXmlPlist(qint64 count) {
    QByteArray out = kXmlHead + "<array>";
    out.reserve(out.size() + count * 7 + 32);
    for (qint64 i = 0; i < count; ++i)
        out += "<true/>";
    return out + "</array>" + kXmlTail;
}

QByteArray manyValuesBinaryPlist(qint64 count) {
    QList<quint64> references;
    references.reserve(count);
    for (qint64 i = 0; i < count; ++i)
        references.append(quint64(i + 1));
    QList<QByteArray> objects{arrayOf(references)};
    objects.reserve(count + 1);
    for (qint64 i = 0; i < count; ++i) {
        objects.append(QByteArray(1, char(0x09))); // true
    }
    return binaryPlist(objects);
}

QByteArray sharedReferencePlist(int levels, int width) {
    QList<QByteArray> objects;
    for (int level = 0; level < levels; ++level)
        objects.append(arrayOf(QList<quint64>(width, quint64(level + 1))));
    objects.append(asciiString("abc"));
    return binaryPlist(objects);
}

QByteArray sharedReferencePlist(const QString& bundleIdentifier, const QString& key, int levels) {
    // Objects: 0 the top dictionary, then its keys, its plain values, the arrays, and the one-letter
    // string the last array names.
    QList<QByteArray> keys;
    QList<QByteArray> values;
    if (!bundleIdentifier.isEmpty()) {
        keys = {"CFBundleIdentifier", "CFBundleShortVersionString"};
        values = {bundleIdentifier.toUtf8(), "1.0"};
    }
    keys.append(key.toUtf8());
    const quint64 pairs = quint64(keys.size());
    const quint64 firstKey = 1;
    const quint64 firstValue = firstKey + pairs;
    const quint64 firstArray = firstValue + pairs - 1;
    const quint64 leaf = firstArray + quint64(levels);
    QList<quint64> keyReferences;
    QList<quint64> valueReferences;
    for (quint64 i = 0; i < pairs; ++i) {
        keyReferences.append(firstKey + i);
        valueReferences.append(i + 1 < pairs ? firstValue + i : firstArray);
    }
    QList<QByteArray> objects{dictionaryOf(keyReferences, valueReferences)};
    for (const QByteArray& name : keys)
        objects.append(asciiString(name));
    for (const QByteArray& value : values)
        objects.append(asciiString(value));
    for (int level = 0; level < levels; ++level) {
        const quint64 below = level + 1 < levels ? firstArray + quint64(level) + 1 : leaf;
        objects.append(arrayOf(QList<quint64>(14, below)));
    }
    objects.append(asciiString("x"));
    return binaryPlist(objects);
}

QByteArray loopingPlist() {
    return binaryPlist({arrayOf({0})});
}

QByteArray duplicateKeyPlist() {
    return binaryPlist(
        {dictionaryOf({1, 1}, {2, 3}), asciiString("k"), asciiString("first"), asciiString("second")});
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

QByteArray sdefWithScripts(int count, qint64 wordBytes) {
    QByteArray out("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dictionary>\n"
                   "<suite name=\"Capture One Suite\">\n<class name=\"application\">\n");
    const QByteArray word(wordBytes, 'w');
    for (int n = 1; n <= count; ++n) {
        out += "<property name=\"property " + QByteArray::number(n).rightJustified(5, '0') +
               " script\" code=\"xxxx\" type=\"file\" description=\"" +
               (wordBytes > 0 ? word : "Script number " + QByteArray::number(n) + ".") + "\"/>\n";
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

} // namespace testsupport::HostileFiles
