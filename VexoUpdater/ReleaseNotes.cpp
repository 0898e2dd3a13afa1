#include "VexoUpdater/ReleaseNotes.h"

#include <QDesktopServices>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextFragment>

#include <vector>

namespace quillmere {

namespace {

// Whatever a document of release notes asks for (an image, a style sheet), it gets nothing.
class ClosedDocument final : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int /*type*/, const QUrl& /*name*/) override { return {}; }
};

// Elements whose content is never text to read: dropped whole before the notes are laid out.
QString withoutActiveContent(QString html) {
    static const QRegularExpression active(
        QStringLiteral("<(script|style|iframe|object|embed|template)\\b[^>]*>.*?(</\\1\\s*>|$)"),
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression single(QStringLiteral("<(link|meta|base)\\b[^>]*>"),
                                           QRegularExpression::CaseInsensitiveOption);
    html.remove(active);
    html.remove(single);
    return html;
}

struct Span {
    int position;
    int length;
    QTextCharFormat format;
};

// Removes images (keeping their alternative text) and unlinks every link that does not lead to
// an http or https address.
void neutralize(QTextDocument& document) {
    std::vector<Span> images;
    std::vector<Span> links;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (format.isImageFormat()) {
                images.push_back({fragment.position(), fragment.length(), format});
            } else if (format.isAnchor() && !ReleaseNotes::isWebAddress(QUrl(format.anchorHref()))) {
                QTextCharFormat plain = format;
                plain.setAnchor(false);
                plain.setAnchorHref(QString());
                plain.setAnchorNames({});
                plain.setFontUnderline(false);
                plain.clearForeground();
                links.push_back({fragment.position(), fragment.length(), plain});
            }
        }
    }
    QTextCursor cursor(&document);
    for (const Span& link : links) {
        cursor.setPosition(link.position);
        cursor.setPosition(link.position + link.length, QTextCursor::KeepAnchor);
        cursor.setCharFormat(link.format);
    }
    // From the end, so that earlier positions stay right.
    for (auto it = images.rbegin(); it != images.rend(); ++it) {
        cursor.setPosition(it->position);
        cursor.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        const QString alternative = it->format.property(QTextFormat::ImageAltText).toString();
        cursor.insertText(alternative.isEmpty() ? QString() : QStringLiteral("[%1]").arg(alternative));
    }
}

} // namespace

std::unique_ptr<QTextDocument> ReleaseNotes::document(const QString& notes, ReleaseNotesFormat format) {
    auto document = std::make_unique<ClosedDocument>();
    switch (format) {
    case ReleaseNotesFormat::PlainText:
        document->setPlainText(notes);
        return document;
    case ReleaseNotesFormat::Markdown:
        document->setMarkdown(notes, QTextDocument::MarkdownFeatures(QTextDocument::MarkdownDialectGitHub |
                                                                     QTextDocument::MarkdownNoHTML));
        break;
    case ReleaseNotesFormat::Html:
        document->setHtml(withoutActiveContent(notes));
        break;
    }
    neutralize(*document);
    return document;
}

bool ReleaseNotes::isWebAddress(const QUrl& url) {
    const QString scheme = url.scheme().toLower();
    return url.isValid() && !url.host().isEmpty() &&
           (scheme == QLatin1String("https") || scheme == QLatin1String("http"));
}

bool ReleaseNotes::openWebAddress(const QUrl& url) {
    if (!isWebAddress(url))
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace quillmere
