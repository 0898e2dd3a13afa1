#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Files built to harm a reader, one maker per class of attack that anything able to write under the
// applications or the preferences folder can mount: for the tests of every area and the fuzz seeds.
namespace testsupport::HostileFiles {

// Replaces the file's contents, making its folders first; one that cannot be written stops the process.
void writeFile(const QString& path, const QByteArray& bytes);

// A FIFO at path: a reader that opens it the ordinary way waits forever for a writer.
void makeFifo(const QString& path);
// A symbolic link at path to a FIFO beside it (path + "-fifo").
void makeLinkToFifo(const QString& path);

// Arrays in arrays, or arrays and dictionaries (each holding the next under one key) in turn.
enum class Nesting { Arrays, Mixed };

// The XML text of one value: `depth` containers nested in one another, the innermost empty.
QByteArray nestedXmlValue(int depth, Nesting nesting = Nesting::Arrays);
// An XML property list whose top value is that.
QByteArray nestedXmlPlist(int depth, Nesting nesting = Nesting::Arrays);
// A binary property list of `depth` containers nested in one another, each an object of its own.
QByteArray nestedBinaryPlist(int depth, Nesting nesting = Nesting::Arrays);

// An XML dictionary holding, beside the keys of an information dictionary when bundleIdentifier is
// not empty (else "keep" = "me"), the value text `value` under `key`.
QByteArray xmlDictionary(const QString& bundleIdentifier, const QString& key, const QByteArray& value);
// The same with `depth` nested arrays as the value, which overflow a recursive reader's stack.
QByteArray deeplyNestedPlist(const QString& bundleIdentifier, const QString& key, int depth);

// `count` booleans in one array: cheap to write, a hundred bytes or more each in a reader's tree.
QByteArray manyValuesXmlPlist(qint64 count);
QByteArray manyValuesBinaryPlist(qint64 count);

// Small binary property lists that stand for huge trees: each of `levels` arrays names the next
// one `width` times, so that the tree holds width^levels strings.
QByteArray sharedReferencePlist(int levels, int width);
// The same (14 names per array) under `key`, beside an information dictionary's keys when given.
QByteArray sharedReferencePlist(const QString& bundleIdentifier, const QString& key, int levels);
// A binary property list whose top array names itself.
QByteArray loopingPlist();
// A binary dictionary holding the key "k" twice: first with the text "first", then "second".
QByteArray duplicateKeyPlist();

// A well-formed XML information dictionary of at least `bytes` bytes (many small keys).
void writeLargeInfoPlist(const QString& path, const QString& bundleIdentifier, qint64 bytes);

// A well-formed sdef of at least `bytes` bytes: many properties, one of them a background script.
void writeLargeSdef(const QString& path, qint64 bytes);

// The encoded objects as a binary property list, the first at the top, for shapes no writer makes.
QByteArray binaryPlist(const QList<QByteArray>& objects);

} // namespace testsupport::HostileFiles
