#include "VexoExtensions/FileCoding.h"
#include "tests/support/TempFolder.h"

#include <QFile>
#include <gtest/gtest.h>
#include <limits>

using namespace brisquel::vexo;

namespace {

struct Record {
    QString name;
    qint64 count = 0;
    quint64 big = 0;
    double ratio = 0;
    bool flag = false;
    QByteArray payload;
    std::vector<QString> tags;
    std::map<std::string, int> table;
    friend bool operator==(const Record&, const Record&) = default;
};

NLOHMANN_DEFINE_TYPE_NON_INTRUSIVE(Record, name, count, big, ratio, flag, payload, tags, table)

Record sample() {
    return {QStringLiteral(u"Grüße \U0001F600"),
            std::numeric_limits<qint64>::min(),
            std::numeric_limits<quint64>::max(),
            0.1,
            true,
            QByteArray("\x00\x01\xff binary", 10),
            {QStringLiteral("a"), QString()},
            {{"one", 1}, {"minus", -1}}};
}

QUrl fileIn(const testsupport::TempFolder& folder, const char* name) {
    return QUrl::fromLocalFile(folder.filePath(QString::fromUtf8(name)));
}

QByteArray contents(const QUrl& file) {
    QFile read(file.toLocalFile());
    return read.open(QIODevice::ReadOnly) ? read.readAll() : QByteArray();
}

} // namespace

// Every kind round-trips in both file kinds; JSON data is Base64 and compact, and errors reach the
// caller leaving the old file.
TEST(FileCoding, RoundTripOfEveryKindAndJsonErrorsLeaveTheOldFile) {
    testsupport::TempFolder folder;
    JSONEncoder().write(sample(), fileIn(folder, "record.json"));
    EXPECT_EQ(JSONDecoder().decode<Record>(fileIn(folder, "record.json")), sample());
    PropertyListEncoder().write(sample(), fileIn(folder, "record.plist"));
    EXPECT_EQ(PropertyListDecoder().decode<Record>(fileIn(folder, "record.plist")), sample());
    const QUrl file = fileIn(folder, "data.json");
    JSONEncoder().write(std::map<std::string, QByteArray>{{"d", QByteArray("hi")}}, file);
    EXPECT_EQ(contents(file), QByteArray(R"({"d":"aGk="})"));
    EXPECT_THROW(JSONEncoder().write(std::string("\xff"), file), nlohmann::json::type_error); // no UTF-8
    EXPECT_EQ(contents(file), QByteArray(R"({"d":"aGk="})"));
    EXPECT_THROW(JSONDecoder().decode<Record>(fileIn(folder, "missing.json")), FileCodingError);
    EXPECT_THROW(JSONDecoder().decode<Record>(QUrl(QStringLiteral("https://example.invalid/x.json"))),
                 FileCodingError);
    EXPECT_THROW(JSONEncoder().write(sample(), fileIn(folder, "no/such/folder/x.json")), FileCodingError);
}

TEST(PropertyListFiles, WritesBinaryReadsXmlAndRefusesWhatHasNoForm) {
    testsupport::TempFolder folder;
    const QUrl file = fileIn(folder, "binary.plist");
    PropertyListEncoder().write(std::map<std::string, int>{{"a", 1}}, file);
    EXPECT_TRUE(contents(file).startsWith("bplist00"));

    const QUrl xml = QUrl::fromLocalFile(folder.write(QStringLiteral("x.plist"), R"(<?xml version="1.0"?>
<plist version="1.0"><dict><key>a</key><integer>-5</integer><key>d</key><date>2001-01-01T00:00:01Z</date></dict></plist>)"));
    const nlohmann::json read = PropertyListDecoder().decode<nlohmann::json>(xml);
    EXPECT_EQ(read.at("a").get<int>(), -5);
    EXPECT_EQ(read.at("d").get<std::string>(), "2001-01-01T00:00:01.000Z");
    const QUrl refused = fileIn(folder, "refused.plist");
    EXPECT_THROW(PropertyListEncoder().write(nlohmann::json{{"a", nullptr}}, refused), FileCodingError);
    EXPECT_THROW(PropertyListEncoder().write(std::string("a\0b", 3), refused), FileCodingError);
    EXPECT_FALSE(QFile::exists(refused.toLocalFile()));
    const QUrl junk = QUrl::fromLocalFile(folder.write(QStringLiteral("junk.plist"), "not a plist at all"));
    EXPECT_THROW(PropertyListDecoder().decode<nlohmann::json>(junk), FileCodingError);
}
