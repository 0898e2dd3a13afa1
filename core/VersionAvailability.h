#pragma once

#include "VexoExtensions/Export.h"

#include <QString>
#include <optional>

namespace brisquel {

// The range of Capture One versions in which something is available. Versions are compared as
// plain texts (code point by code point after canonical composition), never split into numbers:
// with a start of "2.0", "10.0" is not compatible because it sorts before "2.0".
class BRISQUEL_EXPORT VersionAvailability {
public:
    explicit VersionAvailability(QString startVersion, std::optional<QString> endVersion = std::nullopt);

    const QString& startVersion() const { return m_startVersion; }
    const std::optional<QString>& endVersion() const { return m_endVersion; }

    // True when version lies in [startVersion, endVersion] (open-ended without an end).
    bool compatible(const QString& version) const;
    // "Compatible Versions: 2 -> 5", or "Compatible Versions: 2+" without an end.
    QString description() const;

private:
    QString m_startVersion;
    std::optional<QString> m_endVersion;
};

} // namespace brisquel
