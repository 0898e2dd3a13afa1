#include "ContactForm/FeedbackWindow.h"

#include "ContactForm/ContactFormViewController.h"

#include <QApplication>
#include <QScreen>
#include <QVBoxLayout>

namespace quillmere {

FeedbackWindow::FeedbackWindow(ContactFormViewController* controller)
    : QWidget(nullptr,
              Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_controller(controller) {
    setWindowTitle(title());
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(controller);
    setFocusProxy(controller);
    // Not resizable: the size is fixed once, at the minimum or at what the form needs.
    setFixedSize(sizeHint().expandedTo(QSize(kMinimumWidth, kMinimumHeight)));
}

QString FeedbackWindow::title() {
    return QStringLiteral("Send Feedback");
}

void FeedbackWindow::showWindow() {
    const bool firstShow = !isVisible();
    if (!m_placed) {
        // The first time, in the middle of the window the user works in (or of the screen); later,
        // wherever the user left it.
        const QWidget* over = QApplication::activeWindow();
        const QRect area = over ? over->frameGeometry() : screen() ? screen()->availableGeometry() : QRect();
        if (area.isValid()) {
            QRect placed(QPoint(), size());
            placed.moveCenter(area.center());
            if (const QScreen* target = QGuiApplication::screenAt(area.center())) {
                const QRect room = target->availableGeometry();
                placed.moveTop(
                    qBound(room.top(), placed.top(), qMax(room.top(), room.bottom() - placed.height())));
                placed.moveLeft(
                    qBound(room.left(), placed.left(), qMax(room.left(), room.right() - placed.width())));
            }
            move(placed.topLeft());
        }
        m_placed = true;
    }
    show();
    raise();
    activateWindow();
    if (firstShow && !focusWidget())
        setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace quillmere
