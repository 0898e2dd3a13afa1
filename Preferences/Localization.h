#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

namespace quillmere::Preferences {

// The words a preferences window uses in its own text, in 39 languages, and the lookup that picks
// the user's language.
//
// Lookup: the user's locale is the first entry of the preferred-language list whose language code
// can be read (a BCP 47 or POSIX identifier such as "zh-Hant-TW", "pt_BR" or "en_GB.UTF-8"); when
// none can, the current locale's name is used. Chinese picks "zh-HK" or "zh-TW" by region and
// "zh-CN" for any other region or none; every other language is looked up by its language code
// alone (a British English user gets "en", a user in Portugal "pt"). A locale without a language
// code, or a language the table lacks, gets the "en" word. The lookup never fails.
class Localization final {
public:
    enum class Word {
        preferences,           // the title word of a one-pane window
        preferencesEllipsized, // the same word followed by an ellipsis (for a menu command)
    };

    // The word in the language of the user of this process (the system's preferred languages).
    static QString localized(Word word);
    // The word for the given preferred languages, first choice first, and the current locale's
    // name (used when no preferred language has a language code).
    static QString localized(Word word, const QStringList& preferredLanguages, const QString& currentLocale);

    // The table entry the lookup uses for these languages ("zh-TW", "pt", "en", ...): the entry
    // that holds the word, or "en" when the table has none for the language.
    static QString tableKey(const QStringList& preferredLanguages, const QString& currentLocale);

    // The whole table of one word: identifier to text.
    static const QHash<QString, QString>& table(Word word);

private:
    Localization() = delete;
};

} // namespace quillmere::Preferences
