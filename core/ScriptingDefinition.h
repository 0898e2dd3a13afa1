#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QList>
#include <QString>

#include <memory>

// The scripting definition (sdef) of a Capture One bundle: where the file lies, reading it as
// outside input, and selecting the background-script properties of its application class.
//
// Only this subset of the format is read; everything else in the file is ignored:
//   <dictionary>                                   the root element
//     <suite name="Capture One Suite">             every such suite, directly under the root
//       <class name="application">                 every such class, directly under a suite
//         <property name="... script"              name ends with "script" (case-sensitive)
//                   description="...">             both attributes present
// This is what the XPath expression /dictionary/suite[@name='Capture One Suite']/class[@name=
// 'application']/property[ends-with(@name, 'script')] selects; the levels are walked by name.
namespace brisquel::ScriptingDefinition {

struct BRISQUEL_EXPORT ScriptProperty {
    QString name;
    QString description;
};

class Document;

// The sdef file in the bundle at bundlePath: the first entry, by name, with the extension "sdef"
// (case-sensitive) in Contents/Resources, else in its localized folders ("*.lproj", by name).
// Folders are never taken; anything else is (a special file is then refused by load(), with its
// reason). NotFound when there is none, naming the folder looked in.
BRISQUEL_EXPORT vexo::Expected<QString> locate(const QString& bundlePath);

// Parses one sdef file: a regular file of at most limits::kScriptingDefinitionBytes, holding one
// well-formed XML document (exactly one root element and no text beside it). External entities
// are never loaded and entities declared in a DTD are never expanded. The failure names the file
// and the cause: what the file is, or what the parser found and at which byte.
BRISQUEL_EXPORT vexo::Expected<Document> load(const QString& path);

// The background-script properties of a parsed document, in document order; properties without
// a name or a description are left out. Neither sorted nor de-duplicated.
BRISQUEL_EXPORT QList<ScriptProperty> select(const Document& document);

// A parsed scripting definition, as load() gives it. What the XML library made of the file stays
// inside the library: a program that uses it needs no header but ours. Copies share the one
// parsed tree, which nothing changes, so a document may be read from several threads at once.
class BRISQUEL_EXPORT Document {
public:
    // The file it was read from.
    const QString& path() const { return m_path; }

private:
    friend vexo::Expected<Document> load(const QString& path);
    friend QList<ScriptProperty> select(const Document& document);
    struct Tree;
    Document(QString path, std::shared_ptr<const Tree> tree)
        : m_path(std::move(path)), m_tree(std::move(tree)) {}

    QString m_path;
    std::shared_ptr<const Tree> m_tree;
};

} // namespace brisquel::ScriptingDefinition
