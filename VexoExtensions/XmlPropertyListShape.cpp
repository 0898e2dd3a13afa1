#include "VexoExtensions/XmlPropertyListShape.h"

#include "VexoExtensions/InputLimits.h"

#include <cstring>
#include <pugixml.hpp>

namespace brisquel::vexo::plist {

namespace {

// pugixml keeps character-data sections, decodes character references and keeps text made of
// white space alone (a <string> of spaces is a value). It neither normalizes line ends nor
// keeps comments, processing instructions or the document type, and never expands an entity that
// a document type declares.
constexpr unsigned kParseOptions = pugi::parse_cdata | pugi::parse_escapes | pugi::parse_ws_pcdata;

// How many elements the text could hold at most, however it is read: every element begins with
// "<" and a name, so every "<" followed by a byte that can begin a name counts, wherever it stands
// (in a comment, an attribute value, a character-data section). In UTF-16 and UTF-32 the byte after
// "<" is a NUL, which counts too. Stops counting past `limit`.
qint64 possibleElements(const QByteArray& bytes, qint64 limit) {
    const char* at = bytes.constData();
    const char* const end = at + bytes.size();
    qint64 count = 0;
    while (count <= limit) {
        const auto* open = static_cast<const char*>(std::memchr(at, '<', static_cast<size_t>(end - at)));
        if (!open || open + 1 >= end)
            break;
        const auto next = static_cast<unsigned char>(open[1]);
        if (next == 0 || next >= 0x80 || next == '_' || next == ':' || (next >= 'a' && next <= 'z') ||
            (next >= 'A' && next <= 'Z'))
            ++count;
        at = open + 1;
    }
    return count;
}

Result tooMany(const QString& source) {
    return Result::failure(Status::TooLarge, source + QStringLiteral(" holds more than ") +
                                                 QString::number(limits::kPropertyListValues) +
                                                 QStringLiteral(" values"));
}

Result tooDeep(const QString& source) {
    return Result::failure(Status::TooLarge, source + QStringLiteral(" nests containers more than ") +
                                                 QString::number(limits::kPropertyListDepth) +
                                                 QStringLiteral(" levels deep"));
}

// Whether an element of the tree lies more than kPropertyListDepth levels below the top value. The
// top value is the root element, or the root's child when the root is <plist>. Walked through the
// tree's own links, without recursion.
bool nestsTooDeep(const pugi::xml_document& document) {
    const pugi::xml_node root = document.document_element();
    const int rootLevel = std::strcmp(root.name(), "plist") == 0 ? -1 : 0;
    pugi::xml_node node = root;
    int level = rootLevel;
    while (node) {
        if (node.type() == pugi::node_element && level > limits::kPropertyListDepth)
            return true;
        if (node.first_child()) {
            node = node.first_child();
            ++level;
            continue;
        }
        while (node != root && !node.next_sibling()) {
            node = node.parent();
            --level;
        }
        node = node == root ? pugi::xml_node() : node.next_sibling();
    }
    return false;
}

class ByteArrayWriter final : public pugi::xml_writer {
public:
    explicit ByteArrayWriter(QByteArray& out) : m_out(out) {}
    void write(const void* data, size_t size) override {
        m_out.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
    }

private:
    QByteArray& m_out;
};

} // namespace

Expected<QByteArray> checkXmlShape(const QByteArray& bytes, const QString& source) {
    // The root <plist> element is no value of its own.
    if (possibleElements(bytes, limits::kPropertyListValues + 1) > limits::kPropertyListValues + 1)
        return tooMany(source);
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(bytes.constData(), static_cast<size_t>(bytes.size()), kParseOptions);
    if (!parsed)
        return Result::failure(Status::Malformed, source + QStringLiteral(" is not a property list: ") +
                                                      QString::fromUtf8(parsed.description()) +
                                                      QStringLiteral(" at byte ") +
                                                      QString::number(parsed.offset));
    if (nestsTooDeep(document))
        return tooDeep(source);
    QByteArray text;
    text.reserve(bytes.size());
    ByteArrayWriter writer(text);
    document.document_element().print(writer, "", pugi::format_raw, pugi::encoding_utf8);
    return text;
}

} // namespace brisquel::vexo::plist
