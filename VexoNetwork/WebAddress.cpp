#include "VexoNetwork/WebAddress.h"

#include <arpa/inet.h>
#include <netinet/in.h>

namespace quillmere::WebAddress {

using brisquel::vexo::Result;
using brisquel::vexo::Status;

bool isLoopbackHost(const QString& host) {
    if (host.compare(QLatin1String("localhost"), Qt::CaseInsensitive) == 0)
        return true;
    // An IPv6 address of this computer with the interface it is reached through ("::1%lo") is one
    // too.
    const QByteArray address = (host.contains(u':') ? host.section(u'%', 0, 0) : host).toLatin1();
    if (address.contains('\0'))
        return false;
    in_addr v4{};
    if (inet_pton(AF_INET, address.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    in6_addr v6{};
    if (inet_pton(AF_INET6, address.constData(), &v6) == 1)
        return IN6_IS_ADDR_LOOPBACK(&v6) || (IN6_IS_ADDR_V4MAPPED(&v6) && v6.s6_addr[12] == 127);
    return false;
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
