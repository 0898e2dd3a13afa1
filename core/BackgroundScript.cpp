#include "BackgroundScript.h"

#include "AppFinder.h"

#include <QLocale>

#include <unicode/locid.h>
#include <unicode/unistr.h>

namespace brisquel {

namespace {

const QString scriptSuffix = QStringLiteral(" script");

// First letter upper-case, the rest lower-case, without locale rules.
QString capitalisedWord(const QString& word) {
    if (word.isEmpty()) {
        return word;
    }
    const qsizetype firstLength = word.front().isHighSurrogate() && word.size() > 1 ? 2 : 1;
    return word.left(firstLength).toUpper() + word.mid(firstLength).toLower();
}

// Title case by the current locale's word rules (first letter of each word upper-case).
QString capitalisedByLocale(const QString& text) {
    icu::UnicodeString s(reinterpret_cast<const UChar*>(text.utf16()), static_cast<int32_t>(text.size()));
    const icu::Locale locale(QLocale().name().toUtf8().constData());
    s.toTitle(nullptr, locale);
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// A string literal holding text exactly: backslash and quote are escaped, and line breaks and
// tabs are written as their escapes so that the text stays on one line. AppleScript reads it
// back to the same text; the record's textual form quotes its fields the same way.
QString appleScriptStringLiteral(const QString& text) {
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

QString tellApplication(const QString& bundleIdentifier) {
    return QStringLiteral("tell application id ") + appleScriptStringLiteral(bundleIdentifier);
}

} // namespace

BackgroundScript::BackgroundScript(QString scriptName, QString description, QString bundleIdentifier)
    : BackgroundScript(std::move(scriptName), std::move(description), std::move(bundleIdentifier),
                       Platform::current()) {}

BackgroundScript::BackgroundScript(QString scriptName, QString description, QString bundleIdentifier,
                                   const Platform& platform)
    : m_scriptName(std::move(scriptName)), m_description(std::move(description)),
      m_bundleIdentifier(std::move(bundleIdentifier)),
      m_defaults(platform.preferences ? platform.preferences->open(m_bundleIdentifier) : nullptr),
      m_defaultsScriptName(defaultsKey(m_scriptName)), m_channel(platform.scriptChannel),
      m_log(platform.log) {}

QString BackgroundScript::defaultsKey(const QString& scriptName) {
    QStringList words = scriptName.split(QLatin1Char(' '), Qt::KeepEmptyParts);
    if (const qsizetype done = words.indexOf(QStringLiteral("done")); done >= 0) {
        words.removeAt(done);
        words.prepend(QStringLiteral("endOf"));
    } else if (const qsizetype became = words.indexOf(QStringLiteral("became")); became >= 0) {
        words.removeAt(became);
    }
    QString key = words.isEmpty() ? QString() : words.front();
    for (qsizetype i = 1; i < words.size(); ++i) {
        key += capitalisedWord(words.at(i));
    }
    return key;
}

bool BackgroundScript::isPlainScriptingTerm(const QString& name) {
    if (name.trimmed().isEmpty()) {
        return false;
    }
    for (const QChar c : name) {
        if (!(c.isLetterOrNumber() || c == QLatin1Char(' ') || c == QLatin1Char('_'))) {
            return false;
        }
    }
    return true;
}

QString BackgroundScript::displayName() const {
    QString name = m_scriptName;
    name.remove(scriptSuffix, Qt::CaseSensitive);
    return capitalisedByLocale(name);
}

std::optional<QUrl> BackgroundScript::url() const {
    return m_defaults ? m_defaults->url(m_defaultsScriptName) : std::nullopt;
}

bool BackgroundScript::setUrl(const std::optional<QUrl>& url) {
    return m_defaults && m_defaults->setURL(m_defaultsScriptName, url);
}

QString BackgroundScript::debugDescription() const {
    const QString defaults = m_defaults
                                 ? QStringLiteral("<UserDefaults: ") + m_defaults->domain() + QLatin1Char('>')
                                 : QStringLiteral("nil");
    return QStringLiteral("BackgroundScript(scriptName: ") + appleScriptStringLiteral(m_scriptName) +
           QStringLiteral(", description: ") + appleScriptStringLiteral(m_description) +
           QStringLiteral(", bundleIdentifier: ") + appleScriptStringLiteral(m_bundleIdentifier) +
           QStringLiteral(", defaults: ") + defaults + QStringLiteral(", defaultsScriptName: ") +
           appleScriptStringLiteral(m_defaultsScriptName) + QLatin1Char(')');
}

std::optional<QUrl> BackgroundScript::getURL() const {
    m_log->system(QStringLiteral("## Getting URL for ") + m_scriptName);
    // The name comes from a file inside someone else's bundle: it becomes AppleScript source
    // only when it is a plain scripting term.
    if (!isPlainScriptingTerm(m_scriptName)) {
        m_log->system(QStringLiteral("Refusing to use ") + appleScriptStringLiteral(m_scriptName) +
                      QStringLiteral(" as a scripting term: only letters, digits, spaces and underscores"));
        return std::nullopt;
    }
    const QString source = tellApplication(m_bundleIdentifier) + QStringLiteral(" to return ") + m_scriptName;
    m_log->system(source);
    const ScriptResult result = m_channel ? m_channel->execute(source) : ScriptResult{};
    if (!result.value) {
        m_log->system(QStringLiteral("Result of ") + debugDescription() + QStringLiteral(" was nil"));
        return std::nullopt;
    }
    return result.fileURL();
}

void BackgroundScript::setURL(const std::optional<QUrl>& to) const {
    m_log->system(QStringLiteral("## Setting URL for ") + m_scriptName);
    if (!isPlainScriptingTerm(m_scriptName)) {
        m_log->system(QStringLiteral("Refusing to use ") + appleScriptStringLiteral(m_scriptName) +
                      QStringLiteral(" as a scripting term: only letters, digits, spaces and underscores"));
        return;
    }
    const QString path = to ? to->toLocalFile() : QString();
    const QString source = tellApplication(m_bundleIdentifier) + QStringLiteral(" to set ") + m_scriptName +
                           QStringLiteral(" to ") + appleScriptStringLiteral(path);
    m_log->system(source);
    const ScriptResult result = m_channel ? m_channel->execute(source) : ScriptResult{};
    if (result.errorInfo) {
        m_log->standardOutput(ScriptResult::describe(*result.errorInfo));
    }
}

void AppFinder::App::checkPermissions() const {
    const Platform& platform = services();
    platform.log->system(QStringLiteral("Checking AppleEvents permission"));
    // The target is the bundle identifier as a text descriptor; any event class, any event id.
    const int status = platform.automationPermission
                           ? platform.automationPermission->determine(m_bundleIdentifier, true)
                           : 0;
    platform.log->system(QString::number(status));
}

} // namespace brisquel
