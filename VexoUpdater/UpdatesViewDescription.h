#pragma once

#include "VexoExtensions/Result.h"

#include <QList>
#include <QString>

namespace quillmere {

// The updates pane's interface description, "UpdatesView.json" in the library's resource bundle:
// the pane's rows in order, with their wording. Each row is one of
//   {"kind": "switch", "setting": <key>, "title": <text>, "detail": <text, optional>}
//       an on/off control bound to a boolean setting of the application's own domain; the
//       settings it may name are "includeBetaReleases" and "automaticallyChecksForUpdates";
//   {"kind": "checkNow", "title": <button text>, "lastChecked": <text with %1 for the date>,
//    "neverChecked": <text>}
//       the button that checks at once, and the time of the last completed check.
// A description must have the switch for "includeBetaReleases" (the one thing the pane cannot
// do without); "minimumWidth" (points) is optional.
struct UpdatesViewDescription {
    struct Row {
        enum class Kind { Switch, CheckNow };
        Kind kind = Kind::Switch;
        QString setting;
        QString title;
        QString detail;
        QString lastChecked;
        QString neverChecked;
    };

    int minimumWidth = 0;
    QList<Row> rows;

    // Reads a description; a failure names the file and what is wrong with it.
    static brisquel::vexo::Expected<UpdatesViewDescription> read(const QString& path);
    static brisquel::vexo::Expected<UpdatesViewDescription> parse(const QByteArray& json,
                                                                  const QString& path);
};

} // namespace quillmere
