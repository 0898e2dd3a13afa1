#pragma once

#include "VexoExtensions/PropertyList.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVariantList>
#include <QVariantMap>

#include <plist/plist.h>

namespace testsupport {

// A keyed archive of a URL as the platform's archiver writes it: $objects[1] is the URL object,
// whose "NS.relative" and "NS.base" refer to other objects by UID.
struct ArchivedURL {
    QString relative = QStringLiteral("file:///Users/me/Library/Scripts/My%20Script%20%C3%BC.scpt");
    QString base;      // empty: no base ($null)
    int baseIndex = 0; // with no base: 0 for $null, 1 for the URL itself (a loop)
    QString archiver = QStringLiteral("NSKeyedArchiver");
    QString className = QStringLiteral("NSURL");
    int rootIndex = 1;
    bool xml = false;

    QByteArray bytes() const {
        const auto uid = [](int index) { return QVariantMap{{QStringLiteral("CF$UID"), index}}; };
        const auto url = [&](int relativeIndex, int baseAt) {
            return QVariantMap{{QStringLiteral("NS.relative"), uid(relativeIndex)},
                               {QStringLiteral("NS.base"), uid(baseAt)},
                               {QStringLiteral("$class"), uid(3)}};
        };
        QVariantList objects{
            QStringLiteral("$null"), url(2, base.isEmpty() ? baseIndex : 4), relative,
            QVariantMap{{QStringLiteral("$classname"), className},
                        {QStringLiteral("$classes"), QStringList{className, QStringLiteral("NSObject")}}}};
        if (!base.isEmpty())
            objects << url(5, 0) << base;
        const brisquel::vexo::plist::Node root = brisquel::vexo::plist::fromVariant(
            QVariantMap{{QStringLiteral("$version"), 100000},
                        {QStringLiteral("$archiver"), archiver},
                        {QStringLiteral("$top"), QVariantMap{{QStringLiteral("root"), uid(rootIndex)}}},
                        {QStringLiteral("$objects"), objects}});
        if (!xml)
            return brisquel::vexo::plist::nodeToBinary(root.get());
        char* text = nullptr;
        uint32_t length = 0;
        plist_to_xml(static_cast<plist_t>(root.get()), &text, &length);
        QByteArray result(text, length);
        plist_to_xml_free(text);
        return result;
    }
};

} // namespace testsupport
