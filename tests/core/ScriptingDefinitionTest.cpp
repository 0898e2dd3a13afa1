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

QByteArray suite(const QByteArray& properties) {
    return "<?xml version=\"1.0\"?><dictionary><suite name=\"Capture One Suite\"><class "
           "name=\"application\">" +
           properties + "</class></suite></dictionary>";
}

} // namespace

// Properties of the application class of each suite of that exact name, whose names end in
// "script" and that have a description; nothing else, and no log line for what is passed over.
TEST_F(ScriptingDefinitionTest, SelectsApplicationPropertiesEndingInScript) {
    const auto app = copyWithSdef(QByteArray(
        "<dictionary><suite name=\"Capture One Suite\"><class name=\"application\">"
        "  <property name=\"capture done script\" description=\"After a capture.\"/>"
        "  <property name=\"batch Script\" description=\"x\"/><property name=\"scripts folder\" "
        "description=\"x\"/>"
        "  <property name=\"no description script\"/><property description=\"No name.\"/>"
        "  <property name=\"empty script\" description=\"\"/>"
        "  <element type=\"window\"><property name=\"nested script\" description=\"x\"/></element>"
        "</class><class name=\"document\"><property name=\"document script\" "
        "description=\"x\"/></class></suite>"
        "<suite name=\"capture one suite\"><class name=\"application\">"
        "  <property name=\"lower case suite script\" description=\"x\"/></class></suite>"
        "<suite name=\"Capture One Suite\"><class name=\"application\">"
        "  <property name=\"second suite script\" description=\"Also.\"/></class></suite></dictionary>"));
    const auto scripts = app.readBackgroundScripts();
    EXPECT_EQ(names(scripts),
              (QStringList{u"capture done script"_s, u"empty script"_s, u"second suite script"_s}));
    ASSERT_FALSE(scripts.isEmpty());
    EXPECT_EQ(scripts[0].description(), u"After a capture."_s);
    EXPECT_TRUE(fakes.log->systemLines().isEmpty());
}

TEST_F(ScriptingDefinitionTest, ReadsTheTenBackgroundScriptsOfRealDefinitions) {
    for (const char* name :
         {"sdef/CaptureOne-16.7.1.11.sdef", "sdef/CaptureOne-16.8.5.30.sdef", "sdef/Skim.sdef"}) {
        const QString path = testsupport::sharedTestData(QString::fromUtf8(name));
        if (path.isEmpty())
            GTEST_SKIP() << "shared test data not found beside the clone: " << name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QStringList found = names(copyWithSdef(file.readAll()).readBackgroundScripts());
        if (path.contains(u"Skim"_s)) { // another application's: no Capture One suite
            EXPECT_TRUE(found.isEmpty());
            continue;
        }
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
    const auto app = copyWithSdef(suite("<property name=\"from b script\" description=\"d\"/>"), u"B.sdef"_s);
    const QString resources = app.url().toLocalFile() + u"/Contents/Resources/"_s;
    hostile::writeFile(resources + u"A.sdef"_s,
                       suite("<property name=\"from a script\" description=\"d\"/>"));
    hostile::writeFile(resources + u"0.SDEF"_s, "<dictionary/>"); // the extension is case-sensitive
    QDir().mkpath(resources + u"0-folder.sdef"_s);                // a folder with the extension is no file
    EXPECT_EQ(app.getScriptingDefinitionsFile()->toLocalFile(), resources + u"A.sdef"_s);
    EXPECT_EQ(names(app.readBackgroundScripts()), QStringList{u"from a script"_s});
}

// --- Hostile dictionaries: each is refused with its reason, or read harmlessly, within bounds ---

// Each is refused with its reason, or read harmlessly, within bounds.
struct HostileSdef {
    const char* name;
    void (*make)(const QString& sdef, const testsupport::TempFolder& folder);
    const char* reason; // empty: it loads, and yields one script whose description is short and no secret
};
void PrintTo(const HostileSdef& row, std::ostream* out) {
    *out << row.name;
}
class HostileSdefs : public ::testing::TestWithParam<HostileSdef> {};

// A description made of entities of entities, a billion laughs if expanded.
QByteArray entityBomb() {
    QByteArray entities = "<!ENTITY lol0 \"lol\">\n";
    for (int i = 1; i <= 9; ++i)
        entities += "<!ENTITY lol" + QByteArray::number(i) + " \"" +
                    ("&lol" + QByteArray::number(i - 1) + ";").repeated(10) + "\">\n";
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE dictionary [\n" + entities + "]>" +
           suite("<property name=\"capture done script\" description=\"&lol9;\"/>").mid(21);
}
// Padding before the suite that matters, `size` bytes in all.
QByteArray sized(qint64 size) {
    const QByteArray end =
        suite("<property name=\"capture done script\" description=\"At the end.\"/>").mid(21);
    return "<?xml version=\"1.0\"?>" + QByteArray(size - 21 - end.size(), ' ') + end;
}

TEST_P(HostileSdefs, AreRefusedOrHarmless) {
    if (std::string(GetParam().name) == "Unreadable" && ::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    testsupport::TempFolder folder;
    const QString bundle = folder.filePath(u"Capture One 23.app"_s);
    QDir().mkpath(bundle + u"/Contents/Resources"_s);
    GetParam().make(bundle + u"/Contents/Resources/CaptureOne.sdef"_s, folder);
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

using Folder = const testsupport::TempFolder&;
INSTANTIATE_TEST_SUITE_P(
    Rows, HostileSdefs,
    ::testing::Values(
        HostileSdef{"Missing", [](const QString&, Folder) {}, "no file with the extension .sdef in"},
        HostileSdef{"Truncated",
                    [](const QString& s, Folder) { hostile::writeFile(s, "<dictionary><suite name=\"a\">"); },
                    "not well-formed"},
        HostileSdef{"TextBesideTheRoot",
                    [](const QString& s, Folder) { hostile::writeFile(s, "<dictionary/>text"); },
                    "well-formed"},
        HostileSdef{"TwoRoots",
                    [](const QString& s, Folder) { hostile::writeFile(s, "<dictionary/><dictionary/>"); },
                    "well-formed"},
        HostileSdef{
            "MismatchedTags",
            [](const QString& s, Folder) { hostile::writeFile(s, "<dictionary><property></dictionary>"); },
            "well-formed"},
        HostileSdef{"Empty", [](const QString& s, Folder) { hostile::writeFile(s, {}); }, "is empty"},
        HostileSdef{"Fifo", [](const QString& s, Folder) { hostile::makeFifo(s); }, "not a regular file"},
        HostileSdef{"LinkToFifo",
                    [](const QString& s, Folder f) {
                        hostile::makeFifo(f.filePath(u"fifo.sdef"_s));
                        QFile::link(f.filePath(u"fifo.sdef"_s), s);
                    },
                    "not a regular file"},
        HostileSdef{"AtTheLimit",
                    [](const QString& s, Folder) {
                        hostile::writeFile(s, sized(brisquel::vexo::limits::kScriptingDefinitionBytes));
                    },
                    ""},
        HostileSdef{"BeyondTheLimit",
                    [](const QString& s, Folder) {
                        hostile::writeFile(s, sized(brisquel::vexo::limits::kScriptingDefinitionBytes + 1));
                    },
                    ".sdef is too large"},
        HostileSdef{"SixtyMegabytes",
                    [](const QString& s, Folder) { hostile::writeLargeSdef(s, qint64{60} << 20); },
                    "too large"},
        HostileSdef{"EntityBomb", [](const QString& s, Folder) { hostile::writeFile(s, entityBomb()); }, ""},
        // An external entity is never loaded: the secret stays where it is.
        HostileSdef{"ExternalEntity",
                    [](const QString& s, Folder f) {
                        hostile::writeFile(
                            s, "<?xml version=\"1.0\"?><!DOCTYPE dictionary [<!ENTITY x SYSTEM \"file://" +
                                   f.write(u"secret.txt"_s, "TOP-SECRET").toUtf8() + "\">]>" +
                                   suite("<property name=\"a script\" description=\"&x;\"/>").mid(21));
                    },
                    ""},
        HostileSdef{"Unreadable",
                    [](const QString& s, Folder) {
                        hostile::writeFile(s, suite({}));
                        QFile::setPermissions(s, QFileDevice::WriteOwner);
                    },
                    "permission denied"}),
    [](const auto& row) { return std::string(row.param.name); });
