#include "app/ScriptView.h"

#include "VexoWidgets/Appearance.h"
#include "VexoWidgets/TextStyles.h"
#include "app/ChooseButton.h"
#include "app/ControlAlignment.h"
#include "app/FileManager.h"
#include "app/PlainText.h"
#include "app/RemoveButton.h"
#include "app/ScriptPanel.h"
#include "app/WrappingLabel.h"

#include <QContextMenuEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
#include <QShortcut>
#include <QStyle>
#include <QVBoxLayout>

namespace quillmere {

namespace {

ScriptView::FileState stateOfFile(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists()) {
        return ScriptView::FileState::Missing;
    }
    return info.isReadable() ? ScriptView::FileState::Present : ScriptView::FileState::NotReadable;
}

} // namespace

ScriptView::ScriptView(brisquel::BackgroundScript script, ControlAlignment* alignment, QWidget* parent,
                       std::optional<Reading> reading)
    : QWidget(parent), m_script(std::move(script)) {
    // Hover and the context menu belong to the whole row, label and caption included.
    setAttribute(Qt::WA_Hover);
    setObjectName(QStringLiteral("ScriptView"));

    m_label = new WrappingLabel(m_script.displayName(), this);
    // The label's first line sits on the choose button's baseline.
    m_label->setContentsMargins(0, ChooseButton::kVerticalInset, 0, 0);
    if (alignment) {
        alignment->addLabel(m_label);
    } else {
        m_label->setAlignment(Qt::AlignRight);
    }

    // The line of buttons keeps one height whatever it holds, so that no row moves when a file is
    // assigned or removed.
    m_buttonRow = new QWidget(this);
    m_chooseButton = new ChooseButton(m_buttonRow);
    m_chooseButton->setObjectName(QStringLiteral("chooseButton"));
    connect(m_chooseButton, &QAbstractButton::clicked, this, &ScriptView::choose);
    const int lineHeight = m_chooseButton->sizeHint().height();
    m_buttonRow->setFixedHeight(lineHeight);

    m_statusIcon = new QLabel(m_buttonRow);
    const int iconSize = qMin(16, lineHeight - 4);
    m_statusIcon->setPixmap(
        style()->standardIcon(QStyle::SP_MessageBoxWarning, nullptr, this).pixmap(iconSize, iconSize));
    m_statusText = new QLabel(m_buttonRow);
    m_statusText->setObjectName(QStringLiteral("fileStatus"));
    m_statusText->setTextFormat(Qt::PlainText);

    auto* buttons = new QHBoxLayout(m_buttonRow);
    buttons->setContentsMargins(0, 0, 0, 0);
    buttons->setSpacing(4);
    buttons->addWidget(m_chooseButton);
    buttons->addSpacing(kColumnSpacing - 4);
    buttons->addWidget(m_statusIcon);
    buttons->addWidget(m_statusText);
    buttons->addStretch(1);

    m_description = new WrappingLabel(m_script.description(), this);
    m_description->setObjectName(QStringLiteral("description"));
    m_description->setContentsMargins(ChooseButton::kHorizontalInset, 0, 0, 0);
    m_description->setSizePolicy(QSizePolicy::Expanding, m_description->sizePolicy().verticalPolicy());

    auto* controls = new QVBoxLayout;
    controls->setContentsMargins(0, 0, 0, 0);
    controls->setSpacing(2);
    controls->addWidget(m_buttonRow);
    controls->addWidget(m_description);

    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(kColumnSpacing);
    row->addWidget(m_label, 0, Qt::AlignTop);
    row->addLayout(controls, 1);

    // The context menu from the keyboard, wherever the focus is in the row.
    for (const QKeySequence& keys : {QKeySequence(Qt::SHIFT | Qt::Key_F10), QKeySequence(Qt::Key_Menu)}) {
        auto* shortcut = new QShortcut(keys, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, &ScriptView::openContextMenuFromKeyboard);
    }

    if (reading) {
        showReading(*reading);
    } else {
        refresh();
    }
}

QString ScriptView::chooseText() {
    return QStringLiteral("Choose a script");
}

QString ScriptView::unknownText() {
    return tr("Assignment unknown");
}

void ScriptView::refresh() {
    showReading(m_script.readUrl());
}

void ScriptView::showReading(const Reading& read) {
    // One reading serves everything the row shows, so its parts can never disagree.
    if (read) {
        m_readFailure = brisquel::vexo::Result::success();
        m_url = *read;
        m_fileState = m_url ? stateOfFile(m_url->toLocalFile()) : FileState::NoFile;
    } else {
        m_readFailure = read.result();
        m_url.reset();
        m_fileState = FileState::Unknown;
    }
    setEnabled(m_fileState != FileState::Unknown);
    updateChooseButton();
    updateFileStatus();
    updateRemoveButton();
    updateColors();
    emit refreshed();
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
        if (!self) {
            return;
        }
        // Cancel leaves the assignment as it is: dismissing the panel never loses a choice.
        if (chosen) {
            self->apply(chosen);
        }
        // Back to where the user left off, with the keyboard.
        self->window()->activateWindow();
        self->m_chooseButton->setFocus(Qt::OtherFocusReason);
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
        reportFailedWrite(chosen, stored);
    }
}

void ScriptView::reportFailedWrite(const std::optional<QUrl>& chosen, const brisquel::vexo::Result& failure) {
    const QString what = chosen
                             ? tr("“%1” could not be assigned to %2.")
                                   .arg(QFileInfo(chosen->toLocalFile()).fileName(), m_script.displayName())
                             : tr("The script of %1 could not be removed.").arg(m_script.displayName());
    openPlainMessageBox(QMessageBox::Warning, tr("The Script Could Not Be Saved"),
                        what + QStringLiteral("\n\n") + failure.message(), window());
}

void ScriptView::revealFile() {
    if (!m_url) {
        return;
    }
    const brisquel::vexo::Result shown = revealInFileManager(m_url->toLocalFile());
    if (!shown) {
        openPlainMessageBox(
            QMessageBox::Warning, tr("The File Could Not Be Shown"),
            tr("“%1” could not be shown in a file manager.").arg(QFileInfo(m_url->toLocalFile()).fileName()) +
                QStringLiteral("\n\n") + shown.message(),
            window());
    }
}

QMenu* ScriptView::createContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(tr("Choose a Script…"), this, &ScriptView::choose);
    QAction* reveal = menu->addAction(tr("Show in File Manager"), this, &ScriptView::revealFile);
    reveal->setEnabled(m_fileState == FileState::Present);
    menu->addSeparator();
    QAction* remove = menu->addAction(tr("Remove Script"), this, &ScriptView::clear);
    remove->setEnabled(m_url.has_value());
    return menu;
}

void ScriptView::updateChooseButton() {
    const QString name = m_script.displayName();
    if (m_fileState == FileState::Unknown) {
        m_chooseButton->setText(unknownText());
        m_chooseButton->setToolTip(plainToolTip(m_readFailure.message()));
        m_chooseButton->setAccessibleName(unknownText());
        m_chooseButton->setAccessibleDescription(m_readFailure.message());
        return;
    }
    if (!m_url) {
        m_chooseButton->setText(chooseText());
        m_chooseButton->setToolTip(plainToolTip(tr("Choose an AppleScript file for %1").arg(name)));
        m_chooseButton->setAccessibleName(chooseText());
        m_chooseButton->setAccessibleDescription(tr("No script file is set for %1.").arg(name));
        return;
    }
    const QString path = m_url->toLocalFile();
    const QString fileName = QFileInfo(path).fileName();
    QString about;
    switch (m_fileState) {
    case FileState::Missing:
        about = tr("This file is missing, so Capture One finds no script to run:");
        break;
    case FileState::NotReadable:
        about = tr("This file cannot be read, so Capture One cannot run it:");
        break;
    default:
        break;
    }
    m_chooseButton->setText(fileName);
    m_chooseButton->setToolTip(plainToolTip(about.isEmpty() ? path : about + QLatin1Char('\n') + path));
    m_chooseButton->setAccessibleName(fileName);
    m_chooseButton->setAccessibleDescription(
        tr("Script file of %1: %2. Press to choose another file.")
            .arg(name, about.isEmpty() ? path : about + QLatin1Char(' ') + path));
}

void ScriptView::updateFileStatus() {
    QString status;
    if (m_fileState == FileState::Missing) {
        status = tr("missing");
    } else if (m_fileState == FileState::NotReadable) {
        status = tr("not readable");
    }
    m_statusText->setText(status);
    m_statusText->setToolTip(m_chooseButton->toolTip());
    m_statusIcon->setToolTip(m_chooseButton->toolTip());
    m_statusText->setVisible(!status.isEmpty());
    m_statusIcon->setVisible(!status.isEmpty());
}

void ScriptView::updateRemoveButton() {
    if (m_url && !m_removeButton) {
        m_removeButton = new RemoveButton(m_buttonRow);
        m_removeButton->setObjectName(QStringLiteral("removeButton"));
        m_removeButton->setFixedSize(m_buttonRow->maximumHeight(), m_buttonRow->maximumHeight());
        m_removeButton->setAccessibleDescription(
            tr("Removes the script file of %1").arg(m_script.displayName()));
        m_removeButton->setRevealed(m_removeVisible);
        connect(m_removeButton, &QAbstractButton::clicked, this, &ScriptView::clear);
        m_buttonRow->layout()->addWidget(m_removeButton);
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
    const bool invitation = m_fileState == FileState::NoFile;
    m_chooseButton->setTextColor(invitation ? accentColor(this) : primaryTextColor(this));
    m_description->setTextColor(secondaryTextColor(this));
    m_description->setFont(captionFont(this));
    QPalette status = m_statusText->palette();
    status.setColor(QPalette::WindowText, warningTextColor(this));
    m_statusText->setPalette(status);
    m_statusText->setFont(captionFont(this));
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
    if (event->reason() == QContextMenuEvent::Keyboard) {
        openContextMenuFromKeyboard();
    } else {
        popUpContextMenu(event->globalPos());
    }
    event->accept();
}

void ScriptView::openContextMenuFromKeyboard() {
    QWidget* anchor = focusWidget() && isAncestorOf(focusWidget()) ? focusWidget() : m_chooseButton;
    popUpContextMenu(anchor->mapToGlobal(QPoint(0, anchor->height())));
}

void ScriptView::popUpContextMenu(const QPoint& globalPosition) {
    QMenu* menu = createContextMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(globalPosition);
}

void ScriptView::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::FontChange) {
        updateColors();
    }
}

} // namespace quillmere
