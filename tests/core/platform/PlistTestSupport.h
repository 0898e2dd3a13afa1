#pragma once

#include "VexoExtensions/PropertyList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace plisttest {

// A text that pins down a whole libplist tree: dictionary keys in order, and every scalar by its
// exact binary encoding (so integer widths and every bit of a date or real count).
QString describe(void* node);

QByteArray fileBytes(const QString& path);
void writeFileBytes(const QString& path, const QByteArray& bytes);
brisquel::vexo::plist::Node readTree(const QString& path);

// A dictionary holding every value kind, with the awkward values: integers at both ends of the
// signed range and above it, reals that are not exact, dates with fractions finer than a
// microsecond and beyond 32-bit seconds, data with NULs, nested arrays and dictionaries, a UID.
brisquel::vexo::plist::Node everyKindTree();

// Hostile property lists, small files that stand for huge or endless trees:
// a binary one in which each of `levels` arrays names the next one `width` times, so that the tree
// holds width^levels strings; binary and XML ones of `depth` nested arrays; a binary one whose
// top array names itself.
QByteArray sharedReferencePlist(int levels, int width);
QByteArray nestedBinaryPlist(int depth);
QByteArray nestedXmlPlist(int depth);
QByteArray loopingPlist();

// The exit code and output of a program, or -1 when it could not run.
struct ProgramRun {
    int exitCode = -1;
    QByteArray output;
};
ProgramRun runProgram(const QString& program, const QStringList& arguments);

// Empty when no python3 with plistlib can be run.
QString pythonWithPlistlib();

} // namespace plisttest
