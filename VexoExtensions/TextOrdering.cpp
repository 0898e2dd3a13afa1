#include "VexoExtensions/TextOrdering.h"

#include <QLocale>

#include <algorithm>
#include <array>
#include <memory>
#include <unicode/ucol.h>

namespace brisquel::vexo {

namespace {

struct CollatorClose {
    void operator()(UCollator* c) const { ucol_close(c); }
};
using Collator = std::unique_ptr<UCollator, CollatorClose>;

Collator openCollator(const QByteArray& locale, UCollationStrength strength) {
    UErrorCode status = U_ZERO_ERROR;
    Collator c(ucol_open(locale.constData(), &status));
    if (U_FAILURE(status)) {
        status = U_ZERO_ERROR;
        c.reset(ucol_open("", &status)); // the root collation
    }
    if (c) {
        ucol_setAttribute(c.get(), UCOL_NUMERIC_COLLATION, UCOL_ON, &status);
        ucol_setStrength(c.get(), strength);
    }
    return c;
}

// Each thread keeps its own collator, rebuilt when the default locale changes. One collator of
// tertiary strength gives both orders at once: it compares every primary weight (letters, numbers)
// first, then the secondary ones (accents), and only then case and width, so a difference of case
// or width decides only between texts that are otherwise equal.
struct Collators {
    QLocale locale;
    Collator collator;

    explicit Collators(const QLocale& l) : locale(l) {
        // The C locale has no collation of its own; use the root collation.
        const QByteArray name = l.language() == QLocale::C ? QByteArray() : l.name().toUtf8();
        collator = openCollator(name, UCOL_TERTIARY);
    }
};

Collators& collatorsForThread() {
    thread_local std::unique_ptr<Collators> collators;
    const QLocale current;
    if (!collators || collators->locale != current) {
        collators = std::make_unique<Collators>(current);
    }
    return *collators;
}

// Texts of printable ASCII, which names nearly always are, are ordered here without ICU wherever
// the locale orders those characters as the root collation does: opening a collator maps some
// 2 MiB of ICU's code and data, the largest single cost of the application's start-up.
//
// In that collation, with numeric ordering, a text is a sequence of primary units (each character
// but a digit, ranked by kRootOrder with case folded, and each run of digits as one number, which
// ranks after every other character but the letters and compares by value, leading zeros
// ignored); sequences compare unit by unit, a prefix first. Texts equal there are told apart only
// by case, at the first letter whose case differs: lower case first.
namespace ascii {

constexpr char kRootOrder[] = " _-,;:!?.'\"()[]{}@*/\\&#%`^+<=>|~$";
constexpr int kNumberRank = 64; // after every character of kRootOrder, before the letters
// A run of digits longer than this is ICU's to compare (it splits very long numbers).
constexpr qsizetype kLongestNumber = 200;

// Each printable character's rank (case folded), -1 for the digits.
constexpr std::array<int, 128> kRanks = [] {
    std::array<int, 128> ranks{};
    ranks.fill(-1);
    for (int i = 0; kRootOrder[i] != '\0'; ++i) {
        ranks[static_cast<unsigned char>(kRootOrder[i])] = i;
    }
    for (int c = 'a'; c <= 'z'; ++c) {
        ranks[c] = ranks[c - 'a' + 'A'] = 100 + (c - 'a');
    }
    return ranks;
}();

bool isDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}

bool orderable(const QString& text) {
    qsizetype run = 0;
    for (const QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c < 0x20 || c > 0x7E) {
            return false;
        }
        run = isDigit(c) ? run + 1 : 0;
        if (run > kLongestNumber) {
            return false;
        }
    }
    return true;
}

// The digits of the run at `from` without its leading zeros, and where the run ends.
QStringView numberAt(const QString& text, qsizetype from, qsizetype& end) {
    end = from;
    while (end < text.size() && isDigit(text.at(end).unicode())) {
        ++end;
    }
    qsizetype first = from;
    while (first < end && text.at(first) == u'0') {
        ++first;
    }
    return QStringView(text).mid(first, end - first);
}

// One walk over both texts: the first difference of primary units decides; texts equal there
// have their letters at the same places, and the first difference of case among them decides.
int compare(const QString& left, const QString& right) {
    qsizetype i = 0;
    qsizetype j = 0;
    int byCase = 0;
    while (i < left.size() && j < right.size()) {
        const char16_t a = left.at(i).unicode();
        const char16_t b = right.at(j).unicode();
        if (isDigit(a) && isDigit(b)) {
            const QStringView x = numberAt(left, i, i);
            const QStringView y = numberAt(right, j, j);
            if (x.size() != y.size()) {
                return x.size() < y.size() ? -1 : 1;
            }
            if (const int r = x.compare(y); r != 0) {
                return r < 0 ? -1 : 1;
            }
            continue;
        }
        const int ra = isDigit(a) ? kNumberRank : kRanks[a];
        const int rb = isDigit(b) ? kNumberRank : kRanks[b];
        if (ra != rb) {
            return ra < rb ? -1 : 1;
        }
        if (byCase == 0 && a != b) {
            byCase = a < b ? 1 : -1; // same letter, other case: upper case ('A' < 'a') after lower
        }
        ++i;
        ++j;
    }
    if (i < left.size() || j < right.size()) {
        return i < left.size() ? 1 : -1;
    }
    return byCase;
}

// The languages whose collation orders printable ASCII as the root one does, checked against ICU
// by the tests. (Not Danish, for one: there "aa" is a letter of its own, after "z".)
constexpr QLocale::Language kRootLikeLanguages[] = {
    QLocale::C,        QLocale::English,    QLocale::French, QLocale::German,
    QLocale::Italian,  QLocale::Portuguese, QLocale::Dutch,  QLocale::Spanish,
    QLocale::Japanese, QLocale::Chinese,    QLocale::Korean, QLocale::Russian,
};

bool ordersLikeRoot(const QLocale& locale) {
    return std::find(std::begin(kRootLikeLanguages), std::end(kRootLikeLanguages), locale.language()) !=
           std::end(kRootLikeLanguages);
}

} // namespace ascii

int compareWith(UCollator* collator, const QString& left, const QString& right) {
    if (collator == nullptr) {
        return 0;
    }
    switch (ucol_strcoll(collator, reinterpret_cast<const UChar*>(left.utf16()),
                         static_cast<int32_t>(left.size()), reinterpret_cast<const UChar*>(right.utf16()),
                         static_cast<int32_t>(right.size()))) {
    case UCOL_LESS:
        return -1;
    case UCOL_GREATER:
        return 1;
    default:
        return 0;
    }
}

} // namespace

int finderCompare(const QString& left, const QString& right) {
    if (left == right) {
        return 0;
    }
    if (ascii::ordersLikeRoot(QLocale()) && ascii::orderable(left) && ascii::orderable(right)) {
        if (const int r = ascii::compare(left, right); r != 0) {
            return r;
        }
    } else if (const int r = compareWith(collatorsForThread().collator.get(), left, right); r != 0) {
        return r;
    }
    // Canonically equivalent or otherwise collation-equal texts: code units decide, so that
    // distinct texts never compare equal.
    const int r = QString::compare(left, right, Qt::CaseSensitive);
    return (r > 0) - (r < 0);
}

bool sortsBefore(const QString& left, const QString& right) {
    return finderCompare(left, right) < 0;
}

} // namespace brisquel::vexo
