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
brisquel::vexo::plist::Node readTree(const QString& path);

// A dictionary of every value kind with the awkward values: integers at both ends of the signed range
// and above, inexact reals, dates finer than a microsecond and beyond 32-bit seconds, data with NULs,
// nesting, a UID.
brisquel::vexo::plist::Node everyKindTree();

// The exit code and output of a program, or -1 when it could not run.
struct ProgramRun {
    int exitCode = -1;
    QByteArray output;
};
ProgramRun runProgram(const QString& program, const QStringList& arguments);

} // namespace plisttest
