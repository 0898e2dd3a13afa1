#include "Preferences/Localization.h"
#include "Preferences/Pane.h"
#include "Preferences/PreferencesTabViewController.h"
#include "Preferences/SegmentedControl.h"
#include "Preferences/SegmentedControlStyleViewController.h"
#include "Preferences/UserInteractionPausableWindow.h"
#include "VexoExtensions/MainBundle.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QAction>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>

using namespace preferencestest;
using quillmere::PreferencesTabViewController;
using quillmere::PreferencesWindowController;
using quillmere::Preferences::PaneIdentifier;
using quillmere::Preferences::Style;

namespace {

const std::vector<PaneSample> kOnePane = {{"updates", "Updates", QSize(320, 180)}};

QString styleName(Style style) {
    return style == Style::toolbarItems ? QStringLiteral("toolbarItems") : QStringLiteral("segmentedControl");
}

// Waits for a running transition to put its pane in place.
void finishTransition(PreferencesTabViewController* tabs) {
    if (tabs->isTransitioning()) {
        QSignalSpy finished(tabs, &PreferencesTabViewController::transitionFinished);
        ASSERT_TRUE(finished.wait(5000));
    }
}

// The selection shown in the toolbar: the checked item's identifier, or the selected segment.
QString shownSelection(PreferencesWindowController& controller) {
    quillmere::PreferencesStyleController* style =
        controller.tabViewController()->preferencesStyleController();
    if (auto* segmented = dynamic_cast<quillmere::SegmentedControlStyleViewController*>(style)) {
        return QString::number(segmented->segmentedControl()->selectedSegment());
    }
    for (QAction* item : controller.tabViewController()->toolbar()->actions()) {
        if (item->isChecked()) {
            return item->objectName();
        }
    }
    return {};
}

class PreferencesWindow : public PreferencesWorld {};

// ---- the toolbar rule ----

struct ToolbarRuleCase {
    const char* name;
    size_t panes;
    bool hidesToolbarForSingleItem;
    bool toolbarShown;
};

class ToolbarRule : public PreferencesWorld, public ::testing::WithParamInterface<ToolbarRuleCase> {};

TEST_P(ToolbarRule, showsTheToolbarUnlessOnePaneAsksToHideIt) {
    const ToolbarRuleCase& c = GetParam();
    for (Style style : {Style::toolbarItems, Style::segmentedControl}) {
        auto controller =
            makeController({kThreePanes.begin(), kThreePanes.begin() + static_cast<long>(c.panes)}, style,
                           true, c.hidesToolbarForSingleItem);
        controller->show();
        EXPECT_EQ(controller->tabViewController()->toolbar()->isVisible(), c.toolbarShown)
            << styleName(style).toStdString();
        // The window holds exactly the pane and, when shown, the toolbar.
        EXPECT_EQ(controller->window()->centralWidget()->size(), kThreePanes[0].size);
    }
}

INSTANTIATE_TEST_SUITE_P(Panes, ToolbarRule,
                         ::testing::Values(ToolbarRuleCase{"onePaneHiding", 1, true, false},
                                           ToolbarRuleCase{"onePaneNotHiding", 1, false, true},
                                           ToolbarRuleCase{"twoPanesHiding", 2, true, true},
                                           ToolbarRuleCase{"threePanesNotHiding", 3, false, true}),
                         CaseName());

TEST_F(PreferencesWindow, isNeverNarrowerThanItsToolbar) {
    for (Style style : {Style::toolbarItems, Style::segmentedControl}) {
        auto controller = makeController({{"a", "General Settings", QSize(60, 50)},
                                          {"b", "Appearance and Themes", QSize(70, 40)},
                                          {"c", "Advanced", QSize(50, 30)}},
                                         style);
        controller->show();
        QToolBar* toolbar = controller->tabViewController()->toolbar();
        EXPECT_GE(controller->window()->width(), toolbar->sizeHint().width())
            << styleName(style).toStdString();
        EXPECT_EQ(controller->window()->centralWidget()->height(), 50);
        for (QAction* item : toolbar->actions()) {
            if (QWidget* shown = toolbar->widgetForAction(item)) {
                EXPECT_TRUE(shown->isVisible()) << item->objectName().toStdString();
            }
        }
    }
}

TEST_F(PreferencesWindow, showsTheSingleItemOnceTheFlagIsCleared) {
    auto controller = makeController(kOnePane, Style::toolbarItems);
    controller->show();
    QToolBar* toolbar = controller->tabViewController()->toolbar();
    ASSERT_FALSE(toolbar->isVisible());

    controller->setHidesToolbarForSingleItem(false);
    EXPECT_TRUE(toolbar->isVisible());
    ASSERT_EQ(toolbar->actions().size(), 1);
    EXPECT_EQ(toolbar->actions().first()->text(), QStringLiteral("Updates"));
    EXPECT_TRUE(toolbar->actions().first()->isChecked());
    EXPECT_EQ(controller->window()->centralWidget()->size(), QSize(320, 180));

    controller->setHidesToolbarForSingleItem(true);
    EXPECT_FALSE(toolbar->isVisible());
    EXPECT_EQ(controller->window()->size(), QSize(320, 180));
}

// ---- titles ----

struct TitleCase {
    const char* name;
    size_t panes;
    Style style;
    int shownPane;
    QString title; // empty: the application's name and the title word
};

class WindowTitle : public PreferencesWorld, public ::testing::WithParamInterface<TitleCase> {};

TEST_P(WindowTitle, isTheShownPanesTitleOrTheApplicationsPreferences) {
    const TitleCase& c = GetParam();
    auto controller = makeController({kThreePanes.begin(), kThreePanes.begin() + static_cast<long>(c.panes)},
                                     c.style, false);
    controller->show(
        PaneIdentifier(QString::fromUtf8(kThreePanes[static_cast<size_t>(c.shownPane)].identifier)));
    const QString expected =
        c.title.isEmpty()
            ? QStringLiteral("Photo Tool ") + quillmere::Preferences::Localization::localized(
                                                  quillmere::Preferences::Localization::Word::preferences)
            : c.title;
    EXPECT_EQ(controller->window()->windowTitle(), expected);
}

INSTANTIATE_TEST_SUITE_P(Panes, WindowTitle,
                         ::testing::Values(TitleCase{"onePaneToolbar", 1, Style::toolbarItems, 0, {}},
                                           TitleCase{"onePaneSegmented", 1, Style::segmentedControl, 0, {}},
                                           TitleCase{"threePanesToolbar", 3, Style::toolbarItems, 1,
                                                     QStringLiteral("Advanced")},
                                           TitleCase{"threePanesSegmented", 3, Style::segmentedControl, 2,
                                                     QStringLiteral("About")}),
                         CaseName());

TEST_F(PreferencesWindow, namesAnApplicationWithoutNameUnknown) {
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
        {QStringLiteral("CFBundleName"), 42},
        {QStringLiteral("CFBundleExecutable"), QStringLiteral("phototool")},
    });
    EXPECT_EQ(PreferencesTabViewController::applicationDisplayName(), QStringLiteral("phototool"));
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{});
    EXPECT_EQ(PreferencesTabViewController::applicationDisplayName(), QStringLiteral("<Unknown App Name>"));
}

// ---- showing ----

TEST_F(PreferencesWindow, firstShowPutsPaneZeroInPlaceAtItsSizeWithoutAnimation) {
    auto controller = makeController(kThreePanes, Style::toolbarItems);
    PreferencesTabViewController* tabs = controller->tabViewController();
    QSignalSpy finished(tabs, &PreferencesTabViewController::transitionFinished);
    // Before showing, the window stands somewhere; sizing to pane 0 keeps its top edge.
    controller->window()->setGeometry(QRect(40, 70, 50, 50));
    tabs->switchToPane(0, true);
    EXPECT_FALSE(tabs->isTransitioning());
    EXPECT_EQ(controller->window()->geometry().topLeft(), QPoint(40, 70));

    controller->show();
    EXPECT_EQ(tabs->activeTab(), 0);
    EXPECT_FALSE(tabs->isTransitioning());
    EXPECT_EQ(finished.size(), 0);
    EXPECT_EQ(controller->window()->centralWidget()->size(), QSize(400, 200));
    EXPECT_TRUE(controller->window()->isVisible());
}

TEST_F(PreferencesWindow, showWithAnUnknownIdentifierShowsTheFirstPane) {
    auto controller = makeController(kThreePanes, Style::segmentedControl);
    controller->show(PaneIdentifier(QStringLiteral("no such pane")));
    EXPECT_EQ(controller->tabViewController()->activeTab(), 0);
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("General"));
}

TEST_F(PreferencesWindow, showWithoutIdentifierKeepsThePaneTheUserSwitchedTo) {
    auto controller = makeController(kThreePanes, Style::toolbarItems);
    controller->show();
    controller->tabViewController()->toolbar()->actions().at(2)->trigger();
    finishTransition(controller->tabViewController());
    controller->window()->close();

    controller->show();
    EXPECT_EQ(controller->tabViewController()->activeTab(), 2);
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("About"));
    EXPECT_EQ(controller->window()->centralWidget()->size(), QSize(340, 120));
}

TEST_F(PreferencesWindow, closesOnCloseAndEscapeUnlessInputIsPaused) {
    auto controller = makeController(kOnePane, Style::toolbarItems);
    for (const QKeySequence& keys : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)}) {
        controller->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
        controller->window()->setUserInteractionEnabled(false);
        QTest::keySequence(controller->window(), keys);
        EXPECT_TRUE(controller->window()->isVisible()) << keys.toString().toStdString();
        controller->window()->setUserInteractionEnabled(true);
        QTest::keySequence(controller->window(), keys);
        EXPECT_FALSE(controller->window()->isVisible()) << keys.toString().toStdString();
    }
}

TEST_F(PreferencesWindow, reselectingTheShownPaneMarksAndTitlesItAgainWithoutATransition) {
    for (Style style : {Style::toolbarItems, Style::segmentedControl}) {
        auto controller = makeController(kThreePanes, style);
        controller->show(PaneIdentifier(QStringLiteral("advanced")));
        PreferencesTabViewController* tabs = controller->tabViewController();
        const QString marked = shownSelection(*controller);
        // Someone else changed the title and the selection shown.
        controller->window()->setWindowTitle(QStringLiteral("Elsewhere"));
        if (style == Style::segmentedControl) {
            dynamic_cast<quillmere::SegmentedControlStyleViewController*>(tabs->preferencesStyleController())
                ->segmentedControl()
                ->setSelectedSegment(0);
        } else {
            tabs->toolbar()->actions().at(0)->setChecked(true);
        }
        QSignalSpy finished(tabs, &PreferencesTabViewController::transitionFinished);

        tabs->switchToPane(1, true);
        EXPECT_FALSE(tabs->isTransitioning()) << styleName(style).toStdString();
        EXPECT_EQ(finished.size(), 0);
        EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("Advanced"));
        EXPECT_EQ(shownSelection(*controller), marked);
    }
}

// ---- resizing on a switch ----

struct ResizeCase {
    const char* name;
    Style style;
    bool animated;
};

class SwitchResize : public PreferencesWorld, public ::testing::WithParamInterface<ResizeCase> {};

TEST_P(SwitchResize, keepsTheTopEdgeAndTheStylesHorizontalAnchor) {
    const ResizeCase& c = GetParam();
    auto controller = makeController(kThreePanes, c.style, c.animated);
    controller->show();
    PreferencesTabViewController* tabs = controller->tabViewController();
    const QRect before(60, 80, controller->window()->width(), controller->window()->height());
    controller->window()->setGeometry(before);

    tabs->switchToPane(1, true); // 400 × 200 → 600 × 260
    EXPECT_EQ(tabs->isTransitioning(), c.animated);
    finishTransition(tabs);

    const QRect after = controller->window()->geometry();
    EXPECT_EQ(controller->window()->centralWidget()->size(), QSize(600, 260));
    EXPECT_EQ(after.top(), before.top());
    EXPECT_EQ(after.height() - before.height(), 60);
    if (c.style == Style::segmentedControl) {
        EXPECT_EQ(after.left(), before.left() - 100);
        EXPECT_EQ(after.left() + after.width() / 2, before.left() + before.width() / 2);
    } else {
        EXPECT_EQ(after.left(), before.left());
    }
    EXPECT_TRUE(tabs->preferencePanes()[1]->view()->isVisible());
    EXPECT_FALSE(tabs->preferencePanes()[0]->view()->isVisible());
}

INSTANTIATE_TEST_SUITE_P(Styles, SwitchResize,
                         ::testing::Values(ResizeCase{"toolbarAnimated", Style::toolbarItems, true},
                                           ResizeCase{"toolbarImmediate", Style::toolbarItems, false},
                                           ResizeCase{"segmentedAnimated", Style::segmentedControl, true},
                                           ResizeCase{"segmentedImmediate", Style::segmentedControl, false}),
                         CaseName());

TEST_F(PreferencesWindow, toldPanesAppearAndDisappearInTurn) {
    auto controller = makeController(kThreePanes, Style::toolbarItems);
    controller->show();
    controller->tabViewController()->switchToPane(1, true);
    // A second switch while the first still runs completes the first.
    controller->tabViewController()->switchToPane(2, true);
    finishTransition(controller->tabViewController());
    controller->window()->close();
    controller->show();
    controller->window()->hide();
    EXPECT_EQ(m_log,
              QStringList({QStringLiteral("+general"), QStringLiteral("-general"),
                           QStringLiteral("+advanced"), QStringLiteral("-advanced"), QStringLiteral("+about"),
                           QStringLiteral("-about"), QStringLiteral("+about"), QStringLiteral("-about")}));
}

// ---- the saved frame ----

TEST_F(PreferencesWindow, restoresTheSavedPlaceAtTheNextShow) {
    {
        auto controller = makeController(kThreePanes, Style::toolbarItems);
        controller->show();
        controller->window()->move(37, 41);
        controller->window()->close();
    }
    const auto saved = m_platform.preferences->domain(QStringLiteral("org.quillmere.tests.preferences"))
                           ->m_values.value(PreferencesWindowController::kFrameAutosaveName);
    ASSERT_TRUE(saved.isValid());

    auto controller = makeController(kThreePanes, Style::toolbarItems);
    controller->show();
    EXPECT_EQ(controller->window()->pos(), QPoint(37, 41));
    EXPECT_EQ(controller->window()->centralWidget()->size(), QSize(400, 200));
}

TEST_F(PreferencesWindow, takesPanesFromDeclarativeDescriptions) {
    const quillmere::Preferences::Pane general(PaneIdentifier(QStringLiteral("general")),
                                               QStringLiteral("General"), QIcon(),
                                               [] { return new SizedView(QSize(280, 90)); });
    const quillmere::Preferences::Pane more(PaneIdentifier(QStringLiteral("more")), QStringLiteral("More"),
                                            QIcon(), [] { return new SizedView(QSize(380, 150)); });
    PreferencesWindowController controller({general, more}, Style::segmentedControl);
    controller.show(PaneIdentifier(QStringLiteral("more")));
    ASSERT_EQ(controller.tabViewController()->preferencePanes().size(), 2u);
    EXPECT_EQ(controller.window()->windowTitle(), QStringLiteral("More"));
    EXPECT_EQ(controller.window()->centralWidget()->size(), QSize(380, 150));
}

} // namespace
