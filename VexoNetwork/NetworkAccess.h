#pragma once

#include <QObject>
#include <QPointer>

class QNetworkAccessManager;

namespace quillmere {

// Hands out the QNetworkAccessManager that requests go through, and makes it only when the first
// request needs it: a program that sends nothing starts nothing of the network (no manager, no
// proxy lookup, no thread).
//
// The application has one: application(), a child of the application object, so that every
// request shares one manager (its connections, its proxy settings) and it goes when the
// application object goes. A test or a tool may make a provider of its own.
//
// The manager keeps no cookies and no cache, follows no redirect by itself (HttpRequest follows
// them, by its rules), and reaches a loopback host directly, whatever proxy the system names;
// every other host through the proxy the system configures.
class NetworkAccess final : public QObject {
    Q_OBJECT

public:
    explicit NetworkAccess(QObject* parent = nullptr);
    ~NetworkAccess() override;

    // The manager, made at the first call. On the thread this provider lives on only.
    QNetworkAccessManager& manager();
    // Whether the manager has been made.
    bool hasManager() const { return m_manager != nullptr; }

    // The application's provider, made at the first call as a child of the application object
    // (which must exist), and gone when the application's event loop ends (a request after that
    // makes another). Making it makes no manager.
    static NetworkAccess& application();

private:
    QNetworkAccessManager* m_manager = nullptr;
};

} // namespace quillmere
