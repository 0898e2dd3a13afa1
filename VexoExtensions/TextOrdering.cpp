#include "VexoExtensions/TextOrdering.h"

#include <QCollator>
#include <QLocale>

namespace brisquel::vexo {

namespace {

// Collators are not safe to share between threads while they set themselves up, so each thread
// keeps its own pair, rebuilt when the default locale changes.
struct Collators {
    QLocale locale;
    QCollator loose;  // ignores case and width: the Finder's notion of equal names
    QCollator strict; // tells case and width apart, to order names the loose one calls equal

    explicit Collators(const QLocale& l) : locale(l), loose(l), strict(l) {
        loose.setNumericMode(true);
        loose.setCaseSensitivity(Qt::CaseInsensitive);
        strict.setNumericMode(true);
        strict.setCaseSensitivity(Qt::CaseSensitive);
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

int sign(int v) {
    return (v > 0) - (v < 0);
}

} // namespace

int finderCompare(const QString& left, const QString& right) {
    if (left == right) {
        return 0;
    }
    Collators& c = collatorsForThread();
    if (const int r = c.loose.compare(left, right); r != 0) {
        return sign(r);
    }
    if (const int r = c.strict.compare(left, right); r != 0) {
        return sign(r);
    }
    // Canonically equivalent or otherwise collation-equal texts: fall back to code units so
    // that distinct texts never compare equal.
    return sign(QString::compare(left, right, Qt::CaseSensitive));
}

bool sortsBefore(const QString& left, const QString& right) {
    return finderCompare(left, right) < 0;
}

} // namespace brisquel::vexo
