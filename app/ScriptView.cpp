#include "app/ScriptView.h"

#include "app/Appearance.h"
#include "app/ChooseButton.h"
#include "app/ControlAlignment.h"
#include "app/FileManager.h"
#include "app/RemoveButton.h"
#include "app/ScriptPanel.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QVBoxLayout>

namespace quillmere {

ScriptView::ScriptView(brisquel::BackgroundScript script, ControlAlignment* alignment, QWidget* parent)
    : QWidget(parent), m_script(std::move(script)) {
    // Hover and the context menu belong to the whole row, label and caption included.
    setAttribute(Qt::WA_Hover);
    setObjectName(QStringLiteral("ScriptView"));

    m_label = new QLabel(m_script.displayName(), this);
    m_label->setTextFormat(Qt::PlainText);
    // The label's first line sits on the choose button's baseline.
    m_label->setContentsMargins(0, ChooseButton::verticalInset, 0, 0);
    if (alignment) {
        alignment->addLabel(m_label);
    } else {
        m_label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    }

    m_chooseButton = new ChooseButton(this);
    m_chooseButton->setObjectName(QStringLiteral("chooseButton"));
    connect(m_chooseButton, &QAbstractButton::clicked, this, &ScriptView::choose);
    m_label->setBuddy(m_chooseButton);

    m_description = new QLabel(m_script.description(), this);
    m_description->setTextFormat(Qt::PlainText);
    m_description->setWordWrap(true);
    m_description->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_description->setContentsMargins(ChooseButton::horizontalInset, 0, 0, 0);
    m_description->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);

    m_buttonRow = new QHBoxLayout;
    m_buttonRow->setContentsMargins(0, 0, 0, 0);
    m_buttonRow->setSpacing(columnSpacing);
    m_buttonRow->addWidget(m_chooseButton, 0, Qt::AlignVCenter);
    m_buttonRow->addStretch(1);

    auto* controls = new QVBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(2);
    controls->addLayout(m_buttonRow);
    controls->addWidget(m_description);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(columnSpacing);
    row->addWidget(m_label, 0, Qt::AlignTop);
    row->addLayout(controls, 1);

    updateColors();
    refresh();
}

QString ScriptView::chooseText() {
    return QStringLiteral("Choose a script");
}

void ScriptView::refresh() {
    m_url = m_script.url();
    updateChooseButton();
    updateRemoveButton();
}

void ScriptView::hover(bool inside) {
    m_removeVisible = inside;
    if (m_removeButton) {
        m_removeButton->setRevealed(inside);
    }
}

void ScriptView::choose() {
    QPointer<ScriptView> self(this);
    ScriptPanel::shared().begin(this, [self](const std::optional<QUrl>& chosen) {
        // Cancel leaves the assignment as it is: dismissing the panel never loses a choice.
        if (self && chosen) {
            self->apply(chosen);
        }
    });
}

void ScriptView::clear() {
    const bool focusWasOnRemove = m_removeButton && m_removeButton->hasFocus();
    apply(std::nullopt);
    if (focusWasOnRemove) {
        m_chooseButton->setFocus(Qt::OtherFocusReason);
    }
}

void ScriptView::apply(const std::optional<QUrl>& chosen) {
    const brisquel::vexo::Result stored = m_script.writeUrl(chosen);
    // What the row shows is what the domain holds afterwards, so a refused write shows the
    // assignment that is still in force rather than the one that was not stored.
    refresh();
    emit assignmentWritten(static_cast<bool>(stored));
    if (!stored) {
        reportFailedWrite(stored);
    }
}

void ScriptView::reportFailedWrite(const brisquel::vexo::Result& failure) {
    const QString details = tr("Capture One's preferences could not be written, so the assignment of “%1” is "
                               "unchanged.")
                                .arg(m_script.displayName()) +
                            QLatin1Char('\n') + failure.message();
    auto* box = new QMessageBox(QMessageBox::Warning, tr("The Script Could Not Be Saved"), details,
                                QMessageBox::Ok, window());
    box->setTextFormat(Qt::PlainText);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->open();
}

void ScriptView::revealFile() {
    if (m_url) {
        revealInFileManager(m_url->toLocalFile());
    }
}

QMenu* ScriptView::createContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(tr("Choose a Script…"), this, &ScriptView::choose);
    QAction* reveal = menu->addAction(tr("Show in File Manager"), this, &ScriptView::revealFile);
    reveal->setEnabled(m_url && QFileInfo::exists(m_url->toLocalFile()));
    menu->addSeparator();
    QAction* remove = menu->addAction(tr("Remove Script"), this, &ScriptView::clear);
    remove->setEnabled(m_url.has_value());
    return menu;
}

void ScriptView::updateChooseButton() {
    // The button shows what the record holds at this moment.
    const std::optional<QUrl> assigned = m_script.url();
    m_showsFile = assigned.has_value();
    if (assigned) {
        const QString path = assigned->toLocalFile();
        const QString name = QFileInfo(path).fileName();
        m_chooseButton->setText(name);
        m_chooseButton->setToolTip(path);
        m_chooseButton->setAccessibleName(name);
        m_chooseButton->setAccessibleDescription(
            tr("Script file of %1: %2. Press to choose another file.").arg(m_script.displayName(), path));
    } else {
        m_chooseButton->setText(chooseText());
        m_chooseButton->setToolTip(tr("Choose an AppleScript file for %1").arg(m_script.displayName()));
        m_chooseButton->setAccessibleName(chooseText());
        m_chooseButton->setAccessibleDescription(
            tr("No script file is set for %1.").arg(m_script.displayName()));
    }
    updateColors();
}

void ScriptView::updateRemoveButton() {
    if (m_url && !m_removeButton) {
        m_removeButton = new RemoveButton(this);
        m_removeButton->setObjectName(QStringLiteral("removeButton"));
        m_removeButton->setAccessibleDescription(
            tr("Removes the script file of %1").arg(m_script.displayName()));
        m_removeButton->setRevealed(m_removeVisible);
        connect(m_removeButton, &QAbstractButton::clicked, this, &ScriptView::clear);
        m_buttonRow->addWidget(m_removeButton, 0, Qt::AlignVCenter);
        setTabOrder(m_chooseButton, m_removeButton);
        m_removeButton->show();
    } else if (!m_url && m_removeButton) {
        if (m_removeButton->hasFocus()) {
            m_chooseButton->setFocus(Qt::OtherFocusReason);
        }
        // Gone at once: the row's state says there is no remove button.
        delete m_removeButton.data();
    }
}

void ScriptView::updateColors() {
    m_chooseButton->setTextColor(m_showsFile ? primaryTextColor(this) : accentColor(this));
    QPalette descriptionPalette = m_description->palette();
    descriptionPalette.setColor(QPalette::WindowText, secondaryTextColor(this));
    m_description->setPalette(descriptionPalette);
    m_description->setFont(captionFont(this));
}

void ScriptView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) {
        refresh();
    }
}

void ScriptView::enterEvent(QEnterEvent* event) {
    QWidget::enterEvent(event);
    hover(true);
}

void ScriptView::leaveEvent(QEvent* event) {
    QWidget::leaveEvent(event);
    hover(false);
}

void ScriptView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
    event->accept();
}

void ScriptView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        updateColors();
    }
}

} // namespace quillmere
