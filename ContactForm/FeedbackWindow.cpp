#include "ContactForm/FeedbackWindow.h"

#include "ContactForm/ContactFormViewController.h"

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
    show();
    raise();
    activateWindow();
    if (firstShow && !focusWidget())
        setFocus(Qt::ActiveWindowFocusReason);
}

} // namespace quillmere
