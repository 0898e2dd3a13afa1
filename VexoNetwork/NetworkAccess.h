#pragma once

#include <QObject>
#include <QPointer>

namespace quillmere {

// Holds the connections that requests go through (the network library's QNetworkAccessManager),
// which the network library makes only when the first request through this provider needs them:
// a program that sends nothing starts nothing of the network (no library, no manager, no proxy
// lookup, no thread).
//
// The application has one: application(), a child of the application object, so that every
// request shares one manager (its connections, its proxy settings) and it goes when the
// application object goes. A test or a tool may make a provider of its own.
//
// The manager keeps no cookies and no cache, follows no redirect by itself (HttpRequest follows
// them, by its rules), and reaches a loopback host directly, whatever proxy the system names;
// every other host through the proxy the system configures. When it goes, it lets go of its
// connections first, while its network thread still runs.
class NetworkAccess final : public QObject {
    Q_OBJECT

public:
    explicit NetworkAccess(QObject* parent = nullptr);
    ~NetworkAccess() override;

    // Whether the manager has been made: the network library makes it as this provider's one
    // child, at the first request, and alone uses it, on the thread this provider lives on.
    bool hasManager() const;

    // The application's provider, made at the first call as a child of the application object
    // (which must exist), and gone when the application's event loop ends (a request after that
    // makes another). Making it makes no manager.
    static NetworkAccess& application();
};

} // namespace quillmere
