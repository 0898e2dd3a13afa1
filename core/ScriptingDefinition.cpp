#include "core/ScriptingDefinition.h"

#include "VexoExtensions/FileReading.h"
#include "VexoExtensions/InputLimits.h"

#include <QDir>
#include <QFile>

#include <cstring>
#include <optional>
#include <string_view>

#include <dirent.h>
#include <sys/stat.h>

#include <pugixml.hpp>

namespace brisquel::ScriptingDefinition {

namespace {

constexpr std::string_view kSdefSuffix = ".sdef";
constexpr std::string_view kScriptSuffix = "script";

// The first entry with the sdef extension (case-sensitive) in a folder, by name, so that the choice
// among several never depends on the order in which the file system lists a folder; folders are
// never taken. One pass over the folder's entries: a sorted, filtered listing of it would look at
// every entry's kind and sort them all to find the one.
std::optional<QString> firstSdefIn(const QString& folder) {
    DIR* dir = ::opendir(QFile::encodeName(folder).constData());
    if (!dir) {
        return std::nullopt;
    }
    std::optional<QString> first;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name(entry->d_name);
        if (!name.ends_with(kSdefSuffix) || entry->d_type == DT_DIR) {
            continue;
        }
        struct stat info {};
        if ((entry->d_type == DT_LNK || entry->d_type == DT_UNKNOWN) &&
            ::fstatat(::dirfd(dir), entry->d_name, &info, 0) == 0 && S_ISDIR(info.st_mode)) {
            continue;
        }
        const QString text = QFile::decodeName(entry->d_name);
        if (!first || text < *first) {
            first = text;
        }
    }
    ::closedir(dir);
    if (!first) {
        return std::nullopt;
    }
    return QDir(folder).absoluteFilePath(*first);
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
    // The selection walks the four levels by name, in document order. The XPath form of it built
    // node sets and, for every property, substrings of its name: it cost a listing of many
    // properties as much again as parsing the file.
    QList<ScriptProperty> selected;
    const pugi::xml_node root = document.m_tree->document.document_element();
    if (std::strcmp(root.name(), "dictionary") != 0) {
        return selected;
    }
    const auto named = [](const pugi::xml_node& node, const char* name) {
        return std::strcmp(node.attribute("name").value(), name) == 0;
    };
    for (const pugi::xml_node suite : root.children("suite")) {
        if (!named(suite, "Capture One Suite")) {
            continue;
        }
        for (const pugi::xml_node application : suite.children("class")) {
            if (!named(application, "application")) {
                continue;
            }
            for (const pugi::xml_node property : application.children("property")) {
                const pugi::xml_attribute name = property.attribute("name");
                const pugi::xml_attribute description = property.attribute("description");
                // "script" is ASCII: its bytes end a UTF-8 name exactly when its letters end the name.
                if (!name || !description || !std::string_view(name.value()).ends_with(kScriptSuffix)) {
                    continue;
                }
                selected.append({QString::fromUtf8(name.value()), QString::fromUtf8(description.value())});
            }
        }
    }
    return selected;
}

} // namespace brisquel::ScriptingDefinition
