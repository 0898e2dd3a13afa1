#pragma once

#include <QtGlobal>

// The bounds on what the system reads from outside: files in other vendors' bundles (scripting
// definitions, information dictionaries, icons) and preferences domains that any program may write.
// Anything beyond them is refused with a message naming the file, never read on. Each bound lies
// far above what real files hold and far below what would hang or exhaust a desktop machine; they
// are gathered here so that they are decided once and can be read together.
namespace brisquel::vexo::limits {

constexpr qint64 kMebibyte = qint64{1024} * 1024;

// Capture One's scripting definitions are about 140 KB; the largest sdef we know of (a full
// office suite's) is under 2 MB. A parsed XML document takes some 6 to 10 times its size.
constexpr qint64 kScriptingDefinitionBytes = 16 * kMebibyte;

// Information dictionaries (Contents/Info.plist) hold a few kilobytes; discovery reads one per
// bundle, and every command starts with a discovery.
constexpr qint64 kInfoPlistBytes = 1 * kMebibyte;

// Preferences domains of real applications reach a few hundred kilobytes (photo catalogues'
// recent lists, window states); a few megabytes at most.
constexpr qint64 kPreferencesDomainBytes = 32 * kMebibyte;

// An application icon (.icns with every size, or a large PNG) stays under a few megabytes.
constexpr qint64 kIconFileBytes = 16 * kMebibyte;

// Converting a property list into values: containers nest a handful of levels in real files.
// Deeper nesting is refused rather than walked, so no walk can run out of stack.
constexpr int kPropertyListDepth = 128;
// A binary property list may refer to one object from many places, and the parser copies it for
// each: a file of a few hundred bytes can stand for billions of values. A file is refused when the
// tree it stands for holds more than this many values in all (real domains hold tens of thousands;
// the parser builds some 700,000 a second) or more than this many bytes of text and data.
constexpr qint64 kPropertyListValues = 500'000;
constexpr qint64 kPropertyListContentBytes = 128 * kMebibyte;

} // namespace brisquel::vexo::limits
