#include "tests/ContactForm/FeedbackWorld.h"

#include "VexoExtensions/MainBundle.h"

#include <QApplication>
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
    server.answerEverything({});
    QVariantMap dictionary = info;
    if (!dictionary.contains(QStringLiteral("email-url")))
        dictionary.insert(QStringLiteral("email-url"), server.url(QStringLiteral("/in")).toString());
    MainBundle::setInfoDictionary(dictionary);
    m_window = std::make_unique<quillmere::FeedbackWindow>(new quillmere::ContactFormViewController);
    window = m_window.get();
    form = window->contentViewController();
    window->showWindow();
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window));
}

FeedbackWorld::~FeedbackWorld() {
    m_window.reset(); // sheets are children of the window and go with it
    MainBundle::setInfoDictionary(std::nullopt);
}

void FeedbackWorld::fill(const QString& name, const QString& email, const QString& body,
                         const QString& subject) {
    form->nameField()->setText(name);
    form->emailField()->setText(email);
    if (!subject.isNull())
        form->subjectField()->setText(subject);
    form->bodyField()->setPlainText(body);
}

std::optional<brisquel::vexo::Result> FeedbackWorld::click(QPushButton* button) {
    QSignalSpy handled(form, &quillmere::ContactFormViewController::feedbackHandled);
    if (button)
        QTest::mouseClick(button, Qt::LeftButton);
    if (handled.isEmpty() && !handled.wait(20'000))
        return std::nullopt;
    return handled.first().first().value<brisquel::vexo::Result>();
}

QPushButton* FeedbackWorld::button(const char* name) const {
    return form->findChild<QPushButton*>(QString::fromLatin1(name));
}

QMessageBox* FeedbackWorld::alert() const {
    QMessageBox* box = form->alert();
    return box && box->isVisible() ? box : nullptr;
}

QString FeedbackWorld::shownInformativeText() const {
    QTextDocument document;
    document.setHtml(alert() ? alert()->informativeText() : QString());
    return document.toPlainText();
}

void FeedbackWorld::answerAlert(const QString& buttonText) {
    ASSERT_NE(alert(), nullptr);
    for (QAbstractButton* candidate : alert()->buttons()) {
        if (buttonText.isEmpty() || candidate->text() == buttonText) {
            QTest::mouseClick(candidate, Qt::LeftButton);
            QApplication::processEvents();
            return;
        }
    }
    ADD_FAILURE() << "no button " << buttonText.toStdString();
}

} // namespace contactformtest
