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

const pugi::xpath_query& backgroundScriptQuery() {
    static const pugi::xpath_query query(kBackgroundScriptXPath);
    return query;
}

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

vexo::Expected<std::shared_ptr<pugi::xml_document>> load(const QString& path) {
    vexo::Expected<QByteArray> bytes = vexo::readRegularFile(path, vexo::limits::kScriptingDefinitionBytes);
    if (!bytes) {
        return bytes.result();
    }
    if (bytes->isEmpty()) {
        return vexo::Result::failure(vexo::Status::Malformed, path + QStringLiteral(" is empty"));
    }
    // The document is parsed in place in the bytes read, which it keeps for its lifetime: no copy.
    QByteArray buffer = std::move(bytes).value();
    char* data = buffer.data();
    const auto size = static_cast<size_t>(buffer.size());
    std::shared_ptr<pugi::xml_document> document(new pugi::xml_document,
                                                 [kept = std::move(buffer)](pugi::xml_document* d) mutable {
                                                     delete d;
                                                     kept.clear();
                                                 });
    // The parser never loads external entities nor expands entities declared in a DTD, and keeps
    // character-data sections; attribute values are all that is read. Parsing as a fragment keeps
    // text outside the root element, so that such a document can be refused.
    const pugi::xml_parse_result parsed = document->load_buffer_inplace(
        data, size, pugi::parse_default | pugi::parse_fragment, pugi::encoding_auto);
    if (!parsed) {
        return vexo::Result::failure(vexo::Status::Malformed,
                                     path + QStringLiteral(" is not well-formed XML: ") +
                                         QString::fromUtf8(parsed.description()) +
                                         QStringLiteral(" at byte ") + QString::number(parsed.offset));
    }
    if (!hasSingleRootElement(*document)) {
        return vexo::Result::failure(vexo::Status::Malformed,
                                     path +
                                         QStringLiteral(" is not well-formed XML: it must hold exactly one "
                                                        "root element and no text beside it"));
    }
    return document;
}

QList<ScriptProperty> select(const pugi::xml_document& document) {
    pugi::xpath_node_set properties;
    try {
        properties = backgroundScriptQuery().evaluate_node_set(document);
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
