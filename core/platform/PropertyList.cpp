#include "platform/PropertyList.h"

#include <QFile>
#include <plist/plist.h>

namespace brisquel::plist {

std::optional<QVariant> parse(const QByteArray& bytes) {
    Q_UNUSED(bytes);
    return std::nullopt;
}

std::optional<QVariant> readFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return parse(file.readAll());
}

std::optional<QByteArray> toBinary(const QVariant& value) {
    Q_UNUSED(value);
    return std::nullopt;
}

} // namespace brisquel::plist
