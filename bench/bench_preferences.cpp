// The preferences window: opening it the first time (from construction to the first paint of the
// shown pane) against showing a bare window with the same pane content, in the same run; and the
// actual duration of an animated pane switch against its 0.25 s animation.
//
// Both first paints are measured in this process, each iteration with new widgets: the window
// controller with three declarative panes, and a plain QWidget window holding the same content.
// The ratio of first paints is that of the median iterations (the table shows means).
// The pane switch is measured from the call to the moment the new pane is in place (the
// transition's end), alternating between two panes of different sizes; it may run at most one
// frame (16.7 ms) over the animation's 250 ms.

#include "bench/RatioReporter.h"

#include "Preferences/Container.h"
#include "Preferences/Pane.h"
#include "Preferences/PreferenceTextStyles.h"
#include "Preferences/PreferencesTabViewController.h"
#include "Preferences/PreferencesWindowController.h"
#include "VexoExtensions/MainBundle.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QLineEdit>
#include <QMainWindow>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolBar>

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
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
        sections.push_back(Section(QStringLiteral("Setting %1:").arg(i + 1),
                                   {new QCheckBox(QStringLiteral("Turn this on")), menu,
                                    quillmere::Preferences::preferenceDescription(
                                        QStringLiteral("A line that explains what the setting does."))},
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

// Each first paint, in seconds: the ratio is that of the medians, which one stall of a shared
// machine does not move.
std::vector<double> preferencesWindowSeconds;
std::vector<double> bareWindowSeconds;

double median(std::vector<double> values) {
    if (values.empty()) {
        return 0;
    }
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void BM_PreferencesWindowFirstPaint(benchmark::State& state) {
    const std::vector<Pane> panes = threePanes();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto controller = std::make_unique<PreferencesWindowController>(
            std::vector<std::reference_wrapper<const quillmere::PreferencePaneConvertible>>{
                panes[0], panes[1], panes[2]});
        FirstPaint paint(controller->tabViewController()->preferencePanes()[0]->view());
        controller->show();
        waitUntil(paint.painted);
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        preferencesWindowSeconds.push_back(seconds);
        if (!paint.painted) {
            state.SkipWithError("the preferences window never painted");
        }
        controller.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_PreferencesWindowFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(60)->UseManualTime();

void BM_BareWindowFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto window = std::make_unique<QWidget>();
        QWidget* content = paneContent(3);
        content->setParent(window.get());
        window->resize(content->sizeHint());
        FirstPaint paint(content);
        window->show();
        waitUntil(paint.painted);
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        bareWindowSeconds.push_back(seconds);
        if (!paint.painted) {
            state.SkipWithError("the bare window never painted");
        }
        window.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_BareWindowFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(60)->UseManualTime();

// For information: a plain main window with a toolbar of three text-under-icon buttons and the
// same content. Qt's main window and toolbar cost about as much again as the content itself; this
// shows how much of the ratio above is theirs and how much the preferences window's own.
std::vector<double> toolbarWindowSeconds;

void BM_ToolbarWindowFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        auto window = std::make_unique<QMainWindow>();
        auto* toolbar = new QToolBar(window.get());
        toolbar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        for (const char* title : {"General", "Appearance", "Advanced"}) {
            toolbar->addAction(QString::fromUtf8(title))->setCheckable(true);
        }
        window->addToolBar(toolbar);
        QWidget* content = paneContent(3);
        window->setCentralWidget(content);
        FirstPaint paint(content);
        window->show();
        waitUntil(paint.painted);
        const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        toolbarWindowSeconds.push_back(seconds);
        if (!paint.painted) {
            state.SkipWithError("the toolbar window never painted");
        }
        window.reset();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ToolbarWindowFirstPaint)->Unit(benchmark::kMillisecond)->Iterations(60)->UseManualTime();

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
    // The window's frame is kept in a scratch settings folder.
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
    const double preferencesWindow = median(preferencesWindowSeconds);
    const double bareWindow = median(bareWindowSeconds);
    std::printf("first paint: preferences window median %.2f ms, bare window median %.2f ms\n",
                preferencesWindow * 1000, bareWindow * 1000);
    std::printf("preferences window first paint: %.2f (limit 1.3)\n",
                bareWindow > 0 ? preferencesWindow / bareWindow : 0.0);
    const double toolbarWindow = median(toolbarWindowSeconds);
    std::printf("for information: a plain main window with the same toolbar and content, median %.2f ms, "
                "is %.2f of the bare window; the preferences window is %.2f of it\n",
                toolbarWindow * 1000, bareWindow > 0 ? toolbarWindow / bareWindow : 0.0,
                toolbarWindow > 0 ? preferencesWindow / toolbarWindow : 0.0);
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
