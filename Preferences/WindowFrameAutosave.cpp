#include "Preferences/WindowFrameAutosave.h"

#include <QEvent>
#include <QScreen>
#include <QStringList>
#include <QWidget>

namespace quillmere {

WindowFrameAutosave::WindowFrameAutosave(QWidget* window,
                                         std::shared_ptr<brisquel::vexo::UserDefaults> defaults, QString name)
    : QObject(window), m_window(window), m_defaults(std::move(defaults)), m_name(std::move(name)) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(settleMilliseconds);
    connect(&m_settle, &QTimer::timeout, this, &WindowFrameAutosave::save);
    if (m_defaults) {
        m_lastSaved = m_defaults->string(m_name).value_or(QString());
    }
    window->installEventFilter(this);
}

WindowFrameAutosave::~WindowFrameAutosave() {
    if (m_settle.isActive()) {
        save();
    }
}

QString WindowFrameAutosave::frameString(const QRect& frame, const QRect& screen) {
    return QStringLiteral("%1 %2 %3 %4 %5 %6 %7 %8")
        .arg(frame.x())
        .arg(frame.y())
        .arg(frame.width())
        .arg(frame.height())
        .arg(screen.x())
        .arg(screen.y())
        .arg(screen.width())
        .arg(screen.height());
}

std::optional<QRect> WindowFrameAutosave::parseFrame(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    if (parts.size() != 4 && parts.size() != 8) {
        return std::nullopt;
    }
    int numbers[4] = {};
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        // The platform writes whole numbers; a fraction is read and rounded.
        const double value = parts[i].toDouble(&ok);
        if (!ok || value < -1e6 || value > 1e6) {
            return std::nullopt;
        }
        numbers[i] = qRound(value);
    }
    if (numbers[2] <= 0 || numbers[3] <= 0) {
        return std::nullopt;
    }
    return QRect(numbers[0], numbers[1], numbers[2], numbers[3]);
}

bool WindowFrameAutosave::restoreSize() {
    if (!m_window || !m_defaults) {
        return false;
    }
    const std::optional<QRect> frame = savedFrame();
    if (!frame) {
        return false;
    }
    QSize size = frame->size().expandedTo(m_window->minimumSizeHint()).expandedTo(m_window->minimumSize());
    if (const QScreen* screen = m_window->screen()) {
        // A frame saved on a larger screen still fits this one, unless the minimum forbids it.
        size = size.boundedTo(screen->availableGeometry().size()).expandedTo(m_window->minimumSize());
    }
    m_window->resize(size);
    return true;
}

std::optional<QRect> WindowFrameAutosave::savedFrame() const {
    if (!m_defaults) {
        return std::nullopt;
    }
    const std::optional<QString> text = m_defaults->string(m_name);
    return text ? parseFrame(*text) : std::nullopt;
}

bool WindowFrameAutosave::save() {
    m_settle.stop();
    if (!m_window || !m_defaults) {
        return false;
    }
    const QRect screen = m_window->screen() ? m_window->screen()->availableGeometry() : QRect();
    const QString text = frameString(m_window->geometry(), screen);
    if (text == m_lastSaved) {
        return true;
    }
    if (!m_defaults->setValue(m_name, text)) {
        return false;
    }
    m_lastSaved = text;
    return true;
}

bool WindowFrameAutosave::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_window) {
        switch (event->type()) {
        case QEvent::Move:
        case QEvent::Resize:
            if (m_window->isVisible()) {
                m_settle.start();
            }
            break;
        case QEvent::Hide:
            // Where the window was when it went, even if it was never moved: it comes back there.
            save();
            break;
        default:
            break;
        }
    }
    return QObject::eventFilter(watched, event);
}

} // namespace quillmere
