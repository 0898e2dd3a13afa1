#pragma once

#include "VexoExtensions/Export.h"

#include <QString>
#include <QUrl>
#include <QVariantMap>
#include <optional>

namespace brisquel {

// The outcome of compiling and running one AppleScript source text.
struct BRISQUEL_EXPORT ScriptResult {
    // The script's result in text form; none when the script failed to compile or run.
    std::optional<QString> value;
    // Error information when the script failed (message, number...); none on success.
    std::optional<QVariantMap> errorInfo;

    // The result's file-URL form: present when the result names a file by an absolute path.
    std::optional<QUrl> fileURL() const;
    // The error information in the platform dictionary's textual form ("{\n    key = value;\n}").
    static QString describe(const QVariantMap& errorInfo);
};

// The channel that carries AppleScript to running applications.
class BRISQUEL_EXPORT ScriptChannel {
public:
    virtual ~ScriptChannel() = default;
    // Compiles and runs the source; blocks until it has run or failed.
    virtual ScriptResult execute(const QString& source) = 0;
};

} // namespace brisquel
