#pragma once

#include <QString>

#include <memory>
#include <optional>

namespace quillmere {

// What the update check needs to know about the system it runs on: the name update feeds give
// this operating system in an enclosure's sparkle:os ("macos", "windows", "linux"), and the
// system's version, which an item's sparkle:minimumSystemVersion is compared with.
//
// Update feeds state minimum versions of macOS. On other systems there is no such version to
// report, and the constraint is then ignored. Tests hand in a report of their own.
class SystemReport {
public:
    virtual ~SystemReport() = default;

    // Lower-case, as feeds write it.
    virtual QString operatingSystem() const = 0;
    // None where the system has no version that feeds' minimum versions speak of.
    virtual std::optional<QString> systemVersion() const = 0;

    // The report of the system this program runs on.
    static std::shared_ptr<SystemReport> native();
};

} // namespace quillmere
