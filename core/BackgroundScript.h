#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"
#include "core/platform/Platform.h"

#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

namespace brisquel {

class RunningScriptProperty;

// One background-script property ("... script") of one Capture One copy, and its assigned file.
//
// The file is kept two ways, which never mix:
//  - url() / setUrl(): in Capture One's preferences domain (named by the bundle identifier), as
//    the file's path text under defaultsScriptName(). This is what Quillmere uses.
//  - inRunningApplication().getURL() / .setURL(to): in the running Capture One, by AppleScript.
// The preferences handle is shared by reference among copies of the record.
class BRISQUEL_EXPORT BackgroundScript {
public:
    // Opens the preferences domain named by bundleIdentifier through the platform in force.
    BackgroundScript(QString scriptName, QString description, QString bundleIdentifier);
    // The same with the services handed in.
    BackgroundScript(QString scriptName, QString description, QString bundleIdentifier,
                     const Platform& platform);
    // The same with a handle on the domain already open (the records of one reading share one).
    BackgroundScript(QString scriptName, QString description, QString bundleIdentifier,
                     std::shared_ptr<vexo::UserDefaults> defaults, const Platform& platform);

    const QString& scriptName() const { return m_scriptName; }
    const QString& description() const { return m_description; }
    const QString& bundleIdentifier() const { return m_bundleIdentifier; }
    const std::shared_ptr<vexo::UserDefaults>& defaults() const { return m_defaults; }
    const QString& defaultsScriptName() const { return m_defaultsScriptName; }
    const QString& id() const { return m_scriptName; }

    // The script name with every " script" removed, capitalised word by word in the current
    // locale: "live view ready script" gives "Live View Ready".
    QString displayName() const;

    // The assigned file as the preferences domain holds it now; none when nothing is assigned
    // (or the domain cannot be read: readUrl() tells the two apart).
    std::optional<QUrl> url() const;
    // Stores the file's path text under the key, or removes the key for none. Returns whether
    // the domain stored it (the reason for a failure is in the system log; writeUrl() returns it).
    bool setUrl(const std::optional<QUrl>& url);
    // The reason-returning forms of url() and setUrl().
    vexo::Expected<std::optional<QUrl>> readUrl() const;
    vexo::Result writeUrl(const std::optional<QUrl>& url);
    // The assigned files of several records, in their order, reading each domain once (the records
    // of one copy share it): a listing of many properties must not read the domain once per row.
    // A failure when a domain cannot be read.
    static vexo::Expected<QList<std::optional<QUrl>>> readUrls(const QList<BackgroundScript>& scripts);

    // The same property in the running Capture One, for the AppleScript forms.
    RunningScriptProperty inRunningApplication() const;

    // The preferences key for a script name: words split at single spaces; a "done" word is
    // removed and "endOf" put in front, else a "became" word is removed; then camel-cased.
    static QString defaultsKey(const QString& scriptName);
    // True when a name can stand in AppleScript source as a scripting term: letters, digits,
    // spaces and underscores only, and not empty.
    static bool isPlainScriptingTerm(const QString& name);
    // The record's plain textual form: BackgroundScript(scriptName: "...", ...).
    QString debugDescription() const;

private:
    friend class RunningScriptProperty;

    QString m_scriptName;
    QString m_description;
    QString m_bundleIdentifier;
    std::shared_ptr<vexo::UserDefaults> m_defaults;
    QString m_defaultsScriptName;
    std::shared_ptr<ScriptChannel> m_channel;
    std::shared_ptr<Log> m_log;
};

// A background-script property as the running Capture One holds it, reached through AppleScript.
// Nothing in Quillmere calls these; they are offered to programs that drive Capture One itself.
//
// What reaches AppleScript source: the script name only when it is a plain scripting term
// (letters, digits, spaces, underscores); the bundle identifier and the path only inside string
// literals, with backslash, double quote, line feed, return and tab written as their escapes. A
// text holding any character whose meaning inside a literal is not certain (other control
// characters, format characters such as bidirectional controls and zero-width characters, line
// and paragraph separators, unpaired surrogates, private-use or unassigned code points, and every
// double-quote-like character: curly, low, reversed, full-width and CJK double quotes, double
// primes, « and ») is refused with a log line, and no source is composed or run.
class BRISQUEL_EXPORT RunningScriptProperty {
public:
    // Asks the running copy for the property's file. Logs "## Getting URL for <name>" and the
    // script's source; when the script gives no result, logs "Result of <record> was nil".
    std::optional<QUrl> getURL() const;
    // Sets the property in the running copy to the file's path, or to "" for none. Logs
    // "## Setting URL for <name>" and the source; error information goes to standard output.
    // A URL that is not a local file is refused with a log line and nothing is sent (an empty
    // path would clear the property).
    void setURL(const std::optional<QUrl>& to) const;

private:
    friend class BackgroundScript;
    explicit RunningScriptProperty(BackgroundScript script) : m_script(std::move(script)) {}
    BackgroundScript m_script;
};

inline RunningScriptProperty BackgroundScript::inRunningApplication() const {
    return RunningScriptProperty(*this);
}

} // namespace brisquel
