#pragma once

#include "platform/Platform.h"

#include <QString>
#include <QUrl>
#include <memory>
#include <optional>

namespace brisquel {

// One background-script property ("... script") of one Capture One copy, and its assigned file.
//
// The file is kept two ways:
//  - url() / setUrl(): in Capture One's preferences domain (named by the bundle identifier),
//    as the file's path text under defaultsScriptName(). This is what the application uses.
//  - getURL() / setURL(): in the running Capture One, through AppleScript.
// The preferences handle is shared by reference among copies of the record.
class BackgroundScript {
public:
    // Opens the preferences domain named by bundleIdentifier through the platform in force.
    BackgroundScript(QString scriptName, QString description, QString bundleIdentifier);
    // The same with the services handed in.
    BackgroundScript(QString scriptName, QString description, QString bundleIdentifier,
                     const Platform& platform);

    const QString& scriptName() const { return m_scriptName; }
    const QString& description() const { return m_description; }
    const QString& bundleIdentifier() const { return m_bundleIdentifier; }
    const std::shared_ptr<UserDefaults>& defaults() const { return m_defaults; }
    const QString& defaultsScriptName() const { return m_defaultsScriptName; }
    const QString& id() const { return m_scriptName; }

    // The script name with every " script" removed, capitalised word by word in the current
    // locale: "live view ready script" gives "Live View Ready".
    QString displayName() const;

    // The assigned file as the preferences domain holds it now; none when nothing is assigned.
    std::optional<QUrl> url() const;
    // Stores the file's path text under the key, or removes the key for none. Returns whether
    // the domain stored it (a failure is also in the system log).
    bool setUrl(const std::optional<QUrl>& url);

    // Asks the running Capture One for the property's file, by AppleScript.
    std::optional<QUrl> getURL() const;
    // Sets the property in the running Capture One to the file's path, or to "" for none.
    void setURL(const std::optional<QUrl>& to) const;

    // The preferences key for a script name: words split at single spaces; a "done" word is
    // removed and "endOf" put in front, else a "became" word is removed; then camel-cased.
    static QString defaultsKey(const QString& scriptName);
    // True when a name can stand in AppleScript source as a scripting term: letters, digits,
    // spaces and underscores only, and not empty.
    static bool isPlainScriptingTerm(const QString& name);
    // The record's plain textual form: BackgroundScript(scriptName: "...", ...).
    QString debugDescription() const;

private:
    QString m_scriptName;
    QString m_description;
    QString m_bundleIdentifier;
    std::shared_ptr<UserDefaults> m_defaults;
    QString m_defaultsScriptName;
    std::shared_ptr<ScriptChannel> m_channel;
    std::shared_ptr<Log> m_log;
};

} // namespace brisquel
