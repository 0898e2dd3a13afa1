#include "tests/Preferences/PreferencesWorld.h"

#include "VexoExtensions/MainBundle.h"

namespace preferencestest {

void PreferencesWorld::SetUp() {
    m_platform.install();
    brisquel::vexo::MainBundle::setInfoDictionary(QVariantMap{
        {QStringLiteral("CFBundleName"), QStringLiteral("Photo Tool")},
        {QStringLiteral("CFBundleIdentifier"), QStringLiteral("org.quillmere.tests.preferences")},
    });
}

void PreferencesWorld::TearDown() {
    brisquel::vexo::MainBundle::setInfoDictionary(std::nullopt);
}

std::unique_ptr<quillmere::PreferencesWindowController>
PreferencesWorld::makeController(const std::vector<PaneSample>& samples, quillmere::Preferences::Style style,
                                 bool animated, bool hidesToolbarForSingleItem) {
    return std::make_unique<quillmere::PreferencesWindowController>(makePanes(samples, &m_log), style,
                                                                    animated, hidesToolbarForSingleItem);
}

} // namespace preferencestest
