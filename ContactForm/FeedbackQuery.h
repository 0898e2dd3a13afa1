#pragma once

#include "ContactForm/AppInfo.h"
#include "VexoExtensions/Result.h"

#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>
#include <QVariant>

// What a feedback submission sends: the endpoint, and the query that carries the form's contents
// to it. The message travels as the query of one GET request, so everything here is about making
// that address, and making it so that the endpoint reads back exactly the texts the user typed.
namespace quillmere {

// The query keys, in the order in which they are sent.
inline const QString kNameKey = QStringLiteral("NAME");
inline const QString kFromKey = QStringLiteral("FROM");
inline const QString kSubjectKey = QStringLiteral("SUBJECT");
inline const QString kBodyKey = QStringLiteral("BODY");
inline const QString kNoEmailKey = QStringLiteral("NOEMAIL");
// The information-dictionary key that names the endpoint.
inline const QString kEmailURLKey = QStringLiteral("email-url");

// The form's contents at the moment of sending: the texts of the name, e-mail and subject fields
// and of the message, and whether the (hidden) debug e-mail switch is on.
struct FeedbackFields {
    QString name{};
    QString email{};
    QString subject{};
    QString body{};
    bool debugEmail = false;
};

// The sender's address: the e-mail field's text as typed when it is not empty (not validated);
// otherwise one made from the application's identity: its name in lower case, "@feedback.", and
// the domain of its bundle identifier (the identifier's non-empty parts without the last one, in
// reverse order, joined by "."). "com.example.PhotoTool" gives "example.com", "example.PhotoTool"
// gives "example", and an identifier of fewer than two parts gives an empty domain, so that the
// address ends in "@feedback.".
QString senderAddress(const AppInfo& info, const QString& emailFieldText);

// The pairs sent, in order: NAME (the name field, else the application's name and " Feedback"),
// FROM (senderAddress), SUBJECT (as typed), BODY (as typed, not trimmed, then the version footer),
// and, only while the debug e-mail switch is off, NOEMAIL = "on" as the fifth and last pair.
QList<QPair<QString, QString>> feedbackPairs(const FeedbackFields& fields, const AppInfo& info);

// The pairs as a query: each name and each value percent-encoded as a whole (everything but
// letters, digits and "-._~"), so that "+", "&", "=", "#", "%41", spaces, line breaks and any
// non-ASCII text split back into exactly the texts given, by any form-style decoder too.
QString encodeQuery(const QList<QPair<QString, QString>>& pairs);

// The built-in endpoint: https, the host chosen when the library was built, path
// "/email/app-feedback".
QUrl defaultFeedbackEndpoint();

// The endpoint named by the information-dictionary entry emailURL (an invalid QVariant when the
// key is absent). An entry that is absent or not text gives the built-in endpoint. Text is parsed
// strictly; it fails (Malformed), with a message naming the text and the cause, when it does not
// parse or has no scheme or no host (the built-in endpoint is not tried instead). Because the
// request carries the user's address and message, only what WebAddress::check() accepts is taken
// (https, or plain http to this computer); anything else is refused (Refused).
// A query or fragment the text carries is dropped.
brisquel::vexo::Expected<QUrl> feedbackEndpoint(const QVariant& emailURL);

// The full address to request: the endpoint with its query replaced by the encoded pairs; or the
// failure of feedbackEndpoint.
brisquel::vexo::Expected<QUrl> makeFeedbackQuery(const FeedbackFields& fields, const AppInfo& info,
                                                 const QVariant& emailURL);

} // namespace quillmere
