#include "Preferences/UserInteractionPausableWindow.h"
#include "tests/Preferences/PreferencesWorld.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>
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
        auto* content = new QWidget;
        auto* layout = new QVBoxLayout(content);
        m_recorder = new EventRecorder;
        m_recorder->setMinimumSize(100, 40);
        m_recorder->setMouseTracking(true);
        m_recorder->setFocusPolicy(Qt::StrongFocus);
        m_field = new QLineEdit;
        m_button = new QPushButton(QStringLiteral("Apply"));
        layout->addWidget(m_recorder);
        layout->addWidget(m_field);
        layout->addWidget(m_button);
        m_window->setCentralWidget(content);
        m_window->addToolBar(new QToolBar(m_window.get()));
        m_window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(m_window.get()));
    }

    std::unique_ptr<UserInteractionPausableWindow> m_window;
    EventRecorder* m_recorder = nullptr;
    QLineEdit* m_field = nullptr;
    QPushButton* m_button = nullptr;
};

struct EventCase {
    const char* name;
    std::function<std::unique_ptr<QEvent>()> make;
    bool arrivesWhilePaused;
};

void PrintTo(const EventCase& c, std::ostream* out) {
    *out << c.name;
}

const QPointF kInside(20, 20);

std::unique_ptr<QEvent> mouse(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons held) {
    return std::make_unique<QMouseEvent>(type, kInside, kInside, button, held, Qt::NoModifier);
}

class PausedEventKinds : public PausedWindow, public ::testing::WithParamInterface<EventCase> {};

TEST_P(PausedEventKinds, dropInputAndPassEverythingElse) {
    const EventCase& c = GetParam();
    m_window->setUserInteractionEnabled(false);
    std::unique_ptr<QEvent> event = c.make();
    const QEvent::Type type = event->type();
    m_recorder->received.clear();
    QApplication::sendEvent(m_recorder, event.get());
    EXPECT_EQ(m_recorder->received.contains(type), c.arrivesWhilePaused);

    // Resumed, everything arrives again.
    m_window->setUserInteractionEnabled(true);
    m_recorder->received.clear();
    std::unique_ptr<QEvent> again = c.make();
    QApplication::sendEvent(m_recorder, again.get());
    EXPECT_TRUE(m_recorder->received.contains(type));
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, PausedEventKinds,
    ::testing::Values(
        EventCase{"keyPress",
                  [] {
                      return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier,
                                                         QStringLiteral("a"));
                  },
                  false},
        EventCase{"keyRelease",
                  [] {
                      return std::make_unique<QKeyEvent>(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier,
                                                         QStringLiteral("a"));
                  },
                  false},
        EventCase{
            "modifierKeyAloneIsAFlagsChange",
            [] { return std::make_unique<QKeyEvent>(QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier); },
            true},
        EventCase{"leftMouseDown",
                  [] { return mouse(QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton); }, false},
        EventCase{"rightMouseUp",
                  [] { return mouse(QEvent::MouseButtonRelease, Qt::RightButton, Qt::NoButton); }, false},
        EventCase{"doubleClick",
                  [] { return mouse(QEvent::MouseButtonDblClick, Qt::LeftButton, Qt::LeftButton); }, false},
        EventCase{"dragWithLeftButton", [] { return mouse(QEvent::MouseMove, Qt::NoButton, Qt::LeftButton); },
                  false},
        EventCase{"dragWithOtherButton",
                  [] { return mouse(QEvent::MouseMove, Qt::NoButton, Qt::MiddleButton); }, false},
        EventCase{"plainMouseMove", [] { return mouse(QEvent::MouseMove, Qt::NoButton, Qt::NoButton); },
                  true},
        EventCase{"scrollWheel",
                  [] {
                      return std::make_unique<QWheelEvent>(kInside, kInside, QPoint(), QPoint(0, 120),
                                                           Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase,
                                                           false);
                  },
                  false},
        EventCase{
            "contextMenuOfARightClick",
            [] { return std::make_unique<QContextMenuEvent>(QContextMenuEvent::Mouse, QPoint(20, 20)); },
            false},
        EventCase{"enter", [] { return std::make_unique<QEnterEvent>(kInside, kInside, kInside); }, true},
        EventCase{"leave", [] { return std::make_unique<QEvent>(QEvent::Leave); }, true},
        EventCase{"hoverMove",
                  [] { return std::make_unique<QHoverEvent>(QEvent::HoverMove, kInside, kInside, kInside); },
                  true},
        EventCase{"focusIn",
                  [] { return std::make_unique<QFocusEvent>(QEvent::FocusIn, Qt::ActiveWindowFocusReason); },
                  true}),
    preferencestest::CaseName());

TEST_F(PausedWindow, ignoresTypingAndClicksButStillHearsActivation) {
    QSignalSpy clicked(m_button, &QPushButton::clicked);
    m_window->setUserInteractionEnabled(false);

    QTest::keyClicks(m_field, QStringLiteral("abc"));
    QTest::mouseClick(m_button, Qt::LeftButton);
    EXPECT_EQ(m_field->text(), QString());
    EXPECT_EQ(clicked.size(), 0);

    m_recorder->received.clear();
    QEvent activate(QEvent::WindowActivate);
    QApplication::sendEvent(m_window.get(), &activate);
    QApplication::sendEvent(m_recorder, &activate);
    EXPECT_TRUE(m_recorder->received.contains(QEvent::WindowActivate));

    m_window->setUserInteractionEnabled(true);
    QTest::keyClicks(m_field, QStringLiteral("abc"));
    QTest::mouseClick(m_button, Qt::LeftButton);
    EXPECT_EQ(m_field->text(), QStringLiteral("abc"));
    EXPECT_EQ(clicked.size(), 1);
}

TEST_F(PausedWindow, dropsAShortcutOfTheWindowButNotOneOfAnotherWindow) {
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

TEST_F(PausedWindow, neverOffersToHideItsToolbar) {
    EXPECT_EQ(m_window->createPopupMenu(), nullptr);
}

} // namespace
