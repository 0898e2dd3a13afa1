#include "VexoUpdater/UpdateDialog.h"

#include "VexoExtensions/MainBundle.h"
#include "VexoUpdater/ReleaseNotes.h"
#include "VexoUpdater/UpdaterBundle.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTextBrowser>
#include <QVBoxLayout>

namespace quillmere {

namespace {

// Links are taken over by the dialog: the browser never follows one itself and never loads any
// resource the notes name.
class NotesBrowser final : public QTextBrowser {
public:
    using QTextBrowser::QTextBrowser;

protected:
    QVariant loadResource(int /*type*/, const QUrl& /*name*/) override { return {}; }
};

QLabel* plainLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    return label;
}

// "2.0", or "2.0 (45)" when the short versions alone would not tell the two apart.
QString versionText(const QString& shortVersion, const QString& version, bool withBuild) {
    QString shown = shortVersion.isEmpty() ? version : shortVersion;
    if (!withBuild || shortVersion.isEmpty() || shortVersion == version)
        return shown;
    return QStringLiteral("%1 (%2)").arg(shortVersion, version);
}

} // namespace

UpdateDialog::UpdateDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(tr("Software Update"));
    setWindowModality(Qt::NonModal);
    setModal(false);

    m_icon = new QLabel(this);
    m_icon->setPixmap(updaterIcon().pixmap(64, 64));
    m_icon->setAlignment(Qt::AlignTop | Qt::AlignHCenter);
    m_icon->setFixedWidth(72);

    m_title = plainLabel(this);
    QFont titleFont = m_title->font();
    titleFont.setBold(true);
    titleFont.setPointSizeF(titleFont.pointSizeF() * 1.15);
    m_title->setFont(titleFont);
    m_message = plainLabel(this);
    // The dialog's smallest size comes from its layout alone (a minimum set on the dialog itself
    // would stop the layout from keeping the notes and buttons apart).
    m_message->setMinimumWidth(360);
    m_progress = new QProgressBar(this);
    m_progress->setRange(0, 0);
    m_progress->setTextVisible(false);
    m_notesHeading = plainLabel(this);
    m_notesHeading->setText(tr("Release Notes:"));
    QFont headingFont = m_notesHeading->font();
    headingFont.setBold(true);
    m_notesHeading->setFont(headingFont);
    m_notes = new NotesBrowser(this);
    m_notes->setOpenLinks(false);
    m_notes->setOpenExternalLinks(false);
    m_notes->setMinimumHeight(160);
    m_notes->setTabChangesFocus(true);
    connect(m_notes, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { openInBrowser(url); });
    m_notesLink = new QPushButton(tr("Open Release Notes in Browser"), this);
    m_notesLink->setAutoDefault(false);
    connect(m_notesLink, &QPushButton::clicked, this, [this] {
        if (m_update)
            openInBrowser(m_update->releaseNotesURL);
    });

    m_skip = new QPushButton(tr("Skip This Version"), this);
    m_later = new QPushButton(tr("Remind Me Later"), this);
    m_download = new QPushButton(tr("Download"), this);
    m_tryAgain = new QPushButton(tr("Try Again"), this);
    m_close = new QPushButton(tr("OK"), this);
    m_cancel = new QPushButton(tr("Cancel"), this);
    for (QPushButton* button : {m_skip, m_later, m_download, m_tryAgain, m_close, m_cancel})
        button->setAutoDefault(false);
    connect(m_skip, &QPushButton::clicked, this, [this] {
        if (m_update)
            emit skipRequested(m_update->version);
        hide();
    });
    connect(m_later, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_download, &QPushButton::clicked, this, &UpdateDialog::download);
    connect(m_tryAgain, &QPushButton::clicked, this, &UpdateDialog::tryAgainRequested);
    connect(m_close, &QPushButton::clicked, this, &QDialog::hide);
    connect(m_cancel, &QPushButton::clicked, this, &UpdateDialog::reject);

    auto* text = new QVBoxLayout;
    m_text = text;
    text->addWidget(m_title);
    text->addWidget(m_message);
    text->addWidget(m_progress);
    text->addSpacing(6);
    text->addWidget(m_notesHeading);
    text->addWidget(m_notes, 1);
    auto* linkRow = new QHBoxLayout;
    linkRow->addWidget(m_notesLink);
    linkRow->addStretch(1);
    text->addLayout(linkRow);
    // Takes the spare height while there are no notes, so that the texts stay together at the top.
    text->addStretch(0);

    auto* top = new QHBoxLayout;
    top->addWidget(m_icon);
    top->addLayout(text, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_skip);
    buttons->addStretch(1);
    buttons->addWidget(m_tryAgain);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_later);
    buttons->addWidget(m_download);
    buttons->addWidget(m_close);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top, 1);
    layout->addLayout(buttons);
    setState(State::Checking);
}

UpdateDialog::~UpdateDialog() {
    // The view lets go of the document before the document goes.
    m_notes->setDocument(nullptr);
}

QString UpdateDialog::applicationName() {
    const QString name = brisquel::vexo::MainBundle::name();
    return name.isEmpty() ? QCoreApplication::applicationName() : name;
}

QString UpdateDialog::breakable(const QString& text) {
    constexpr int kLongRun = 32;
    QString out;
    out.reserve(text.size() + text.size() / 8);
    int run = 0;
    for (const QChar c : text) {
        out += c;
        run = c.isSpace() ? 0 : run + 1;
        if (run >= kLongRun / 4 && (c == QLatin1Char('/') || c == QLatin1Char('.') || c == QLatin1Char('-') ||
                                    c == QLatin1Char('?') || c == QLatin1Char('&') || run >= kLongRun)) {
            out += QChar(0x200B);
            run = 0;
        }
    }
    return out;
}

void UpdateDialog::showChecking() {
    m_update.reset();
    m_title->setText(tr("Checking for updates…"));
    m_message->setText(tr("Reading the update feed. You can go on working meanwhile."));
    setState(State::Checking);
}

void UpdateDialog::showOutcome(const UpdateCheckOutcome& outcome) {
    const QString name = applicationName();
    if (!outcome.updateAvailable || !outcome.newest) {
        m_update.reset();
        m_title->setText(tr("You’re up to date!"));
        m_message->setText(
            tr("%1 %2 is currently the newest version available.")
                .arg(name, versionText(outcome.currentShortVersion, outcome.currentVersion, false)));
        setState(State::UpToDate);
        return;
    }
    m_update = outcome.newest;
    const AppcastItem& item = *m_update;
    // Builds are shown too when the versions people read would look the same.
    const bool sameShown = item.displayVersion() == outcome.currentDisplayVersion();
    m_title->setText(tr("A new version of %1 is available!").arg(name));
    QString message = tr("%1 %2 is now available—you have %3. Would you like to download it now?")
                          .arg(name, versionText(item.shortVersion, item.version, sameShown),
                               versionText(outcome.currentShortVersion, outcome.currentVersion, sameShown));
    if (item.channel)
        message += QLatin1Char(' ') + tr("This is a beta release.");
    m_message->setText(breakable(message));

    m_notes->setDocument(nullptr);
    m_notesDocument = ReleaseNotes::document(item.releaseNotes, item.releaseNotesFormat);
    m_notes->setDocument(m_notesDocument.get());
    setState(State::UpdateFound);
}

void UpdateDialog::showFailure(const QString& reason) {
    m_update.reset();
    m_title->setText(tr("%1 could not check for updates").arg(applicationName()));
    m_message->setText(breakable(reason));
    setState(State::Failed);
}

void UpdateDialog::setState(State state) {
    m_state = state;
    const bool found = state == State::UpdateFound;
    const bool hasNotes = found && m_update && !m_update->releaseNotes.isEmpty();
    m_progress->setVisible(state == State::Checking);
    m_notesHeading->setVisible(hasNotes);
    m_notes->setVisible(hasNotes);
    m_notesLink->setVisible(found && m_update && ReleaseNotes::isWebAddress(m_update->releaseNotesURL));
    m_skip->setVisible(found);
    m_later->setVisible(found);
    m_download->setVisible(found);
    m_tryAgain->setVisible(state == State::Failed);
    m_close->setVisible(state == State::UpToDate || state == State::Failed);
    m_cancel->setVisible(state == State::Checking);
    m_text->setStretch(m_text->count() - 1, hasNotes ? 0 : 1);

    QPushButton* primary = found ? m_download : (state == State::Checking ? m_cancel : m_close);
    for (QPushButton* button : {m_skip, m_later, m_download, m_tryAgain, m_close, m_cancel})
        button->setDefault(button == primary);
    primary->setFocus();
    adjustSize();
    // Release notes read better with some room; the user may make the window smaller again.
    if (hasNotes)
        resize(qMax(width(), 560), qMax(height(), 440));
}

void UpdateDialog::resizeEvent(QResizeEvent* event) {
    QDialog::resizeEvent(event);
    // A layout's minimum counts a wrapping label as one line; at this width the texts may need
    // more, and the notes would otherwise be pushed under the buttons.
    int extra = 0;
    for (const QLabel* label : {m_title, m_message}) {
        if (label->isVisible() && label->width() > 0)
            extra += qMax(0, label->heightForWidth(label->width()) - label->minimumSizeHint().height());
    }
    const int needed = layout()->minimumSize().height() + extra;
    if (needed != minimumHeight())
        setMinimumHeight(needed);
}

void UpdateDialog::reject() {
    if (m_state == State::Checking)
        emit cancelRequested();
    hide();
}

void UpdateDialog::download() {
    // The dialog goes only once the browser has the download; otherwise it stays, with the reason.
    if (m_update && openInBrowser(m_update->downloadURL))
        hide();
}

bool UpdateDialog::openInBrowser(const QUrl& url) {
    if (ReleaseNotes::openWebAddress(url))
        return true;
    auto* box = new QMessageBox(QMessageBox::Warning, windowTitle(), QString(), QMessageBox::Ok, this);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setTextFormat(Qt::PlainText);
    box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    const QString address = url.toDisplayString();
    if (ReleaseNotes::isWebAddress(url)) {
        box->setText(tr("No web browser could be started."));
        box->setInformativeText(
            Qt::convertFromPlainText(tr("You can open this address in a browser yourself:") +
                                         QStringLiteral("\n") + breakable(address),
                                     Qt::WhiteSpaceNormal));
    } else {
        box->setText(tr("This address is not opened."));
        box->setInformativeText(
            Qt::convertFromPlainText(tr("Only web addresses (https or http) are opened, and this is none:") +
                                         QStringLiteral("\n") + breakable(address),
                                     Qt::WhiteSpaceNormal));
    }
    m_browserFailure = box;
    box->open();
    return false;
}

} // namespace quillmere
