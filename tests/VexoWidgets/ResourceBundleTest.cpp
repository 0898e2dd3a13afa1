// A library's resource bundle and the interface files it loads: what a good file gives, and the
// stop, naming the file and the cause, for a bundle or a file that is missing or broken.

#include "VexoWidgets/ResourceBundle.h"

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

const char kForm[] = R"(<?xml version="1.0" encoding="UTF-8"?>
<ui version="4.0">
 <class>Form</class>
 <widget class="QWidget" name="Form">
  <layout class="QVBoxLayout" name="rows">
   <item>
    <widget class="QPushButton" name="sendButton">
     <property name="text"><string>Send</string></property>
    </widget>
   </item>
   <item>
    <widget class="QLabel" name="note">
     <property name="text"><string>A few words</string></property>
     <property name="textStyle" stdset="0"><string>caption</string></property>
    </widget>
   </item>
  </layout>
 </widget>
</ui>
)";

// QUILLMERE_DATA_DIR names a folder of the test's, which holds the bundle of "TestLibrary" when
// the test writes one: the first place the lookup tries.
class Bundle : public ::testing::Test {
protected:
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
}

struct Broken {
    const char* name;
    const char* form; // null: no bundle at all
    const char* message;
};

void PrintTo(const Broken& row, std::ostream* os) {
    *os << row.name;
}

class BrokenBundle : public Bundle, public ::testing::WithParamInterface<Broken> {};

TEST_P(BrokenBundle, StopsTheProgramNamingTheFileAndTheCause) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    if (GetParam().form && *GetParam().form)
        writeForm(GetParam().form);
    else if (GetParam().form)
        data.write(QStringLiteral("VexoWidgets_TestLibrary.bundle/other.ui"), kForm);
    EXPECT_DEATH(delete load({QStringLiteral("sendButton"), QStringLiteral("cancelButton")}),
                 ::testing::HasSubstr(GetParam().message));
}

INSTANTIATE_TEST_SUITE_P(
    Files, BrokenBundle,
    ::testing::Values(Broken{"noBundle", nullptr, "unable to find bundle named VexoWidgets_TestLibrary"},
                      Broken{"noFile", "", "form.ui: missing from the resource bundle"},
                      Broken{"notAnInterfaceFile", "<html>",
                             "form.ui: not an interface file that can be loaded"},
                      Broken{"aRequiredObjectMissing", kForm,
                             "form.ui: the interface has no object named \"cancelButton\""}),
    [](const ::testing::TestParamInfo<Broken>& row) { return std::string(row.param.name); });

TEST_F(Bundle, ALabelNamingAnUnknownTextStyleStopsTheProgram) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    writeForm(QByteArray(kForm).replace("<string>caption</string>", "<string>shouting</string>"));
    EXPECT_DEATH(delete load(),
                 ::testing::HasSubstr("the label \"note\" names the unknown text style \"shouting\""));
}

} // namespace
