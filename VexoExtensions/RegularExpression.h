#pragma once

#include "VexoExtensions/Export.h"

#include <QFlags>
#include <QList>
#include <QString>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace brisquel::vexo {

// A span of UTF-16 code units in a text (QString indices). location is -1 for "no range", as for
// a capture group that took no part in a match.
struct BRISQUEL_EXPORT TextRange {
    qsizetype location = -1;
    qsizetype length = 0;

    qsizetype end() const { return location + length; }
    bool isFound() const { return location >= 0; }
    friend bool operator==(const TextRange&, const TextRange&) = default;
};

// Thrown by RegularExpression's constructor for a pattern that does not compile.
class BRISQUEL_EXPORT RegularExpressionError : public std::invalid_argument {
public:
    RegularExpressionError(const QString& pattern, const QString& reason, qsizetype offset);
    QString pattern() const { return m_pattern; }
    // UTF-16 offset into the pattern where the engine stopped, or -1 when it did not say.
    qsizetype offset() const { return m_offset; }

private:
    QString m_pattern;
    qsizetype m_offset;
};

class RegularExpression;

// One match: the ranges of the whole match (group 0) and of every capture group, in UTF-16
// positions of the text that was searched.
class BRISQUEL_EXPORT TextCheckingResult {
public:
    // 1 + the number of capture groups of the expression.
    int numberOfRanges() const { return static_cast<int>(m_ranges.size()); }
    // The range of the whole match.
    TextRange range() const { return m_ranges.front(); }
    // The range of group n (0 = whole match); not found when the group took no part in the match.
    // Throws std::out_of_range for a group number the expression does not have.
    TextRange range(int group) const;
    // The same for a named group; throws std::invalid_argument for a name that is not a group of
    // the expression.
    TextRange range(const QString& groupName) const;

    // The text of group n within text, or none when the group took no part in the match or its
    // range does not fall on character boundaries of text (outside it, or splitting a surrogate pair).
    std::optional<QString> matchedString(int group, const QString& text) const;
    // The same for a named group (the name must be a group of the expression, see range()).
    std::optional<QString> matchedString(const QString& groupName, const QString& text) const;

private:
    friend class RegularExpression;
    struct Pattern;
    std::shared_ptr<const Pattern> m_pattern;
    std::vector<TextRange> m_ranges;
};

// An ICU regular expression (the syntax of the platform's regular-expression engine); positions
// are UTF-16 offsets, so they index QString directly. Immutable and cheap to copy; one expression
// may be used from several threads at once.
class BRISQUEL_EXPORT RegularExpression {
public:
    // The engine's options, with the values of the platform's option set.
    enum class Option : unsigned {
        CaseInsensitive = 1 << 0,
        AllowCommentsAndWhitespace = 1 << 1,
        IgnoreMetacharacters = 1 << 2,
        DotMatchesLineSeparators = 1 << 3,
        AnchorsMatchLines = 1 << 4,
        UseUnixLineSeparators = 1 << 5,
        UseUnicodeWordBoundaries = 1 << 6,
    };
    Q_DECLARE_FLAGS(Options, Option)

    // Compiles pattern; throws RegularExpressionError when it is not a valid pattern.
    explicit RegularExpression(const QString& pattern, Options options = {});
    // The same without throwing: none for an invalid pattern.
    static std::optional<RegularExpression> make(const QString& pattern, Options options = {});

    QString pattern() const;
    Options options() const;
    int numberOfCaptureGroups() const;

    // The first match in the whole text, or none.
    std::optional<TextCheckingResult> firstMatch(const QString& text) const;
    // Every match in the whole text, in order.
    QList<TextCheckingResult> matches(const QString& text) const;
    // The first match that lies within range of text (bounds of the range act as the text's
    // start and end for anchors); throws std::out_of_range for a range outside the text.
    std::optional<TextCheckingResult> firstMatch(const QString& text, TextRange range) const;

    // text with every match inside range (none = the whole text) replaced by the expansion of
    // replacementTemplate ($1, ${name} and \-escapes); with onlyAtStart, only a match that begins
    // at the start of the range is replaced. Throws std::invalid_argument for a template that
    // names a group the expression does not have, std::out_of_range for a range outside the text.
    QString replacingMatches(const QString& text, const QString& replacementTemplate,
                             std::optional<TextRange> range = std::nullopt, bool onlyAtStart = false) const;

private:
    RegularExpression() = default;
    std::shared_ptr<const TextCheckingResult::Pattern> m_pattern;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(RegularExpression::Options)

} // namespace brisquel::vexo
