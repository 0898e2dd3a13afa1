#pragma once

#include <QString>

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>

namespace quillmere {

// How update feeds order version texts, such as "1.2.10", "1.0.0-beta.9" or "6933".
//
// A version is read as a sequence of parts: runs of digits (numbers) and runs of letters
// (words); every other character (".", "-", "_", "+", "~", a space) only separates parts. Two
// versions are compared part by part:
//   - numbers by their value, whatever their length ("1.10" is newer than "1.9", "007" equals "7");
//   - words alphabetically, ignoring case ("alpha" < "beta" < "rc");
//   - a number is newer than a word in the same place ("1.0.1" is newer than "1.0b1").
// When one version runs out of parts, the rest of the other decides: zeros add nothing ("1.0"
// equals "1.0.0"), a word first makes it a pre-release and so older ("1.0.0-beta.9" is older than
// "1.0.0"), and any other number makes it newer ("1.18.3-2" is newer than "1.18.3").
//
// Texts are compared as UTF-8 bytes; letters outside ASCII count as word characters.
class VersionComparator final {
public:
    // Negative when a is older than b, zero when they are the same version, positive when newer.
    static int compare(std::string_view a, std::string_view b);
    static int compare(const QString& a, const QString& b);
    static int compare(const char* a, const char* b) {
        return compare(std::string_view(a), std::string_view(b));
    }

    // Whether a text can be compared as a version: 1 to kMaximumLength characters, at least one
    // digit, and nothing but ASCII letters, digits and the separators ". - _ + ~" and space. No
    // leading or trailing space is allowed (feeds' texts are trimmed before they get here).
    static bool isVersion(std::string_view text);
    static bool isVersion(const QString& text);
    static bool isVersion(const char* text) { return isVersion(std::string_view(text)); }

    static constexpr std::size_t kMaximumLength = 100;

    // A version made of numbers only ("6933", "1.2.10"), read once into their values so that a
    // choice among thousands of versions compares integers instead of reading texts each time.
    // Trailing zeros are left out ("1.0" and "1.0.0" hold the same values).
    struct Numbers {
        std::array<std::uint64_t, 6> values{};
        std::size_t count = 0;
    };
    // None for a version with a word, more than six numbers or a number of more than 19 digits
    // (those are compared as texts), and for any text that is not a version: a text read into
    // numbers passes isVersion(), so that a feed's items are read once for both.
    static std::optional<Numbers> numbers(std::string_view version);
    // Orders as compare() orders the texts the values were read from.
    static int compare(const Numbers& a, const Numbers& b);
};

} // namespace quillmere
