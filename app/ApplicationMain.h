#pragma once

#include <QObject>

#include <functional>
#include <memory>

namespace brisquel {
class AppFinder;
}

namespace quillmere {

class AppDelegate;
class Updater;

// Runs the application: answers the command line (--help, --version, a refused option; see
// CommandLine.h) and the windowless update check before any display is needed, says so in one
// line and ends with status 1 when there is no display, creates the application object, installs
// this machine's services, starts the application (ApplicationLaunch) and runs the event loop until
// the user quits. The result is the process's exit status.
//
// `launched`, when given, is called once launching has finished, with the delegate; it lets a
// harness (the start-up benchmark) watch the very program users run.
int ApplicationMain(int argc, char** argv, const std::function<void(AppDelegate&)>& launched = {});

// The application-wide choices made before any window exists: the name, version and desktop
// identity from the information dictionary, and whether closing the last window quits.
void configureApplication();

// Whether the desktop has one menu bar for all windows, so that an application without a window
// can still be reached and quit.
bool hasGlobalMenuBar();

// The start of the application, from its application object to its main window, in this order:
//   1. the delegate, whose constructor makes the preferences window controller with the updates
//      pane and its window object (no native window: it is never shown yet), and stops the program
//      when a resource bundle is missing;
//   2. from the event loop, launching: the main window is built and shown, then `launched` runs;
//   3. once the main window has painted for the first time, the updater: it is made, installed as
//      the shared one, followed by the record of the last check (LastUpdateCheck), and its
//      automatic checks start.
// Nothing is made before the main window that it does not need: no updater and no network
// object, no update-check timer, no feedback window (made at the first Send Feedback command).
class ApplicationLaunch final : public QObject {
    Q_OBJECT

public:
    explicit ApplicationLaunch(brisquel::AppFinder& finder, std::function<void(AppDelegate&)> launched = {},
                               QObject* parent = nullptr);
    ~ApplicationLaunch() override;

    AppDelegate& delegate() const { return *m_delegate; }
    // Null until the main window has painted for the first time.
    Updater* updater() const { return m_updater.get(); }

signals:
    // The main window has painted for the first time (the updater is made right after).
    void mainWindowPainted();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void finishLaunching();
    void installUpdater();

    std::unique_ptr<Updater> m_updater;
    std::unique_ptr<AppDelegate> m_delegate;
    std::function<void(AppDelegate&)> m_launched;
    bool m_painted = false;
};

} // namespace quillmere
