#include "core/BundleIcon.h"

#include "VexoExtensions/FileReading.h"
#include "VexoExtensions/InputLimits.h"

#include <QFileInfo>
#include <QStringList>

namespace brisquel {

QString bundleIconFile(const QString& bundlePath, const QVariant& iconFile) {
    if (iconFile.typeId() != QMetaType::QString) {
        return {};
    }
    const QString name = iconFile.toString();
    // The name must stay inside Resources.
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name == QLatin1String("..") ||
        name == QLatin1String(".")) {
        return {};
    }
    const QString resources = bundlePath + QStringLiteral("/Contents/Resources/");
    QStringList candidates;
    if (QFileInfo(name).suffix().isEmpty()) {
        candidates << name + QStringLiteral(".icns") << name + QStringLiteral(".png");
    } else {
        candidates << name;
    }
    for (const QString& candidate : candidates) {
        const QFileInfo info(resources + candidate);
        // Whoever shows the icon opens it: it must be a regular file of a sensible size.
        if (vexo::checkRegularFile(info.absoluteFilePath(), vexo::limits::kIconFileBytes)) {
            return info.absoluteFilePath();
        }
    }
    return {};
}

} // namespace brisquel
