#include "VexoWidgets/ResourceBundle.h"

#include "VexoExtensions/ApplicationPlugin.h"
#include "VexoWidgets/InterfaceLoader.h"
#include "VexoWidgets/TextStyles.h"
#include "tests/support/ScopedEnvironment.h"
#include "tests/support/TempFolder.h"

#include <QLabel>
#include <QPushButton>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <memory>

using quillmere::ResourceBundle;

namespace {

const char kForm[] = R"(<ui version="4.0"><widget class="QWidget" name="Form">
 <widget class="QPushButton" name="sendButton"><property name="text"><string>Send</string></property></widget>
 <widget class="QLabel" name="note"><property name="textStyle" stdset="0"><string>caption</string></property>
 </widget></widget></ui>
)";

// The test's own data folder, the first place the lookup tries, holds the bundle of "TestLibrary".
class Bundle : public ::testing::Test {
protected:
    void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
    void writeForm(const QByteArray& contents) const {
        data.write(QStringLiteral("VexoWidgets_TestLibrary.bundle/form.ui"), contents);
    }

    static QWidget* load(const QStringList& required = {QStringLiteral("sendButton")}) {
        static const char marker = 0; // this program's code, where a library's would be
        return ResourceBundle(QStringLiteral("TestLibrary"), &marker)
            .loadInterface(QStringLiteral("form.ui"), required);
    }

    testsupport::TempFolder data;

private:
    testsupport::ScopedEnvironment m_dataFolder{"QUILLMERE_DATA_DIR", data.path().toUtf8()};
};

TEST_F(Bundle, LoadsTheFormWithItsObjectsAndGivesLabelsTheirTextStyle) {
    writeForm(kForm);
    const std::unique_ptr<QWidget> view(load());
    ASSERT_NE(view, nullptr);
    const QString file = data.filePath(QStringLiteral("VexoWidgets_TestLibrary.bundle/form.ui"));
    EXPECT_EQ(ResourceBundle::object<QPushButton>(view.get(), QStringLiteral("sendButton"), file)->text(),
              QStringLiteral("Send"));
    auto* note = ResourceBundle::object<QLabel>(view.get(), QStringLiteral("note"), file);
    EXPECT_EQ(note->font().pixelSize(), quillmere::preferenceDescriptionFont().pixelSize());
    EXPECT_TRUE(note->wordWrap());
    EXPECT_EQ(note->textFormat(), Qt::PlainText);
    EXPECT_DEATH(ResourceBundle::object<QLabel>(view.get(), QStringLiteral("sendButton"), file),
                 ::testing::HasSubstr("form.ui: the object \"sendButton\" is a QPushButton, not a QLabel"));
}

// Rows: the form written (null: no bundle at all; empty: the bundle holds another file only).
TEST_F(Bundle, ABrokenBundleOrFileStopsTheProgramNamingTheFileAndTheCause) {
    const QByteArray form(kForm);
    const struct {
        std::optional<QByteArray> form;
        const char* message;
    } rows[] = {
        {std::nullopt, "unable to find bundle named VexoWidgets_TestLibrary"},
        {QByteArray(), "form.ui: missing from the resource bundle"},
        {"<html>", "form.ui: not an interface file that can be loaded"},
        {QByteArray(form).replace("\"sendButton\"", "\"sendKnob\""),
         "form.ui: the interface has no object named \"sendButton\""},
        {QByteArray(form).replace("<string>caption</string>", "<string>shouting</string>"),
         "the label \"note\" names the unknown text style \"shouting\""},
    };
    for (const auto& row : rows) {
        if (row.form && row.form->isEmpty())
            data.write(QStringLiteral("VexoWidgets_TestLibrary.bundle/other.ui"), kForm);
        else if (row.form)
            writeForm(*row.form);
        EXPECT_DEATH(delete load(), ::testing::HasSubstr(row.message));
    }
}

TEST(InterfaceReader, IsLoadedOnceFromBesideTheProgramAndAMissingPlugInIsNamed) {
    const auto reader = quillmere::InterfaceLoader::shared();
    ASSERT_TRUE(reader) << qPrintable(reader.result().message());
    EXPECT_EQ(*quillmere::InterfaceLoader::shared(), *reader);

    static const char marker = 0;
    const auto missing = brisquel::vexo::loadApplicationPlugin(QStringLiteral("NoSuchPlugIn"), &marker);
    EXPECT_EQ(missing.result().status(), brisquel::vexo::Status::NotFound);
    EXPECT_THAT(missing.result().message().toStdString(),
                ::testing::AllOf(::testing::HasSubstr("libNoSuchPlugIn.so is in none of the folders"),
                                 ::testing::HasSubstr("lib/quillmere")));
}

} // namespace
