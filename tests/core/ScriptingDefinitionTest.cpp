#include "core/ScriptingDefinition.h"
#include "VexoExtensions/InputLimits.h"
#include "core/AppFinder.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <unistd.h>

using brisquel::AppFinder;
using brisquel::BackgroundScript;
using testsupport::BundleLayout;
using namespace Qt::Literals::StringLiterals;
namespace hostile = testsupport::HostileFiles;

namespace {

class ScriptingDefinitionTest : public ::testing::Test {
protected:
    // A copy whose bundle (in a folder of its own) holds the given sdef bytes, found with fresh
    // fakes so that the log holds only what reading it writes.
    AppFinder::App copyWithSdef(const QByteArray& sdef, const QString& sdefName = u"CaptureOne.sdef"_s) {
        BundleLayout layout;
        layout.sdef = sdef;
        layout.sdefName = sdefName;
        const QString bundle = testsupport::makeBundle(folder.filePath(QString::number(m_copies++)), layout);
        fakes = testsupport::FakePlatform();
        fakes.metadata->items = {
            testsupport::metadataItem(layout.bundleName, layout.bundleIdentifier, bundle, layout.version)};
        return AppFinder::discover(fakes.platform()).at(0);
    }
    static QStringList names(const QList<BackgroundScript>& scripts) {
        QStringList out;
        for (const auto& script : scripts)
            out << script.scriptName();
        return out;
    }

    testsupport::FakePlatform fakes;
    testsupport::TempFolder folder;

private:
    int m_copies = 0;
};

// A dictionary of the given suites (after a prolog); a suite whose application class has the given
// properties.
QByteArray sdef(const QByteArray& suites, const QByteArray& prolog = {}) {
    return "<?xml version=\"1.0\"?>" + prolog + "<dictionary>" + suites + "</dictionary>";
}
QByteArray suite(const QByteArray& properties, const QByteArray& name = "Capture One Suite") {
    return "<suite name=\"" + name + "\"><class name=\"application\">" + properties + "</class></suite>";
}
QByteArray property(const QByteArray& name, const QByteArray& description = "x") {
    return "<property name=\"" + name + "\" description=\"" + description + "\"/>";
}

} // namespace

// Properties of the application class of each suite of that exact name, whose names end in
// "script" and that have a description; nothing else, and no log line for what is passed over.
TEST_F(ScriptingDefinitionTest, SelectsApplicationPropertiesEndingInScript) {
    const auto app = copyWithSdef(
        sdef(suite(property("capture done script", "After a capture.") + property("batch Script") +
                   property("scripts folder") + "<property name=\"no description script\"/>" +
                   "<property description=\"No name.\"/>" + property("empty script", "") +
                   "<element type=\"window\">" + property("nested script") +
                   "</element></class><class name=\"document\">" + property("document script")) +
             suite(property("lower case suite script"), "capture one suite") +
             suite(property("second suite script"))));
    const auto scripts = app.readBackgroundScripts();
    EXPECT_EQ(names(scripts),
              (QStringList{u"capture done script"_s, u"empty script"_s, u"second suite script"_s}));
    ASSERT_FALSE(scripts.isEmpty());
    EXPECT_EQ(scripts[0].description(), u"After a capture."_s);
    EXPECT_TRUE(fakes.log->systemLines().isEmpty());
}

TEST_F(ScriptingDefinitionTest, ReadsTheTenBackgroundScriptsOfRealDefinitions) {
    for (const char* name : {"sdef/CaptureOne-16.7.1.11.sdef", "sdef/CaptureOne-16.8.5.30.sdef"}) {
        const QString path = testsupport::sharedTestData(QString::fromUtf8(name));
        if (path.isEmpty())
            GTEST_SKIP() << "shared test data not found beside the clone: " << name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList found = names(copyWithSdef(file.readAll()).readBackgroundScripts());
        EXPECT_EQ(found.size(), 10);
        EXPECT_EQ(found.value(0), u"capture done script"_s);
        EXPECT_EQ(found.value(9), u"selection changed script"_s);
    }
}

TEST_F(ScriptingDefinitionTest, WhatCannotBeFoundIsLoggedAsTheSystemDoes) {
    fakes.metadata->items = {testsupport::metadataItem(u"Capture One 1.app"_s, u"com.a"_s,
                                                       folder.filePath(u"gone.app"_s), u"1"_s)};
    EXPECT_TRUE(AppFinder::discover(fakes.platform()).at(0).readBackgroundScripts().isEmpty());
    EXPECT_EQ(fakes.log->outputLines(), QStringList{u"Could not get bundle for url"_s});
    EXPECT_EQ(fakes.log->systemLines(), QStringList{u"Could not get sdef file"_s});
    EXPECT_TRUE(copyWithSdef(QByteArray(), QString()).readBackgroundScripts().isEmpty());
    EXPECT_EQ(fakes.log->systemLines(), QStringList{u"Could not get sdef file"_s});
    EXPECT_TRUE(copyWithSdef("<dictionary><suite>").readBackgroundScripts().isEmpty());
    EXPECT_EQ(fakes.log->systemLines(), QStringList{u"Could not load XMLDocument from sdef file"_s});
}

TEST_F(ScriptingDefinitionTest, TheFirstDefinitionByNameIsRead) {
    const auto app = copyWithSdef(sdef(suite(property("from b script"))), u"B.sdef"_s);
    const QString resources = app.url().toLocalFile() + u"/Contents/Resources/"_s;
    hostile::writeFile(resources + u"A.sdef"_s, sdef(suite(property("from a script"))));
    hostile::writeFile(resources + u"0.SDEF"_s, "<dictionary/>"); // the extension is case-sensitive
    QDir().mkpath(resources + u"0-folder.sdef"_s);                // a folder with the extension is no file
    EXPECT_EQ(app.getScriptingDefinitionsFile()->toLocalFile(), resources + u"A.sdef"_s);
    EXPECT_EQ(names(app.readBackgroundScripts()), QStringList{u"from a script"_s});
}

// Each is refused with its reason, or read harmlessly, within bounds.
struct HostileSdef {
    const char* name;
    void (*make)(const QString& sdef);
    const char* reason; // empty: it loads, and yields one script whose description is short and no secret
};
class HostileSdefs : public ::testing::TestWithParam<HostileSdef> {};

// A description made of entities of entities, a billion laughs if expanded.
QByteArray entityBomb() {
    QByteArray entities = "<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i)
        entities += "<!ENTITY lol" + QByteArray::number(i) + " \"" +
                    ("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
    return sdef(suite(property("capture done script", "&lol9;")),
                "<!DOCTYPE dictionary [\n" + entities + "]>");
}
// Padding before the suite that matters, `size` bytes in all.
QByteArray sized(qint64 size) {
    const QByteArray suites = suite(property("capture done script", "At the end."));
    return sdef(suites, QByteArray(size - sdef(suites).size(), ' '));
}

TEST_P(HostileSdefs, AreRefusedOrHarmless) {
    if (std::string(GetParam().name) == "Unreadable" && ::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    testsupport::TempFolder folder;
    const QString bundle = folder.filePath(u"Capture One 23.app"_s);
    QDir().mkpath(bundle + u"/Contents/Resources"_s);
    GetParam().make(bundle + u"/Contents/Resources/CaptureOne.sdef"_s);
    namespace sdef = brisquel::ScriptingDefinition;
    brisquel::vexo::Expected<QList<sdef::ScriptProperty>> selected = brisquel::vexo::Result();
    bool done = false;
    testsupport::expectWithinBounds(testsupport::runBounded(
        [&] {
            const auto located = sdef::locate(bundle);
            const auto loaded = located ? sdef::load(*located) : located.result();
            selected = loaded ? brisquel::vexo::Expected(sdef::select(*loaded)) : loaded.result();
            done = true;
        },
        [&] { return done; }));
    if (*GetParam().reason) {
        ASSERT_FALSE(selected);
        EXPECT_TRUE(
            selected.result().message().contains(QString::fromUtf8(GetParam().reason), Qt::CaseInsensitive))
            << qPrintable(selected.result().message());
        return;
    }
    ASSERT_TRUE(selected) << qPrintable(selected.result().message());
    ASSERT_EQ(selected->size(), 1);
    EXPECT_LT(selected->at(0).description.size(), 100);
    EXPECT_FALSE(selected->at(0).description.contains(u"SECRET"_s));
}

using S = const QString&;
const HostileSdef kHostileSdefs[]{
    {"Missing", [](S) {}, "no file with the extension .sdef in"},
    {"Truncated", [](S s) { hostile::writeFile(s, "<dictionary><suite name=\"a\">"); }, "not well-formed"},
    {"TextBesideTheRoot", [](S s) { hostile::writeFile(s, "<dictionary/>text"); }, "well-formed"},
    {"TwoRoots", [](S s) { hostile::writeFile(s, "<dictionary/><dictionary/>"); }, "well-formed"},
    {"MismatchedTags", [](S s) { hostile::writeFile(s, "<dictionary><property></dictionary>"); },
     "well-formed"},
    {"Empty", [](S s) { hostile::writeFile(s, {}); }, "is empty"},
    {"Fifo", [](S s) { hostile::makeFifo(s); }, "not a regular file"},
    {"LinkToFifo", [](S s) { hostile::makeLinkToFifo(s); }, "not a regular file"},
    {"AtTheLimit",
     [](S s) { hostile::writeFile(s, sized(brisquel::vexo::limits::kScriptingDefinitionBytes)); }, ""},
    {"BeyondTheLimit",
     [](S s) { hostile::writeFile(s, sized(brisquel::vexo::limits::kScriptingDefinitionBytes + 1)); },
     ".sdef is too large"},
    {"SixtyMegabytes", [](S s) { hostile::writeLargeSdef(s, qint64{60} << 20); }, "too large"},
    {"EntityBomb", [](S s) { hostile::writeFile(s, entityBomb()); }, ""},
    // An external entity is never loaded: the secret stays where it is.
    {"ExternalEntity",
     [](S s) {
         hostile::writeFile(s + u".txt"_s, "TOP-SECRET");
         hostile::writeFile(
             s, sdef(suite(property("a script", "&x;")), "<!DOCTYPE dictionary [<!ENTITY x SYSTEM \"file://" +
                                                             (s + u".txt"_s).toUtf8() + "\">]>"));
     },
     ""},
    {"Unreadable",
     [](S s) {
         hostile::writeFile(s, sdef({}));
         QFile::setPermissions(s, QFileDevice::WriteOwner);
     },
     "permission denied"}};
INSTANTIATE_TEST_SUITE_P(Rows, HostileSdefs, ::testing::ValuesIn(kHostileSdefs),
                         [](const auto& row) { return std::string(row.param.name); });
