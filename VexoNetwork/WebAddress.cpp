#include "VexoNetwork/WebAddress.h"

#include <QHostAddress>

namespace quillmere::WebAddress {

using brisquel::vexo::Result;
using brisquel::vexo::Status;

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    const QHostAddress address(host);
    return !address.isNull() && address.isLoopback();
}

Result check(const QUrl& url) {
    if (!url.isValid() || url.host().isEmpty()) {
        const QString text = url.toString();
        return Result::failure(Status::Refused, text.isEmpty()
                                                    ? QStringLiteral("An empty address is not a web address.")
                                                    : QStringLiteral("\u201c%1\u201d is not a web address.")
                                                          .arg(shown(url).isEmpty() ? text : shown(url)));
    }
    const QString scheme = url.scheme().toLower();
    if (scheme == QLatin1String("https") || (scheme == QLatin1String("http") && isLoopbackHost(url.host())))
        return {};
    return Result::failure(Status::Refused,
                           QStringLiteral("%1 is not an https address: only https is used, and plain http "
                                          "only to this computer.")
                               .arg(shown(url)));
}

QString shown(const QUrl& url) {
    return url.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment).toDisplayString();
}

} // namespace quillmere::WebAddress
