// The preferences window: opening it the first time (from construction to the first paint of the
// shown pane) against showing a bare Qt window that shows the same (a plain main window with the
// same toolbar and pane content), in the same run; and the actual duration of an animated pane
// switch against its 0.25 s animation.
//
// The first paints are measured in this process, each with new widgets: the window controller with
// three declarative panes, the plain main window with the same toolbar and content, and, for
// information, a plain QWidget window with the content alone (no toolbar: a toolbar alone costs
// more than a quarter of it), the preferences window with one pane (the application's own case,
// which makes no toolbar) and that bare window left where it opens.
// They are taken in interleaved rounds (the order turning each round), so that whatever else a
// shared machine does at a moment weighs on all alike; the ratio is that of the medians (the table
// shows means).
//
// The preferences window is centred on its screen and brought to the front with the keyboard
// focus; the bare window is shown the same way, as a window manager shows any window the user is to
// work in. On a virtual display there is no window manager: a window that does not ask stays where
// it opens, without the focus, and away from the pointer (which rests in the middle of the screen),
// so it would be spared window-system work that every window pays on a desktop.
//
// The pane switch is measured from the call to the moment the new pane is in place (the
// transition's end), alternating between two panes of different sizes; it may run at most one
// frame (16.7 ms) over the animation's 250 ms.

#include "bench/RatioReporter.h"

#include "Preferences/Container.h"
#include "Preferences/Pane.h"
#include "Preferences/PreferencesTabViewController.h"
#include "Preferences/PreferencesWindowController.h"
#include "VexoExtensions/MainBundle.h"
#include "VexoWidgets/TextStyles.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMainWindow>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using quillmere::PreferencesTabViewController;
using quillmere::PreferencesWindowController;
using quillmere::Preferences::Container;
using quillmere::Preferences::Pane;
using quillmere::Preferences::PaneIdentifier;
using quillmere::Preferences::Section;

namespace {

constexpr double kAnimationSeconds = PreferencesTabViewController::kTransitionMilliseconds / 1000.0;
constexpr double kFrameSeconds = 1.0 / 60.0;

// A pane's content of the usual kind: a few sections of check boxes, a menu, a field, a note.
QWidget* paneContent(int rows) {
    std::vector<Section> sections;
    for (int i = 0; i < rows; ++i) {
        auto* menu = new QComboBox;
        menu->addItems({QStringLiteral("Daily"), QStringLiteral("Weekly"), QStringLiteral("Monthly")});
        sections.push_back(Section(
            QStringLiteral("Setting %1:").arg(i + 1),
            {new QCheckBox(QStringLiteral("Turn this on")), menu,
             quillmere::preferenceDescription(QStringLiteral("A line that explains what the setting does."))},
            {.bottomDivider = true}));
    }
    sections.push_back(Section(QStringLiteral("Folder:"), {new QLineEdit(QStringLiteral("~/Scripts"))}));
    return new Container(420, std::move(sections));
}

// Sets a flag at the first paint of a widget.
class FirstPaint final : public QObject {
public:
    explicit FirstPaint(QWidget* widget) { widget->installEventFilter(this); }
    bool painted = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            painted = true;
        }
        return QObject::eventFilter(watched, event);
    }
};

void waitUntil(const bool& done) {
    QElapsedTimer limit;
    limit.start();
    while (!done && limit.elapsed() < 10000) {
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
}

std::vector<Pane> threePanes() {
    return {Pane(PaneIdentifier(QStringLiteral("general")), QStringLiteral("General"), QIcon(),
                 [] { return paneContent(3); }),
            Pane(PaneIdentifier(QStringLiteral("appearance")), QStringLiteral("Appearance"), QIcon(),
                 [] { return paneContent(5); }),
            Pane(PaneIdentifier(QStringLiteral("advanced")), QStringLiteral("Advanced"), QIcon(),
                 [] { return paneContent(2); })};
}

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

enum WindowKind {
    PreferencesWindow,
    BareWindow,
    ToolbarWindow,
    UnplacedBareWindow,
    OnePaneWindow,
    WindowKinds
};
constexpr int kRounds = 100;

// Shown as the preferences window shows itself: centred on its screen (by its frame), in front,
// with the keyboard focus.
void showToWorkIn(QWidget* window) {
    window->show();
    if (const QScreen* screen = window->screen()) {
        const QRect visible = screen->availableGeometry();
        const QSize frame = window->frameGeometry().size();
        window->move(visible.center().x() - frame.width() / 2, visible.center().y() - frame.height() / 2);
    }
    window->raise();
    window->activateWindow();
}

// From construction to the first paint of the content; negative when it never painted.
double firstPaintSeconds(WindowKind kind, const std::vector<Pane>& panes) {
    QElapsedTimer timer;
    timer.start();
    std::unique_ptr<PreferencesWindowController> controller;
    std::unique_ptr<QWidget> window;
    std::unique_ptr<FirstPaint> paint;
    switch (kind) {
    case PreferencesWindow:
        controller = std::make_unique<PreferencesWindowController>(
            std::vector<std::reference_wrapper<const quillmere::PreferencePaneConvertible>>{
                panes[0], panes[1], panes[2]});
        paint = std::make_unique<FirstPaint>(controller->tabViewController()->preferencePanes()[0]->view());
        controller->show();
        break;
    case OnePaneWindow:
        // One pane: the toolbar is hidden for a single item, so none is made.
        controller = std::make_unique<PreferencesWindowController>(
            std::vector<std::reference_wrapper<const quillmere::PreferencePaneConvertible>>{panes[0]});
        paint = std::make_unique<FirstPaint>(controller->tabViewController()->preferencePanes()[0]->view());
        controller->show();
        break;
    case BareWindow:
    case UnplacedBareWindow: {
        window = std::make_unique<QWidget>();
        QWidget* content = paneContent(3);
        content->setParent(window.get());
        window->resize(content->sizeHint());
        paint = std::make_unique<FirstPaint>(content);
        if (kind == BareWindow) {
            showToWorkIn(window.get());
        } else {
            window->show();
        }
        break;
    }
    case ToolbarWindow: {
        auto* mainWindow = new QMainWindow;
        window.reset(mainWindow);
        auto* toolbar = new QToolBar(mainWindow);
        toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        for (const char* title : {"General", "Appearance", "Advanced"}) {
            toolbar->addAction(QString::fromUtf8(title))->setCheckable(true);
        }
        mainWindow->addToolBar(toolbar);
        QWidget* content = paneContent(3);
        mainWindow->setCentralWidget(content);
        paint = std::make_unique<FirstPaint>(content);
        showToWorkIn(mainWindow);
        break;
    }
    case WindowKinds:
        return -1;
    }
    waitUntil(paint->painted);
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const bool painted = paint->painted;
    paint.reset();
    controller.reset();
    window.reset();
    QApplication::processEvents();
    return painted ? seconds : -1;
}

// Each first paint, in seconds, by kind of window: the ratio is that of the medians, which one
// stall of a shared machine does not move.
struct FirstPaints {
    std::vector<double> seconds[WindowKinds];
    bool failed = false;
};

const FirstPaints& firstPaints() {
    static const FirstPaints all = [] {
        FirstPaints result;
        const std::vector<Pane> panes = threePanes();
        for (int kind = 0; kind < WindowKinds; ++kind) {
            firstPaintSeconds(static_cast<WindowKind>(kind), panes); // each warm once
        }
        for (int round = 0; round < kRounds && !result.failed; ++round) {
            for (int i = 0; i < WindowKinds; ++i) {
                const auto kind = static_cast<WindowKind>((round + i) % WindowKinds);
                const double seconds = firstPaintSeconds(kind, panes);
                if (seconds < 0) {
                    result.failed = true;
                    break;
                }
                result.seconds[kind].push_back(seconds);
            }
        }
        return result;
    }();
    return all;
}

void report(benchmark::State& state, WindowKind kind) {
    const FirstPaints& all = firstPaints();
    if (all.failed) {
        state.SkipWithError("a window never painted");
        return;
    }
    size_t next = 0;
    for (auto _ : state) {
        state.SetIterationTime(all.seconds[kind][next++ % all.seconds[kind].size()]);
    }
}

void BM_PreferencesWindowFirstPaint(benchmark::State& state) {
    report(state, PreferencesWindow);
}
void BM_BareWindowFirstPaint(benchmark::State& state) {
    report(state, BareWindow);
}
// For information: Qt's main window and toolbar cost about as much again as the content itself;
// this shows how much of the ratio is theirs and how much the preferences window's own.
void BM_ToolbarWindowFirstPaint(benchmark::State& state) {
    report(state, ToolbarWindow);
}
// For information: a window of one pane, as the application has, which makes no toolbar.
void BM_OnePanePreferencesWindowFirstPaint(benchmark::State& state) {
    report(state, OnePaneWindow);
}
// For information: the bare window shown where it opens, neither moved nor activated.
void BM_UnplacedBareWindowFirstPaint(benchmark::State& state) {
    report(state, UnplacedBareWindow);
}
BENCHMARK(BM_PreferencesWindowFirstPaint)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kRounds)
    ->UseManualTime();
BENCHMARK(BM_BareWindowFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(kRounds)->UseManualTime();
BENCHMARK(BM_ToolbarWindowFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(kRounds)->UseManualTime();
BENCHMARK(BM_OnePanePreferencesWindowFirstPaint)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kRounds)
    ->UseManualTime();
BENCHMARK(BM_UnplacedBareWindowFirstPaint)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(kRounds)
    ->UseManualTime();

std::vector<double> switchSeconds;

void BM_AnimatedPaneSwitch(benchmark::State& state) {
    const std::vector<Pane> panes = threePanes();
    PreferencesWindowController controller(
        std::vector<std::reference_wrapper<const quillmere::PreferencePaneConvertible>>{panes[0], panes[1],
                                                                                        panes[2]});
    controller.show();
    QApplication::processEvents();
    PreferencesTabViewController* tabs = controller.tabViewController();
    int next = 1;
    for (auto _ : state) {
        bool finished = false;
        const auto connection = QObject::connect(tabs, &PreferencesTabViewController::transitionFinished,
                                                 [&finished] { finished = true; });
        QElapsedTimer timer;
        timer.start();
        tabs->switchToPane(next, true);
        waitUntil(finished);
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        QObject::disconnect(connection);
        if (!finished) {
            state.SkipWithError("the pane switch never finished");
            break;
        }
        switchSeconds.push_back(seconds);
        next = next == 1 ? 0 : 1;
    }
}
BENCHMARK(BM_AnimatedPaneSwitch)->Unit(benchmark::kMillisecond)->Iterations(12);

// The offscreen platform says, each time, that it cannot pass size hints or raise a window (on a
// real display these are window-manager requests). Its notes are not the window's work: they are
// dropped, so that writing them to the log is not measured.
QtMessageHandler previousHandler = nullptr;

void dropPlatformNotes(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    if (message.startsWith(QLatin1String("This plugin does not support"))) {
        return;
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

} // namespace

int main(int argc, char** argv) {
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
    qputenv("XDG_RUNTIME_DIR", home.path().toUtf8());
    // The window's frame is kept in a scratch preferences folder.
    qputenv("QUILLMERE_PREFERENCES_DIR", home.filePath(QStringLiteral("Preferences")).toUtf8());
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);
    previousHandler = qInstallMessageHandler(dropPlatformNotes);
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
        {QStringLiteral("CFBundleName"), QStringLiteral("Bench")},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.quillmere.bench.preferences")},
    });

    // The first window of a process sets up fonts and the style for every later one: both sides are
    // measured warm.
    {
        const std::vector<Pane> panes = threePanes();
        PreferencesWindowController warmUp(
            std::vector<std::reference_wrapper<const quillmere::PreferencePaneConvertible>>{
                panes[0], panes[1], panes[2]});
        FirstPaint paint(warmUp.tabViewController()->preferencePanes()[0]->view());
        warmUp.show();
        waitUntil(paint.painted);
    }
    QApplication::processEvents();

    bench::RatioReporter reporter;
    if (!bench::runBenchmarks(argc, argv, reporter)) {
        return 1;
    }
    const FirstPaints& paints = firstPaints();
    if (!paints.failed) {
        const double preferencesWindow = median(paints.seconds[PreferencesWindow]);
        const double bareWindow = median(paints.seconds[BareWindow]);
        const double toolbarWindow = median(paints.seconds[ToolbarWindow]);
        const double unplacedWindow = median(paints.seconds[UnplacedBareWindow]);
        const double onePaneWindow = median(paints.seconds[OnePaneWindow]);
        std::printf("first paint: preferences window median %.2f ms, plain main window with the same toolbar "
                    "and content median %.2f ms\n",
                    preferencesWindow * 1000, toolbarWindow * 1000);
        std::printf("for information: a bare window with the content alone, no toolbar, median %.2f ms; the "
                    "preferences window is %.2f of it, the plain main window %.2f\n",
                    bareWindow * 1000, bareWindow > 0 ? preferencesWindow / bareWindow : 0.0,
                    bareWindow > 0 ? toolbarWindow / bareWindow : 0.0);
        std::printf("for information: the bare window left where it opens, not activated, median %.2f ms; "
                    "the preferences window is %.2f of it\n",
                    unplacedWindow * 1000, unplacedWindow > 0 ? preferencesWindow / unplacedWindow : 0.0);
        std::printf("for information: a preferences window of one pane (no toolbar), as the application "
                    "opens it, median %.2f ms, is %.2f of the bare window\n",
                    onePaneWindow * 1000, bareWindow > 0 ? onePaneWindow / bareWindow : 0.0);
        std::printf("preferences window first paint: %.2f (limit 1.2)\n",
                    toolbarWindow > 0 ? preferencesWindow / toolbarWindow : 0.0);
        std::fflush(stdout);
    }
    if (!switchSeconds.empty()) {
        const double typical = median(switchSeconds);
        const double longest = *std::max_element(switchSeconds.begin(), switchSeconds.end());
        std::printf(
            "pane switch animation: median %.1f ms, longest %.1f ms, animation %.0f ms, limit %.1f ms\n",
            typical * 1000, longest * 1000, kAnimationSeconds * 1000,
            (kAnimationSeconds + kFrameSeconds) * 1000);
        std::printf("preferences pane switch: %.3f (limit %.3f)\n", longest / kAnimationSeconds,
                    (kAnimationSeconds + kFrameSeconds) / kAnimationSeconds);
        std::fflush(stdout);
    }
    return 0;
}
