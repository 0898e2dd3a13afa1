#pragma once

#include "VexoUpdater/UpdateCheck.h"

#include <QDialog>
#include <QMessageBox>
#include <QPointer>

#include <memory>

class QLabel;
class QProgressBar;
class QPushButton;
class QTextBrowser;
class QTextDocument;
class QVBoxLayout;

namespace quillmere {

// The small window that tells the user what an update check found.
//
// It never blocks another window: it is shown without modality and returns at once. It has four
// states: a check running (with Cancel), an update found (its version, its release notes made
// safe by ReleaseNotes, and Download, Remind Me Later, Skip This Version), up to date, and a
// failure with its reason (and Try Again). Every text that comes from the feed or the server is
// shown as plain text. Download opens the update's address in the browser, and a link in the
// notes opens only when clicked, and only for http and https; nothing is opened otherwise. When
// the browser cannot be started (or an address is no web address), the dialog stays open and a
// message over it says so, with the address to copy.
class UpdateDialog final : public QDialog {
    Q_OBJECT

public:
    enum class State { Checking, UpdateFound, UpToDate, Failed };

    explicit UpdateDialog(QWidget* parent = nullptr);
    ~UpdateDialog() override;

    void showChecking();
    void showOutcome(const UpdateCheckOutcome& outcome);
    void showFailure(const QString& reason);

    State state() const { return m_state; }
    // The update shown in the UpdateFound state.
    const std::optional<AppcastItem>& update() const { return m_update; }

    // The parts, for tests and keyboard users alike.
    QLabel* titleLabel() const { return m_title; }
    QLabel* messageLabel() const { return m_message; }
    QTextBrowser* notesView() const { return m_notes; }
    QPushButton* downloadButton() const { return m_download; }
    QPushButton* skipButton() const { return m_skip; }
    QPushButton* laterButton() const { return m_later; }
    QPushButton* closeButton() const { return m_close; }
    QPushButton* tryAgainButton() const { return m_tryAgain; }
    QPushButton* cancelButton() const { return m_cancel; }
    QPushButton* notesLinkButton() const { return m_notesLink; }
    // The message that an address could not be opened, while it is shown.
    QMessageBox* browserFailure() const { return m_browserFailure; }

    // The application's name as the dialog shows it.
    static QString applicationName();
    // Long unbroken runs (addresses) get places where a line may break, so a narrow dialog wraps
    // them instead of growing.
    static QString breakable(const QString& text);

signals:
    void cancelRequested();
    void tryAgainRequested();
    void skipRequested(const QString& version);

protected:
    void reject() override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void setState(State state);
    void download();
    // Opens a web address in the browser; tells the user, over the dialog, when it cannot.
    bool openInBrowser(const QUrl& url);

    State m_state = State::Checking;
    std::optional<AppcastItem> m_update;
    std::unique_ptr<QTextDocument> m_notesDocument;
    QVBoxLayout* m_text;
    QLabel* m_icon;
    QLabel* m_title;
    QLabel* m_message;
    QProgressBar* m_progress;
    QLabel* m_notesHeading;
    QTextBrowser* m_notes;
    QPushButton* m_notesLink;
    QPushButton* m_skip;
    QPushButton* m_later;
    QPushButton* m_download;
    QPushButton* m_tryAgain;
    QPushButton* m_close;
    QPushButton* m_cancel;
    QPointer<QMessageBox> m_browserFailure;
};

} // namespace quillmere
