#include "VexoUpdater/VersionComparator.h"

#include <algorithm>

namespace quillmere {

namespace {

enum class Kind { Number, Word };

struct Part {
    Kind kind;
    std::string_view text;
};

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

bool isLetter(char c) {
    const auto byte = static_cast<unsigned char>(c);
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || byte >= 0x80;
}

bool isSeparator(char c) {
    return c == '.' || c == '-' || c == '_' || c == '+' || c == '~' || c == ' ';
}

// The bounds every version keeps: some text, at most kMaximumLength, no space at either end.
bool hasVersionBounds(std::string_view text) {
    return !text.empty() && text.size() <= VersionComparator::kMaximumLength && text.front() != ' ' &&
           text.back() != ' ';
}

char lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// Reads the parts of a version one at a time, without allocating: the comparison runs once per
// item of a feed that may hold thousands.
class Parts {
public:
    explicit Parts(std::string_view text) : m_text(text) {}

    bool next(Part& part) {
        while (m_at < m_text.size() && !isDigit(m_text[m_at]) && !isLetter(m_text[m_at]))
            ++m_at;
        if (m_at == m_text.size())
            return false;
        const std::size_t start = m_at;
        const bool digits = isDigit(m_text[m_at]);
        while (m_at < m_text.size() && (digits ? isDigit(m_text[m_at]) : isLetter(m_text[m_at])))
            ++m_at;
        part = {digits ? Kind::Number : Kind::Word, m_text.substr(start, m_at - start)};
        return true;
    }

private:
    std::string_view m_text;
    std::size_t m_at = 0;
};

std::string_view withoutLeadingZeros(std::string_view digits) {
    const std::size_t first = digits.find_first_not_of('0');
    return first == std::string_view::npos ? std::string_view() : digits.substr(first);
}

int sign(int value) {
    return (value > 0) - (value < 0);
}

// Numbers of any length: the one with more significant digits is larger, else digit by digit.
int compareNumbers(std::string_view a, std::string_view b) {
    a = withoutLeadingZeros(a);
    b = withoutLeadingZeros(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    return sign(a.compare(b));
}

int compareWords(std::string_view a, std::string_view b) {
    const std::size_t common = std::min(a.size(), b.size());
    for (std::size_t i = 0; i < common; ++i) {
        const char x = lower(a[i]);
        const char y = lower(b[i]);
        if (x != y)
            return static_cast<unsigned char>(x) < static_cast<unsigned char>(y) ? -1 : 1;
    }
    return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}

int compareParts(const Part& a, const Part& b) {
    if (a.kind != b.kind)
        return a.kind == Kind::Number ? 1 : -1;
    return a.kind == Kind::Number ? compareNumbers(a.text, b.text) : compareWords(a.text, b.text);
}

// How the parts left over in the longer version weigh against the shorter one, which has ended:
// positive when they make it newer, negative when they make it a pre-release, zero when they are
// only zeros.
int weighRest(Parts& rest, Part part) {
    do {
        if (part.kind == Kind::Word)
            return -1;
        if (!withoutLeadingZeros(part.text).empty())
            return 1;
    } while (rest.next(part));
    return 0;
}

} // namespace

int VersionComparator::compare(std::string_view a, std::string_view b) {
    Parts left(a);
    Parts right(b);
    Part x{};
    Part y{};
    for (;;) {
        const bool hasLeft = left.next(x);
        const bool hasRight = right.next(y);
        if (!hasLeft && !hasRight)
            return 0;
        if (!hasRight)
            return weighRest(left, x);
        if (!hasLeft)
            return -weighRest(right, y);
        if (const int order = compareParts(x, y))
            return order;
    }
}

int VersionComparator::compare(const QString& a, const QString& b) {
    const QByteArray left = a.toUtf8();
    const QByteArray right = b.toUtf8();
    return compare(std::string_view(left.constData(), static_cast<std::size_t>(left.size())),
                   std::string_view(right.constData(), static_cast<std::size_t>(right.size())));
}

std::optional<VersionComparator::Numbers> VersionComparator::numbers(std::string_view version) {
    // One pass over the text: it runs for every item of a feed, before any comparison, and also
    // stands for isVersion() there (a text it reads is a version).
    if (!hasVersionBounds(version))
        return std::nullopt;
    Numbers read;
    std::size_t significant = 0;
    std::size_t at = 0;
    while (at < version.size()) {
        if (!isDigit(version[at])) {
            if (!isSeparator(version[at]))
                return std::nullopt;
            ++at;
            continue;
        }
        if (read.count == read.values.size())
            return std::nullopt;
        std::uint64_t value = 0;
        std::size_t digits = 0; // without leading zeros
        for (; at < version.size() && isDigit(version[at]); ++at) {
            value = value * 10 + static_cast<std::uint64_t>(version[at] - '0');
            digits += value != 0 ? 1 : 0;
        }
        if (digits > 19)
            return std::nullopt;
        read.values[read.count++] = value;
        if (value != 0)
            significant = read.count;
    }
    if (read.count == 0) // no digit at all
        return std::nullopt;
    read.count = significant;
    return read;
}

int VersionComparator::compare(const Numbers& a, const Numbers& b) {
    const std::size_t common = std::min(a.count, b.count);
    for (std::size_t i = 0; i < common; ++i) {
        if (a.values[i] != b.values[i])
            return a.values[i] < b.values[i] ? -1 : 1;
    }
    // The longer one's rest ends in a number that is not zero, so it makes it newer.
    return a.count == b.count ? 0 : (a.count < b.count ? -1 : 1);
}

bool VersionComparator::isVersion(std::string_view text) {
    if (!hasVersionBounds(text))
        return false;
    bool digit = false;
    for (const char c : text) {
        if (isDigit(c)) {
            digit = true;
            continue;
        }
        const bool asciiLetter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!asciiLetter && !isSeparator(c))
            return false;
    }
    return digit;
}

bool VersionComparator::isVersion(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return isVersion(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

} // namespace quillmere
