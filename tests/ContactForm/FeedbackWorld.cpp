#include "tests/ContactForm/FeedbackWorld.h"

#include "VexoExtensions/MainBundle.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTextDocument>

#include <gtest/gtest.h>

namespace contactformtest {

using brisquel::vexo::MainBundle;
using brisquel::vexo::Result;

QVariantMap photoToolInfo() {
    return QVariantMap{
        {QStringLiteral("CFBundleName"), QStringLiteral("Photo Tool")},
        {QStringLiteral("CFBundleShortVersionString"), QStringLiteral("2.1")},
        {QStringLiteral("CFBundleVersion"), QStringLiteral("57")},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("com.example.PhotoTool")},
    };
}

FeedbackWorld::FeedbackWorld(const QVariantMap& info) {
    platform.install();
    answerWith(200, "OK");
    QVariantMap dictionary = info;
    if (!dictionary.contains(QStringLiteral("email-url")))
        dictionary.insert(QStringLiteral("email-url"),
                          server.url(QStringLiteral("/email/app-feedback")).toString());
    MainBundle::setInfoDictionary(dictionary);
    m_window = std::make_unique<quillmere::FeedbackWindow>(new quillmere::ContactFormViewController);
    window = m_window.get();
    form = window->contentViewController();
}

FeedbackWorld::~FeedbackWorld() {
    // Sheets are children of the window and go with it.
    m_window.reset();
    MainBundle::setInfoDictionary(std::nullopt);
}

void FeedbackWorld::answerWith(int status, const QByteArray& reason, const QByteArray& location) {
    testsupport::HttpAnswer answer;
    answer.status = status;
    answer.reason = reason;
    if (!location.isEmpty())
        answer.headers.append({"Location", location});
    server.answerEverything(answer);
}

void FeedbackWorld::neverAnswer() {
    testsupport::HttpAnswer silent;
    silent.silent = true;
    server.answerEverything(silent);
}

void FeedbackWorld::show() {
    window->showWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
}

void FeedbackWorld::fill(const QString& name, const QString& email, const QString& body,
                         const QString& subject) {
    form->nameField()->setText(name);
    form->emailField()->setText(email);
    if (!subject.isNull())
        form->subjectField()->setText(subject);
    form->bodyField()->setPlainText(body);
}

std::optional<Result> FeedbackWorld::send() {
    QSignalSpy handled(form, &quillmere::ContactFormViewController::feedbackHandled);
    QTest::mouseClick(sendButton(), Qt::LeftButton);
    if (handled.isEmpty() && !handled.wait(20'000))
        return std::nullopt;
    return handled.first().first().value<Result>();
}

std::optional<Result> FeedbackWorld::waitForOutcome() {
    QSignalSpy handled(form, &quillmere::ContactFormViewController::feedbackHandled);
    if (!handled.wait(20'000))
        return std::nullopt;
    return handled.first().first().value<Result>();
}

QPushButton* FeedbackWorld::sendButton() const {
    return form->findChild<QPushButton*>(QStringLiteral("sendButton"));
}

QPushButton* FeedbackWorld::cancelButton() const {
    return form->findChild<QPushButton*>(QStringLiteral("cancelButton"));
}

QMessageBox* FeedbackWorld::alert() const {
    QMessageBox* box = form->alert();
    return box && box->isVisible() ? box : nullptr;
}

QString FeedbackWorld::shownInformativeText(QMessageBox* box) {
    QTextDocument document;
    if (Qt::mightBeRichText(box->informativeText()))
        document.setHtml(box->informativeText());
    else
        document.setPlainText(box->informativeText());
    return document.toPlainText();
}

void FeedbackWorld::answerAlert(const QString& buttonText) {
    QMessageBox* box = alert();
    ASSERT_NE(box, nullptr);
    QAbstractButton* button = box->defaultButton();
    for (QAbstractButton* candidate : box->buttons()) {
        if (!buttonText.isEmpty() && candidate->text() == buttonText)
            button = candidate;
    }
    if (!button && !box->buttons().isEmpty())
        button = box->buttons().first();
    ASSERT_NE(button, nullptr);
    QTest::mouseClick(button, Qt::LeftButton);
    QApplication::processEvents();
}

} // namespace contactformtest
