#include "Preferences/Localization.h"
#include "Preferences/Pane.h"
#include "Preferences/PreferencesTabViewController.h"
#include "Preferences/SegmentedControl.h"
#include "Preferences/SegmentedControlStyleViewController.h"
#include "Preferences/UserInteractionPausableWindow.h"
#include "Preferences/WindowFrameAutosave.h"
#include "Preferences/WindowPlacement.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QStyleOption>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

using namespace preferencestest;
using quillmere::PreferencesTabViewController;
using quillmere::PreferencesWindowController;
using quillmere::Preferences::PaneIdentifier;
using quillmere::Preferences::Style;

namespace {

void finishTransition(PreferencesTabViewController* tabs) {
    if (tabs->isTransitioning()) {
        QSignalSpy finished(tabs, &PreferencesTabViewController::transitionFinished);
        ASSERT_TRUE(finished.wait(5000));
    }
}

class PreferencesWindow : public PreferencesWorld {};

// Panes, whether one pane hides its toolbar, and whether the toolbar shows. Also the title: the shown
// pane's (the first for an unknown one), or for one pane the application's name and the title word.
TEST_F(PreferencesWindow, ShowsTheToolbarUnlessOnePaneAsksToHideIt) {
    const std::tuple<long, bool, bool> rows[] = {{1, true, false}, {1, false, true}, {2, true, true}};
    for (const auto& [panes, hides, shown] : rows) {
        const QString title = panes > 1 ? QStringLiteral("General")
                                        : QStringLiteral("Photo Tool ") +
                                              quillmere::Preferences::Localization::localized(
                                                  quillmere::Preferences::Localization::Word::preferences);
        for (Style style : {Style::toolbarItems, Style::segmentedControl}) {
            auto controller =
                makeController({kThreePanes.begin(), kThreePanes.begin() + panes}, style, true, hides);
            controller->show(PaneIdentifier(QStringLiteral("no such pane")));
            EXPECT_EQ(controller->window()->windowTitle(), title);
            QToolBar* toolbar = controller->tabViewController()->toolbar();
            EXPECT_EQ(toolbar->isVisible(), shown) << panes << int(style);
            // The flag changed while the window is open: only a single item's toolbar comes or goes.
            controller->setHidesToolbarForSingleItem(!hides);
            EXPECT_EQ(toolbar->isVisible(), panes > 1 || hides) << panes << int(style);
            EXPECT_EQ(controller->window()->centralWidget()->size(), kThreePanes[0].size);
        }
    }
}

TEST_F(PreferencesWindow, IsNeverNarrowerThanItsToolbar) {
    for (Style style : {Style::toolbarItems, Style::segmentedControl}) {
        auto controller = makeController({{"a", "General Settings", QSize(60, 50)},
                                          {"b", "Appearance and Themes", QSize(70, 40)},
                                          {"c", "Advanced", QSize(50, 30)}},
                                         style);
        controller->show();
        QToolBar* toolbar = controller->tabViewController()->toolbar();
        EXPECT_GE(controller->window()->width(), toolbar->sizeHint().width()) << int(style);
    }
}

TEST_F(PreferencesWindow, NamesAnApplicationWithoutNameUnknown) {
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
        {QStringLiteral("CFBundleName"), 42},
        {QStringLiteral("CFBundleExecutable"), QStringLiteral("phototool")},
    });
    EXPECT_EQ(PreferencesTabViewController::applicationDisplayName(), QStringLiteral("phototool"));
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{});
    EXPECT_EQ(PreferencesTabViewController::applicationDisplayName(), QStringLiteral("<Unknown App Name>"));
}

// Before the first show the window stands somewhere: sizing to pane 0 keeps its top edge. The next
// show puts it where it was when it went, even if only moved a moment before.
TEST_F(PreferencesWindow, FirstShowPutsPaneZeroInPlaceAndTheNextRestoresTheSavedPlace) {
    {
        auto controller = makeController(kThreePanes, Style::toolbarItems);
        PreferencesTabViewController* tabs = controller->tabViewController();
        controller->window()->setGeometry(QRect(40, 70, 50, 50));
        tabs->switchToPane(0, true);
        EXPECT_EQ(controller->window()->geometry().topLeft(), QPoint(40, 70));
        controller->show();
        EXPECT_FALSE(tabs->isTransitioning());
        EXPECT_EQ(controller->window()->centralWidget()->size(), QSize(400, 200));
        controller->window()->move(37, 41);
        controller->window()->close();
    }
    auto controller = makeController(kThreePanes, Style::toolbarItems);
    controller->show();
    EXPECT_EQ(controller->window()->pos(), QPoint(37, 41));
}

TEST_F(PreferencesWindow, PageShortcutsGoRoundThePanesAndCloseAndEscapeClose) {
    auto controller = makeController(kThreePanes, Style::toolbarItems, false);
    controller->show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller->window()));
    for (const auto& [key, shown] : {std::pair{Qt::Key_PageUp, 2}, std::pair{Qt::Key_PageUp, 1},
                                     std::pair{Qt::Key_PageDown, 2}, std::pair{Qt::Key_PageDown, 0}}) {
        QTest::keyClick(controller->window(), key, Qt::ControlModifier);
        EXPECT_EQ(controller->tabViewController()->activeTab(), shown) << shown;
    }
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)}) {
        controller->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
        QTest::keySequence(controller->window(), keys);
        EXPECT_FALSE(controller->window()->isVisible()) << keys.toString().toStdString();
    }
}

// Someone else changed the title and the selection shown: reselecting puts both right.
TEST_F(PreferencesWindow, ReselectingTheShownPaneMarksAndTitlesItAgainWithoutATransition) {
    for (Style style : {Style::toolbarItems, Style::segmentedControl}) {
        auto controller = makeController(kThreePanes, style);
        controller->show(PaneIdentifier(QStringLiteral("advanced")));
        PreferencesTabViewController* tabs = controller->tabViewController();
        controller->window()->setWindowTitle(QStringLiteral("Elsewhere"));
        tabs->preferencesStyleController()->markSelected(0);

        tabs->switchToPane(1, true);
        EXPECT_FALSE(tabs->isTransitioning()) << int(style);
        EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("Advanced"));
        auto* segmented =
            dynamic_cast<quillmere::SegmentedControlStyleViewController*>(tabs->preferencesStyleController());
        EXPECT_TRUE(segmented ? segmented->segmentedControl()->selectedSegment() == 1
                              : tabs->toolbar()->actions().at(1)->isChecked());
    }
}

// How many of an animated switch's frames are drawn before it ends: a loaded machine skips frames.
enum class Frames { none, one, all };

// A switch from 400 × 200 to 600 × 260.
TEST_F(PreferencesWindow, SwitchResizeKeepsTheTopEdgeAndTheStylesHorizontalAnchor) {
    const std::tuple<Style, bool, Frames> rows[] = {{Style::toolbarItems, true, Frames::one},
                                                    {Style::toolbarItems, false, Frames::all},
                                                    {Style::segmentedControl, true, Frames::all},
                                                    {Style::segmentedControl, true, Frames::none}};
    for (const auto& [style, animated, frames] : rows) {
        SCOPED_TRACE(testing::Message() << "style " << int(style) << ", frames " << int(frames));
        auto controller = makeController(kThreePanes, style, animated);
        controller->show();
        PreferencesTabViewController* tabs = controller->tabViewController();
        const QRect before(60, 80, controller->window()->width(), controller->window()->height());
        controller->window()->setGeometry(before);

        tabs->switchToPane(1, true);
        EXPECT_EQ(tabs->isTransitioning(), animated);
        if (frames == Frames::one) {
            const QSize start = controller->window()->size();
            ASSERT_TRUE(QTest::qWaitFor(
                [&] { return controller->window()->size() != start || !tabs->isTransitioning(); }, 5000));
        }
        if (frames != Frames::all) {
            tabs->completeTransition();
        }
        finishTransition(tabs);

        const QRect after = controller->window()->geometry();
        EXPECT_EQ(controller->window()->centralWidget()->size(), QSize(600, 260));
        EXPECT_EQ(after.top(), before.top());
        EXPECT_EQ(after.height() - before.height(), 60);
        if (style == Style::segmentedControl) {
            EXPECT_EQ(after.left(), before.left() - 100);
            EXPECT_EQ(after.left() + after.width() / 2, before.left() + before.width() / 2);
        } else {
            EXPECT_EQ(after.left(), before.left());
        }
        EXPECT_TRUE(tabs->preferencePanes()[1]->view()->isVisible());
        EXPECT_FALSE(tabs->preferencePanes()[0]->view()->isVisible());
    }
}

// A click while a switch still runs completes it first; a show without a pane keeps the one shown.
TEST_F(PreferencesWindow, ToldPanesAppearAndDisappearInTurn) {
    auto controller = makeController(kThreePanes, Style::toolbarItems);
    controller->show();
    controller->tabViewController()->switchToPane(1, true);
    controller->tabViewController()->toolbar()->actions().at(2)->trigger();
    finishTransition(controller->tabViewController());
    controller->window()->close();
    controller->show();
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("About"));
    controller->window()->hide();
    EXPECT_EQ(m_log.join(QLatin1Char(' ')),
              QStringLiteral("+general -general +advanced -advanced +about -about +about -about"));
}

// Panes as an application describes them. No blank space under the last control; visible focus on
// the first control, and at the next show on the control that had it.
TEST_F(PreferencesWindow, FitsItsPaneAndShowsWhereTheFocusIs) {
    QCheckBox* first = nullptr;
    QPushButton* last = nullptr;
    const quillmere::Preferences::Pane controls(
        PaneIdentifier(QStringLiteral("controls")), QStringLiteral("Controls"), QIcon(), [&] {
            auto* view = new QWidget;
            view->setMinimumWidth(520); // wider than the text's own guess: it takes fewer lines
            auto* layout = new QVBoxLayout(view);
            layout->setContentsMargins(20, 20, 20, 20);
            auto* explanation = new QLabel(QStringLiteral("words that wrap ").repeated(12));
            explanation->setWordWrap(true);
            layout->addWidget(explanation);
            layout->addWidget(first = new QCheckBox(QStringLiteral("Include beta releases")));
            layout->addWidget(last = new QPushButton(QStringLiteral("Check Now")));
            layout->addStretch(1);
            return view;
        });
    const quillmere::Preferences::Pane more(PaneIdentifier(QStringLiteral("more")), QStringLiteral("More"),
                                            QIcon(), [] { return new SizedView(QSize(380, 150)); });
    PreferencesWindowController controller({more, controls}, Style::toolbarItems);
    const auto focusShows = [](QWidget* control) {
        QStyleOption option;
        option.initFrom(control);
        return control->hasFocus() && (option.state & QStyle::State_HasFocus) &&
               (option.state & QStyle::State_KeyboardFocusChange);
    };
    controller.show(PaneIdentifier(QStringLiteral("controls")));
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.window()));
    EXPECT_EQ(controller.window()->windowTitle(), QStringLiteral("Controls"));
    QWidget* content = controller.window()->centralWidget();
    EXPECT_EQ(content->height() - last->mapTo(content, QPoint(0, last->height())).y(), 20);
    EXPECT_TRUE(focusShows(first));

    last->setFocus(Qt::MouseFocusReason);
    controller.window()->close();
    controller.show();
    ASSERT_TRUE(QTest::qWaitForWindowActive(controller.window()));
    EXPECT_TRUE(focusShows(last));
}

// The screen area, the window now (its size, and where it stands for keptWithin) and its frame; where
// it is centred and where it is kept.
TEST(Placement, CentresTheFramedWindowAndKeepsItsTitleBarOnScreen) {
    const std::tuple<QRect, QRect, QMargins, QRect, QRect> rows[] = {
        {{0, 0, 1280, 800}, {1000, 700, 400, 300}, {1, 20, 1, 5}, {440, 257, 400, 300}, {879, 495, 400, 300}},
        {{100, 50, 1000, 700}, {90, 40, 400, 300}, {1, 20, 1, 1}, {400, 259, 400, 300}, {101, 70, 400, 300}},
        {{0, 0, 800, 600}, {300, 300, 1000, 700}, {1, 20, 1, 5}, {1, 20, 1000, 700}, {1, 20, 1000, 700}}};
    for (const auto& [area, client, frame, centred, kept] : rows) {
        EXPECT_EQ(quillmere::WindowPlacement::centred(area, client.size(), frame), centred);
        EXPECT_EQ(quillmere::WindowPlacement::keptWithin(client, frame, area), kept);
    }
}

// What an earlier run left under the name, and whether it gives the window its size.
TEST(FrameAutosave, RestoresOnlyAUsableSavedSize) {
    const QSize untouched(123, 77);
    for (const auto& [saved, restored] : {std::pair<QVariant, bool>{{}, false},
                                          {QStringLiteral("5 6 300 200 0 0 1280 800"), true},
                                          {QStringLiteral("5 6 0 200"), false},
                                          {42, false}}) {
        auto defaults = std::make_shared<testsupport::MemoryDefaults>(QStringLiteral("frames"));
        if (saved.isValid()) {
            defaults->m_values.insert(QStringLiteral("Main"), saved);
        }
        QWidget window;
        window.resize(untouched);
        quillmere::WindowFrameAutosave autosave(&window, defaults, QStringLiteral("Main"));
        EXPECT_EQ(autosave.restoreSize(), restored) << saved.toString().toStdString();
        EXPECT_EQ(window.size(), restored ? QSize(300, 200) : untouched);
    }
}

} // namespace
