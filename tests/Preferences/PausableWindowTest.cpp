#include "Preferences/UserInteractionPausableWindow.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTest>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <functional>
#include <memory>

using quillmere::UserInteractionPausableWindow;

namespace {

// Writes down the kinds of event it receives.
class EventRecorder final : public QWidget {
public:
    using QWidget::QWidget;
    QList<QEvent::Type> received;

protected:
    bool event(QEvent* event) override {
        received.append(event->type());
        return QWidget::event(event);
    }
};

class PausedWindow : public ::testing::Test {
protected:
    void SetUp() override {
        m_window = std::make_unique<UserInteractionPausableWindow>();
        m_recorder = new EventRecorder;
        m_recorder->setMinimumSize(100, 40);
        m_recorder->setMouseTracking(true); // a plain move arrives only at a tracking widget
        m_window->setCentralWidget(m_recorder);
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    std::unique_ptr<UserInteractionPausableWindow> m_window;
    EventRecorder* m_recorder = nullptr;
};

using MakeEvent = std::function<std::unique_ptr<QEvent>()>;

struct EventCase {
    const char* name;
    MakeEvent make;
    bool arrivesWhilePaused;
};

const QPointF kInside(20, 20);

MakeEvent mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
    return
        [=] { return std::make_unique<QMouseEvent>(type, kInside, kInside, button, held, Qt::NoModifier); };
}

MakeEvent key(QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers modifiers = {}) {
    return [=] { return std::make_unique<QKeyEvent>(type, key, modifiers, QStringLiteral("a")); };
}

template <typename Event, typename... Arguments> MakeEvent make(Arguments... arguments) {
    return [=] { return std::make_unique<Event>(arguments...); };
}

class PausedEventKinds : public PausedWindow, public ::testing::WithParamInterface<EventCase> {};

TEST_P(PausedEventKinds, DropInputAndPassEverythingElse) {
    const EventCase& c = GetParam();
    m_window->setUserInteractionEnabled(false);
    std::unique_ptr<QEvent> event = c.make();
    const QEvent::Type type = event->type();
    m_recorder->received.clear();
    QApplication::sendEvent(m_recorder, event.get());
    EXPECT_EQ(m_recorder->received.contains(type), c.arrivesWhilePaused);

    m_window->setUserInteractionEnabled(true);
    m_recorder->received.clear();
    std::unique_ptr<QEvent> again = c.make();
    QApplication::sendEvent(m_recorder, again.get());
    EXPECT_TRUE(m_recorder->received.contains(type));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PausedEventKinds,
    ::testing::Values(
        EventCase{"KeyPress", key(QEvent::KeyPress, Qt::Key_A), false},
        EventCase{"ModifierAlone", key(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier), true},
        EventCase{"LeftMouseDown", mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton), false},
        EventCase{"DragWithLeftButton", mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton), false},
        EventCase{"PlainMouseMove", mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton), true},
        EventCase{"ScrollWheel",
                  make<QWheelEvent>(kInside, kInside, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                                    Qt::NoScrollPhase, false),
                  false},
        EventCase{"ContextMenu", make<QContextMenuEvent>(QContextMenuEvent::Mouse, QPoint(20, 20)), false},
        EventCase{"Enter", make<QEnterEvent>(kInside, kInside, kInside), true}),
    preferencestest::CaseName());

TEST_F(PausedWindow, DropsItsOwnShortcutsOnly) {
    auto* action = new QAction(m_window.get());
    action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    m_window->addAction(action);
    QSignalSpy triggered(action, &QAction::triggered);
    QWidget other;
    auto* otherAction = new QAction(&other);
    otherAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_K));
    other.addAction(otherAction);
    QSignalSpy otherTriggered(otherAction, &QAction::triggered);

    m_window->setUserInteractionEnabled(false);
    QShortcutEvent shortcut(action->shortcut(), 0);
    QApplication::sendEvent(action, &shortcut);
    QApplication::sendEvent(otherAction, &shortcut);
    EXPECT_EQ(triggered.size(), 0);
    EXPECT_EQ(otherTriggered.size(), 1);
}

TEST_F(PausedWindow, NeverOffersToHideItsToolbar) {
    EXPECT_EQ(m_window->createPopupMenu(), nullptr);
}

} // namespace
