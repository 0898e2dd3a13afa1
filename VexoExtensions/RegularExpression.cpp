#include "VexoExtensions/RegularExpression.h"

#include <unicode/regex.h>
#include <unicode/unistr.h>
#include <unicode/utypes.h>

#include <climits>
#include <string>

namespace brisquel::vexo {

struct TextCheckingResult::Pattern {
    QString source;
    RegularExpression::Options options;
    std::unique_ptr<icu::RegexPattern> compiled;
    int groupCount = 0;
};

namespace {

icu::UnicodeString alias(const QString& text) {
    if (text.size() > INT32_MAX)
        throw std::length_error("the regular-expression engine takes texts of at most 2^31 - 1 code units");
    // Read-only alias: no copy of the text.
    return icu::UnicodeString(false, reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

QString toQString(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

uint32_t icuFlags(RegularExpression::Options options) {
    using O = RegularExpression::Option;
    uint32_t flags = 0;
    if (options & O::CaseInsensitive)
        flags |= UREGEX_CASE_INSENSITIVE;
    if (options & O::AllowCommentsAndWhitespace)
        flags |= UREGEX_COMMENTS;
    if (options & O::IgnoreMetacharacters)
        flags |= UREGEX_LITERAL;
    if (options & O::DotMatchesLineSeparators)
        flags |= UREGEX_DOTALL;
    if (options & O::AnchorsMatchLines)
        flags |= UREGEX_MULTILINE;
    if (options & O::UseUnixLineSeparators)
        flags |= UREGEX_UNIX_LINES;
    if (options & O::UseUnicodeWordBoundaries)
        flags |= UREGEX_UWORD;
    return flags;
}

void checkRange(const QString& text, TextRange range) {
    if (range.location < 0 || range.length < 0 || range.location > text.size() ||
        range.length > text.size() - range.location)
        throw std::out_of_range("the range lies outside the text");
}

bool isLowSurrogateAt(const QString& text, qsizetype index) {
    return index > 0 && index < text.size() && text.at(index).isLowSurrogate() &&
           text.at(index - 1).isHighSurrogate();
}

} // namespace

RegularExpressionError::RegularExpressionError(const QString& pattern, const QString& reason,
                                               qsizetype offset)
    : std::invalid_argument(
          QStringLiteral("invalid regular expression \"%1\": %2").arg(pattern, reason).toStdString()),
      m_pattern(pattern), m_offset(offset) {}

// --- TextCheckingResult ------------------------------------------------------------------------

TextRange TextCheckingResult::range(int group) const {
    if (group < 0 || group >= numberOfRanges())
        throw std::out_of_range("the expression has no capture group " + std::to_string(group));
    return m_ranges[static_cast<size_t>(group)];
}

TextRange TextCheckingResult::range(const QString& groupName) const {
    UErrorCode status = U_ZERO_ERROR;
    const int32_t number = m_pattern->compiled->groupNumberFromName(alias(groupName), status);
    if (U_FAILURE(status))
        throw std::invalid_argument("the expression has no capture group named \"" + groupName.toStdString() +
                                    "\"");
    return range(number);
}

std::optional<QString> TextCheckingResult::matchedString(int group, const QString& text) const {
    const TextRange r = range(group);
    if (!r.isFound() || r.end() > text.size())
        return std::nullopt;
    if (isLowSurrogateAt(text, r.location) || isLowSurrogateAt(text, r.end()))
        return std::nullopt;
    return text.mid(r.location, r.length);
}

std::optional<QString> TextCheckingResult::matchedString(const QString& groupName,
                                                         const QString& text) const {
    const TextRange r = range(groupName);
    if (!r.isFound() || r.end() > text.size())
        return std::nullopt;
    if (isLowSurrogateAt(text, r.location) || isLowSurrogateAt(text, r.end()))
        return std::nullopt;
    return text.mid(r.location, r.length);
}

// --- RegularExpression -------------------------------------------------------------------------

RegularExpression::RegularExpression(const QString& pattern, Options options) {
    auto compiled = std::make_shared<TextCheckingResult::Pattern>();
    compiled->source = pattern;
    compiled->options = options;
    UParseError parseError{};
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString source = alias(pattern);
    compiled->compiled.reset(icu::RegexPattern::compile(source, icuFlags(options), parseError, status));
    if (U_FAILURE(status) || !compiled->compiled) {
        const qsizetype offset = parseError.offset >= 0 ? parseError.offset : -1;
        throw RegularExpressionError(pattern, QString::fromLatin1(u_errorName(status)), offset);
    }
    std::unique_ptr<icu::RegexMatcher> probe(compiled->compiled->matcher(status));
    compiled->groupCount = probe ? probe->groupCount() : 0;
    m_pattern = std::move(compiled);
}

std::optional<RegularExpression> RegularExpression::make(const QString& pattern, Options options) {
    try {
        return RegularExpression(pattern, options);
    } catch (const RegularExpressionError&) {
        return std::nullopt;
    }
}

QString RegularExpression::pattern() const {
    return m_pattern->source;
}

RegularExpression::Options RegularExpression::options() const {
    return m_pattern->options;
}

int RegularExpression::numberOfCaptureGroups() const {
    return m_pattern->groupCount;
}

std::optional<TextCheckingResult> RegularExpression::firstMatch(const QString& text) const {
    return firstMatch(text, TextRange{0, text.size()});
}

std::optional<TextCheckingResult> RegularExpression::firstMatch(const QString& text, TextRange range) const {
    checkRange(text, range);
    const icu::UnicodeString input = alias(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(m_pattern->compiled->matcher(input, status));
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("regular-expression engine: ") + u_errorName(status));
    matcher->region(range.location, range.end(), status);
    if (!matcher->find(status) || U_FAILURE(status))
        return std::nullopt;
    TextCheckingResult result;
    result.m_pattern = m_pattern;
    for (int group = 0; group <= m_pattern->groupCount; ++group) {
        const int64_t start = matcher->start64(group, status);
        const int64_t end = matcher->end64(group, status);
        result.m_ranges.push_back(start < 0 ? TextRange{} : TextRange{start, end - start});
    }
    return result;
}

QList<TextCheckingResult> RegularExpression::matches(const QString& text) const {
    QList<TextCheckingResult> results;
    const icu::UnicodeString input = alias(text);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(m_pattern->compiled->matcher(input, status));
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("regular-expression engine: ") + u_errorName(status));
    while (matcher->find(status) && U_SUCCESS(status)) {
        TextCheckingResult result;
        result.m_pattern = m_pattern;
        for (int group = 0; group <= m_pattern->groupCount; ++group) {
            const int64_t start = matcher->start64(group, status);
            const int64_t end = matcher->end64(group, status);
            result.m_ranges.push_back(start < 0 ? TextRange{} : TextRange{start, end - start});
        }
        results.append(std::move(result));
    }
    return results;
}

QString RegularExpression::replacingMatches(const QString& text, const QString& replacementTemplate,
                                            std::optional<TextRange> range, bool onlyAtStart) const {
    const TextRange region = range.value_or(TextRange{0, text.size()});
    checkRange(text, region);
    const icu::UnicodeString input = alias(text);
    const icu::UnicodeString replacement = alias(replacementTemplate);
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<icu::RegexMatcher> matcher(m_pattern->compiled->matcher(input, status));
    if (U_FAILURE(status))
        throw std::runtime_error(std::string("regular-expression engine: ") + u_errorName(status));
    matcher->region(region.location, region.end(), status);

    // appendReplacement copies from the start of the input, so the part before the region comes
    // along by itself; appendTail would run to the end of the input, past the region.
    icu::UnicodeString out;
    int64_t copiedUpTo = 0;
    bool replacedAny = false;
    while (matcher->find(status) && U_SUCCESS(status)) {
        if (onlyAtStart && matcher->start64(status) != region.location)
            break;
        matcher->appendReplacement(out, replacement, status);
        if (U_FAILURE(status))
            throw std::invalid_argument("invalid replacement template \"" +
                                        replacementTemplate.toStdString() + "\": " + u_errorName(status));
        copiedUpTo = matcher->end64(status);
        replacedAny = true;
        if (onlyAtStart)
            break;
    }
    if (!replacedAny)
        return text;
    return toQString(out) + text.mid(copiedUpTo);
}

} // namespace brisquel::vexo
