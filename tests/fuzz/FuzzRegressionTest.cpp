// Inputs that once stopped, hung or fooled a reader under the fuzz targets (fuzz/), fed again to the
// same readers. regressions/<target>/ holds what the target of that name found (named after the
// cause, with the first eight digits of libFuzzer's hash) and inputs of the same class made by hand
// while mending it. A reader that falls again stops this test the way it stopped the fuzzer.
#include "VexoExtensions/FileCoding.h"
#include "VexoExtensions/PropertyList.h"
#include "core/platform/posix/FolderMetadataSearch.h"
#include "tests/support/TempFolder.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include <gtest/gtest.h>

namespace plist = brisquel::vexo::plist;
using brisquel::vexo::Status;

namespace {

// Far above what any of these small inputs takes, even in a sanitizer build; far below a hang.
constexpr qint64 kPromptMSecs = 5000;

struct KeptInput {
    QString name;
    QByteArray bytes;
};

QList<KeptInput> keptInputs(const QString& target) {
    const QDir folder(QStringLiteral(QUILLMERE_SOURCE_DIR "/tests/fuzz/regressions/") + target);
    QList<KeptInput> inputs;
    for (const QString& name : folder.entryList(QDir::Files, QDir::Name)) {
        QFile file(folder.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            inputs.append({name, file.readAll()});
    }
    return inputs;
}

KeptInput keptInput(const QString& target, const QString& name) {
    for (const KeptInput& input : keptInputs(target)) {
        if (input.name == name)
            return input;
    }
    ADD_FAILURE() << "no kept input " << name.toStdString() << " for " << target.toStdString();
    return {};
}

bool isRefusal(Status status) {
    return status == Status::Malformed || status == Status::TooLarge;
}

} // namespace

// --- property_list_fuzzer: plist::parse ---

TEST(PropertyListReaderRegressions, everyKeptInputIsRefusedPromptly) {
    const QList<KeptInput> inputs = keptInputs(QStringLiteral("property_list_fuzzer"));
    ASSERT_FALSE(inputs.isEmpty());
    for (const KeptInput& input : inputs) {
        SCOPED_TRACE(input.name.toStdString());
        QElapsedTimer timer;
        timer.start();
        const auto value = plist::parse(input.bytes, input.name);
        EXPECT_LT(timer.elapsed(), kPromptMSecs);
        ASSERT_FALSE(value);
        EXPECT_TRUE(isRefusal(value.result().status()));
        EXPECT_TRUE(value.result().message().startsWith(input.name))
            << value.result().message().toStdString();
    }
}

TEST(PropertyListReaderRegressions, aDictionaryKeyHoldingANulIsRefusedAsMalformed) {
    for (const char* name :
         {"nul-in-ascii-key.bplist", "nul-in-utf16-key.bplist", "nul-in-dictionary-key-d228cb17.bplist"}) {
        SCOPED_TRACE(name);
        const auto value =
            plist::parse(keptInput(QStringLiteral("property_list_fuzzer"), QLatin1String(name)).bytes);
        ASSERT_FALSE(value);
        EXPECT_EQ(value.result().status(), Status::Malformed);
        EXPECT_TRUE(value.result().message().contains(QStringLiteral("key holds a NUL")))
            << value.result().message().toStdString();
    }
}

TEST(PropertyListReaderRegressions, anObjectTableThatDoesNotHoldTogetherIsRefusedBeforeParsing) {
    // Each file's root would parse: one object that the parser never reaches lies in the header.
    for (const char* name :
         {"shared-references-behind-offset-0.bplist", "utf16-nul-key-behind-offset-0-6837dd0a.bplist"}) {
        SCOPED_TRACE(name);
        const auto value =
            plist::parse(keptInput(QStringLiteral("property_list_fuzzer"), QLatin1String(name)).bytes);
        ASSERT_FALSE(value);
        EXPECT_EQ(value.result().status(), Status::Malformed);
        EXPECT_TRUE(value.result().message().contains(QStringLiteral("does not hold together")))
            << value.result().message().toStdString();
    }
}

// --- property_list_decoder_fuzzer: the file-coding utilities' property-list decoder ---

TEST(PropertyListDecoderRegressions, everyKeptInputIsReadOrRefusedPromptly) {
    const QList<KeptInput> inputs = keptInputs(QStringLiteral("property_list_decoder_fuzzer"));
    ASSERT_FALSE(inputs.isEmpty());
    for (const KeptInput& input : inputs) {
        SCOPED_TRACE(input.name.toStdString());
        QElapsedTimer timer;
        timer.start();
        try {
            brisquel::vexo::detail::fromPropertyList(input.bytes, input.name);
        } catch (const brisquel::vexo::FileCodingError&) {
        }
        EXPECT_LT(timer.elapsed(), kPromptMSecs);
    }
}

TEST(PropertyListDecoderRegressions, aTextHoldingANulIsReadWithItsNul) {
    const auto decoded = brisquel::vexo::detail::fromPropertyList(
        keptInput(QStringLiteral("property_list_decoder_fuzzer"), QStringLiteral("nul-in-utf16-text.bplist"))
            .bytes,
        QStringLiteral("text"));
    EXPECT_EQ(decoded, nlohmann::json(std::string("a\0b", 3)));
}

TEST(PropertyListDecoderRegressions, sharedObjectsAndBrokenTablesAreRefused) {
    for (const char* name :
         {"shared-references-30-levels.bplist", "utf16-nul-key-behind-bad-offset-d59a271b.bplist"}) {
        SCOPED_TRACE(name);
        EXPECT_THROW(brisquel::vexo::detail::fromPropertyList(
                         keptInput(QStringLiteral("property_list_decoder_fuzzer"), QLatin1String(name)).bytes,
                         QLatin1String(name)),
                     brisquel::vexo::FileCodingError);
    }
}

// --- bundle_info_fuzzer: a bundle's Info.plist through FolderMetadataSearch::itemForBundle ---

TEST(BundleInfoRegressions, aBundleWhoseInfoPlistIsAKeptInputIsPassedOverWithTheReason) {
    // What the bundle reader found, and every property list the plain reader refuses: a bundle whose
    // Info.plist holds one is passed over with the reason, never read half-way.
    QList<KeptInput> inputs = keptInputs(QStringLiteral("bundle_info_fuzzer"));
    inputs += keptInputs(QStringLiteral("property_list_fuzzer"));
    ASSERT_FALSE(inputs.isEmpty());
    for (const KeptInput& input : inputs) {
        SCOPED_TRACE(input.name.toStdString());
        testsupport::TempFolder folder;
        const QString bundle = folder.filePath(QStringLiteral("Capture One 23.app"));
        folder.write(QStringLiteral("Capture One 23.app/Contents/Info.plist"), input.bytes);
        QElapsedTimer timer;
        timer.start();
        const auto item = brisquel::FolderMetadataSearch::itemForBundle(bundle);
        EXPECT_LT(timer.elapsed(), kPromptMSecs);
        ASSERT_FALSE(item);
        EXPECT_TRUE(isRefusal(item.result().status()));
        EXPECT_TRUE(item.result().message().contains(QStringLiteral("Info.plist")))
            << item.result().message().toStdString();
    }
}
