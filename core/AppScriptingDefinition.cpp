// The scripting definition (sdef) of one Capture One copy: locating it in the bundle, parsing it
// and selecting the background-script properties of its application class.

#include "core/AppFinder.h"
#include "core/ScriptingDefinitionQuery.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <pugixml.hpp>

namespace brisquel {

namespace {

const QString sdefExtension = QStringLiteral("sdef");

// The first regular file with the sdef extension in a folder, by name, so that the choice among
// several never depends on the file system's listing order.
std::optional<QString> firstSdefIn(const QString& folder) {
    QDir dir(folder);
    const QStringList names = dir.entryList({QStringLiteral("*.") + sdefExtension},
                                            QDir::Files | QDir::Readable | QDir::Hidden, QDir::Name);
    for (const QString& name : names) {
        // The name filter is case-insensitive on some platforms; the extension is not.
        if (QFileInfo(name).suffix() == sdefExtension) {
            return dir.absoluteFilePath(name);
        }
    }
    return std::nullopt;
}

// A well-formed document has exactly one root element and no text beside it; the parser itself
// lets a second root element and stray text through.
bool hasSingleRootElement(const pugi::xml_document& doc) {
    int elements = 0;
    for (pugi::xml_node child : doc.children()) {
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

std::optional<QUrl> AppFinder::App::getScriptingDefinitionsFile() const {
    const QFileInfo bundle(m_url.isLocalFile() ? m_url.toLocalFile() : QString());
    if (!bundle.isDir()) {
        services().log->standardOutput(QStringLiteral("Could not get bundle for url"));
        return std::nullopt;
    }
    // Resources of a bundle live in Contents/Resources, then in its localized folders.
    const QString resources = bundle.absoluteFilePath() + QStringLiteral("/Contents/Resources");
    if (auto file = firstSdefIn(resources)) {
        return QUrl::fromLocalFile(*file);
    }
    const QStringList localized =
        QDir(resources).entryList({QStringLiteral("*.lproj")}, QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& folder : localized) {
        if (auto file = firstSdefIn(resources + QLatin1Char('/') + folder)) {
            return QUrl::fromLocalFile(*file);
        }
    }
    return std::nullopt;
}

std::unique_ptr<pugi::xml_document> AppFinder::App::loadScriptingDefinition(const QUrl& fromURL) const {
    QFile file(fromURL.toLocalFile());
    if (!fromURL.isLocalFile() || !file.open(QIODevice::ReadOnly)) {
        return nullptr;
    }
    const qint64 size = file.size();
    if (size <= 0 || size > std::numeric_limits<qint32>::max()) {
        return nullptr;
    }
    // Read straight into a buffer the document then owns, sparing the parser a copy.
    void* buffer = pugi::get_memory_allocation_function()(static_cast<size_t>(size));
    if (buffer == nullptr) {
        return nullptr;
    }
    if (file.read(static_cast<char*>(buffer), size) != size) {
        pugi::get_memory_deallocation_function()(buffer);
        return nullptr;
    }
    auto doc = std::make_unique<pugi::xml_document>();
    // The parser never loads external entities nor expands entities declared in a DTD, and
    // keeps character-data sections; attribute values are all that is read. Parsing as a
    // fragment keeps text outside the root element, so that such a document can be refused.
    const pugi::xml_parse_result result = doc->load_buffer_inplace_own(
        buffer, static_cast<size_t>(size), pugi::parse_default | pugi::parse_fragment, pugi::encoding_auto);
    if (!result || !hasSingleRootElement(*doc)) {
        return nullptr;
    }
    return doc;
}

QList<BackgroundScript> AppFinder::App::readBackgroundScripts(const pugi::xml_document& fromDoc) const {
    pugi::xpath_node_set properties;
    try {
        properties = backgroundScriptQuery().evaluate_node_set(fromDoc);
    } catch (const std::exception&) {
        return {};
    }
    QList<BackgroundScript> scripts;
    scripts.reserve(static_cast<qsizetype>(properties.size()));
    for (const pugi::xpath_node& selected : properties) {
        const pugi::xml_node property = selected.node();
        const pugi::xml_attribute name = property.attribute("name");
        if (!name) {
            continue;
        }
        const pugi::xml_attribute description = property.attribute("description");
        if (!description) {
            continue;
        }
        scripts.append(BackgroundScript(QString::fromUtf8(name.value()),
                                        QString::fromUtf8(description.value()), m_bundleIdentifier,
                                        services()));
    }
    return scripts;
}

QList<BackgroundScript> AppFinder::App::readBackgroundScripts() const {
    const std::optional<QUrl> file = getScriptingDefinitionsFile();
    if (!file) {
        services().log->system(QStringLiteral("Could not get sdef file"));
        return {};
    }
    const std::unique_ptr<pugi::xml_document> doc = loadScriptingDefinition(*file);
    if (!doc) {
        services().log->system(QStringLiteral("Could not load XMLDocument from sdef file"));
        return {};
    }
    return readBackgroundScripts(*doc);
}

} // namespace brisquel

namespace brisquel {

const pugi::xpath_query& backgroundScriptQuery() {
    static const pugi::xpath_query query(backgroundScriptXPath);
    return query;
}

} // namespace brisquel
