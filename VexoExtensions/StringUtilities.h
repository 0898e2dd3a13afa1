#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/RegularExpression.h"

#include <QFlags>
#include <QString>
#include <QStringList>
#include <optional>
#include <stdexcept>
#include <string>

// Text helpers for naming and renaming things. Every function is pure; the forms named with a
// verb (padNumbers, incrementCounter) replace their argument with the result of the pure form.
// Patterns use the ICU regular-expression syntax; positions are UTF-16 offsets (QString indices).
namespace brisquel::vexo {

// --- numbers and counters ----------------------------------------------------------------------

// Puts `character` (repeated as a whole) in front of every run of decimal digits (any script's)
// shorter than width characters until it has width. Runs of width or more, and every run when
// width <= 0, stay. paddingNumbers("a7b12", 3, "0") == "a007b012".
BRISQUEL_EXPORT QString paddingNumbers(const QString& text, int width, const QString& character);
BRISQUEL_EXPORT void padNumbers(QString& text, int width, const QString& character);

// Why a counter could not be made.
class BRISQUEL_EXPORT CounterError : public std::exception {
public:
    enum class Kind {
        InvalidFormat, // the format is not literal text with exactly one integer conversion
        Overflow       // the counter plus the step does not fit in a signed 64-bit integer
    };
    CounterError(Kind kind, QString failureReason);
    Kind kind() const { return m_kind; }
    QString failureReason() const { return m_reason; }
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    Kind m_kind;
    QString m_reason;
    std::string m_what;
};

// Adds or bumps a counter at the end of text: when text ends in delimiter (taken as a pattern,
// unescaped) followed by decimal digits, those digits N are replaced by N + step; otherwise the
// text is kept and gains delimiter and start. The value is written with format, a printf-style
// format for one integer: literal text and "%%" around exactly one conversion
// %[-+ #0][width][.precision][hh|h|l|ll|j|z|t|q]{d,i,u,o,x,X} (width and precision at most 1000),
// always applied to the value as a 64-bit integer.
//     incrementingCounter("Photo", 1, 1, "%02d", "-") == "Photo-01"
//     incrementingCounter("Photo-9", 1, 1, "%02d", "-") == "Photo-10"
// Throws CounterError for any other format (nothing reaches printf) and for N + step overflowing.
BRISQUEL_EXPORT QString incrementingCounter(const QString& text, qint64 start, qint64 step,
                                            const QString& format, const QString& delimiter);
BRISQUEL_EXPORT void incrementCounter(QString& text, qint64 start, qint64 step, const QString& format,
                                      const QString& delimiter);

// The counter value written with a counter format (see incrementingCounter); throws CounterError
// for a format that is not exactly one integer conversion.
BRISQUEL_EXPORT QString formatCounter(qint64 value, const QString& format);

// --- words, lines and blanks -------------------------------------------------------------------

// Splits a run-together name into words: a space before every capital letter (Unicode Lu, Lt)
// that follows a character that is not a capital, and always between the first character and a
// capital second one. "backgroundScript" -> "background Script", "ABCd" -> "A BCd".
BRISQUEL_EXPORT QString camelCaps(const QString& text);

// text without line feeds (U+000A); carriage returns and everything else stay.
BRISQUEL_EXPORT QString minified(const QString& text);

// true when text has at least one character.
BRISQUEL_EXPORT bool isNotEmpty(const QString& text);

// text without leading and trailing blanks: spaces, tabs and the other horizontal white space
// (Unicode Zs); line breaks are not blanks here.
BRISQUEL_EXPORT QString trimmingWhiteSpace(const QString& text);

// The text, or the empty text for none.
BRISQUEL_EXPORT QString orEmpty(const std::optional<QString>& text);

// --- regular-expression conveniences -----------------------------------------------------------

// The first match of pattern in text: the text of capture group 1 when the pattern has exactly
// one group, else of the whole match. None for no match or an invalid pattern.
BRISQUEL_EXPORT std::optional<QString> substring(const QString& text, const QString& pattern);

// true when pattern matches anywhere in text (a search, not a whole-text match); an invalid
// pattern matches nothing.
BRISQUEL_EXPORT bool matches(const QString& text, const QString& regex);

// --- replacing ---------------------------------------------------------------------------------

// The platform's string-comparison options, with its values. Numeric and ForcedOrdering concern
// ordering only and change nothing in a search.
enum class CompareOption : unsigned {
    CaseInsensitive = 1,        // full Unicode case folding ("ß" matches "SS")
    Literal = 2,                // code unit by code unit; otherwise canonically equivalent forms match
    Backwards = 4,              // search from the end (decides which of overlapping occurrences win)
    Anchored = 8,               // only an occurrence at the start of the range (the end, with Backwards)
    Numeric = 64,               //
    DiacriticInsensitive = 128, // nonspacing marks are ignored ("é" matches "e")
    WidthInsensitive = 256,     // full- and half-width forms match their usual forms
    ForcedOrdering = 512,       //
    RegularExpression = 1024,   // the target is an ICU pattern, the replacement a template ($1)
};
Q_DECLARE_FLAGS(CompareOptions, CompareOption)
Q_DECLARE_OPERATORS_FOR_FLAGS(CompareOptions)

// text with every occurrence of target inside range (none = the whole text) replaced by
// replacement, under options. A match must begin and end on whole characters (an "e" does not
// match the start of "é" unless diacritics are ignored). An empty target, or an invalid pattern
// with RegularExpression, leaves the text as it is. Throws std::out_of_range for a range outside
// the text and std::invalid_argument for a replacement template naming a missing group.
BRISQUEL_EXPORT QString replacingOccurrences(const QString& text, const QString& target,
                                             const QString& replacement, CompareOptions options = {},
                                             std::optional<TextRange> range = std::nullopt);

// Thrown by batchReplacingOccurrences when there are fewer replacements than input strings.
class BRISQUEL_EXPORT StringReplacementError : public std::exception {
public:
    enum class Kind { TooManyElements };
    StringReplacementError(qsizetype inputCount, qsizetype replacementCount);
    Kind kind() const { return Kind::TooManyElements; }
    qsizetype inputCount() const { return m_inputCount; }
    qsizetype replacementCount() const { return m_replacementCount; }
    // "More input strings (3) given than replacement strings (2)."
    QString failureReason() const;
    const char* what() const noexcept override { return m_what.c_str(); }

private:
    qsizetype m_inputCount;
    qsizetype m_replacementCount;
    std::string m_what;
};

// For each input string k, that string with every occurrence of target replaced by
// replacements[k] (see replacingOccurrences; the same options and range for every string).
// Replacements beyond the inputs are not used. Throws StringReplacementError when there are fewer
// replacements than inputs.
BRISQUEL_EXPORT QStringList batchReplacingOccurrences(const QStringList& inputs, const QString& target,
                                                      const QStringList& replacements,
                                                      CompareOptions options = {},
                                                      std::optional<TextRange> range = std::nullopt);

} // namespace brisquel::vexo
