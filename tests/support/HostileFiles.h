#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// Files built to harm a reader: each stands for a class of attack that anything able to put a
// folder under the applications folder, or a file into the preferences folder, can mount. The
// tests of every area and the fuzz targets' seeds take their hostile input from here, so that one
// class of attack has one maker.
namespace testsupport::HostileFiles {

// Replaces the file's contents with the bytes, making its folders first. A file that cannot be
// written stops the process: what follows would test nothing.
void writeFile(const QString& path, const QByteArray& bytes);

// A FIFO at path: a reader that opens it the ordinary way waits forever for a writer.
void makeFifo(const QString& path);

// How nested containers are built: arrays in arrays, or arrays and dictionaries (each holding the
// next under one key) in turn.
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
// The same with `depth` nested arrays as the value: a recursive reader without a depth limit
// overflows its stack.
QByteArray deeplyNestedPlist(const QString& bundleIdentifier, const QString& key, int depth);

// Property lists of `count` small values (booleans) in one array: each value is cheap to write and
// costs a reader that builds a tree a hundred bytes or more.
QByteArray manyValuesXmlPlist(qint64 count);
QByteArray manyValuesBinaryPlist(qint64 count);

// Small binary property lists that stand for huge trees: each of `levels` arrays names the next
// one `width` times, so that the tree holds width^levels strings.
QByteArray sharedReferencePlist(int levels, int width);
// The same shape (14 names per array) as the value under `key` of a dictionary holding, beside it,
// the keys of an information dictionary when bundleIdentifier is not empty.
QByteArray sharedReferencePlist(const QString& bundleIdentifier, const QString& key, int levels);
// A binary property list whose top array names itself.
QByteArray loopingPlist();
// A binary dictionary holding the key "k" twice: first with the text "first", then "second".
QByteArray duplicateKeyPlist();

// A well-formed XML information dictionary of at least `bytes` bytes (many small keys).
void writeLargeInfoPlist(const QString& path, const QString& bundleIdentifier, qint64 bytes);

// A well-formed sdef of at least `bytes` bytes (many properties that are not background scripts,
// and one that is).
void writeLargeSdef(const QString& path, qint64 bytes);

// A binary property list of the objects as they are encoded, the first one at the top; offsets and
// references of 4 bytes. For shapes no writer makes.
QByteArray binaryPlist(const QList<QByteArray>& objects);

} // namespace testsupport::HostileFiles
