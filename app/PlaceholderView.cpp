#include "app/PlaceholderView.h"

#include "VexoWidgets/Appearance.h"
#include "VexoWidgets/TextStyles.h"
#include "app/WrappingLabel.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quillmere {

PlaceholderView::PlaceholderView(QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("placeholder"));

    m_prompt = new QLabel(promptText(), this);
    m_prompt->setObjectName(QStringLiteral("prompt"));
    m_prompt->setTextFormat(Qt::PlainText);
    m_prompt->setAlignment(Qt::AlignCenter);
    m_prompt->setWordWrap(true);

    m_details = new WrappingLabel(this);
    m_details->setObjectName(QStringLiteral("details"));
    m_details->setMaximumWidth(520);
    m_details->setSizePolicy(QSizePolicy::Expanding, m_details->sizePolicy().verticalPolicy());

    m_command = new QLabel(exampleCommand(), this);
    m_command->setObjectName(QStringLiteral("command"));
    m_command->setTextFormat(Qt::PlainText);
    m_command->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_command->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_command->setCursor(Qt::IBeamCursor);
    m_command->setAccessibleName(tr("Example command"));
    // Room for what the font draws below its descent, so that no underscore is clipped.
    m_command->setContentsMargins(0, 0, 0,
                                  WrappingLabel::lineHeight(m_command->fontMetrics()) -
                                      m_command->fontMetrics().lineSpacing());

    m_searchAgain = new QPushButton(tr("Search Again"), this);
    connect(m_searchAgain, &QPushButton::clicked, this, &PlaceholderView::searchAgainRequested);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(24, 24, 24, 24);
    layout->setSpacing(16);
    layout->addStretch(1);
    layout->addWidget(m_prompt);
    // Centred between stretches rather than by alignment, so that the layout gives the details the
    // height their width needs.
    auto* details = new QHBoxLayout;
    details->addStretch(1);
    auto* column = new QVBoxLayout;
    column->setSpacing(6);
    column->addWidget(m_details);
    column->addWidget(m_command);
    details->addLayout(column, 10);
    details->addStretch(1);
    layout->addLayout(details);
    layout->addWidget(m_searchAgain, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    updateColors();
    showSelectionPrompt();
}

QString PlaceholderView::promptText() {
    return tr("Please select a version of Capture One");
}

void PlaceholderView::showSelectionPrompt() {
    m_details->hide();
    m_command->hide();
    m_searchAgain->hide();
}

QString PlaceholderView::exampleCommand() {
    return QStringLiteral("QUILLMERE_APPLICATIONS_DIR=\"$HOME/Applications\" quillmere");
}

QString PlaceholderView::nothingFoundText(const QString& folder, const brisquel::vexo::Result& folderFailure,
                                          const QList<brisquel::SkippedEntry>& skipped) {
    QStringList paragraphs;
    if (folderFailure) {
        paragraphs << tr("No copy of Capture One was found in %1 or the folders within it.").arg(folder);
    } else {
        paragraphs
            << tr("Quillmere searches %1 for copies of Capture One, but this folder cannot be searched:")
                       .arg(folder) +
                   QLatin1Char('\n') + folderFailure.message();
    }
    QStringList passedOver;
    for (const brisquel::SkippedEntry& entry : skipped) {
        // The folder's own failure is told above.
        if (!folderFailure && entry.reason.message() == folderFailure.message()) {
            continue;
        }
        passedOver << QStringLiteral("• ") + entry.reason.message();
    }
    if (!passedOver.isEmpty()) {
        const qsizetype more = passedOver.size() - kListedSkippedEntries;
        if (more > 0) {
            passedOver.resize(kListedSkippedEntries);
            passedOver << tr("• and %n more", nullptr, int(more));
        }
        paragraphs << tr("Passed over while searching:") + QLatin1Char('\n') +
                          passedOver.join(QLatin1Char('\n'));
    }
    paragraphs << tr("To search another folder, start Quillmere with the environment variable "
                     "QUILLMERE_APPLICATIONS_DIR set to it, for example:");
    return paragraphs.join(QStringLiteral("\n\n"));
}

void PlaceholderView::showNothingFound(const QString& folder, const brisquel::vexo::Result& folderFailure,
                                       const QList<brisquel::SkippedEntry>& skipped) {
    m_details->setText(nothingFoundText(folder, folderFailure, skipped));
    m_details->show();
    m_command->show();
    m_searchAgain->show();
}

void PlaceholderView::updateColors() {
    QPalette prompt = m_prompt->palette();
    prompt.setColor(QPalette::WindowText, secondaryTextColor(this));
    m_prompt->setPalette(prompt);
    m_details->setTextColor(secondaryTextColor(this));
    m_details->setFont(captionFont(this));
}

void PlaceholderView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateColors();
    }
}

} // namespace quillmere
