#pragma once

#include "VexoExtensions/Export.h"

#include "VexoExtensions/Result.h"

#include <QByteArray>
#include <QString>

namespace brisquel::vexo {

// The path an environment variable names (a folder such as QUILLMERE_PREFERENCES_DIR), taken
// exactly: empty when the variable is not set or is empty. A path whose bytes are not valid UTF-8
// has no text that names it exactly: decoding it would put replacement characters in its place,
// and the text would name another folder (one that a write would then create). Such a path is
// refused (Refused), with a message that names the variable and shows the path with each byte that
// is not part of valid UTF-8 (and each control character) written as \xNN.
BRISQUEL_EXPORT Expected<QString> environmentPath(const char* variable);

// Bytes as a person may read them: valid UTF-8 as its text, every other byte and every control
// character as \xNN.
BRISQUEL_EXPORT QString printableBytes(const QByteArray& bytes);

} // namespace brisquel::vexo
