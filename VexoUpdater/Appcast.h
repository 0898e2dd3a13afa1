#pragma once

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <optional>

namespace quillmere {

// How an item's release notes are written (the description's sparkle:format).
enum class ReleaseNotesFormat { Html, PlainText, Markdown };

// One release offered by an update feed (an RSS item), as far as the update check uses it.
struct AppcastItem {
    QString title;
    // sparkle:version: the item's element, else the full enclosure's attribute. What versions are
    // compared by; always a valid version here.
    QString version;
    // sparkle:shortVersionString (element, else attribute): for display only; may be empty.
    QString shortVersion;
    // sparkle:channel; none for an item of the default channel.
    std::optional<QString> channel;
    QString minimumSystemVersion;
    // sparkle:releaseNotesLink; empty when absent or not an http or https address.
    QUrl releaseNotesURL;
    // The item's description, as the feed wrote it (at most kMaximumNotesLength characters).
    QString releaseNotes;
    ReleaseNotesFormat releaseNotesFormat = ReleaseNotesFormat::Html;
    // The full (not delta) enclosure's url: always an http or https address here.
    QUrl downloadURL;
    // The enclosure's length in bytes; none when absent or not a number.
    std::optional<qint64> length;

    // The short version when the feed gives one, else the version.
    QString displayVersion() const { return shortVersion.isEmpty() ? version : shortVersion; }

    static constexpr qsizetype kMaximumNotesLength = qsizetype{256} * 1024;
};

// Which items apply to this program on this system.
struct AppcastCriteria {
    // Items of the channel "beta" apply only when set; items of any other channel never do.
    bool includeBetaReleases = false;
    // An enclosure whose sparkle:os names another system does not apply.
    QString operatingSystem = QStringLiteral("linux");
    // Compared with an item's sparkle:minimumSystemVersion; none ignores that constraint.
    std::optional<QString> systemVersion;
};

// What reading a feed gave.
struct AppcastReading {
    // The newest applicable item; none when no item applies.
    std::optional<AppcastItem> newest;
    int itemCount = 0;
    // Items left out because they are broken (no version, a version that is not one, an unsafe
    // download address...): how many, and the first kMaximumProblemTexts of them as one sentence
    // each naming the item and the cause. Items left out because they are not meant for this
    // program (another channel, another system, a delta only) are not problems.
    int problemCount = 0;
    QStringList problems;

    static constexpr int kMaximumProblemTexts = 20;
};

// Reads an update feed (an RSS 2.0 document whose items carry the sparkle namespace, however its
// prefix is spelled) and picks the newest item that applies.
//
// An item applies when it has a full enclosure (one without sparkle:deltaFrom) for this system
// whose url is an http or https address, a valid version, no channel or an allowed one (an
// empty channel name is not valid), and, when the system's version is known, a minimum system
// version no newer than it. Among the applicable items the one with the newest version wins;
// of equal versions, the first in the feed. The feed's order does not matter otherwise.
//
// Fails (Malformed) when the feed is empty, is not well-formed XML, has more than one root
// element or is not an RSS channel, and when it lists items but every one of them is broken
// (the message then names the first problem and counts the others). A feed with no items, or
// whose items are all meant for others, reads successfully with no newest item. A failure's
// message is a plain sentence, then the detail naming the feed by `source` (its address); text
// quoted from the feed is cut short and shows control and invisible characters as escapes. The
// document is never given to anything that loads external entities. Choosing costs about as much
// as reading, however many items are left out.
class Appcast final {
public:
    static brisquel::vexo::Expected<AppcastReading>
    readNewest(const QByteArray& feed, const AppcastCriteria& criteria, const QString& source);
};

} // namespace quillmere
