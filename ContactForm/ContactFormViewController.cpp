#include "ContactForm/ContactFormViewController.h"

#include "ContactForm/ContactFormBundle.h"
#include "ContactForm/FeedbackRequest.h"
#include "VexoExtensions/MainBundle.h"
#include "core/platform/Platform.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>
#include <QVBoxLayout>

namespace quillmere {

using brisquel::vexo::Result;

namespace {

const QString kSubjectSuffix = QStringLiteral(" Feedback");
constexpr int kAlertWidth = 400;

void log(const QString& line) {
    brisquel::Platform::current().log->system(line);
}

// The message as typed: the text view keeps its paragraphs apart with U+2029 and a line break
// typed with Shift+Return as U+2028; both are line feeds. Its plain-text form would also turn
// every no-break space into a space.
QString typedText(const QPlainTextEdit* view) {
    QString text = view->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, u'\n');
    text.replace(QChar::LineSeparator, u'\n');
    return text;
}

// Hides every widget in the grid row that holds `widget`.
void hideGridRow(QWidget* grid, QWidget* widget) {
    auto* layout = qobject_cast<QGridLayout*>(grid->layout());
    const int index = layout ? layout->indexOf(widget) : -1;
    if (index < 0) {
        widget->hide();
        return;
    }
    int row = 0;
    int column = 0;
    int rowSpan = 0;
    int columnSpan = 0;
    layout->getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    for (int c = 0; c < layout->columnCount(); ++c) {
        if (QLayoutItem* item = layout->itemAtPosition(row, c); item && item->widget())
            item->widget()->hide();
    }
    layout->setRowStretch(row, 0);
    layout->setRowMinimumHeight(row, 0);
}

} // namespace

ContactFormViewController::ContactFormViewController(QWidget* parent)
    : QWidget(parent), m_info(AppInfo::mainBundle()), m_requestTimeout(FeedbackRequest::kDefaultTimeout) {
    loadView();
}

ContactFormViewController::~ContactFormViewController() = default;

QMessageBox* ContactFormViewController::alert() const {
    return m_alert;
}

QString ContactFormViewController::thankYouText() {
    return QStringLiteral("Thank you for your feedback!");
}

QString ContactFormViewController::cancelQuestionText() {
    return QStringLiteral("Are you sure you want to cancel?");
}

QString ContactFormViewController::emptyFormLogLine() {
    return QStringLiteral("Form is empty. Dismissing feedback window");
}

const QString ContactFormViewController::kInterfaceFile = QStringLiteral("ContactFormViewController.ui");
const QStringList ContactFormViewController::kRequiredObjects = {
    QStringLiteral("emailGridView"), QStringLiteral("nameField"),    QStringLiteral("emailField"),
    QStringLiteral("subjectField"),  QStringLiteral("bodyField"),    QStringLiteral("debugEmailButton"),
    QStringLiteral("sendButton"),    QStringLiteral("cancelButton"), QStringLiteral("versionLabel")};

void ContactFormViewController::loadView() {
    const ResourceBundle& bundle = contactFormBundle();
    const QString file = bundle.filePath(kInterfaceFile);
    QWidget* view = bundle.loadInterface(kInterfaceFile, kRequiredObjects, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(view);

    m_emailGridView = ResourceBundle::object<QWidget>(view, QStringLiteral("emailGridView"), file);
    m_nameField = ResourceBundle::object<QLineEdit>(view, QStringLiteral("nameField"), file);
    m_emailField = ResourceBundle::object<QLineEdit>(view, QStringLiteral("emailField"), file);
    m_subjectField = ResourceBundle::object<QLineEdit>(view, QStringLiteral("subjectField"), file);
    m_bodyField = ResourceBundle::object<QPlainTextEdit>(view, QStringLiteral("bodyField"), file);
    m_debugEmailButton = ResourceBundle::object<QCheckBox>(view, QStringLiteral("debugEmailButton"), file);
    m_sendButton = ResourceBundle::object<QPushButton>(view, QStringLiteral("sendButton"), file);
    m_cancelButton = ResourceBundle::object<QPushButton>(view, QStringLiteral("cancelButton"), file);
    m_versionLabel = ResourceBundle::object<QLabel>(view, QStringLiteral("versionLabel"), file);

    // The actions, the send button's state and the caption, in place of what an interface file
    // of the platform would bind.
    connect(m_sendButton, &QPushButton::clicked, this, &ContactFormViewController::submitAction);
    connect(m_cancelButton, &QPushButton::clicked, this, &ContactFormViewController::cancelAction);
    m_sendButton->setEnabled(sendEnabled());
    connect(this, &ContactFormViewController::sendEnabledChanged, m_sendButton, &QPushButton::setEnabled);
    for (QPushButton* button : {m_sendButton, m_cancelButton}) {
        button->setToolTip(button->shortcut().toString(QKeySequence::NativeText));
    }
    m_versionLabel->setTextFormat(Qt::PlainText);
    m_versionLabel->setText(versionString());
    // Return in a one-line field sends, as the default button promises; in the message it starts a
    // new line.
    for (QLineEdit* field : {m_nameField, m_emailField, m_subjectField}) {
        connect(field, &QLineEdit::returnPressed, this, [this] {
            if (sendEnabled())
                submitAction();
        });
    }

    // What the form does once its view exists, in this order: the subject, the message's
    // observer, and the debug switch put out of sight for good.
    m_subjectField->setText(m_info.name + kSubjectSuffix);
    connect(m_bodyField, &QPlainTextEdit::textChanged, this, &ContactFormViewController::textDidChange);
    hideGridRow(m_emailGridView, m_debugEmailButton);
    setFocusProxy(m_nameField);
}

bool ContactFormViewController::formIsEmpty() const {
    return m_nameField->text().isEmpty() && m_emailField->text().isEmpty() &&
           m_bodyField->document()->isEmpty();
}

FeedbackFields ContactFormViewController::fields() const {
    return FeedbackFields{m_nameField->text(), m_emailField->text(), m_subjectField->text(),
                          typedText(m_bodyField), m_debugEmailButton->isChecked()};
}

void ContactFormViewController::textDidChange() {
    const bool canSend = !typedText(m_bodyField).trimmed().isEmpty();
    if (canSend == m_formCanSend)
        return;
    const bool wasEnabled = sendEnabled();
    m_formCanSend = canSend;
    emit formCanSendChanged(m_formCanSend);
    if (sendEnabled() != wasEnabled)
        emit sendEnabledChanged(sendEnabled());
}

void ContactFormViewController::setRequestsInFlight(int count) {
    const bool wasEnabled = sendEnabled();
    m_requestsInFlight = count;
    if (sendEnabled() != wasEnabled)
        emit sendEnabledChanged(sendEnabled());
}

void ContactFormViewController::submitAction() {
    if (m_requestsInFlight > 0)
        return;
    submitFeedback();
}

void ContactFormViewController::submitFeedback() {
    const brisquel::vexo::Expected<QUrl> address =
        makeFeedbackQuery(fields(), m_info, brisquel::vexo::MainBundle::object(kEmailURLKey));
    if (!address) {
        log(QStringLiteral("Feedback not sent: ") + address.result().message());
        presentError(address.result());
        emit feedbackHandled(address.result());
        return;
    }
    auto* request = new FeedbackRequest(*address, FeedbackRequest::limits(m_requestTimeout), this);
    setRequestsInFlight(m_requestsInFlight + 1);
    connect(request, &FeedbackRequest::finished, this, [this, request](const Result& outcome) {
        request->deleteLater();
        setRequestsInFlight(m_requestsInFlight - 1);
        handleFeedbackResponse(outcome);
    });
}

void ContactFormViewController::handleFeedbackResponse(const Result& outcome) {
    if (outcome) {
        showWindow();
        QMessageBox* box = makeAlert(thankYouText());
        box->setIcon(QMessageBox::Information);
        box->setStandardButtons(QMessageBox::Ok);
        connect(box, &QMessageBox::finished, this, &ContactFormViewController::closeWindow);
        openAlert(box);
    } else {
        presentError(outcome);
    }
    emit feedbackHandled(outcome);
}

void ContactFormViewController::presentError(const Result& failure) {
    showWindow();
    QMessageBox* box = makeAlert(tr("Your feedback could not be sent."));
    box->setIcon(QMessageBox::Warning);
    // The reason may quote the server or the configured address: shown as plain text, always.
    box->setInformativeText(Qt::convertFromPlainText(failure.message(), Qt::WhiteSpaceNormal));
    box->setStandardButtons(QMessageBox::Ok);
    openAlert(box);
}

void ContactFormViewController::cancelAction() {
    if (formIsEmpty()) {
        log(emptyFormLogLine());
        closeWindow();
        return;
    }
    QMessageBox* box = makeAlert(cancelQuestionText());
    box->setIcon(QMessageBox::Question);
    QPushButton* yes = box->addButton(tr("Yes"), QMessageBox::YesRole);
    QPushButton* no = box->addButton(tr("No"), QMessageBox::NoRole);
    box->setDefaultButton(yes);
    box->setEscapeButton(no);
    connect(box, &QMessageBox::finished, this, [this, box, yes] {
        if (box->clickedButton() == yes)
            closeWindow();
    });
    openAlert(box);
}

QMessageBox* ContactFormViewController::makeAlert(const QString& text) {
    auto* box = new QMessageBox(window());
    // A sheet of the form's window: no buttons of its own to minimise or enlarge it.
    box->setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->setWindowTitle(window()->windowTitle());
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    m_alert = box;
    return box;
}

void ContactFormViewController::openAlert(QMessageBox* box) {
    // A message box wraps its text narrowly, which breaks an address after "https://"; a sheet
    // nearly as wide as the form keeps addresses whole. (Its setters rebuild its layout, so this
    // comes last.)
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout())) {
        grid->addItem(new QSpacerItem(kAlertWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }
    box->open();
}

void ContactFormViewController::closeWindow() {
    window()->close();
}

void ContactFormViewController::showWindow() {
    QWidget* top = window();
    if (!top->isVisible())
        top->show();
    top->raise();
    top->activateWindow();
}

} // namespace quillmere
