#include "ContactForm/AppInfo.h"

#include "VexoExtensions/MainBundle.h"

namespace quillmere {

namespace {

QString textEntry(const QVariantMap& dictionary, const QString& key) {
    const QVariant value = dictionary.value(key);
    return value.typeId() == QMetaType::QString ? value.toString() : QString();
}

} // namespace

AppInfo::AppInfo(const QVariantMap& infoDictionary)
    : name(textEntry(infoDictionary, QStringLiteral("CFBundleName"))),
      version(textEntry(infoDictionary, QStringLiteral("CFBundleVersion"))),
      shortVersion(textEntry(infoDictionary, QStringLiteral("CFBundleShortVersionString"))),
      bundleID(textEntry(infoDictionary, QStringLiteral("CFBundleIdentifier"))) {}

AppInfo AppInfo::mainBundle() {
    return AppInfo(brisquel::vexo::MainBundle::infoDictionary());
}

QString AppInfo::versionString() const {
    return name + u' ' + shortVersion + QStringLiteral(" (") + version + u')';
}

QString AppInfo::versionFooter() const {
    return QStringLiteral("\n\n-------\n") + versionString();
}

} // namespace quillmere
