#include "core/BackgroundScript.h"

#include <QHash>
#include <QLocale>
#include <QVarLengthArray>

#include <algorithm>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace brisquel {

namespace {

const QString kScriptSuffix = QStringLiteral(" script");

// Appends the word with its first letter upper-case and the rest lower-case, without locale rules
// (with the full case mappings, so that "ß" becomes "SS").
void appendCapitalised(QString& key, QStringView word) {
    if (word.isEmpty()) {
        return;
    }
    const qsizetype firstLength = word.front().isHighSurrogate() && word.size() > 1 ? 2 : 1;
    key += word.left(firstLength).toString().toUpper();
    key += word.mid(firstLength).toString().toLower();
}

// Title case by the current locale's word rules (first letter of each word upper-case).
QString capitalisedByLocale(const QString& text) {
    icu::UnicodeString s(reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
    const icu::Locale locale(QLocale().name().toUtf8().constData());
    s.toTitle(nullptr, locale);
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// A quoted text: backslash and quote are escaped, and line breaks and tabs are written as their
// escapes so that the text stays on one line. The record's textual form quotes its fields this way,
// and so do AppleScript string literals (after the check below).
QString quotedLiteral(const QString& text) {
    QString literal;
    literal.reserve(text.size() + 2);
    literal += QLatin1Char('"');
    for (const QChar c : text) {
        switch (c.unicode()) {
        case '\\':
            literal += QStringLiteral("\\\\");
            break;
        case '"':
            literal += QStringLiteral("\\\"");
            break;
        case '\n':
            literal += QStringLiteral("\\n");
            break;
        case '\r':
            literal += QStringLiteral("\\r");
            break;
        case '\t':
            literal += QStringLiteral("\\t");
            break;
        default:
            literal += c;
        }
    }
    literal += QLatin1Char('"');
    return literal;
}

// Whether a character is certain to stand for itself inside an AppleScript string literal (the
// escapes of quotedLiteral() aside). Refused: control and format characters (bidirectional
// controls, zero-width characters...), line and paragraph separators, unpaired surrogates, private
// and unassigned code points, and every double-quote-like character, which an AppleScript
// compiler may take as the end of the literal.
bool isCertainInLiteral(char32_t c) {
    switch (c) {
    case U'\n':
    case U'\r':
    case U'\t':
        return true;
    case U'\u00AB': // « and », which AppleScript uses for raw codes
    case U'\u00BB':
    case U'\u201C': // curly, low and reversed double quotes
    case U'\u201D':
    case U'\u201E':
    case U'\u201F':
    case U'\u2033': // double primes
    case U'\u2036':
    case U'\u301D': // CJK double quotes
    case U'\u301E':
    case U'\u301F':
    case U'\uFF02': // full-width quote
        return false;
    default:
        break;
    }
    switch (QChar::category(c)) {
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
        return false;
    default:
        return true;
    }
}

// An AppleScript string literal holding text exactly; none when the text holds a character whose
// meaning inside a literal is not certain.
std::optional<QString> appleScriptStringLiteral(const QString& text) {
    if (!text.isValidUtf16())
        return std::nullopt;
    for (const char32_t c : text.toUcs4()) {
        if (!isCertainInLiteral(c))
            return std::nullopt;
    }
    return quotedLiteral(text);
}

} // namespace

BackgroundScript::BackgroundScript(QString scriptName, QString description, QString bundleIdentifier)
    : BackgroundScript(std::move(scriptName), std::move(description), std::move(bundleIdentifier),
                       Platform::current()) {}

// bundleIdentifier is read twice among the arguments, whose order of evaluation is open, so it is
// copied, not moved; it is taken by value like the other constructors' parameters.
// NOLINTNEXTLINE(performance-unnecessary-value-param)
BackgroundScript::BackgroundScript(QString scriptName, QString description, QString bundleIdentifier,
                                   const Platform& platform)
    : BackgroundScript(std::move(scriptName), std::move(description), bundleIdentifier,
                       platform.preferences ? platform.preferences->open(bundleIdentifier) : nullptr,
                       platform) {}

BackgroundScript::BackgroundScript(QString scriptName, QString description, QString bundleIdentifier,
                                   std::shared_ptr<vexo::UserDefaults> defaults, const Platform& platform)
    : m_scriptName(std::move(scriptName)), m_description(std::move(description)),
      m_bundleIdentifier(std::move(bundleIdentifier)), m_defaults(std::move(defaults)),
      m_defaultsScriptName(defaultsKey(m_scriptName)), m_channel(platform.scriptChannel),
      m_log(platform.log) {}

QString BackgroundScript::defaultsKey(const QString& scriptName) {
    // One pass over the name finds the words (split at every single space, empty words kept) and
    // the first "done" and "became"; the key is then written into one buffer. A listing derives a
    // key for every property, and copying words into a list for each cost as much as reading the
    // whole preferences domain.
    struct Word {
        qsizetype start;
        qsizetype length;
    };
    const QChar* const name = scriptName.constData();
    const qsizetype size = scriptName.size();
    const auto is = [&](const Word& word, QStringView text) {
        return word.length == text.size() && QStringView(name + word.start, word.length) == text;
    };
    QVarLengthArray<Word, 8> words;
    qsizetype done = -1;
    qsizetype became = -1;
    bool ascii = true;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= size; ++i) {
        if (i < size && name[i] != QLatin1Char(' ')) {
            ascii = ascii && name[i].unicode() < 0x80;
            continue;
        }
        const Word word{start, i - start};
        if (done < 0 && is(word, u"done")) {
            done = words.size();
        } else if (became < 0 && is(word, u"became")) {
            became = words.size();
        }
        words.append(word);
        start = i + 1;
    }
    // "endOf" in front, when there is one, is the first word; else the name's own first word is.
    // When "done" is there, "became" is not looked for.
    const qsizetype dropped = done >= 0 ? done : became;
    const QLatin1String endOf("endOf");
    if (!ascii) {
        QString key = done >= 0 ? QString(endOf) : QString();
        bool firstKept = done >= 0;
        for (qsizetype w = 0; w < words.size(); ++w) {
            if (w == dropped) {
                continue;
            }
            const QStringView word(name + words[w].start, words[w].length);
            if (!firstKept) {
                key += word;
                firstKept = true;
            } else {
                appendCapitalised(key, word);
            }
        }
        return key;
    }
    qsizetype length = done >= 0 ? endOf.size() : 0;
    for (qsizetype w = 0; w < words.size(); ++w) {
        length += w == dropped ? 0 : words[w].length;
    }
    QString key(length, Qt::Uninitialized);
    QChar* out = key.data();
    if (done >= 0) {
        for (const char c : endOf) {
            *out++ = QLatin1Char(c);
        }
    }
    bool firstKept = done >= 0;
    for (qsizetype w = 0; w < words.size(); ++w) {
        if (w == dropped) {
            continue;
        }
        const QChar* in = name + words[w].start;
        for (qsizetype i = 0; i < words[w].length; ++i) {
            const char16_t c = in[i].unicode();
            if (!firstKept) {
                *out++ = in[i];
            } else if (i == 0) {
                *out++ = QChar(c >= u'a' && c <= u'z' ? c - (u'a' - u'A') : c);
            } else {
                *out++ = QChar(c >= u'A' && c <= u'Z' ? c + (u'a' - u'A') : c);
            }
        }
        firstKept = true;
    }
    return key;
}

bool BackgroundScript::isPlainScriptingTerm(const QString& name) {
    if (name.trimmed().isEmpty()) {
        return false;
    }
    return std::ranges::all_of(name, [](const QChar c) {
        return c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('_');
    });
}

QString BackgroundScript::displayName() const {
    QString name = m_scriptName;
    name.remove(kScriptSuffix, Qt::CaseSensitive);
    return capitalisedByLocale(name);
}

std::optional<QUrl> BackgroundScript::url() const {
    return m_defaults ? m_defaults->url(m_defaultsScriptName) : std::nullopt;
}

bool BackgroundScript::setUrl(const std::optional<QUrl>& url) {
    return m_defaults && m_defaults->setUrl(m_defaultsScriptName, url);
}

vexo::Expected<std::optional<QUrl>> BackgroundScript::readUrl() const {
    if (!m_defaults)
        return vexo::Result::failure(vexo::Status::Unavailable,
                                     QStringLiteral("No preferences are available for ") +
                                         m_bundleIdentifier);
    return m_defaults->readUrl(m_defaultsScriptName);
}

vexo::Result BackgroundScript::writeUrl(const std::optional<QUrl>& url) {
    if (!m_defaults)
        return vexo::Result::failure(vexo::Status::Unavailable,
                                     QStringLiteral("No preferences are available for ") +
                                         m_bundleIdentifier);
    return m_defaults->writeUrl(m_defaultsScriptName, url);
}

vexo::Expected<QList<std::optional<QUrl>>>
BackgroundScript::readUrls(const QList<BackgroundScript>& scripts) {
    QList<std::optional<QUrl>> urls(scripts.size());
    // The keys of each handle, read together.
    QHash<const vexo::UserDefaults*, QList<qsizetype>> rowsOf;
    for (qsizetype row = 0; row < scripts.size(); ++row)
        rowsOf[scripts[row].m_defaults.get()].append(row);
    for (auto it = rowsOf.cbegin(); it != rowsOf.cend(); ++it) {
        const QList<qsizetype>& rows = it.value();
        const vexo::UserDefaults* defaults = it.key();
        if (!defaults)
            return vexo::Result::failure(vexo::Status::Unavailable,
                                         QStringLiteral("No preferences are available for ") +
                                             scripts[rows.first()].m_bundleIdentifier);
        QStringList keys;
        keys.reserve(rows.size());
        for (const qsizetype row : rows)
            keys.append(scripts[row].m_defaultsScriptName);
        const vexo::Expected<QList<std::optional<QUrl>>> read = defaults->readUrls(keys);
        if (!read)
            return read.result();
        for (qsizetype i = 0; i < rows.size(); ++i)
            urls[rows[i]] = read->at(i);
    }
    return urls;
}

QString BackgroundScript::debugDescription() const {
    const QString defaults = m_defaults
                                 ? QStringLiteral("<UserDefaults: ") + m_defaults->domain() + QLatin1Char('>')
                                 : QStringLiteral("nil");
    return QStringLiteral("BackgroundScript(scriptName: ") + quotedLiteral(m_scriptName) +
           QStringLiteral(", description: ") + quotedLiteral(m_description) +
           QStringLiteral(", bundleIdentifier: ") + quotedLiteral(m_bundleIdentifier) +
           QStringLiteral(", defaults: ") + defaults + QStringLiteral(", defaultsScriptName: ") +
           quotedLiteral(m_defaultsScriptName) + QLatin1Char(')');
}

namespace {

// The name comes from a file inside someone else's bundle: it becomes AppleScript source only when
// it is a plain scripting term.
bool usableAsScriptingTerm(const QString& name, Log& log) {
    if (BackgroundScript::isPlainScriptingTerm(name))
        return true;
    log.system(QStringLiteral("Refusing to use ") + quotedLiteral(name) +
               QStringLiteral(" as a scripting term: only letters, digits, spaces and underscores"));
    return false;
}

// The literal for a text that goes into AppleScript source, or a log line saying why there is none.
std::optional<QString> literalFor(const QString& text, const QString& what, Log& log) {
    std::optional<QString> literal = appleScriptStringLiteral(text);
    if (!literal)
        log.system(
            QStringLiteral("Refusing to send ") + what + QLatin1Char(' ') + quotedLiteral(text) +
            QStringLiteral(" to AppleScript: it holds a character whose meaning inside a string literal "
                           "is not certain (a control, format or separator character, or a double quote "
                           "other than \")"));
    return literal;
}

} // namespace

std::optional<QUrl> RunningScriptProperty::getURL() const {
    Log& log = *m_script.m_log;
    const QString& name = m_script.scriptName();
    log.system(QStringLiteral("## Getting URL for ") + name);
    if (!usableAsScriptingTerm(name, log))
        return std::nullopt;
    const std::optional<QString> target =
        literalFor(m_script.bundleIdentifier(), QStringLiteral("the bundle identifier"), log);
    if (!target)
        return std::nullopt;
    const QString source =
        QStringLiteral("tell application id ") + *target + QStringLiteral(" to return ") + name;
    log.system(source);
    const ScriptResult result = m_script.m_channel ? m_script.m_channel->execute(source) : ScriptResult{};
    if (!result.value) {
        log.system(QStringLiteral("Result of ") + m_script.debugDescription() + QStringLiteral(" was nil"));
        return std::nullopt;
    }
    return result.fileURL();
}

void RunningScriptProperty::setURL(const std::optional<QUrl>& to) const {
    Log& log = *m_script.m_log;
    const QString& name = m_script.scriptName();
    log.system(QStringLiteral("## Setting URL for ") + name);
    if (!usableAsScriptingTerm(name, log))
        return;
    // Only a local file has a path; sending an empty one would clear the property instead.
    if (to && (!to->isLocalFile() || to->toLocalFile().isEmpty())) {
        log.system(QStringLiteral("Refusing to send ") + quotedLiteral(to->toDisplayString()) +
                   QStringLiteral(": not a local file"));
        return;
    }
    const std::optional<QString> target =
        literalFor(m_script.bundleIdentifier(), QStringLiteral("the bundle identifier"), log);
    const std::optional<QString> path =
        literalFor(to ? to->toLocalFile() : QString(), QStringLiteral("the path"), log);
    if (!target || !path)
        return;
    const QString source = QStringLiteral("tell application id ") + *target + QStringLiteral(" to set ") +
                           name + QStringLiteral(" to ") + *path;
    log.system(source);
    const ScriptResult result = m_script.m_channel ? m_script.m_channel->execute(source) : ScriptResult{};
    if (result.errorInfo)
        log.standardOutput(ScriptResult::describe(*result.errorInfo));
}

} // namespace brisquel
