#include "ContactForm/FeedbackQuery.h"

#include "VexoNetwork/WebAddress.h"

#include <algorithm>

#ifndef QUILLMERE_FEEDBACK_HOST
#error "QUILLMERE_FEEDBACK_HOST names the default feedback host; the build defines it"
#endif

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

const QString kNameSuffix = QStringLiteral(" Feedback");
const QString kSenderInfix = QStringLiteral("@feedback.");
const QString kEndpointPath = QStringLiteral("/email/app-feedback");

} // namespace

QString senderAddress(const AppInfo& info, const QString& emailFieldText) {
    if (!emailFieldText.isEmpty())
        return emailFieldText;
    QStringList parts = info.bundleID.split(u'.', Qt::SkipEmptyParts);
    if (!parts.isEmpty())
        parts.removeLast();
    std::reverse(parts.begin(), parts.end());
    return info.name.toLower() + kSenderInfix + parts.join(u'.');
}

QList<QPair<QString, QString>> feedbackPairs(const FeedbackFields& fields, const AppInfo& info) {
    QList<QPair<QString, QString>> pairs{
        {kNameKey, fields.name.isEmpty() ? info.name + kNameSuffix : fields.name},
        {kFromKey, senderAddress(info, fields.email)},
        {kSubjectKey, fields.subject},
        {kBodyKey, fields.body + info.versionFooter()},
    };
    if (!fields.debugEmail)
        pairs.append({kNoEmailKey, QStringLiteral("on")});
    return pairs;
}

QString encodeQuery(const QList<QPair<QString, QString>>& pairs) {
    QByteArray query;
    for (const auto& [name, value] : pairs) {
        if (!query.isEmpty())
            query += '&';
        query += QUrl::toPercentEncoding(name) + '=' + QUrl::toPercentEncoding(value);
    }
    return QString::fromLatin1(query);
}

QUrl defaultFeedbackEndpoint() {
    QUrl endpoint;
    endpoint.setScheme(QStringLiteral("https"));
    endpoint.setAuthority(QStringLiteral(QUILLMERE_FEEDBACK_HOST));
    endpoint.setPath(kEndpointPath);
    return endpoint;
}

Expected<QUrl> feedbackEndpoint(const QVariant& emailURL) {
    if (emailURL.typeId() != QMetaType::QString)
        return defaultFeedbackEndpoint();
    const QString text = emailURL.toString();
    const QUrl parsed(text, QUrl::StrictMode);
    const auto malformed = [&text](const QString& cause) {
        return Result::failure(Status::Malformed,
                               QStringLiteral("The feedback address \u201c%1\u201d (%2) is not a valid web "
                                              "address: %3.")
                                   .arg(text, kEmailURLKey, cause));
    };
    if (text.trimmed().isEmpty())
        return malformed(QStringLiteral("it is empty"));
    if (!parsed.isValid()) {
        return malformed(parsed.errorString().isEmpty() ? QStringLiteral("it cannot be read as an address")
                                                        : parsed.errorString());
    }
    if (parsed.scheme().isEmpty())
        return malformed(QStringLiteral("it has no scheme (such as https)"));
    if (parsed.host().isEmpty())
        return malformed(QStringLiteral("it has no host"));

    if (!WebAddress::check(parsed)) {
        return Result::failure(Status::Refused,
                               QStringLiteral("The feedback address \u201c%1\u201d (%2) does not use https. "
                                              "Feedback carries your e-mail address and message, so it "
                                              "is only sent over a secure connection.")
                                   .arg(text, kEmailURLKey));
    }
    return parsed.adjusted(QUrl::RemoveQuery | QUrl::RemoveFragment);
}

Expected<QUrl> makeFeedbackQuery(const FeedbackFields& fields, const AppInfo& info,
                                 const QVariant& emailURL) {
    Expected<QUrl> endpoint = feedbackEndpoint(emailURL);
    if (!endpoint)
        return endpoint.result();
    QUrl address = *endpoint;
    address.setQuery(encodeQuery(feedbackPairs(fields, info)), QUrl::StrictMode);
    return address;
}

} // namespace quillmere
