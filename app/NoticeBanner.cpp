#include "app/NoticeBanner.h"

#include "VexoWidgets/Appearance.h"
#include "VexoWidgets/TextStyles.h"
#include "app/WrappingLabel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace quillmere {

NoticeBanner::NoticeBanner(const QString& actionText, QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("noticeBanner"));
    setFrameShape(QFrame::StyledPanel);
    setAutoFillBackground(true);
    setAccessibleName(tr("Warning"));

    m_icon = new QLabel(this);
    m_icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(24, 24));
    m_icon->setAlignment(Qt::AlignTop);

    m_headline = new WrappingLabel(this);
    m_headline->setFont(headlineFont(this));
    m_details = new WrappingLabel(this);
    m_details->setFont(captionFont(this));

    m_action = new QPushButton(actionText, this);
    connect(m_action, &QPushButton::clicked, this, &NoticeBanner::actionTriggered);

    auto* texts = new QVBoxLayout;
    texts->setSpacing(4);
    texts->addWidget(m_headline);
    texts->addWidget(m_details);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 10);
    layout->setSpacing(10);
    layout->addWidget(m_icon, 0, Qt::AlignTop);
    layout->addLayout(texts, 1);
    layout->addWidget(m_action, 0, Qt::AlignTop);
    updateColors();
}

void NoticeBanner::setMessage(const QString& headline, const QString& details) {
    m_headline->setText(headline);
    m_details->setText(details);
    m_details->setVisible(!details.isEmpty());
    setAccessibleDescription(headline + QLatin1Char('\n') + details);
}

QString NoticeBanner::headline() const {
    return m_headline->text();
}

QString NoticeBanner::details() const {
    return m_details->text();
}

void NoticeBanner::updateColors() {
    // A warm tint of the surrounding window colour, light or dark as the theme is, with its text
    // kept readable.
    const QPalette around = parentWidget() ? parentWidget()->palette() : palette();
    const QColor window = around.color(QPalette::Active, QPalette::Window);
    const QColor amber(0xf0, 0xb0, 0x20);
    const QColor tint = QColor::fromRgbF(static_cast<float>(window.redF() * 0.8 + amber.redF() * 0.2),
                                         static_cast<float>(window.greenF() * 0.8 + amber.greenF() * 0.2),
                                         static_cast<float>(window.blueF() * 0.8 + amber.blueF() * 0.2));
    QPalette banner = around;
    banner.setColor(QPalette::Window, tint);
    m_updatingColors = true;
    setPalette(banner);
    m_updatingColors = false;
    const QColor text = readableOn(around.color(QPalette::Active, QPalette::WindowText), tint);
    m_headline->setTextColor(text);
    m_details->setTextColor(secondaryTextColor(text, tint));
}

void NoticeBanner::changeEvent(QEvent* event) {
    QFrame::changeEvent(event);
    if ((event->type() == QEvent::PaletteChange && !m_updatingColors) ||
        event->type() == QEvent::ParentChange) {
        updateColors();
    }
}

} // namespace quillmere
