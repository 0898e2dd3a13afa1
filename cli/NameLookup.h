#pragma once

#include "cli/Argument.h"

#include "VexoExtensions/Result.h"
#include "core/AppFinder.h"
#include "core/BackgroundScript.h"

#include <QList>
#include <QString>

// Finding a copy or a background script by a name the user typed: every name the tool's tables
// show is accepted back, as shown (with its escapes) or as stored.
//
// A failure's message is ready to show: the outside text in it is already made printable
// (TerminalText::printable), and it names what was looked for and the names that would have
// been accepted.
namespace brisquel::cli::NameLookup {

// The copy named by its bundle identifier, its display name ("Capture One 23"), its bundle's file
// name ("Capture One 23.app") or its path (absolute, or relative to the current folder). An exact
// match is taken first; else a match that ignores case, when exactly one copy gives it. Several
// copies under one name fail with the bundle identifiers that tell them apart.
vexo::Expected<AppFinder::App> findCopy(const QList<AppFinder::App>& copies, const Argument& name,
                                        const QString& applicationsFolder);

// The background script named by its script name ("batch done script"), its preferences key
// ("endOfBatchScript") or its title ("Batch Done"), in that order of precedence; then by any of
// them ignoring case, when that names one property. Records that share a preferences key are one
// property (the sdef may list a property twice): the first is given.
vexo::Expected<BackgroundScript> findScript(const AppFinder::App& copy,
                                            const QList<BackgroundScript>& scripts, const Argument& name);

} // namespace brisquel::cli::NameLookup
