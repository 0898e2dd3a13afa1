#include "core/ScriptingDefinition.h"
#include "VexoExtensions/InputLimits.h"
#include "core/AppFinder.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QStringDecoder>
#include <QStringEncoder>
#include <gtest/gtest.h>
#include <pugixml.hpp>

using namespace Qt::Literals::StringLiterals;
using brisquel::AppFinder;
using brisquel::BackgroundScript;
using testsupport::BundleLayout;

namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

class ScriptingDefinitionTest : public ::testing::Test {
protected:
    // A copy whose bundle (in a folder of its own) holds the given sdef bytes, found with fresh
    // fakes so that the log holds only what reading it writes.
    AppFinder::App copyWithSdef(const QByteArray& sdef, const QString& sdefName = u"CaptureOne.sdef"_s) {
        BundleLayout layout;
        layout.sdef = sdef;
        layout.sdefName = sdefName;
        const QString where = folder.filePath(QString::number(m_copies++));
        const QString bundle = testsupport::makeBundle(where, layout);
        fakes = testsupport::FakePlatform();
        fakes.metadata->items = {
            testsupport::metadataItem(layout.bundleName, layout.bundleIdentifier, bundle, layout.version)};
        return AppFinder::discover(fakes.platform()).at(0);
    }
    QStringList names(const QList<BackgroundScript>& scripts) {
        QStringList out;
        for (const auto& script : scripts) {
            out << script.scriptName();
        }
        return out;
    }

    testsupport::FakePlatform fakes;
    testsupport::TempFolder folder;

private:
    int m_copies = 0;
};

QByteArray dictionary(const QString& body) {
    return (s("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dictionary>") + body + s("</dictionary>"))
        .toUtf8();
}

// The selection as XPath 1.0, to check the walk against: 1.0 has no ends-with(), so the last six
// characters of the name are compared, which also holds for names shorter than six characters and
// for names outside the BMP.
QStringList selectByXPath(const pugi::xml_document& doc) {
    static const pugi::xpath_query query(
        "/dictionary/suite[@name='Capture One Suite']/class[@name='application']"
        "/property[substring(@name, string-length(@name) - 5) = 'script']");
    QStringList out;
    for (const pugi::xpath_node& node : query.evaluate_node_set(doc)) {
        out << QString::fromUtf8(node.node().attribute("name").value());
    }
    return out;
}

} // namespace

TEST_F(ScriptingDefinitionTest, SelectsApplicationPropertiesEndingInScript) {
    const auto app = copyWithSdef(dictionary(s(
        "<suite name=\"Capture One Suite\">"
        "  <class name=\"application\">"
        "    <property name=\"capture done script\" description=\"After a capture.\"/>"
        "    <property name=\"script\" description=\"Just the word.\"/>"
        "    <property name=\"batch Script\" description=\"Capital S.\"/>"
        "    <property name=\"scripts folder\" description=\"Contains it, does not end with it.\"/>"
        "    <property name=\"no description script\"/>"
        "    <property description=\"No name.\"/>"
        "    <property name=\"empty description script\" description=\"\"/>"
        "    <element type=\"window\"><property name=\"nested script\" description=\"Too deep.\"/></element>"
        "  </class>"
        "  <class name=\"document\"><property name=\"document script\" description=\"Other class.\"/></class>"
        "  <class name=\"application\"><property name=\"second class script\" "
        "description=\"Second.\"/></class>"
        "  <class-extension extends=\"application\"><property name=\"extension script\" "
        "description=\"x\"/></class-extension>"
        "</suite>"
        "<suite name=\"capture one suite\"><class name=\"application\">"
        "  <property name=\"lower case suite script\" description=\"x\"/></class></suite>"
        "<suite name=\"Capture One Suite\"><class name=\"application\">"
        "  <property name=\"second suite script\" description=\"Also used.\"/>"
        "  <property name=\"second suite script\" description=\"Twice.\"/></class></suite>")));
    const auto scripts = app.readBackgroundScripts();
    EXPECT_EQ(names(scripts),
              QStringList({s("capture done script"), s("script"), s("empty description script"),
                           s("second class script"), s("second suite script"), s("second suite script")}));
    EXPECT_EQ(scripts[0].description(), s("After a capture."));
    EXPECT_EQ(scripts[0].bundleIdentifier(), s("com.captureone.captureone16"));
    EXPECT_EQ(scripts[2].description(), QString());
    EXPECT_EQ(scripts[5].description(), s("Twice."));
    EXPECT_TRUE(fakes.log->systemLines().isEmpty());
}

TEST_F(ScriptingDefinitionTest, OtherSuiteNamesGiveAnEmptyListWithoutALogLine) {
    const auto app = copyWithSdef(
        dictionary(s("<suite name=\"Capture One suite\"><class name=\"application\">"
                     "<property name=\"capture done script\" description=\"x\"/></class></suite>")));
    EXPECT_TRUE(app.readBackgroundScripts().isEmpty());
    EXPECT_TRUE(fakes.log->systemLines().isEmpty());
    EXPECT_TRUE(fakes.log->outputLines().isEmpty());
}

TEST_F(ScriptingDefinitionTest, SelectsWhatTheXPathOfTheRuleSelects) {
    // Names around the edges of "ends with script": short, exact, non-ASCII, surrogate pairs.
    const QStringList pool = {s("script"),
                              s("cript"),
                              s("Script"),
                              s("a script"),
                              s("scripts"),
                              s(""),
                              s("x"),
                              s("\xC3\xA9script"),
                              s("\xF0\x9F\x98\x80script"),
                              s("\xF0\x9F\x98\x80 cript"),
                              s("scriptscript"),
                              s(" script "),
                              s("ascript"),
                              s("scrip t")};
    QRandomGenerator rng(20261206);
    for (int round = 0; round < 200; ++round) {
        QString body;
        const int suites = rng.bounded(1, 3);
        for (int i = 0; i < suites; ++i) {
            body +=
                rng.bounded(4) == 0 ? s("<suite name=\"Other\">") : s("<suite name=\"Capture One Suite\">");
            body += rng.bounded(4) == 0 ? s("<class name=\"window\">") : s("<class name=\"application\">");
            const int properties = rng.bounded(0, 6);
            for (int p = 0; p < properties; ++p) {
                const QString name = pool[rng.bounded(static_cast<int>(pool.size()))];
                body += s("<property name=\"") + name.toHtmlEscaped() + s("\" description=\"d\"/>");
            }
            body += s("</class></suite>");
        }
        const QByteArray xml = dictionary(body);
        pugi::xml_document doc;
        ASSERT_TRUE(doc.load_buffer(xml.constData(), static_cast<size_t>(xml.size())));
        QStringList selected;
        const auto loaded = brisquel::ScriptingDefinition::load(folder.write(s("round.sdef"), xml));
        ASSERT_TRUE(loaded) << qPrintable(loaded.result().message());
        for (const auto& property : brisquel::ScriptingDefinition::select(*loaded)) {
            selected << property.name;
        }
        ASSERT_EQ(selected, selectByXPath(doc)) << xml.toStdString();
    }
}

TEST_F(ScriptingDefinitionTest, ReadsTheTenBackgroundScriptsOfRealDefinitions) {
    const QStringList expected = {s("capture done script"),
                                  s("processing done script"),
                                  s("batch done script"),
                                  s("live view became ready script"),
                                  s("live view will close script"),
                                  s("live view done script"),
                                  s("importing done script"),
                                  s("barcode scanned script"),
                                  s("primary variant adjusted script"),
                                  s("selection changed script")};
    for (const char* name : {"sdef/CaptureOne-16.7.1.11.sdef", "sdef/CaptureOne-16.8.5.30.sdef"}) {
        const QString path = testsupport::sharedTestData(s(name));
        if (path.isEmpty()) {
            GTEST_SKIP() << "shared test data not found beside the clone: " << name;
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const auto app = copyWithSdef(file.readAll());
        const auto scripts = app.readBackgroundScripts();
        ASSERT_EQ(names(scripts), expected) << name;
        EXPECT_TRUE(scripts[0].description().startsWith(
            s("(PRO Only) The AppleScript that gets called when an image")));
        EXPECT_EQ(scripts[3].defaultsScriptName(), s("liveViewReadyScript"));
        for (const auto& script : scripts) {
            EXPECT_FALSE(script.description().isEmpty()) << script.scriptName().toStdString();
        }
    }
    // Definitions of other applications have no Capture One suite.
    for (const char* name : {"sdef/Skim.sdef", "sdef/BibDesk.sdef", "sdef/Vienna.sdef"}) {
        const QString path = testsupport::sharedTestData(s(name));
        if (path.isEmpty()) {
            continue;
        }
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(copyWithSdef(file.readAll()).readBackgroundScripts().isEmpty()) << name;
    }
}

TEST_F(ScriptingDefinitionTest, FailureTableLogLines) {
    // No bundle at the record's location.
    fakes.metadata->items = {testsupport::metadataItem(s("Capture One 1.app"), s("com.a"),
                                                       folder.filePath(s("gone.app")), s("1"))};
    const auto missing = AppFinder::discover(fakes.platform()).at(0);
    EXPECT_TRUE(missing.readBackgroundScripts().isEmpty());
    EXPECT_EQ(fakes.log->outputLines(), QStringList{s("Could not get bundle for url")});
    EXPECT_EQ(fakes.log->systemLines(), QStringList{s("Could not get sdef file")});

    // A bundle without an sdef resource.
    const auto bare = copyWithSdef(QByteArray(), QString());
    EXPECT_TRUE(bare.readBackgroundScripts().isEmpty());
    EXPECT_TRUE(fakes.log->outputLines().isEmpty());
    EXPECT_EQ(fakes.log->systemLines(), QStringList{s("Could not get sdef file")});
}

TEST_F(ScriptingDefinitionTest, MalformedDocumentsAreNotLoaded) {
    const QByteArray cases[] = {
        QByteArray("<dictionary><suite name=\"Capture One Suite\">"), // truncated
        QByteArray("<dictionary/><dictionary/>"),                     // two roots
        QByteArray("<dictionary/>trailing text"),                     // text beside the root
        QByteArray("not xml at all"),
        QByteArray(), // empty file
        QByteArray(
            "<dictionary><property name=\"a script\" description=\"x\"></dictionary>"), // mismatched tags
    };
    for (const QByteArray& bytes : cases) {
        const auto app = copyWithSdef(bytes.isEmpty() ? QByteArray(" ") : bytes);
        if (bytes.isEmpty()) {
            QFile::resize(app.getScriptingDefinitionsFile()->toLocalFile(), 0);
        }
        EXPECT_TRUE(app.readBackgroundScripts().isEmpty()) << bytes.toStdString();
        EXPECT_EQ(fakes.log->systemLines(), QStringList{s("Could not load XMLDocument from sdef file")})
            << bytes.toStdString();
    }
}

TEST_F(ScriptingDefinitionTest, ExternalEntitiesAreNeverLoaded) {
    const QString secret = folder.write(s("secret.txt"), "TOP-SECRET-CONTENT");
    const QByteArray xml = (s("<?xml version=\"1.0\"?>\n<!DOCTYPE dictionary [\n"
                              "  <!ENTITY xxe SYSTEM \"file://") +
                            secret +
                            s("\">\n]>\n"
                              "<dictionary><suite name=\"Capture One Suite\"><class name=\"application\">"
                              "<property name=\"capture done script\" description=\"before &xxe; after\"/>"
                              "</class></suite><leak>&xxe;</leak></dictionary>"))
                               .toUtf8();
    const auto app = copyWithSdef(xml);
    for (const auto& script : app.readBackgroundScripts()) {
        EXPECT_FALSE(script.description().contains(s("TOP-SECRET"))) << script.description().toStdString();
    }
}

TEST_F(ScriptingDefinitionTest, EntityExpansionBombIsHarmless) {
    QString entities = s("<!ENTITY lol \"lol\">\n");
    for (int i = 1; i <= 9; ++i) {
        QString value;
        for (int k = 0; k < 10; ++k) {
            value += s("&lol%1;").arg(i - 1 == 0 ? QString() : QString::number(i - 1));
        }
        entities += s("<!ENTITY lol%1 \"%2\">\n").arg(i).arg(value);
    }
    const QByteArray xml = (s("<?xml version=\"1.0\"?>\n<!DOCTYPE dictionary [\n") + entities +
                            s("]>\n<dictionary><suite name=\"Capture One Suite\"><class name=\"application\">"
                              "<property name=\"capture done script\" description=\"&lol9;\"/>"
                              "</class></suite></dictionary>"))
                               .toUtf8();
    const auto scripts = copyWithSdef(xml).readBackgroundScripts();
    for (const auto& script : scripts) {
        EXPECT_LT(script.description().size(), 100);
    }
}

TEST_F(ScriptingDefinitionTest, LargeAndUtf16DefinitionsAreReadUpToTheLimit) {
    // Many suites of padding around the one that matters, just within the limit and just beyond.
    const auto bigDefinition = [](qint64 size) {
        QByteArray big = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<dictionary>";
        const QByteArray padding =
            "<suite name=\"Padding\"><class name=\"application\">"
            "<property name=\"padding script\" description=\"0123456789012345678901234567890123456789"
            "0123456789012345678901234567890123456789\"/></class></suite>\n";
        const QByteArray end = "<suite name=\"Capture One Suite\"><class name=\"application\">"
                               "<property name=\"capture done script\" description=\"At the end.\"/>"
                               "</class></suite></dictionary>";
        big.reserve(size);
        while (big.size() + padding.size() + end.size() <= size)
            big += padding;
        big += QByteArray(size - big.size() - end.size(), ' ') + end;
        return big;
    };
    const qint64 limit = brisquel::vexo::limits::kScriptingDefinitionBytes;
    EXPECT_EQ(names(copyWithSdef(bigDefinition(limit)).readBackgroundScripts()),
              QStringList{s("capture done script")});
    const brisquel::vexo::Expected<QList<brisquel::BackgroundScript>> tooLarge =
        copyWithSdef(bigDefinition(limit + 1)).loadBackgroundScripts();
    ASSERT_FALSE(tooLarge);
    EXPECT_EQ(tooLarge.result().status(), brisquel::vexo::Status::TooLarge);
    EXPECT_TRUE(tooLarge.result().message().contains(s(".sdef is too large")))
        << qPrintable(tooLarge.result().message());

    // The same small dictionary in UTF-16 with a byte-order mark, both byte orders.
    const QString text =
        s("<?xml version=\"1.0\" encoding=\"UTF-16\"?>\n<dictionary><suite name=\"Capture One Suite\">"
          "<class name=\"application\"><property name=\"caf\xC3\xA9 done script\" "
          "description=\"\xE2\x9C\x93 UTF-16\"/></class></suite></dictionary>");
    for (auto encoding : {QStringConverter::Utf16LE, QStringConverter::Utf16BE}) {
        QStringEncoder encoder(encoding, QStringConverter::Flag::WriteBom);
        const auto scripts = copyWithSdef(encoder.encode(text)).readBackgroundScripts();
        ASSERT_EQ(scripts.size(), 1);
        EXPECT_EQ(scripts[0].scriptName(), s("caf\xC3\xA9 done script"));
        EXPECT_EQ(scripts[0].description(), s("\xE2\x9C\x93 UTF-16"));
    }
}

TEST_F(ScriptingDefinitionTest, CharacterReferencesAndCDataAreKept) {
    const auto scripts =
        copyWithSdef(
            dictionary(
                s("<suite name=\"Capture One Suite\"><class name=\"application\">"
                  "<property name=\"line&#10;break script\" description=\"a &amp; b &lt;c&gt; &#x2713;\"/>"
                  "<![CDATA[ <property name=\"not a property script\" description=\"x\"/> ]]>"
                  "</class></suite>")))
            .readBackgroundScripts();
    ASSERT_EQ(scripts.size(), 1);
    EXPECT_EQ(scripts[0].scriptName(), s("line\nbreak script"));
    EXPECT_EQ(scripts[0].description(), s("a & b <c> \xE2\x9C\x93"));
    // Such a name never becomes AppleScript source.
    EXPECT_FALSE(scripts[0].inRunningApplication().getURL());
    EXPECT_TRUE(fakes.scripts->sources.isEmpty());
}

TEST_F(ScriptingDefinitionTest, TheFirstDefinitionByNameIsRead) {
    auto scriptsFrom = [](const char* name) {
        return dictionary(
            s("<suite name=\"Capture One Suite\"><class name=\"application\"><property name=\"") + s(name) +
            s("\" description=\"d\"/></class></suite>"));
    };
    const auto app = copyWithSdef(scriptsFrom("from b script"), s("B.sdef"));
    const QString resources = app.url().toLocalFile() + s("/Contents/Resources/");
    auto write = [&](const QString& name, const QByteArray& bytes) {
        QFile f(resources + name);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    };
    write(s("A.sdef"), scriptsFrom("from a script"));
    write(s("0.SDEF"), "<dictionary/>");           // the extension is case-sensitive
    QDir().mkpath(resources + s("0-folder.sdef")); // a folder with the extension is no file
    EXPECT_EQ(app.getScriptingDefinitionsFile()->toLocalFile(), resources + s("A.sdef"));
    EXPECT_EQ(names(app.readBackgroundScripts()), QStringList{s("from a script")});
}
