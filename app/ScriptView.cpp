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
#include <QStyle>
#include <QVBoxLayout>

namespace quillmere {

ScriptView::ScriptView(brisquel::BackgroundScript script, ControlAlignment* alignment, QWidget* parent,
                       std::optional<AssignmentState> assignment)
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
    m_description->setMaximumLineCount(kMaximumDescriptionLines);
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

    if (assignment) {
        showAssignment(*assignment);
    } else {
        refresh();
    }
}

QString ScriptView::chooseText() {
    // The row's invitation keeps the words it has always had. Every other command of the
    // windows (menu items, buttons, window titles) reads in title case, as the platform's
    // guidelines give it: "Choose a Script…" in the row's context menu.
    return QStringLiteral("Choose a script");
}

QString ScriptView::unknownText() {
    return tr("Assignment unknown");
}

void ScriptView::refresh() {
    showAssignment(AssignmentState::of(m_script.readUrl()));
}

void ScriptView::showCheck(const QUrl& file, const brisquel::ScriptCheck& check) {
    // A check that arrives after the assignment moved on to another file speaks of nothing shown.
    if (m_assignment.url() != file) {
        return;
    }
    const AssignmentState now = m_assignment.withCheck(check);
    if (!(now == m_assignment)) {
        showAssignment(now);
    }
}

void ScriptView::showAssignment(const AssignmentState& assignment) {
    // One state serves everything the row shows, so its parts can never disagree. A file not yet
    // checked again keeps the mark it had until its new check arrives, so that the mark does not
    // flicker while the same file is checked again.
    const bool sameFile = assignment.awaitsCheck() && m_assignment.url() == assignment.url();
    m_assignment = sameFile ? assignment.withCheck(m_assignment.check()) : assignment;
    setEnabled(m_assignment.file() != AssignmentState::File::Unknown);
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
    // The exact values around the write, whatever their kind, so that an undo restores exactly
    // what was stored. The value after is read back: it is what the domain made of the path.
    const auto& domain = m_script.defaults();
    const QString& key = m_script.defaultsScriptName();
    const auto before = domain ? domain->read(key) : brisquel::vexo::Expected<QVariant>(QVariant());
    const brisquel::vexo::Result stored = m_script.writeUrl(chosen);
    const auto after = stored && domain ? domain->read(key) : brisquel::vexo::Expected<QVariant>(QVariant());
    // What the row shows is what the domain holds afterwards, so a refused write shows the
    // assignment that is still in force rather than the one that was not stored.
    refresh();
    emit assignmentWritten(static_cast<bool>(stored));
    if (!stored) {
        reportFailedWrite(chosen, stored);
        return;
    }
    // A domain that could not say what it held gives no step that could put it back; a choice of
    // the file already stored changed nothing to take back.
    if (domain && before && after && !AssignmentCommand::same(*before, *after)) {
        emit assignmentChanged({key, m_script.displayName(), *before, *after});
    }
}

void ScriptView::reportFailedWrite(const std::optional<QUrl>& chosen, const brisquel::vexo::Result& failure) {
    const QString what =
        chosen
            ? tr("“%1” could not be assigned to %2.")
                  .arg(QFileInfo(chosen->toLocalFile()).fileName(),
                       shortenedForDisplay(m_script.displayName()))
            : tr("The script of %1 could not be removed.").arg(shortenedForDisplay(m_script.displayName()));
    openPlainMessageBox(QMessageBox::Warning, tr("The Script Could Not Be Saved"),
                        what + QStringLiteral("\n\n") + failure.message(), window());
}

void ScriptView::revealFile() {
    if (!url()) {
        return;
    }
    const brisquel::vexo::Result shown = revealInFileManager(m_assignment.path());
    if (!shown) {
        openPlainMessageBox(
            QMessageBox::Warning, tr("The File Could Not Be Shown"),
            tr("“%1” could not be shown in a file manager.").arg(QFileInfo(m_assignment.path()).fileName()) +
                QStringLiteral("\n\n") + shown.message(),
            window());
    }
}

QMenu* ScriptView::createContextMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->addAction(tr("Choose a Script…"), this, &ScriptView::choose);
    QAction* reveal = menu->addAction(tr("Show in File Manager"), this, &ScriptView::revealFile);
    reveal->setEnabled(m_assignment.fileIsThere());
    menu->addSeparator();
    QAction* remove = menu->addAction(tr("Remove Script"), this, &ScriptView::clear);
    remove->setEnabled(url().has_value());
    return menu;
}

void ScriptView::updateChooseButton() {
    const QString name = shortenedForDisplay(m_script.displayName());
    if (m_assignment.file() == AssignmentState::File::Unknown) {
        // The reason stands once, in the notice above the rows: a long one repeated in every row's
        // tooltip would cost as much again per row.
        const QString why = tr("Capture One's preferences cannot be read, so this assignment is unknown. "
                               "The notice above the scripts says why.");
        m_chooseButton->setText(unknownText());
        m_chooseButton->setToolTip(why);
        m_chooseButton->setAccessibleName(unknownText());
        m_chooseButton->setAccessibleDescription(why);
        return;
    }
    if (!url()) {
        m_chooseButton->setText(chooseText());
        m_chooseButton->setToolTip(plainToolTip(tr("Choose an AppleScript file for %1").arg(name)));
        m_chooseButton->setAccessibleName(chooseText());
        m_chooseButton->setAccessibleDescription(tr("No script file is set for %1.").arg(name));
        return;
    }
    const QString path = m_assignment.path();
    const QString fileName = QFileInfo(path).fileName();
    const QString about = m_assignment.reason();
    m_chooseButton->setText(fileName);
    // The check's reason names the file itself.
    m_chooseButton->setToolTip(plainToolTip(about.isEmpty() ? path : about));
    m_chooseButton->setAccessibleName(fileName);
    m_chooseButton->setAccessibleDescription(
        tr("Script file of %1: %2. Press to choose another file.").arg(name, about.isEmpty() ? path : about));
}

void ScriptView::updateFileStatus() {
    const QString status = m_assignment.mark();
    m_statusText->setText(status);
    m_statusText->setToolTip(m_chooseButton->toolTip());
    m_statusIcon->setToolTip(m_chooseButton->toolTip());
    m_statusText->setVisible(!status.isEmpty());
    m_statusIcon->setVisible(!status.isEmpty());
}

void ScriptView::updateRemoveButton() {
    if (url() && !m_removeButton) {
        m_removeButton = new RemoveButton(m_buttonRow);
        m_removeButton->setObjectName(QStringLiteral("removeButton"));
        m_removeButton->setFixedSize(m_buttonRow->maximumHeight(), m_buttonRow->maximumHeight());
        m_removeButton->setAccessibleDescription(
            tr("Removes the script file of %1").arg(shortenedForDisplay(m_script.displayName())));
        m_removeButton->setRevealed(m_removeVisible);
        connect(m_removeButton, &QAbstractButton::clicked, this, &ScriptView::clear);
        m_buttonRow->layout()->addWidget(m_removeButton);
        setTabOrder(m_chooseButton, m_removeButton);
        m_removeButton->show();
    } else if (!url() && m_removeButton) {
        if (m_removeButton->hasFocus()) {
            m_chooseButton->setFocus(Qt::OtherFocusReason);
        }
        // Gone at once: the row's state says there is no remove button.
        delete m_removeButton.data();
    }
}

void ScriptView::updateColors() {
    const bool invitation = m_assignment.file() == AssignmentState::File::None;
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
    if (m_showings.isRepeat(event)) {
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
