#include "AppHeaderView.h"

#include "Appearance.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QIcon>
#include <QImageReader>
#include <QLabel>
#include <QPixmap>
#include <QStyle>
#include <QVBoxLayout>

namespace quillmere {

namespace {

QPixmap genericApplicationIcon(const QWidget* widget) {
    QIcon icon = QIcon::fromTheme(QStringLiteral("application-x-executable"));
    if (icon.isNull()) {
        icon = widget->style()->standardIcon(QStyle::SP_DesktopIcon, nullptr, widget);
    }
    return icon.pixmap(QSize(AppHeaderView::iconSize, AppHeaderView::iconSize), widget->devicePixelRatioF());
}

} // namespace

AppHeaderView::AppHeaderView(brisquel::AppFinder::App app, const QImage& icon, QWidget* parent)
    : QWidget(parent), m_app(std::move(app)) {
    setObjectName(QStringLiteral("AppHeaderView"));

    m_icon = new QLabel(this);
    m_icon->setFixedSize(iconSize, iconSize);
    m_icon->setAlignment(Qt::AlignCenter);
    m_icon->setPixmap(icon.isNull() ? genericApplicationIcon(this) : QPixmap::fromImage(icon));
    m_icon->setAccessibleName(tr("Icon of %1").arg(m_app.displayName()));

    m_name = new QLabel(m_app.displayName(), this);
    m_name->setTextFormat(Qt::PlainText);
    m_name->setFont(headlineFont(this));

    m_identifier = new QLabel(m_app.bundleIdentifier(), this);
    m_identifier->setTextFormat(Qt::PlainText);
    m_identifier->setFont(captionFont(this));

    auto* texts = new QVBoxLayout;
    texts->setContentsMargins(0, 0, 0, 0);
    texts->setSpacing(1);
    texts->addWidget(m_name);
    texts->addWidget(m_identifier);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(6, 5, 6, 5);
    layout->setSpacing(8);
    layout->addWidget(m_icon, 0, Qt::AlignVCenter);
    layout->addLayout(texts, 1);

    // The list's own item carries the name for assistive tools; the row itself is decoration.
    setAttribute(Qt::WA_TransparentForMouseEvents);
    updateColors();
}

void AppHeaderView::setSelected(bool selected) {
    if (m_selected == selected) {
        return;
    }
    m_selected = selected;
    updateColors();
}

QImage AppHeaderView::loadIcon(const QString& path) {
    if (path.isEmpty()) {
        return {};
    }
    QImageReader reader(path);
    const QSize size = reader.size();
    const int pixels = iconSize * 2;
    if (size.isValid() && (size.width() > pixels || size.height() > pixels)) {
        reader.setScaledSize(size.scaled(pixels, pixels, Qt::KeepAspectRatio));
    }
    QImage image = reader.read();
    if (image.isNull()) {
        return {};
    }
    if (image.width() > iconSize || image.height() > iconSize) {
        if (image.width() > pixels || image.height() > pixels) {
            image = image.scaled(pixels, pixels, Qt::KeepAspectRatio, Qt::SmoothTransformation);
        }
        image.setDevicePixelRatio(qMax(image.width(), image.height()) / qreal(iconSize));
    }
    return image;
}

void AppHeaderView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateColors();
    }
}

void AppHeaderView::updateColors() {
    const QPalette::ColorRole role = m_selected ? QPalette::HighlightedText : QPalette::WindowText;
    const QColor text = palette().color(QPalette::Active, role);
    QColor caption = text;
    if (!m_selected) {
        caption = secondaryTextColor(this);
    } else {
        caption.setAlphaF(0.85);
    }
    for (QLabel* label : {m_name, m_identifier}) {
        // In a list the inherited text role is the list's, not the window's.
        label->setForegroundRole(QPalette::WindowText);
        QPalette p = label->palette();
        p.setColor(QPalette::WindowText, label == m_name ? text : caption);
        label->setPalette(p);
    }
}

} // namespace quillmere
