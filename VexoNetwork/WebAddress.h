#pragma once

#include "VexoExtensions/Result.h"

#include <QString>
#include <QUrl>

// The rule for every address the application requests: https, or plain http to this computer
// only (a server on the loopback interface, as a local mirror or a test serves). What travels
// (the user's message, the program's identity, an update feed that leads to a download) must not
// be readable or changeable on the way.
namespace quillmere::WebAddress {

// Whether host, as QUrl::host() gives it, names this computer: "localhost" (in any case) or a
// loopback address (127.0.0.0/8, ::1, ::ffff:127.0.0.0/104). A name that merely begins like one
// ("127.0.0.1.example.com") does not.
bool isLoopbackHost(const QString& host);

// Success when the address may be requested; otherwise Refused, with a sentence that names the
// address and why: it is not a web address (no host), or it is neither https nor http to this
// computer.
brisquel::vexo::Result check(const QUrl& url);

// The address as it may be shown or logged: without user information, query or fragment (a query
// can carry what the user wrote, user information a password).
QString shown(const QUrl& url);

} // namespace quillmere::WebAddress
