// The form's interface description: the shipped one makes the whole form, a broken one is refused
// with a message naming the file and the cause, and a bundle is found where an installed
// application keeps it (or the program stops with the message that names it).

#include "ContactForm/FormInterface.h"
#include "ContactForm/ContactFormBundle.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <iostream>

using namespace quillmere;

namespace {

// An owner with the members a description may name.
class Owner final : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString caption READ caption NOTIFY captionChanged)
    Q_PROPERTY(bool ready READ ready NOTIFY readyChanged)
    Q_PROPERTY(int count READ count CONSTANT)

public:
    QString caption() const { return m_caption; }
    bool ready() const { return m_ready; }
    int count() const { return 3; }
    void setCaption(const QString& caption) {
        m_caption = caption;
        emit captionChanged();
    }
    void setReady(bool ready) {
        m_ready = ready;
        emit readyChanged();
    }
    int pressed = 0;

public slots:
    void press() { ++pressed; }

signals:
    void captionChanged();
    void readyChanged();

private:
    QString m_caption = QStringLiteral("first");
    bool m_ready = false;
};

const char* const kGood = R"({"format": 1, "grid": "grid",
  "rows": [{"label": "&Name:", "outlet": "name", "control": "line", "placeholder": "Optional"},
           {"label": "Text:", "outlet": "text", "control": "text"},
           {"label": "", "outlet": "flag", "control": "switch", "title": "Flag", "on": true}],
  "caption": {"outlet": "caption", "text": "caption"},
  "buttons": [{"outlet": "go", "title": "Go", "action": "press", "enabled": "ready", "shortcut": "Ctrl+G"}]})";

TEST(FormInterfaceTest, BuildsTheRowsAndFollowsTheOwnersProperties) {
    const brisquel::vexo::Expected<FormInterface> form =
        FormInterface::parse(QByteArray(kGood), QStringLiteral("good.json"));
    ASSERT_TRUE(form) << form.result().message().toStdString();
    Owner owner;
    QWidget view;
    ASSERT_TRUE(form->build(&view, &owner));
    auto* name = view.findChild<QLineEdit*>(QStringLiteral("name"));
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->placeholderText(), QStringLiteral("Optional"));
    auto* caption = view.findChild<QLabel*>(QStringLiteral("caption"));
    auto* go = view.findChild<QPushButton*>(QStringLiteral("go"));
    ASSERT_NE(caption, nullptr);
    ASSERT_NE(go, nullptr);
    EXPECT_EQ(caption->text(), QStringLiteral("first"));
    EXPECT_FALSE(go->isEnabled());
    owner.setCaption(QStringLiteral("second"));
    owner.setReady(true);
    EXPECT_EQ(caption->text(), QStringLiteral("second"));
    ASSERT_TRUE(go->isEnabled());
    QTest::mouseClick(go, Qt::LeftButton);
    EXPECT_EQ(owner.pressed, 1);
}

TEST(FormInterfaceTest, ABrokenDescriptionIsRefusedWithTheFileAndTheCause) {
    struct Case {
        const char* json;
        const char* cause;
    };
    const Case cases[] = {
        {"{not json", "not JSON"},
        {"[1, 2]", "not a JSON object"},
        {R"({"format": 2, "grid": "g", "rows": []})", "\"format\" is not 1"},
        {R"({"format": 1, "rows": [{"outlet": "a", "control": "line"}]})", "\"grid\" is missing"},
        {R"({"format": 1, "grid": "g", "rows": []})", "\"rows\" is not a list"},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "slider"}]})",
         "row 1: unknown control \"slider\""},
        {R"({"format": 1, "grid": "g", "rows": [{"control": "line"}]})", "row 1: \"outlet\" is missing"},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": 7, "control": "line"}]})",
         "row 1: \"outlet\" is not text"},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "line"}, {"outlet": "a", "control": "text"}]})",
         "row 2: the outlet \"a\" is named twice"},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "switch", "on": "yes"}]})",
         "\"on\" is not true or false"},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "line"}], "buttons": [{"outlet": "b", "title": "B"}]})",
         "button 1: \"action\" is missing"},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "line"}], "caption": {"outlet": "c"}})",
         "caption: \"text\" is missing"},
    };
    for (const Case& c : cases) {
        const brisquel::vexo::Expected<FormInterface> form =
            FormInterface::parse(QByteArray(c.json), QStringLiteral("/bundle/Form.json"));
        ASSERT_FALSE(form) << c.json;
        const QString message = form.result().message();
        EXPECT_TRUE(message.startsWith(QStringLiteral("/bundle/Form.json: "))) << message.toStdString();
        EXPECT_TRUE(message.contains(QString::fromUtf8(c.cause))) << message.toStdString();
    }
}

TEST(FormInterfaceTest, AnOwnerWithoutTheNamedMembersIsRefusedAndTheViewStaysEmpty) {
    struct Case {
        const char* json;
        const char* cause;
    };
    const Case cases[] = {
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "line"}],
             "buttons": [{"outlet": "b", "title": "B", "action": "launch"}]})",
         "no action \"launch\""},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "line"}],
             "buttons": [{"outlet": "b", "title": "B", "action": "press", "enabled": "count"}]})",
         "no boolean property \"count\""},
        {R"({"format": 1, "grid": "g", "rows": [{"outlet": "a", "control": "line"}],
             "caption": {"outlet": "c", "text": "ready"}})",
         "no text property \"ready\""},
    };
    for (const Case& c : cases) {
        const brisquel::vexo::Expected<FormInterface> form =
            FormInterface::parse(QByteArray(c.json), QStringLiteral("Form.json"));
        ASSERT_TRUE(form) << form.result().message().toStdString();
        Owner owner;
        QWidget view;
        const brisquel::vexo::Result built = form->build(&view, &owner);
        ASSERT_FALSE(built);
        EXPECT_TRUE(built.message().contains(QString::fromUtf8(c.cause))) << built.message().toStdString();
        EXPECT_EQ(view.layout(), nullptr);
        EXPECT_TRUE(view.children().isEmpty());
    }
}

TEST(FormInterfaceTest, AMissingFileIsRefusedNamingIt) {
    testsupport::TempFolder folder;
    const QString path = folder.filePath(QStringLiteral("Missing.json"));
    const brisquel::vexo::Expected<FormInterface> form = FormInterface::load(path);
    ASSERT_FALSE(form);
    EXPECT_EQ(form.result().status(), brisquel::vexo::Status::NotFound);
    EXPECT_TRUE(form.result().message().startsWith(path));
}

TEST(ContactFormBundleTest, TheBuiltBundleHoldsAFormDescriptionThatLoads) {
    const brisquel::vexo::Expected<FormInterface> form =
        FormInterface::load(ContactFormBundle::filePath(QStringLiteral("ContactFormViewController.json")));
    ASSERT_TRUE(form) << form.result().message().toStdString();
    EXPECT_TRUE(ContactFormBundle::path().endsWith(QStringLiteral("/VexoWidgets_ContactForm.bundle")));
}

// Runs a copy of this test program from a folder of the world's, so that neither the folder beside
// its code nor its own folder holds the build's bundle; the data folder is the world's too.
struct ProbeRun {
    int exitCode = 0;
    bool crashed = false;
    QString output;
};

ProbeRun runProbeCopy(const testsupport::TempFolder& world) {
    const QString copy = world.filePath(QStringLiteral("bin/contactform-probe"));
    QDir().mkpath(world.filePath(QStringLiteral("bin")));
    EXPECT_TRUE(QFile::copy(QCoreApplication::applicationFilePath(), copy));
    QProcess probe;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QUILLMERE_DATA_DIR"), world.filePath(QStringLiteral("data")));
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("ASAN_OPTIONS"), QStringLiteral("detect_leaks=0"));
    probe.setProcessEnvironment(environment);
    probe.setProcessChannelMode(QProcess::MergedChannels);
    probe.start(copy, {QStringLiteral("--gtest_filter=ContactFormBundleProbe.*"),
                       QStringLiteral("--gtest_also_run_disabled_tests")});
    EXPECT_TRUE(probe.waitForFinished(120'000));
    return {probe.exitCode(), probe.exitStatus() == QProcess::CrashExit, QString::fromUtf8(probe.readAll())};
}

TEST(ContactFormBundleTest, TheApplicationsDataFolderIsLookedInFirst) {
    testsupport::TempFolder world;
    const QString bundle = world.filePath(QStringLiteral("data/VexoWidgets_ContactForm.bundle"));
    QDir().mkpath(bundle);
    const ProbeRun run = runProbeCopy(world);
    EXPECT_FALSE(run.crashed) << run.output.toStdString();
    EXPECT_TRUE(run.output.contains(QStringLiteral("bundle: ") + bundle)) << run.output.toStdString();
}

TEST(ContactFormBundleTest, WithoutTheBundleTheProgramStopsWithTheMessageNamingIt) {
    testsupport::TempFolder world;
    QDir().mkpath(world.filePath(QStringLiteral("data")));
    const ProbeRun run = runProbeCopy(world);
    EXPECT_TRUE(run.crashed || run.exitCode != 0);
    EXPECT_TRUE(run.output.contains(QStringLiteral("unable to find bundle named VexoWidgets_ContactForm")))
        << run.output.toStdString();
    EXPECT_FALSE(run.output.contains(QStringLiteral("bundle: ")));
}

// Run only by the tests above, in a copy of this program.
TEST(ContactFormBundleProbe, DISABLED_PrintsTheBundleItFinds) {
    std::cout << "bundle: " << ContactFormBundle::path().toStdString() << std::endl;
}

} // namespace

#include "FormInterfaceTest.moc"
