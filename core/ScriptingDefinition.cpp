#include "core/ScriptingDefinition.h"

#include "VexoExtensions/FileReading.h"
#include "VexoExtensions/InputLimits.h"

#include <QDir>
#include <QFileInfo>

#include <pugixml.hpp>

namespace brisquel::ScriptingDefinition {

namespace {

const QString kSdefExtension = QStringLiteral("sdef");

// The first entry with the sdef extension in a folder, by name, so that the choice among several
// never depends on the order in which the file system lists a folder.
std::optional<QString> firstSdefIn(const QString& folder) {
    const QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.") + kSdefExtension},
                                            QDir::Files | QDir::System | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        // The name filter ignores letter case on some platforms; the extension does not.
        if (QFileInfo(name).suffix() == kSdefExtension) {
            return dir.absoluteFilePath(name);
        }
    }
    return std::nullopt;
}

// A well-formed document has exactly one root element and no text beside it; the parser itself
// lets a second root element and stray text through.
bool hasSingleRootElement(const pugi::xml_document& document) {
    int elements = 0;
    for (pugi::xml_node child : document.children()) {
        switch (child.type()) {
        case pugi::node_element:
            ++elements;
            break;
        case pugi::node_pcdata:
        case pugi::node_cdata:
            return false;
        default:
            break;
        }
    }
    return elements == 1;
}

} // namespace

// The parsed file and the bytes it was parsed in (pugixml parses in place and keeps pointers into
// them).
struct Document::Tree {
    QByteArray bytes;
    pugi::xml_document document;
};

vexo::Expected<QString> locate(const QString& bundlePath) {
    // Resources of a bundle live in Contents/Resources, then in its localized folders.
    const QString resources = bundlePath + QStringLiteral("/Contents/Resources");
    if (std::optional<QString> file = firstSdefIn(resources)) {
        return *file;
    }
    const QStringList localized =
        QDir(resources).entryList({QStringLiteral("*.lproj")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& folder : localized) {
        if (std::optional<QString> file = firstSdefIn(resources + QLatin1Char('/') + folder)) {
            return *file;
        }
    }
    return vexo::Result::failure(vexo::Status::NotFound,
                                 QStringLiteral("no file with the extension .sdef in ") + resources);
}

vexo::Expected<Document> load(const QString& path) {
    vexo::Expected<QByteArray> bytes = vexo::readRegularFile(path, vexo::limits::kScriptingDefinitionBytes);
    if (!bytes) {
        return bytes.result();
    }
    if (bytes->isEmpty()) {
        return vexo::Result::failure(vexo::Status::Malformed, path + QStringLiteral(" is empty"));
    }
    // The document is parsed in place in the bytes read, which it keeps for its lifetime: no copy.
    auto tree = std::make_shared<Document::Tree>();
    tree->bytes = std::move(bytes).value();
    // The parser never loads external entities nor expands entities declared in a DTD, and keeps
    // character-data sections; attribute values are all that is read. Parsing as a fragment keeps
    // text outside the root element, so that such a document can be refused.
    const pugi::xml_parse_result parsed =
        tree->document.load_buffer_inplace(tree->bytes.data(), static_cast<size_t>(tree->bytes.size()),
                                           pugi::parse_default | pugi::parse_fragment, pugi::encoding_auto);
    if (!parsed) {
        return vexo::Result::failure(vexo::Status::Malformed,
                                     path + QStringLiteral(" is not well-formed XML: ") +
                                         QString::fromUtf8(parsed.description()) +
                                         QStringLiteral(" at byte ") + QString::number(parsed.offset));
    }
    if (!hasSingleRootElement(tree->document)) {
        return vexo::Result::failure(vexo::Status::Malformed,
                                     path +
                                         QStringLiteral(" is not well-formed XML: it must hold exactly one "
                                                        "root element and no text beside it"));
    }
    return Document(path, std::move(tree));
}

QList<ScriptProperty> select(const Document& document) {
    // The compiled selection, built once per process.
    static const pugi::xpath_query query(kBackgroundScriptXPath);
    pugi::xpath_node_set properties;
    try {
        properties = query.evaluate_node_set(document.m_tree->document);
    } catch (const std::exception&) {
        return {};
    }
    QList<ScriptProperty> selected;
    selected.reserve(static_cast<qsizetype>(properties.size()));
    for (const pugi::xpath_node& node : properties) {
        const pugi::xml_node property = node.node();
        const pugi::xml_attribute name = property.attribute("name");
        const pugi::xml_attribute description = property.attribute("description");
        if (!name || !description) {
            continue;
        }
        selected.append({QString::fromUtf8(name.value()), QString::fromUtf8(description.value())});
    }
    return selected;
}

} // namespace brisquel::ScriptingDefinition
