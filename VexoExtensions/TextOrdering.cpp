#include "VexoExtensions/TextOrdering.h"

#include <QLocale>

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
    Collators& c = collatorsForThread();
    if (const int r = compareWith(c.collator.get(), left, right); r != 0) {
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
