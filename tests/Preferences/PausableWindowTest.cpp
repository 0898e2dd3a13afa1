#include "Preferences/UserInteractionPausableWindow.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QApplication>
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

// Each kind of event, and whether it arrives while the window is paused; all arrive again after.
TEST_F(PausedWindow, DropsInputAndPassesEverythingElse) {
    const std::pair<MakeEvent, bool> rows[] = {
        {key(QEvent::KeyPress, Qt::Key_A), false},
        {key(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier), true}, // a modifier alone
        {mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton), false},
        {mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton), false}, // a drag
        {mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton), true},
        {make<QWheelEvent>(kInside, kInside, QPoint(), QPoint(0, 120), Qt::NoButton, Qt::NoModifier,
                           Qt::NoScrollPhase, false),
         false},
        {make<QEnterEvent>(kInside, kInside, kInside), true}};
    for (const auto& [makeEvent, arrivesWhilePaused] : rows) {
        for (const bool paused : {true, false}) {
            m_window->setUserInteractionEnabled(!paused);
            const std::unique_ptr<QEvent> event = makeEvent();
            m_recorder->received.clear();
            QApplication::sendEvent(m_recorder, event.get());
            EXPECT_EQ(m_recorder->received.contains(event->type()), !paused || arrivesWhilePaused)
                << event->type() << (paused ? " paused" : "");
        }
    }
}

TEST_F(PausedWindow, DropsItsOwnShortcutsOnlyAndNeverOffersToHideItsToolbar) {
    EXPECT_EQ(m_window->createPopupMenu(), nullptr);
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

} // namespace
