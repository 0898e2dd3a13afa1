#include "core/VersionAvailability.h"

#include <QList>

#include <algorithm>

namespace brisquel {

namespace {

// The standard text order: code point by code point after canonical composition, so that
// canonically equivalent texts compare equal and UTF-16 surrogates do not skew the order.
int compareTexts(const QString& a, const QString& b) {
    const QList<uint> x = a.normalized(QString::NormalizationForm_C).toUcs4();
    const QList<uint> y = b.normalized(QString::NormalizationForm_C).toUcs4();
    if (std::lexicographical_compare(x.begin(), x.end(), y.begin(), y.end())) {
        return -1;
    }
    if (std::lexicographical_compare(y.begin(), y.end(), x.begin(), x.end())) {
        return 1;
    }
    return 0;
}

} // namespace

VersionAvailability::VersionAvailability(QString startVersion, std::optional<QString> endVersion)
    : m_startVersion(std::move(startVersion)), m_endVersion(std::move(endVersion)) {}

bool VersionAvailability::compatible(const QString& version) const {
    if (compareTexts(version, m_startVersion) < 0) {
        return false;
    }
    return !m_endVersion || compareTexts(version, *m_endVersion) <= 0;
}

QString VersionAvailability::description() const {
    QString text = QStringLiteral("Compatible Versions: ") + m_startVersion;
    if (m_endVersion) {
        return text + QStringLiteral(" -> ") + *m_endVersion;
    }
    return text + QLatin1Char('+');
}

} // namespace brisquel
