#include "VexoExtensions/StringUtilities.h"

#include <QTextBoundaryFinder>

#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>

#include <algorithm>
#include <climits>
#include <vector>

namespace brisquel::vexo {

namespace {

// Iterates the code points of text, a lone surrogate counting as one code point of its own.
template <typename F> void forEachCodePoint(QStringView text, F&& f) {
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
            f(QChar::surrogateToUcs4(c, text[i + 1]), i, 2);
            i += 2;
        } else {
            f(static_cast<char32_t>(c.unicode()), i, 1);
            i += 1;
        }
    }
}

qsizetype codePointCount(QStringView text) {
    qsizetype count = 0;
    forEachCodePoint(text, [&](char32_t, qsizetype, qsizetype) { ++count; });
    return count;
}

bool isCapital(char32_t c) {
    const QChar::Category category = QChar::category(c);
    return category == QChar::Letter_Uppercase || category == QChar::Letter_Titlecase;
}

char32_t codePointAt(const QString& text, qsizetype i) {
    const QChar c = text.at(i);
    if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
        return QChar::surrogateToUcs4(c, text.at(i + 1));
    return c.unicode();
}

// Where the last user-perceived character (grapheme cluster) of text begins. Cluster rules look
// only a little way back, so a short tail of the text is enough unless the last cluster fills it.
qsizetype lastCharacterStart(const QString& text) {
    if (text.isEmpty())
        return 0;
    qsizetype window = 32;
    for (;;) {
        qsizetype from = std::max<qsizetype>(0, text.size() - window);
        if (from > 0 && text.at(from).isLowSurrogate())
            --from;
        QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text.constData() + from,
                                   text.size() - from);
        finder.toEnd();
        const qsizetype previous = finder.toPreviousBoundary();
        if (previous > 0 || from == 0)
            return from + std::max<qsizetype>(previous, 0);
        window *= 4;
    }
}

// --- counter formats -----------------------------------------------------------------------------

struct Conversion {
    bool leftAlign = false, plus = false, space = false, alternate = false, zero = false;
    int width = 0;
    std::optional<int> precision;
    char type = 'd';
};

struct CounterFormat {
    QString before;
    Conversion conversion;
    QString after;
};

constexpr int kMaxFieldWidth = 1000;

[[noreturn]] void invalidFormat(const QString& format, const QString& why) {
    throw CounterError(CounterError::Kind::InvalidFormat,
                       QStringLiteral("The counter format \"%1\" is not usable: %2.").arg(format, why));
}

CounterFormat parseCounterFormat(const QString& format) {
    CounterFormat parsed;
    bool seen = false;
    const qsizetype n = format.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = format.at(i);
        if (c != QLatin1Char('%')) {
            (seen ? parsed.after : parsed.before).append(c);
            ++i;
            continue;
        }
        ++i;
        if (i < n && format.at(i) == QLatin1Char('%')) {
            (seen ? parsed.after : parsed.before).append(QLatin1Char('%'));
            ++i;
            continue;
        }
        if (seen)
            invalidFormat(format, QStringLiteral("it holds more than one conversion"));
        Conversion conversion;
        for (; i < n; ++i) {
            const char16_t f = format.at(i).unicode();
            if (f == u'-')
                conversion.leftAlign = true;
            else if (f == u'+')
                conversion.plus = true;
            else if (f == u' ')
                conversion.space = true;
            else if (f == u'#')
                conversion.alternate = true;
            else if (f == u'0')
                conversion.zero = true;
            else
                break;
        }
        auto readNumber = [&](const QString& what) {
            int value = 0;
            while (i < n && format.at(i) >= QLatin1Char('0') && format.at(i) <= QLatin1Char('9')) {
                value = value * 10 + (format.at(i).unicode() - u'0');
                if (value > kMaxFieldWidth)
                    invalidFormat(format,
                                  QStringLiteral("its %1 is larger than %2").arg(what).arg(kMaxFieldWidth));
                ++i;
            }
            return value;
        };
        conversion.width = readNumber(QStringLiteral("width"));
        if (i < n && format.at(i) == QLatin1Char('.')) {
            ++i;
            conversion.precision = readNumber(QStringLiteral("precision"));
        }
        // Length modifiers are accepted as written; the value is always a 64-bit integer.
        static const char16_t* const lengths[] = {u"hh", u"ll", u"h", u"l", u"j", u"z", u"t", u"q"};
        for (const char16_t* length : lengths) {
            const QStringView modifier(length);
            if (QStringView(format).mid(i).startsWith(modifier)) {
                i += modifier.size();
                break;
            }
        }
        if (i >= n)
            invalidFormat(format, QStringLiteral("its conversion is incomplete"));
        const char16_t type = format.at(i).unicode();
        if (type != u'd' && type != u'i' && type != u'u' && type != u'o' && type != u'x' && type != u'X')
            invalidFormat(format,
                          QStringLiteral("its conversion is not one for an integer (d, i, u, o, x or X)"));
        conversion.type = static_cast<char>(type);
        ++i;
        parsed.conversion = conversion;
        seen = true;
    }
    if (!seen)
        invalidFormat(format, QStringLiteral("it holds no conversion for the counter"));
    return parsed;
}

// printf's rules for one integer conversion, without printf.
QString applyConversion(const Conversion& c, qint64 value) {
    const bool isSigned = c.type == 'd' || c.type == 'i';
    quint64 magnitude;
    QString sign;
    if (isSigned) {
        magnitude = value < 0 ? quint64(0) - static_cast<quint64>(value) : static_cast<quint64>(value);
        if (value < 0)
            sign = QStringLiteral("-");
        else if (c.plus)
            sign = QStringLiteral("+");
        else if (c.space)
            sign = QStringLiteral(" ");
    } else {
        magnitude = static_cast<quint64>(value);
    }
    const int base = c.type == 'o' ? 8 : (c.type == 'x' || c.type == 'X') ? 16 : 10;
    QString digits = QString::number(magnitude, base);
    if (c.type == 'X')
        digits = digits.toUpper();
    if (c.precision) {
        if (*c.precision == 0 && magnitude == 0)
            digits.clear();
        else if (digits.size() < *c.precision)
            digits.prepend(QString(*c.precision - digits.size(), QLatin1Char('0')));
    }
    QString prefix = sign;
    if (c.alternate) {
        if (c.type == 'o' && !digits.startsWith(QLatin1Char('0')))
            digits.prepend(QLatin1Char('0'));
        else if ((c.type == 'x' || c.type == 'X') && magnitude != 0)
            prefix += c.type == 'x' ? QStringLiteral("0x") : QStringLiteral("0X");
    }
    const qsizetype length = prefix.size() + digits.size();
    if (length >= c.width)
        return prefix + digits;
    const qsizetype fill = c.width - length;
    if (c.leftAlign)
        return prefix + digits + QString(fill, QLatin1Char(' '));
    if (c.zero && !c.precision)
        return prefix + QString(fill, QLatin1Char('0')) + digits;
    return QString(fill, QLatin1Char(' ')) + prefix + digits;
}

// A base-10 signed 64-bit integer: an optional sign and ASCII digits, nothing else.
std::optional<qint64> readInteger(QStringView text) {
    qsizetype i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-'))) {
        negative = text[i] == QLatin1Char('-');
        ++i;
    }
    if (i == text.size())
        return std::nullopt;
    qint64 value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        if (c < u'0' || c > u'9')
            return std::nullopt;
        const int digit = c - u'0';
        if (__builtin_mul_overflow(value, qint64(10), &value) ||
            __builtin_add_overflow(value, negative ? -digit : digit, &value))
            return std::nullopt;
    }
    return value;
}

QString trimCodePoints(const QString& text, const std::vector<char32_t>& set) {
    auto inSet = [&](char32_t c) { return std::find(set.begin(), set.end(), c) != set.end(); };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end) {
        const char32_t c = codePointAt(text, start);
        if (!inSet(c))
            break;
        start += QChar::requiresSurrogates(c) ? 2 : 1;
    }
    while (end > start) {
        qsizetype at = end - 1;
        if (at > start && text.at(at).isLowSurrogate() && text.at(at - 1).isHighSurrogate())
            --at;
        if (!inSet(codePointAt(text, at)))
            break;
        end = at;
    }
    return text.mid(start, end - start);
}

// --- searching -----------------------------------------------------------------------------------

const icu::Normalizer2& nfd() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status) || !n)
        throw std::runtime_error("ICU has no NFD normalizer");
    return *n;
}

const icu::Normalizer2& nfkd() {
    UErrorCode status = U_ZERO_ERROR;
    const icu::Normalizer2* n = icu::Normalizer2::getNFKDInstance(status);
    if (U_FAILURE(status) || !n)
        throw std::runtime_error("ICU has no NFKD normalizer");
    return *n;
}

icu::UnicodeString toIcu(QStringView text) {
    return icu::UnicodeString(reinterpret_cast<const char16_t*>(text.utf16()),
                              static_cast<int32_t>(text.size()));
}

QString fromIcu(const icu::UnicodeString& text) {
    return QString(reinterpret_cast<const QChar*>(text.getBuffer()), text.length());
}

// The comparison key of one segment of text under the options.
QString segmentKey(QStringView segment, CompareOptions options) {
    const bool literal = options.testFlag(CompareOption::Literal);
    const bool caseless = options.testFlag(CompareOption::CaseInsensitive);
    const bool noMarks = options.testFlag(CompareOption::DiacriticInsensitive);
    const bool noWidth = options.testFlag(CompareOption::WidthInsensitive);
    if (literal && !caseless && !noMarks && !noWidth)
        return segment.toString();

    icu::UnicodeString key;
    UErrorCode status = U_ZERO_ERROR;
    if (noWidth) {
        forEachCodePoint(segment, [&](char32_t c, qsizetype, qsizetype) {
            const int type = u_getIntPropertyValue(static_cast<UChar32>(c), UCHAR_DECOMPOSITION_TYPE);
            if (type == U_DT_WIDE || type == U_DT_NARROW)
                key.append(nfkd().normalize(icu::UnicodeString(static_cast<UChar32>(c)), status));
            else
                key.append(static_cast<UChar32>(c));
        });
    } else {
        key = toIcu(segment);
    }
    if (!literal || noMarks)
        key = nfd().normalize(key, status);
    if (caseless) {
        key.foldCase(U_FOLD_CASE_DEFAULT);
        if (!literal || noMarks)
            key = nfd().normalize(key, status);
    }
    if (noMarks) {
        icu::UnicodeString stripped;
        for (int32_t i = 0; i < key.length();) {
            const UChar32 c = key.char32At(i);
            if (u_charType(c) != U_NON_SPACING_MARK)
                stripped.append(c);
            i += U16_LENGTH(c);
        }
        key = stripped;
    }
    if (U_FAILURE(status))
        throw std::runtime_error("cannot normalize text for a comparison");
    return fromIcu(key);
}

// The text as a sequence of segments (a code point, or without Literal a character with the
// combining marks that follow it), folded into one key text with the segment bounds noted.
struct FoldedText {
    QString key;
    std::vector<qsizetype> originalAt; // per key position: the text position of a segment bound, or -1
};

FoldedText fold(QStringView text, CompareOptions options) {
    FoldedText folded;
    std::vector<std::pair<qsizetype, qsizetype>> segments; // (start, length) in text
    const bool literal = options.testFlag(CompareOption::Literal);
    forEachCodePoint(text, [&](char32_t c, qsizetype at, qsizetype length) {
        const bool joins = !literal && !segments.empty() && u_getCombiningClass(static_cast<UChar32>(c)) != 0;
        if (joins)
            segments.back().second += length;
        else
            segments.emplace_back(at, length);
    });
    std::vector<std::pair<qsizetype, qsizetype>> bounds; // (key position, text position)
    for (const auto& [start, length] : segments) {
        bounds.emplace_back(folded.key.size(), start);
        folded.key += segmentKey(text.mid(start, length), options);
    }
    folded.originalAt.assign(static_cast<size_t>(folded.key.size()) + 1, -1);
    for (const auto& [keyAt, textAt] : bounds) {
        // A segment that folds to nothing shares its bound with the next one; the first wins.
        if (folded.originalAt[static_cast<size_t>(keyAt)] < 0)
            folded.originalAt[static_cast<size_t>(keyAt)] = textAt;
    }
    folded.originalAt.back() = text.size();
    return folded;
}

QString replacePlain(QStringView region, const QString& target, const QString& replacement,
                     CompareOptions options) {
    const FoldedText text = fold(region, options);
    const QString key = fold(target, options).key;
    if (key.isEmpty())
        return region.toString();
    const bool anchored = options.testFlag(CompareOption::Anchored);
    auto at = [&](qsizetype keyPosition) { return text.originalAt[static_cast<size_t>(keyPosition)]; };

    std::vector<std::pair<qsizetype, qsizetype>> found; // text positions [start, end)
    if (!options.testFlag(CompareOption::Backwards)) {
        qsizetype from = 0;
        for (;;) {
            const qsizetype i = text.key.indexOf(key, from, Qt::CaseSensitive);
            if (i < 0 || (anchored && i != 0))
                break;
            if (at(i) >= 0 && at(i + key.size()) >= 0) {
                found.emplace_back(at(i), at(i + key.size()));
                if (anchored)
                    break;
                from = i + key.size();
            } else {
                if (anchored)
                    break;
                from = i + 1;
            }
        }
    } else {
        qsizetype from = text.key.size() - key.size();
        while (from >= 0) {
            const qsizetype i = text.key.lastIndexOf(key, from, Qt::CaseSensitive);
            if (i < 0 || (anchored && i + key.size() != text.key.size()))
                break;
            if (at(i) >= 0 && at(i + key.size()) >= 0) {
                found.emplace_back(at(i), at(i + key.size()));
                if (anchored)
                    break;
                from = i - key.size();
            } else {
                if (anchored)
                    break;
                from = i - 1;
            }
        }
        std::reverse(found.begin(), found.end());
    }
    if (found.empty())
        return region.toString();
    QString out;
    qsizetype copied = 0;
    for (const auto& [start, end] : found) {
        out += region.mid(copied, start - copied);
        out += replacement;
        copied = end;
    }
    out += region.mid(copied);
    return out;
}

} // namespace

// --- numbers and counters ----------------------------------------------------------------------

QString paddingNumbers(const QString& text, int width, const QString& character) {
    if (width <= 0)
        return text;
    static const RegularExpression digits(QStringLiteral("\\d+"));
    QString result = text;
    const QList<TextCheckingResult> runs = digits.matches(text);
    for (auto run = runs.crbegin(); run != runs.crend(); ++run) {
        const TextRange r = run->range();
        const qsizetype length = codePointCount(QStringView(text).mid(r.location, r.length));
        if (length < width)
            result.insert(r.location, character.repeated(width - length));
    }
    return result;
}

void padNumbers(QString& text, int width, const QString& character) {
    text = paddingNumbers(text, width, character);
}

CounterError::CounterError(Kind kind, QString failureReason)
    : m_kind(kind), m_reason(std::move(failureReason)), m_what(m_reason.toStdString()) {}

QString formatCounter(qint64 value, const QString& format) {
    const CounterFormat parsed = parseCounterFormat(format);
    return parsed.before + applyConversion(parsed.conversion, value) + parsed.after;
}

QString incrementingCounter(const QString& text, qint64 start, qint64 step, const QString& format,
                            const QString& delimiter) {
    const CounterFormat parsed = parseCounterFormat(format);
    QString name = text;
    qint64 value = start;
    // The delimiter is part of the pattern as it stands; a delimiter that does not make a valid
    // pattern finds no counter.
    if (const auto pattern = RegularExpression::make(delimiter + QStringLiteral("\\d+$"))) {
        if (const auto match = pattern->firstMatch(text)) {
            const TextRange r = match->range();
            std::vector<char32_t> delimiterCodePoints;
            forEachCodePoint(delimiter,
                             [&](char32_t c, qsizetype, qsizetype) { delimiterCodePoints.push_back(c); });
            const QString digits = trimCodePoints(text.mid(r.location, r.length), delimiterCodePoints);
            if (const std::optional<qint64> current = readInteger(digits)) {
                if (__builtin_add_overflow(*current, step, &value))
                    throw CounterError(CounterError::Kind::Overflow,
                                       QStringLiteral("The counter %1 plus the step %2 does not fit in a "
                                                      "64-bit integer.")
                                           .arg(*current)
                                           .arg(step));
                name = text.left(r.location) + text.mid(r.end());
            }
        }
    }
    return name + delimiter + parsed.before + applyConversion(parsed.conversion, value) + parsed.after;
}

void incrementCounter(QString& text, qint64 start, qint64 step, const QString& format,
                      const QString& delimiter) {
    text = incrementingCounter(text, start, step, format, delimiter);
}

// --- words, lines and blanks -------------------------------------------------------------------

QString camelCaps(const QString& text) {
    if (text.isEmpty())
        return text;
    QString result;
    result.reserve(text.size() + text.size() / 4);
    bool first = true;
    forEachCodePoint(text, [&](char32_t c, qsizetype at, qsizetype length) {
        if (!first && isCapital(c)) {
            const qsizetype lastStart = lastCharacterStart(result);
            if (!isCapital(codePointAt(result, lastStart)) || lastStart == 0)
                result.append(QLatin1Char(' '));
        }
        result.append(QStringView(text).mid(at, length));
        first = false;
    });
    return result;
}

QString minified(const QString& text) {
    QString result = text;
    result.remove(QLatin1Char('\n'));
    return result;
}

bool isNotEmpty(const QString& text) {
    return !text.isEmpty();
}

QString trimmingWhiteSpace(const QString& text) {
    auto blank = [](QChar c) { return c == QLatin1Char('\t') || c.category() == QChar::Separator_Space; };
    qsizetype start = 0;
    qsizetype end = text.size();
    while (start < end && blank(text.at(start)))
        ++start;
    while (end > start && blank(text.at(end - 1)))
        --end;
    return text.mid(start, end - start);
}

QString orEmpty(const std::optional<QString>& text) {
    return text.value_or(QString());
}

// --- regular-expression conveniences -----------------------------------------------------------

std::optional<QString> substring(const QString& text, const QString& pattern) {
    const std::optional<RegularExpression> expression = RegularExpression::make(pattern);
    if (!expression)
        return std::nullopt;
    const std::optional<TextCheckingResult> match = expression->firstMatch(text);
    if (!match)
        return std::nullopt;
    return match->matchedString(expression->numberOfCaptureGroups() == 1 ? 1 : 0, text);
}

bool matches(const QString& text, const QString& regex) {
    const std::optional<RegularExpression> expression = RegularExpression::make(regex);
    return expression && expression->firstMatch(text).has_value();
}

// --- replacing ---------------------------------------------------------------------------------

QString replacingOccurrences(const QString& text, const QString& target, const QString& replacement,
                             CompareOptions options, std::optional<TextRange> range) {
    const TextRange region = range.value_or(TextRange{0, text.size()});
    if (region.location < 0 || region.length < 0 || region.location > text.size() ||
        region.length > text.size() - region.location)
        throw std::out_of_range("the range lies outside the text");
    if (target.isEmpty())
        return text;
    if (options.testFlag(CompareOption::RegularExpression)) {
        RegularExpression::Options regexOptions;
        if (options.testFlag(CompareOption::CaseInsensitive))
            regexOptions |= RegularExpression::Option::CaseInsensitive;
        const std::optional<RegularExpression> expression = RegularExpression::make(target, regexOptions);
        if (!expression)
            return text;
        return expression->replacingMatches(text, replacement, region,
                                            options.testFlag(CompareOption::Anchored));
    }
    const QStringView view(text);
    return view.left(region.location).toString() +
           replacePlain(view.mid(region.location, region.length), target, replacement, options) +
           view.mid(region.end()).toString();
}

StringReplacementError::StringReplacementError(qsizetype inputCount, qsizetype replacementCount)
    : m_inputCount(inputCount), m_replacementCount(replacementCount), m_what(failureReason().toStdString()) {}

QString StringReplacementError::failureReason() const {
    return QStringLiteral("More input strings (") + QString::number(m_inputCount) +
           QStringLiteral(") given than replacement strings (") + QString::number(m_replacementCount) +
           QStringLiteral(").");
}

QStringList batchReplacingOccurrences(const QStringList& inputs, const QString& target,
                                      const QStringList& replacements, CompareOptions options,
                                      std::optional<TextRange> range) {
    if (replacements.size() < inputs.size())
        throw StringReplacementError(inputs.size(), replacements.size());
    QStringList result;
    result.reserve(inputs.size());
    for (qsizetype k = 0; k < inputs.size(); ++k)
        result.append(replacingOccurrences(inputs.at(k), target, replacements.at(k), options, range));
    return result;
}

} // namespace brisquel::vexo
