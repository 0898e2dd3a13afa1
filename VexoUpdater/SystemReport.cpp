#include "VexoUpdater/SystemReport.h"

#include <QOperatingSystemVersion>

namespace quillmere {

namespace {

class NativeSystemReport final : public SystemReport {
public:
    QString operatingSystem() const override {
#if defined(Q_OS_MACOS)
        return QStringLiteral("macos");
#elif defined(Q_OS_WIN)
        return QStringLiteral("windows");
#else
        return QStringLiteral("linux");
#endif
    }

    std::optional<QString> systemVersion() const override {
#if defined(Q_OS_MACOS)
        const QOperatingSystemVersion current = QOperatingSystemVersion::current();
        return QStringLiteral("%1.%2.%3")
            .arg(current.majorVersion())
            .arg(qMax(0, current.minorVersion()))
            .arg(qMax(0, current.microVersion()));
#else
        // Feeds' minimum versions are macOS versions; they say nothing about this system.
        return std::nullopt;
#endif
    }
};

} // namespace

std::shared_ptr<SystemReport> SystemReport::native() {
    return std::make_shared<NativeSystemReport>();
}

} // namespace quillmere
