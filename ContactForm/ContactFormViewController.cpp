#include "ContactForm/ContactFormViewController.h"

#include "ContactForm/ContactFormBundle.h"
#include "ContactForm/FeedbackRequest.h"
#include "ContactForm/FormInterface.h"
#include "VexoExtensions/MainBundle.h"
#include "core/platform/Platform.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextDocument>

namespace quillmere {

using brisquel::vexo::Result;

namespace {

const QString kInterfaceFile = QStringLiteral("ContactFormViewController.json");
const QString kSubjectSuffix = QStringLiteral(" Feedback");
constexpr int kAlertWidth = 400;

void log(const QString& line) {
    brisquel::Platform::current().log->system(line);
}

// The outlet named `name` of type T in the view; the program stops when the interface
// description did not make it, since the form cannot work without it.
template <typename T> T* outlet(QWidget* view, const QString& name, const QString& file) {
    T* widget = view->findChild<T*>(name);
    if (!widget) {
        qFatal("%s: the form has no outlet %s of type %s", qUtf8Printable(file), qUtf8Printable(name),
               T::staticMetaObject.className());
    }
    return widget;
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

void ContactFormViewController::loadView() {
    const QString file = ContactFormBundle::filePath(kInterfaceFile);
    const brisquel::vexo::Expected<FormInterface> form = FormInterface::load(file);
    if (!form)
        qFatal("%s", qUtf8Printable(form.result().message()));
    if (const Result built = form->build(this, this); !built)
        qFatal("%s", qUtf8Printable(built.message()));

    m_emailGridView = outlet<QWidget>(this, QStringLiteral("emailGridView"), file);
    m_nameField = outlet<QLineEdit>(this, QStringLiteral("nameField"), file);
    m_emailField = outlet<QLineEdit>(this, QStringLiteral("emailField"), file);
    m_subjectField = outlet<QLineEdit>(this, QStringLiteral("subjectField"), file);
    m_bodyField = outlet<QPlainTextEdit>(this, QStringLiteral("bodyField"), file);
    m_debugEmailButton = outlet<QCheckBox>(this, QStringLiteral("debugEmailButton"), file);

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
                          m_bodyField->toPlainText(), m_debugEmailButton->isChecked()};
}

void ContactFormViewController::textDidChange() {
    const bool canSend = !m_bodyField->toPlainText().trimmed().isEmpty();
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
