#pragma once

#include "VexoExtensions/Result.h"
#include "core/platform/macos/CFHolder.h"

#include <QString>
#include <QVariant>

namespace brisquel::macos {

// Core Foundation's property-list objects and our values, both ways, by the decisions and bounds
// of core/platform/PropertyListTree.h: CFString, CFNumber (integer or real), CFBoolean, CFDate,
// CFData, CFArray and CFDictionary.

// The value of an object we do not own; `what` names it in the reasons.
vexo::Expected<QVariant> variantFromCF(CFTypeRef object, const QString& what);
// A new object for a value, or why it has no property-list form here.
vexo::Expected<CFHolder> cfFromVariant(const QVariant& value);

} // namespace brisquel::macos
