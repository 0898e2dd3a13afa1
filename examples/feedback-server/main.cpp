// feedback-server: a local stand-in for the feedback endpoint, for trying the form by hand. It
// listens on a loopback address only (the tests' HTTP server), prints every message it receives
// (the query's pairs, decoded as a web form's endpoint decodes them) and answers each request
// with the status it was given.
//
//   feedback-server [--port 8765] [--status 200] [--reason TEXT]
//
// It prints its address on the first line, then every message it receives.

#include "tests/support/TestHttpServer.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDateTime>

#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication application(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("feedback-server"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("A local stand-in for the feedback endpoint: prints every message it receives."));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("The loopback port to listen on."),
                                        QStringLiteral("port"), QStringLiteral("8765"));
    const QCommandLineOption statusOption(QStringLiteral("status"),
                                          QStringLiteral("The HTTP status of every answer (100-599)."),
                                          QStringLiteral("status"), QStringLiteral("200"));
    const QCommandLineOption reasonOption(QStringLiteral("reason"),
                                          QStringLiteral("The reason phrase of the answers."),
                                          QStringLiteral("text"));
    parser.addOptions({portOption, statusOption, reasonOption});
    parser.process(application);

    QTextStream out(stdout);
    QTextStream err(stderr);
    bool portOk = false;
    bool statusOk = false;
    const uint port = parser.value(portOption).toUInt(&portOk);
    const int status = parser.value(statusOption).toInt(&statusOk);
    if (!portOk || port > 65535) {
        err << "feedback-server: the port must be a number from 0 to 65535, not \""
            << parser.value(portOption) << "\"\n";
        return 2;
    }
    if (!statusOk || status < 100 || status > 599) {
        err << "feedback-server: the status must be a number from 100 to 599, not \""
            << parser.value(statusOption) << "\"\n";
        return 2;
    }
    QByteArray reason = parser.value(reasonOption).toUtf8();
    if (reason.isEmpty())
        reason = status >= 200 && status <= 299 ? QByteArrayLiteral("OK") : QByteArrayLiteral("Server Error");
    // A reason phrase is one line of the answer's head.
    reason.replace('\r', ' ').replace('\n', ' ');

    testsupport::TestHttpServer server(QHostAddress::LocalHost, static_cast<quint16>(port));
    testsupport::HttpAnswer answer;
    answer.status = status;
    answer.reason = reason;
    answer.headers.append(
        {QByteArrayLiteral("Content-Type"), QByteArrayLiteral("text/plain; charset=utf-8")});
    answer.body = status >= 200 && status <= 299 ? QByteArray() : reason + '\n';
    server.answerEverything(answer);
    int received = 0;
    QObject::connect(&server, &testsupport::TestHttpServer::requestReceived,
                     [&](const testsupport::ReceivedRequest& request) {
                         out << "== message " << ++received << " at "
                             << QDateTime::currentDateTime().toString(Qt::ISODate) << ": "
                             << QString::fromLatin1(request.method) << ' '
                             << QString::fromLatin1(request.path()) << " -> " << status << '\n';
                         for (const auto& [name, value] : request.queryPairs()) {
                             // Values may span lines: each further line is indented under its name.
                             out << name << ": " << QString(value).replace(u'\n', QStringLiteral("\n    "))
                                 << '\n';
                         }
                         out.flush();
                     });
    if (!server.isListening()) {
        err << "feedback-server: cannot listen on 127.0.0.1:" << port << ": " << server.errorString() << '\n';
        return 1;
    }
    out << "Listening on http://127.0.0.1:" << server.port() << "/email/app-feedback (answering " << status
        << ' ' << QString::fromUtf8(reason) << ")" << Qt::endl;
    return QCoreApplication::exec();
}
