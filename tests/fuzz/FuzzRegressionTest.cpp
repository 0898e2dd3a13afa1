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

#include <optional>

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

bool isRefusal(Status status) {
    return status == Status::Malformed || status == Status::TooLarge;
}

} // namespace

// --- property_list_fuzzer: plist::parse ---

// A dictionary key holding a NUL ("nul-in-..."), or an object table that does not hold together:
// each of those files' roots would parse, but one object the parser never reaches lies in the header.
TEST(PropertyListReaderRegressions, EveryKeptInputIsRefusedPromptlyForItsCause) {
    const QList<KeptInput> inputs = keptInputs(QStringLiteral("property_list_fuzzer"));
    ASSERT_FALSE(inputs.isEmpty());
    for (const KeptInput& input : inputs) {
        SCOPED_TRACE(input.name.toStdString());
        QElapsedTimer timer;
        timer.start();
        const auto value = plist::parse(input.bytes, input.name);
        EXPECT_LT(timer.elapsed(), kPromptMSecs);
        ASSERT_FALSE(value);
        EXPECT_EQ(value.result().status(), Status::Malformed);
        const QString& message = value.result().message();
        EXPECT_TRUE(message.startsWith(input.name)) << message.toStdString();
        EXPECT_TRUE(message.contains(input.name.startsWith(QLatin1String("nul-in"))
                                         ? QLatin1String("key holds a NUL")
                                         : QLatin1String("does not hold together")))
            << message.toStdString();
    }
}

// --- property_list_decoder_fuzzer: the file-coding utilities' property-list decoder ---

// A binary text holding a NUL is read with it; shared objects, broken tables and an XML text with a
// NUL (no XML character) are refused.
TEST(PropertyListDecoderRegressions, EveryKeptInputIsReadWithItsNulsOrRefusedPromptly) {
    const QList<KeptInput> inputs = keptInputs(QStringLiteral("property_list_decoder_fuzzer"));
    ASSERT_FALSE(inputs.isEmpty());
    for (const KeptInput& input : inputs) {
        SCOPED_TRACE(input.name.toStdString());
        QElapsedTimer timer;
        timer.start();
        std::optional<nlohmann::json> decoded;
        try {
            decoded = brisquel::vexo::detail::fromPropertyList(input.bytes, input.name);
        } catch (const brisquel::vexo::FileCodingError&) {
        }
        EXPECT_LT(timer.elapsed(), kPromptMSecs);
        if (input.name == QLatin1String("nul-in-utf16-text.bplist")) {
            EXPECT_EQ(decoded, nlohmann::json(std::string("a\0b", 3)));
        } else {
            EXPECT_FALSE(decoded);
        }
    }
}

// --- bundle_info_fuzzer: a bundle's Info.plist through FolderMetadataSearch::itemForBundle ---

TEST(BundleInfoRegressions, ABundleWhoseInfoPlistIsAKeptInputIsPassedOverWithTheReason) {
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
