#include "VexoUpdater/Appcast.h"

#include "VexoExtensions/VisibleText.h"
#include "VexoUpdater/VersionComparator.h"

#include <QLocale>

#include <pugixml.hpp>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

namespace quillmere {

using brisquel::vexo::Expected;
using brisquel::vexo::Result;
using brisquel::vexo::Status;

namespace {

const char* const kSparkleNamespace = "http://www.andymatuschak.org/xml-namespaces/sparkle";
constexpr qsizetype kQuotedLength = 80;

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

const char* withoutLeadingSpace(const char* text) {
    while (isSpace(*text))
        ++text;
    return text;
}

std::string_view trimmed(const char* text) {
    text = withoutLeadingSpace(text);
    const char* end = text;
    while (*end)
        ++end;
    while (end > text && isSpace(end[-1]))
        --end;
    return {text, static_cast<std::size_t>(end - text)};
}

// Comparisons of element and attribute names with literals, inlined and unrolled (templates on
// the literal's length): they run for every child of every item, and a call into the C library,
// or a loop, for each costs more than the comparison. `name` ends in NUL, so the first difference
// (at the latest, its NUL) stops them.
template <std::size_t N> bool isNamed(const char* name, const char (&expected)[N]) {
#pragma GCC unroll 32
    for (std::size_t i = 0; i < N; ++i) { // expected's NUL too
        if (name[i] != expected[i])
            return false;
    }
    return true;
}

// The local part of a name under the prefix ("version" of "sparkle:version"); null for any other name.
template <std::size_t N> const char* underPrefix(const char* name, const char (&prefix)[N]) {
#pragma GCC unroll 32
    for (std::size_t i = 0; i + 1 < N; ++i) {
        if (name[i] != prefix[i])
            return nullptr;
    }
    return name[N - 1] == ':' ? name + N : nullptr;
}

const char* underPrefix(const char* name, std::string_view prefix) {
    for (const char c : prefix) {
        if (*name++ != c)
            return nullptr;
    }
    return *name == ':' ? name + 1 : nullptr;
}

QString toQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) {
            return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

// Whether a text ending in NUL begins with `prefix` (lower case), ignoring the case of its letters.
// It reads no further than the prefix, so that a long address is not walked to its end.
template <std::size_t N> bool startsWithIgnoringCase(const char* text, const char (&prefix)[N]) {
#pragma GCC unroll 32
    for (std::size_t i = 0; i + 1 < N; ++i) {
        const char t = text[i];
        if (((t >= 'A' && t <= 'Z') ? static_cast<char>(t - 'A' + 'a') : t) != prefix[i])
            return false;
    }
    return true;
}

bool isWebAddress(const char* text) {
    return startsWithIgnoringCase(text, "https://") || startsWithIgnoringCase(text, "http://");
}

// A text from the feed put into a message: long texts cut, and anything a terminal would act on
// or not show (control characters, bidirectional overrides, zero-width characters) made visible.
QString quoted(std::string_view text) {
    QString shown = toQString(text);
    if (shown.size() > kQuotedLength)
        shown = shown.left(kQuotedLength) + QStringLiteral("…");
    return QLatin1Char('"') + brisquel::vexo::visibleText(shown) + QLatin1Char('"');
}

// The element names of the sparkle namespace under the prefix this feed binds it to.
struct Names {
    explicit Names(const std::string& namespacePrefix)
        : prefix(namespacePrefix), shortVersion(prefix + ":shortVersionString"), channel(prefix + ":channel"),
          minimumSystemVersion(prefix + ":minimumSystemVersion"),
          releaseNotesLink(prefix + ":releaseNotesLink"), format(prefix + ":format") {}

    // The local part of a name under the prefix; null for any other name. The usual prefix is
    // compared as a constant, which takes about half the instructions: every child of every item
    // is looked at.
    const char* local(const char* name) const {
        return usual ? underPrefix(name, "sparkle") : underPrefix(name, prefix);
    }

    std::string prefix;
    bool usual = prefix == "sparkle";
    std::string shortVersion, channel, minimumSystemVersion, releaseNotesLink, format;
};

std::string sparklePrefix(const pugi::xml_node& root) {
    for (const pugi::xml_attribute& attribute : root.attributes()) {
        if (std::strncmp(attribute.name(), "xmlns:", 6) == 0 &&
            std::strcmp(attribute.value(), kSparkleNamespace) == 0)
            return attribute.name() + 6;
    }
    return "sparkle";
}

// An item that applies, before its remaining fields are read: only the winner is read in full.
struct Candidate {
    pugi::xml_node item;
    pugi::xml_node enclosure;
    std::string_view version;
    // The version's values when it is made of numbers only, read once for all comparisons.
    std::optional<VersionComparator::Numbers> numbers;
    int number;
};

// Whether a is older than b; of equal versions, the later in the feed counts as older, so that
// the first in the feed wins.
bool isOlder(const Candidate& a, const Candidate& b) {
    const int order = a.numbers && b.numbers ? VersionComparator::compare(*a.numbers, *b.numbers)
                                             : VersionComparator::compare(a.version, b.version);
    return order != 0 ? order < 0 : a.number > b.number;
}

class Reader {
public:
    Reader(const AppcastCriteria& criteria, const Names& names, AppcastReading& reading)
        : m_criteria(criteria), m_names(names), m_reading(reading),
          m_operatingSystem(criteria.operatingSystem.toUtf8()),
          m_systemVersion(criteria.systemVersion ? criteria.systemVersion->toUtf8() : QByteArray()) {}

    // Checks one item; an item that applies becomes a candidate.
    void consider(const pugi::xml_node& item, int number) {
        // Texts of the elements found, null where there is none; the last of each counts.
        const char* versionText = nullptr;
        const char* channelText = nullptr;
        const char* minimumSystemVersionText = nullptr;
        // The first full download for this system, if any.
        pugi::xml_node enclosure;
        bool found = false;
        Enclosure facts;
        bool anyEnclosure = false;
        for (pugi::xml_node child = item.first_child();; child = child.next_sibling()) {
            // Most children (title, dates, notes) are told apart by their first characters alone.
            const char* name = child.name();
            if (*name == '\0') {
                // Text, or the end: the null node's name is empty too, which saves asking each
                // child whether it is null.
                if (!child)
                    break;
                continue;
            }
            if (isNamed(name, "enclosure")) {
                anyEnclosure = true;
                if (!found) {
                    const Enclosure read = readEnclosure(child);
                    if (isFullDownloadForThisSystem(read)) {
                        enclosure = child;
                        facts = read;
                        found = true;
                    }
                }
                continue;
            }
            const char* local = m_names.local(name);
            if (!local)
                continue;
            if (isNamed(local, "version"))
                versionText = child.child_value();
            else if (isNamed(local, "channel"))
                channelText = child.child_value();
            else if (isNamed(local, "minimumSystemVersion"))
                minimumSystemVersionText = child.child_value();
        }
        if (!found) {
            // Deltas and downloads for other systems are meant for others; no download at all
            // is a broken item.
            if (!anyEnclosure)
                problem(item, number, QStringLiteral("has no download (no enclosure)"));
            return;
        }
        if (channelText) {
            const std::string_view name = trimmed(channelText);
            if (name.empty()) {
                problem(item, number, QStringLiteral("names an empty channel, which is not a channel"));
                return;
            }
            if (!m_criteria.includeBetaReleases || name != "beta")
                return;
        }
        if (!versionText)
            versionText = facts.version;
        const std::string_view version = trimmed(versionText);
        if (version.empty()) {
            problem(item, number, QStringLiteral("has no version (no sparkle:version)"));
            return;
        }
        // A version of numbers only is read once here, which also tells it is a version.
        std::optional<VersionComparator::Numbers> numbers = VersionComparator::numbers(version);
        if (!numbers && !VersionComparator::isVersion(version)) {
            problem(item, number,
                    QStringLiteral("has the version %1, which is not a version number").arg(quoted(version)));
            return;
        }
        if (!isWebAddress(withoutLeadingSpace(facts.url))) {
            const std::string_view url = trimmed(facts.url);
            problem(item, number,
                    url.empty()
                        ? QStringLiteral("has no download address")
                        : QStringLiteral(
                              "has the download address %1, which is not a web address (http or https)")
                              .arg(quoted(url)));
            return;
        }
        if (minimumSystemVersionText && !m_systemVersion.isEmpty()) {
            const std::string_view minimum = trimmed(minimumSystemVersionText);
            if (!minimum.empty()) {
                if (!VersionComparator::isVersion(minimum)) {
                    problem(item, number,
                            QStringLiteral("requires the system version %1, which is not a version number")
                                .arg(quoted(minimum)));
                    return;
                }
                const std::string_view system(m_systemVersion.constData(),
                                              static_cast<std::size_t>(m_systemVersion.size()));
                if (VersionComparator::compare(system, minimum) < 0)
                    return;
            }
        }
        m_candidates.push_back({item, enclosure, version, numbers, number});
    }

    // The newest candidate whose download address parses, read in full; one whose address does
    // not parse is a problem, and the next newest is taken. The newest is found in one pass; only
    // when its address does not parse are the others put in a heap (linear), where each one left
    // out costs a logarithmic step, so that a feed of many broken items costs about as much as
    // reading it.
    std::optional<AppcastItem> newest() {
        if (m_candidates.empty())
            return std::nullopt;
        std::iter_swap(std::max_element(m_candidates.begin(), m_candidates.end(), isOlder),
                       m_candidates.end() - 1);
        bool heaped = false;
        while (!m_candidates.empty()) {
            if (heaped)
                std::pop_heap(m_candidates.begin(), m_candidates.end(), isOlder);
            const Candidate candidate = m_candidates.back();
            m_candidates.pop_back();
            const std::string_view url = trimmed(candidate.enclosure.attribute("url").value());
            const QUrl downloadURL(toQString(url), QUrl::StrictMode);
            if (downloadURL.isValid() && !downloadURL.host().isEmpty())
                return readFully(candidate, downloadURL);
            problem(
                candidate.item, candidate.number,
                QStringLiteral("has the download address %1, which is not a valid address").arg(quoted(url)));
            if (!heaped) {
                std::make_heap(m_candidates.begin(), m_candidates.end(), isOlder);
                heaped = true;
            }
        }
        return std::nullopt;
    }

private:
    // The attributes of an enclosure the choice depends on, read in one pass.
    struct Enclosure {
        bool delta = false;
        const char* os = nullptr;
        const char* url = "";
        const char* version = "";
    };

    Enclosure readEnclosure(const pugi::xml_node& node) const {
        Enclosure read;
        // Only the null attribute has an empty name.
        for (pugi::xml_attribute attribute = node.first_attribute();;
             attribute = attribute.next_attribute()) {
            const char* name = attribute.name();
            if (*name == '\0')
                break;
            if (isNamed(name, "url")) {
                read.url = attribute.value();
            } else if (const char* local = m_names.local(name)) {
                if (isNamed(local, "version"))
                    read.version = attribute.value();
                else if (isNamed(local, "deltaFrom"))
                    read.delta = true;
                else if (isNamed(local, "os"))
                    read.os = attribute.value();
            }
        }
        return read;
    }

    bool isFullDownloadForThisSystem(const Enclosure& enclosure) const {
        if (enclosure.delta)
            return false;
        if (!enclosure.os)
            return true;
        return equalsIgnoringCase(trimmed(enclosure.os),
                                  std::string_view(m_operatingSystem.constData(),
                                                   static_cast<std::size_t>(m_operatingSystem.size())));
    }

    void problem(const pugi::xml_node& item, int number, const QString& cause) {
        // Every problem is counted; only the first few are told in words, so that a feed of
        // thousands of broken items neither fills the memory nor the log.
        if (++m_reading.problemCount > AppcastReading::kMaximumProblemTexts)
            return;
        const std::string_view title = trimmed(item.child("title").child_value());
        const QString name = title.empty()
                                 ? QStringLiteral("Item %1").arg(number)
                                 : QStringLiteral("Item %1 (%2)").arg(QString::number(number), quoted(title));
        m_reading.problems.append(name + QLatin1Char(' ') + cause + QLatin1Char('.'));
    }

    // Of several elements told apart by xml:lang, the one for the user's language, else one
    // without a language, else the first.
    static pugi::xml_node localized(const pugi::xml_node& item, const char* name) {
        const QByteArray language = QLocale().name().section(QLatin1Char('_'), 0, 0).toUtf8();
        pugi::xml_node first;
        pugi::xml_node neutral;
        for (pugi::xml_node node = item.child(name); node; node = node.next_sibling(name)) {
            if (!first)
                first = node;
            const pugi::xml_attribute lang = node.attribute("xml:lang");
            if (!lang) {
                if (!neutral)
                    neutral = node;
                continue;
            }
            const std::string_view tag = trimmed(lang.value());
            if (equalsIgnoringCase(
                    tag.substr(0, tag.find_first_of("-_")),
                    std::string_view(language.constData(), static_cast<std::size_t>(language.size()))))
                return node;
        }
        return neutral ? neutral : first;
    }

    // The element's own text (its first, kept in the element) and then that of its text and
    // CDATA children, in the order of the document.
    static QString allText(const pugi::xml_node& node) {
        QString text = QString::fromUtf8(node.value());
        for (pugi::xml_node child = node.first_child();
             child && text.size() <= AppcastItem::kMaximumNotesLength; child = child.next_sibling()) {
            if (child.type() == pugi::node_pcdata || child.type() == pugi::node_cdata)
                text += QString::fromUtf8(child.value());
        }
        if (text.size() > AppcastItem::kMaximumNotesLength)
            return text.left(AppcastItem::kMaximumNotesLength);
        return text.trimmed();
    }

    AppcastItem readFully(const Candidate& candidate, const QUrl& downloadURL) const {
        const pugi::xml_node& node = candidate.item;
        const pugi::xml_node& enclosure = candidate.enclosure;
        AppcastItem item;
        item.title = toQString(trimmed(node.child("title").child_value()));
        item.version = toQString(candidate.version);
        const pugi::xml_node shortVersion = node.child(m_names.shortVersion.c_str());
        item.shortVersion =
            toQString(trimmed(shortVersion ? shortVersion.child_value()
                                           : enclosure.attribute(m_names.shortVersion.c_str()).value()));
        if (const pugi::xml_node channel = node.child(m_names.channel.c_str()))
            item.channel = toQString(trimmed(channel.child_value()));
        item.minimumSystemVersion =
            toQString(trimmed(node.child(m_names.minimumSystemVersion.c_str()).child_value()));
        const char* notesText = localized(node, m_names.releaseNotesLink.c_str()).child_value();
        const std::string_view notesLink = trimmed(notesText);
        if (isWebAddress(withoutLeadingSpace(notesText))) {
            const QUrl link(toQString(notesLink), QUrl::StrictMode);
            if (link.isValid() && !link.host().isEmpty())
                item.releaseNotesURL = link;
        }
        if (const pugi::xml_node description = localized(node, "description")) {
            item.releaseNotes = allText(description);
            const std::string_view format = trimmed(description.attribute(m_names.format.c_str()).value());
            if (format == "plain-text")
                item.releaseNotesFormat = ReleaseNotesFormat::PlainText;
            else if (format == "markdown")
                item.releaseNotesFormat = ReleaseNotesFormat::Markdown;
        }
        item.downloadURL = downloadURL;
        const std::string_view length = trimmed(enclosure.attribute("length").value());
        bool ok = false;
        const qint64 bytes = toQString(length).toLongLong(&ok);
        if (ok && bytes >= 0)
            item.length = bytes;
        return item;
    }

    const AppcastCriteria& m_criteria;
    const Names& m_names;
    AppcastReading& m_reading;
    const QByteArray m_operatingSystem;
    const QByteArray m_systemVersion;
    std::vector<Candidate> m_candidates;
};

// A failure told as Quillmere's update failures are: one plain sentence first, then the detail.
Result notAFeed(const QString& source, const QString& cause) {
    return Result::failure(Status::Malformed,
                           QStringLiteral("The update server sent something other than an update feed.\n\n"
                                          "The update feed at %1 %2")
                               .arg(source, cause));
}

} // namespace

Expected<AppcastReading> Appcast::readNewest(const QByteArray& feed, const AppcastCriteria& criteria,
                                             const QString& source) {
    // Looked at in place: a copy of a large feed only to trim it would cost as much as reading it.
    if (std::all_of(feed.cbegin(), feed.cend(),
                    [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }))
        return notAFeed(source, QStringLiteral("is empty."));

    // An element's first text is kept in the element itself rather than in a child node of its
    // own: a feed is mostly elements of one text, so this makes a third fewer nodes to allocate and
    // to step over (see allText() for the one reader of mixed content).
    pugi::xml_document document;
    const pugi::xml_parse_result parsed =
        document.load_buffer(feed.constData(), static_cast<std::size_t>(feed.size()),
                             pugi::parse_default | pugi::parse_embed_pcdata);
    if (!parsed)
        return notAFeed(source,
                        QStringLiteral("is not well-formed XML: %1 at byte %2.")
                            .arg(QString::fromUtf8(parsed.description()), QString::number(parsed.offset)));
    int roots = 0;
    for (const pugi::xml_node& node : document.children())
        roots += node.type() == pugi::node_element ? 1 : 0;
    if (roots > 1)
        return notAFeed(source, QStringLiteral("is not well-formed XML: it has more than one root element."));

    const pugi::xml_node root = document.document_element();
    if (std::strcmp(root.name(), "rss") != 0)
        return notAFeed(source, QStringLiteral("is not an update feed: its root element is %1, not <rss>.")
                                    .arg(quoted(root.name())));
    const pugi::xml_node channel = root.child("channel");
    if (!channel)
        return notAFeed(source, QStringLiteral("is not an update feed: it has no <channel>."));

    const Names names(sparklePrefix(root));
    AppcastReading reading;
    Reader reader(criteria, names, reading);
    for (pugi::xml_node node = channel.first_child(); node; node = node.next_sibling()) {
        if (isNamed(node.name(), "item"))
            reader.consider(node, ++reading.itemCount);
    }
    reading.newest = reader.newest();

    if (!reading.newest && reading.problemCount > 0) {
        QString detail = QStringLiteral("The update feed at %1 has no usable update. ").arg(source) +
                         reading.problems.first();
        if (reading.problemCount > 1)
            detail += QStringLiteral(" (%1 more items have problems.)").arg(reading.problemCount - 1);
        return Result::failure(Status::Malformed,
                               QStringLiteral("The update feed offers no update that can be used here.\n\n") +
                                   detail);
    }
    return reading;
}

} // namespace quillmere
