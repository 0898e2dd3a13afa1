#pragma once

#include "ContactForm/AppInfo.h"
#include "ContactForm/FeedbackQuery.h"
#include "VexoExtensions/Result.h"

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include <chrono>

class QCheckBox;
class QLabel;
class QLineEdit;
class QMessageBox;
class QPlainTextEdit;
class QPushButton;

namespace quillmere {

// The feedback form: name, e-mail address, subject and message, with Send and Cancel, and the
// sending itself (one GET request, see FeedbackRequest) with the alerts that tell its outcome.
//
// The form is loaded from the interface file ContactFormViewController.ui in the library's resource
// bundle, which must hold these objects, by name: the six outlets emailGridView (a widget with a
// grid layout), nameField, emailField, subjectField (one-line text fields), bodyField (a plain
// multi-line text view) and debugEmailButton (a check box); sendButton and cancelButton (push
// buttons), and versionLabel (a label, where versionString shows). The program stops, naming the
// file and the object, when the bundle is missing (see ContactFormBundle) or the file lacks one (a
// broken installation, which user input never reaches). On creation the subject is set to the
// application's name and " Feedback" and the row of the debug e-mail switch is hidden for good;
// the switch keeps the state the file gives it (off, so every message asks the endpoint not to
// e-mail: "NOEMAIL").
//
// The message is taken exactly as typed: no character of it is changed (a no-break space stays
// one), and a line typed with Return or Shift+Return ends with a line feed. Return in a one-line
// field sends, when Send is enabled; Ctrl+Return sends from anywhere in the form, Escape cancels.
//
// formCanSend is true exactly when the message, trimmed of white space and line breaks, is not
// empty; only changes of the message move it. sendEnabled, which the Send button follows, is
// formCanSend while no request of this form is in flight, so that a double click sends one message.
//
// Outcomes are shown as sheets on the form's window: "Thank you for your feedback!" on success,
// after which the window closes; otherwise the reason in plain words, the window stays open and
// every text stays as typed. Closing the window never clears a field. A window that was closed
// while its message was on its way is shown again to tell the outcome.
class ContactFormViewController final : public QWidget {
    Q_OBJECT
    Q_PROPERTY(bool formCanSend READ formCanSend NOTIFY formCanSendChanged)
    Q_PROPERTY(bool sendEnabled READ sendEnabled NOTIFY sendEnabledChanged)
    Q_PROPERTY(QString versionString READ versionString CONSTANT)

public:
    // The interface file in the bundle, and the objects it must hold.
    static const QString kInterfaceFile;
    static const QStringList kRequiredObjects;

    explicit ContactFormViewController(QWidget* parent = nullptr);
    ~ContactFormViewController() override;

    // The outlets, made from the interface file.
    QWidget* emailGridView() const { return m_emailGridView; }
    QLineEdit* nameField() const { return m_nameField; }
    QLineEdit* emailField() const { return m_emailField; }
    QLineEdit* subjectField() const { return m_subjectField; }
    QPlainTextEdit* bodyField() const { return m_bodyField; }
    QCheckBox* debugEmailButton() const { return m_debugEmailButton; }
    QPushButton* sendButton() const { return m_sendButton; }
    QPushButton* cancelButton() const { return m_cancelButton; }

    // The running application's description, taken when the controller was made.
    const AppInfo& info() const { return m_info; }
    QString versionString() const { return m_info.versionString(); }
    bool formCanSend() const { return m_formCanSend; }
    bool sendEnabled() const { return m_formCanSend && m_requestsInFlight == 0; }
    // True exactly when the name, the e-mail address and the message are all empty, untrimmed.
    // The subject is not considered: the form fills it itself.
    bool formIsEmpty() const;
    // The form's five values as they are now.
    FeedbackFields fields() const;
    int requestsInFlight() const { return m_requestsInFlight; }

    // How long a request waits for a sign of the server (and twice that for the whole request);
    // 60 seconds unless changed (tests shorten it).
    std::chrono::milliseconds requestTimeout() const { return m_requestTimeout; }
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    // The alert sheet shown now on the form's window, if any.
    QMessageBox* alert() const;

    static QString thankYouText();
    static QString cancelQuestionText();
    static QString emptyFormLogLine();

public slots:
    // Send: submitFeedback, unless a request of this form is still in flight (a double click).
    void submitAction();
    // Cancel: closes the window at once when the form is empty (and logs that), else asks
    // "Are you sure you want to cancel?" and closes it on "Yes".
    void cancelAction();
    // Sends the form as it is now to the endpoint (the "email-url" of the application's
    // information dictionary, else the built-in one). An endpoint that cannot be used sends
    // nothing, is logged, and is told to the user.
    void submitFeedback();
    // Shows a failure on the form's window: "Your feedback could not be sent." and its reason.
    void presentError(const brisquel::vexo::Result& failure);

signals:
    void formCanSendChanged(bool formCanSend);
    void sendEnabledChanged(bool sendEnabled);
    // A submission ended: its outcome has been shown (success or failure).
    void feedbackHandled(const brisquel::vexo::Result& outcome);

private:
    void loadView();
    void textDidChange();
    void handleFeedbackResponse(const brisquel::vexo::Result& outcome);
    void setRequestsInFlight(int count);
    QMessageBox* makeAlert(const QString& text);
    void openAlert(QMessageBox* box);
    void closeWindow();
    void showWindow();

    AppInfo m_info;
    QWidget* m_emailGridView = nullptr;
    QLineEdit* m_nameField = nullptr;
    QLineEdit* m_emailField = nullptr;
    QLineEdit* m_subjectField = nullptr;
    QPlainTextEdit* m_bodyField = nullptr;
    QCheckBox* m_debugEmailButton = nullptr;
    QPushButton* m_sendButton = nullptr;
    QPushButton* m_cancelButton = nullptr;
    QLabel* m_versionLabel = nullptr;

    bool m_formCanSend = false;
    int m_requestsInFlight = 0;
    std::chrono::milliseconds m_requestTimeout;
    QPointer<QMessageBox> m_alert;
};

} // namespace quillmere
