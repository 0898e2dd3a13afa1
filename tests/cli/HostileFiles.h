#pragma once

#include <QByteArray>
#include <QString>

// Files built to harm a reader: each stands for a class of attack that anything able to put a
// folder under the applications folder, or a file into the preferences folder, can mount.
namespace clitest::HostileFiles {

// A FIFO at path: a reader that opens it the ordinary way waits forever for a writer.
void makeFifo(const QString& path);

// A dictionary in XML, whose value under `key` is `depth` arrays nested in one another: a recursive
// reader without a depth limit overflows its stack. Beside it, the keys of an information
// dictionary when bundleIdentifier is not empty, else "keep" = "me".
QByteArray deeplyNestedPlist(const QString& bundleIdentifier, const QString& key, int depth);

// A binary property list of a few hundred bytes whose dictionary holds, beside the keys of an
// information dictionary (when bundleIdentifier is not empty), a value under `key` in which each
// array refers to one array below it many times over: `levels` levels stand for 14^levels values.
QByteArray sharedReferencePlist(const QString& bundleIdentifier, const QString& key, int levels);

// A well-formed XML information dictionary of at least `bytes` bytes (many small keys).
void writeLargeInfoPlist(const QString& path, const QString& bundleIdentifier, qint64 bytes);

// A well-formed sdef of at least `bytes` bytes (many properties that are not background scripts,
// and one that is).
void writeLargeSdef(const QString& path, qint64 bytes);

// An sdef with `count` background-script properties, "property 00001 script" and on.
QByteArray sdefWithScripts(int count);
// The preferences key of the n-th of them, and the path the large domain assigns to it.
QString keyOfScript(int n);
QString pathOfScript(int n);

} // namespace clitest::HostileFiles
