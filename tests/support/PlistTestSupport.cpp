#include "tests/support/PlistTestSupport.h"

#include "tests/support/HostileFiles.h"

#include <QFile>
#include <QProcess>
#include <bit>
#include <cstdlib>
#include <plist/plist.h>

namespace plisttest {

namespace {

// One object (a marker, `padding` zero bytes, an 8-byte value) as libplist reads it from a file built
// by hand: the tests lean on no code they test.
plist_t decoded(char marker, quint64 value, int padding) {
    QByteArray object = QByteArray(1, marker) + QByteArray(padding, '\0');
    for (int shift = 56; shift >= 0; shift -= 8)
        object.append(static_cast<char>((value >> shift) & 0xff));
    const QByteArray bytes = testsupport::HostileFiles::binaryPlist({object});
    plist_t node = nullptr;
    plist_from_bin(bytes.constData(), static_cast<uint32_t>(bytes.size()), &node);
    return node;
}

plist_t exactDate(double seconds) {
    return decoded(0x33, std::bit_cast<quint64>(seconds), 0);
}

plist_t unsignedInteger(quint64 value) {
    return decoded(0x14, value, 8);
}

} // namespace

QString describe(void* opaque) {
    const auto node = static_cast<plist_t>(opaque);
    if (!node)
        return QStringLiteral("<null>");
    switch (plist_get_node_type(node)) {
    case PLIST_DICT: {
        QString text = QStringLiteral("{");
        plist_dict_iter iter = nullptr;
        plist_dict_new_iter(node, &iter);
        for (uint32_t i = plist_dict_get_size(node); i > 0; --i) {
            char* key = nullptr;
            plist_t item = nullptr;
            plist_dict_next_item(node, iter, &key, &item);
            text += QString::fromUtf8(key) + QStringLiteral("=") + describe(item) + QStringLiteral(";");
            std::free(key);
        }
        std::free(iter);
        return text + QStringLiteral("}");
    }
    case PLIST_ARRAY: {
        QString text = QStringLiteral("[");
        for (uint32_t i = 0; i < plist_array_get_size(node); ++i)
            text += describe(plist_array_get_item(node, i)) + QStringLiteral(",");
        return text + QStringLiteral("]");
    }
    default:
        return QString::fromLatin1(brisquel::vexo::plist::nodeToBinary(node).toHex());
    }
}

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return file.readAll();
}

brisquel::vexo::plist::Node readTree(const QString& path) {
    return brisquel::vexo::plist::parseNode(fileBytes(path));
}

brisquel::vexo::plist::Node everyKindTree() {
    plist_t root = plist_new_dict();
    const auto set = [&root](const char* key, plist_t value) { plist_dict_set_item(root, key, value); };
    set("text", plist_new_string("Capture One"));
    set("empty text", plist_new_string(""));
    set("non-ASCII text", plist_new_string("Gr\xc3\xbc\xc3\x9f\x65 \xe2\x80\x94 \xf0\x9f\x93\xb7"));
    set("zero", plist_new_uint(0));
    set("minus one", plist_new_uint(static_cast<uint64_t>(-1)));
    set("smallest signed", plist_new_uint(0x8000000000000000ULL));
    set("largest signed", plist_new_uint(0x7fffffffffffffffULL));
    set("just above signed", unsignedInteger(0x8000000000000000ULL));
    set("largest unsigned", unsignedInteger(0xffffffffffffffffULL));
    set("tenth", plist_new_real(0.1));
    set("huge real", plist_new_real(1.7976931348623157e308));
    set("true", plist_new_bool(1));
    set("false", plist_new_bool(0));
    set("fine date", exactDate(712345678.123456789));
    set("old date", exactDate(-987654321.000000123));
    set("far date", exactDate(4102444800.5)); // beyond 32-bit seconds
    set("data", plist_new_data("\0\1\2\xff\0", 5));
    set("empty data", plist_new_data("", 0));
    plist_t array = plist_new_array();
    plist_array_append_item(array, plist_new_string("one"));
    plist_array_append_item(array, plist_new_uint(2));
    plist_t inner = plist_new_dict();
    plist_dict_set_item(inner, "deep", exactDate(0.000000001));
    plist_dict_set_item(inner, "wide", unsignedInteger(0xfedcba9876543210ULL));
    plist_array_append_item(array, inner);
    plist_array_append_item(array, plist_new_array());
    set("array", array);
    plist_t nested = plist_new_dict();
    plist_dict_set_item(nested, "NSWindow Frame", plist_new_string("10 20 300 400 0 0 1440 900 "));
    plist_dict_set_item(nested, "empty", plist_new_dict());
    set("nested", nested);
    set("uid", plist_new_uid(7));
    return brisquel::vexo::plist::Node(root);
}

ProgramRun runProgram(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    if (!process.waitForStarted(10000) || !process.waitForFinished(120000)) {
        process.kill(); // one that did not start is no run either
        process.waitForFinished();
        return {};
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAll()};
}

} // namespace plisttest
