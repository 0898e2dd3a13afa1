#include "core/ScriptingDefinition.h"
#include "VexoExtensions/InputLimits.h"
#include "core/AppFinder.h"
#include "tests/support/BoundedRun.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/HostileFiles.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QStringEncoder>
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

QByteArray dictionary(const QString& body) {
    return (u"<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dictionary>"_s + body + u"</dictionary>"_s)
        .toUtf8();
}
QByteArray suite(const QByteArray& properties) {
    return "<?xml version=\"1.0\"?><dictionary><suite name=\"Capture One Suite\"><class "
           "name=\"application\">" +
           properties + "</class></suite></dictionary>";
}

} // namespace

TEST_F(ScriptingDefinitionTest, SelectsApplicationPropertiesEndingInScript) {
    const auto app = copyWithSdef(dictionary(
        u"<suite name=\"Capture One Suite\">"
        "  <class name=\"application\">"
        "    <property name=\"capture done script\" description=\"After a capture.\"/>"
        "    <property name=\"script\" description=\"Just the word.\"/>"
        "    <property name=\"batch Script\" description=\"Capital S.\"/>"
        "    <property name=\"scripts folder\" description=\"Contains it, does not end with it.\"/>"
        "    <property name=\"no description script\"/>"
        "    <property description=\"No name.\"/>"
        "    <property name=\"empty description script\" description=\"\"/>"
        "    <property name=\"\U0001F600script\" description=\"Outside the BMP.\"/>"
        "    <element type=\"window\"><property name=\"nested script\" description=\"Too deep.\"/></element>"
        "  </class>"
        "  <class name=\"document\"><property name=\"document script\" description=\"Other class.\"/></class>"
        "  <class name=\"application\"><property name=\"second class script\" "
        "description=\"Second.\"/></class>"
        "  <class-extension extends=\"application\"><property name=\"extension script\"/></class-extension>"
        "</suite>"
        "<suite name=\"capture one suite\"><class name=\"application\">"
        "  <property name=\"lower case suite script\" description=\"x\"/></class></suite>"
        "<suite name=\"Capture One Suite\"><class name=\"application\">"
        "  <property name=\"second suite script\" description=\"Also used.\"/>"
        "  <property name=\"second suite script\" description=\"Twice.\"/></class></suite>"_s));
    const auto scripts = app.readBackgroundScripts();
    EXPECT_EQ(names(scripts),
              QStringList({u"capture done script"_s, u"script"_s, u"empty description script"_s,
                           u"\U0001F600script"_s, u"second class script"_s, u"second suite script"_s,
                           u"second suite script"_s}));
    EXPECT_EQ(scripts[0].description(), u"After a capture."_s);
    EXPECT_EQ(scripts[6].description(), u"Twice."_s);
    EXPECT_TRUE(fakes.log->systemLines().isEmpty());
    // Another suite's name, even in another case, gives no scripts and no log line.
    EXPECT_TRUE(copyWithSdef(dictionary(u"<suite name=\"Capture One suite\"><class name=\"application\">"
                                        "<property name=\"capture done script\"/></class></suite>"_s))
                    .readBackgroundScripts()
                    .isEmpty());
    EXPECT_TRUE(fakes.log->systemLines().isEmpty());
}

TEST_F(ScriptingDefinitionTest, ReadsTheTenBackgroundScriptsOfRealDefinitions) {
    const QStringList expected = {u"capture done script"_s,
                                  u"processing done script"_s,
                                  u"batch done script"_s,
                                  u"live view became ready script"_s,
                                  u"live view will close script"_s,
                                  u"live view done script"_s,
                                  u"importing done script"_s,
                                  u"barcode scanned script"_s,
                                  u"primary variant adjusted script"_s,
                                  u"selection changed script"_s};
    for (const char* name :
         {"sdef/CaptureOne-16.7.1.11.sdef", "sdef/CaptureOne-16.8.5.30.sdef", "sdef/Skim.sdef"}) {
        const QString path = testsupport::sharedTestData(QString::fromUtf8(name));
        if (path.isEmpty())
            GTEST_SKIP() << "shared test data not found beside the clone: " << name;
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto scripts = copyWithSdef(file.readAll()).readBackgroundScripts();
        if (QString::fromUtf8(name).contains(u"Skim"_s)) { // another application's: no Capture One suite
            EXPECT_TRUE(scripts.isEmpty());
            continue;
        }
        ASSERT_EQ(names(scripts), expected) << name;
        EXPECT_TRUE(scripts[0].description().startsWith(
            u"(PRO Only) The AppleScript that gets called when an image"_s));
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

TEST_F(ScriptingDefinitionTest, TextsAreDecodedWhateverTheirForm) {
    // Character references and CDATA, and UTF-16 with a byte-order mark in both byte orders.
    auto scripts =
        copyWithSdef(suite("<property name=\"line&#10;break script\" description=\"a &amp; b &lt;c&gt; "
                           "&#x2713;\"/><![CDATA[ <property name=\"not a property script\"/> ]]>"))
            .readBackgroundScripts();
    ASSERT_EQ(scripts.size(), 1);
    EXPECT_EQ(scripts[0].scriptName(), u"line\nbreak script"_s);
    EXPECT_EQ(scripts[0].description(), u"a & b <c> \u2713"_s);
    for (auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        scripts =
            copyWithSdef(
                encoder.encode(
                    QString::fromUtf8(suite("<property name=\"caf\xC3\xA9 done script\" description=\"d\"/>"))
                        .replace(u"version=\"1.0\""_s, u"version=\"1.0\" encoding=\"UTF-16\""_s)))
                .readBackgroundScripts();
        EXPECT_EQ(names(scripts), QStringList{u"café done script"_s});
    }
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

struct HostileSdef {
    const char* name;
    std::function<void(const QString& sdef, const testsupport::TempFolder& folder)> make;
    const char* reason; // empty: it loads, and what it yields is checked by `harmless`
    std::function<bool(const QList<brisquel::ScriptingDefinition::ScriptProperty>&)> harmless = {};
};
void PrintTo(const HostileSdef& row, std::ostream* out) {
    *out << row.name;
}
class HostileSdefs : public ::testing::TestWithParam<HostileSdef> {};

// A description made of entities of entities, a billion laughs if expanded.
QByteArray entityBomb() {
    QByteArray entities = "<!ENTITY lol \"lol\">\n";
    for (int i = 1; i <= 9; ++i)
        entities += "<!ENTITY lol" + QByteArray::number(i) + " \"" +
                    QByteArray(i == 1 ? "&lol;" : "&lol" + QByteArray::number(i - 1) + ";").repeated(10) +
                    "\">\n";
    return "<?xml version=\"1.0\"?>\n<!DOCTYPE dictionary [\n" + entities +
           "]>\n<dictionary><suite name=\"Capture One Suite\"><class name=\"application\">"
           "<property name=\"capture done script\" description=\"&lol9;\"/></class></suite></dictionary>";
}
// Padding suites around the one that matters, `size` bytes in all.
QByteArray sized(qint64 size) {
    const QByteArray end =
        suite("<property name=\"capture done script\" description=\"At the end.\"/>").mid(21);
    QByteArray big = "<?xml version=\"1.0\"?>";
    big += QByteArray(size - big.size() - end.size(), ' ') + end;
    return big;
}

// Writes the bytes as the dictionary.
std::function<void(const QString&, const testsupport::TempFolder&)> bytes(const QByteArray& content) {
    return [content](const QString& sdef, const auto&) { hostile::writeFile(sdef, content); };
}

TEST_P(HostileSdefs, AreRefusedOrHarmless) {
    if (std::string(GetParam().name) == "Unreadable" && ::geteuid() == 0)
        GTEST_SKIP() << "root reads any file";
    testsupport::TempFolder folder;
    const QString sdef = folder.filePath(u"Capture One 23.app/Contents/Resources/CaptureOne.sdef"_s);
    QDir().mkpath(folder.filePath(u"Capture One 23.app/Contents/Resources"_s));
    GetParam().make(sdef, folder);
    brisquel::vexo::Expected<QList<brisquel::ScriptingDefinition::ScriptProperty>> selected =
        brisquel::vexo::Result();
    bool done = false;
    const testsupport::BoundedRun run = testsupport::runBounded(
        [&] {
            const auto located =
                brisquel::ScriptingDefinition::locate(folder.filePath(u"Capture One 23.app"_s));
            if (!located) {
                selected = located.result();
            } else if (const auto loaded = brisquel::ScriptingDefinition::load(*located); !loaded) {
                selected = loaded.result();
            } else {
                selected = brisquel::ScriptingDefinition::select(*loaded);
            }
            done = true;
        },
        [&] { return done; });
    testsupport::expectWithinBounds(run);
    if (*GetParam().reason) {
        ASSERT_FALSE(selected);
        EXPECT_TRUE(
            selected.result().message().contains(QString::fromUtf8(GetParam().reason), Qt::CaseInsensitive))
            << qPrintable(selected.result().message());
        return;
    }
    ASSERT_TRUE(selected) << qPrintable(selected.result().message());
    EXPECT_TRUE(GetParam().harmless(*selected));
}

INSTANTIATE_TEST_SUITE_P(
    Rows, HostileSdefs,
    ::testing::Values(
        HostileSdef{"Missing", [](const QString&, const auto&) {}, "no file with the extension .sdef in"},
        HostileSdef{"Truncated", bytes("<dictionary><suite name=\"a\">"), "not well-formed"},
        HostileSdef{"TextBesideTheRoot", bytes("<dictionary/>text"), "well-formed"},
        HostileSdef{"TwoRoots", bytes("<dictionary/><dictionary/>"), "well-formed"},
        HostileSdef{"MismatchedTags", bytes("<dictionary><property name=\"a\"></dictionary>"), "well-formed"},
        HostileSdef{"Empty", bytes({}), "is empty"},
        HostileSdef{"Fifo", [](const QString& s, const auto&) { hostile::makeFifo(s); },
                    "not a regular file"},
        HostileSdef{"LinkToFifo",
                    [](const QString& s, const testsupport::TempFolder& f) {
                        hostile::makeFifo(f.filePath(u"fifo.sdef"_s));
                        QFile::link(f.filePath(u"fifo.sdef"_s), s);
                    },
                    "not a regular file"},
        HostileSdef{"AtTheLimit",
                    [](const QString& s, const auto&) {
                        hostile::writeFile(s, sized(brisquel::vexo::limits::kScriptingDefinitionBytes));
                    },
                    "", [](const auto& scripts) { return scripts.size() == 1; }},
        HostileSdef{"BeyondTheLimit",
                    [](const QString& s, const auto&) {
                        hostile::writeFile(s, sized(brisquel::vexo::limits::kScriptingDefinitionBytes + 1));
                    },
                    ".sdef is too large"},
        HostileSdef{"SixtyMegabytes",
                    [](const QString& s, const auto&) { hostile::writeLargeSdef(s, qint64{60} << 20); },
                    "too large"},
        HostileSdef{"EntityBomb", bytes(entityBomb()), "",
                    [](const auto& scripts) {
                        return std::ranges::all_of(scripts,
                                                   [](const auto& x) { return x.description.size() < 100; });
                    }},
        // An external entity is never loaded: the secret stays where it is.
        HostileSdef{"ExternalEntity",
                    [](const QString& s, const testsupport::TempFolder& f) {
                        const QString secret = f.write(u"secret.txt"_s, "TOP-SECRET");
                        hostile::writeFile(
                            s,
                            "<?xml version=\"1.0\"?>\n<!DOCTYPE dictionary [<!ENTITY xxe SYSTEM \"file://" +
                                secret.toUtf8() + "\">]>" +
                                suite("<property name=\"a script\" description=\"&xxe;\"/>").mid(21));
                    },
                    "",
                    [](const auto& scripts) {
                        return std::ranges::none_of(
                            scripts, [](const auto& x) { return x.description.contains(u"SECRET"_s); });
                    }},
        HostileSdef{"Unreadable",
                    [](const QString& s, const auto&) {
                        hostile::writeFile(s, suite({}));
                        QFile::setPermissions(s, QFileDevice::WriteOwner);
                    },
                    "permission denied"}),
    [](const auto& row) { return std::string(row.param.name); });
