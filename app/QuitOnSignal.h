#pragma once

#include <QObject>

class QSocketNotifier;

namespace quillmere {

// Ends the application as its Quit command does when the process is asked to stop (Ctrl-C in the
// terminal that started it, SIGTERM, SIGHUP): the event loop returns, windows close and the
// program exits with status 0, instead of dying midway with its display connection cut.
//
// The signal handler only writes a byte to a pipe; the quitting happens in the event loop. One
// object at a time (the handler has one pipe); the previous dispositions return when it goes.
class QuitOnSignal final : public QObject {
    Q_OBJECT

public:
    explicit QuitOnSignal(QObject* parent = nullptr);
    ~QuitOnSignal() override;

    // Whether the handler is in place (creating the pipe can fail).
    bool isActive() const { return m_notifier != nullptr; }

private:
    void signalled();

    QSocketNotifier* m_notifier = nullptr;
};

} // namespace quillmere
