// The stand-ins that serve on every platform: preferences domains kept as files, and the walk of
// the applications folder.

#include "tests/core/platform/ContractBackends.h"

#include "core/platform/posix/FolderMetadataSearch.h"
#include "core/platform/posix/PlistFileDefaults.h"
#include "tests/support/FakePlatform.h"
#include "tests/support/TempFolder.h"

#include <QCoreApplication>
#include <QProcess>

#include <atomic>

using namespace Qt::Literals::StringLiterals;
namespace contract {

QString PreferencesWorld::uniqueDomain(const QString& last) {
    static std::atomic<int> counter{0};
    QString name =
        u"com.tamberline.quillmere-tests.p%1n%2."_s.arg(QCoreApplication::applicationPid()).arg(++counter) +
        last;
    m_domains << name;
    return name;
}

namespace {

// Domains as files in a folder of the test's own, which goes with the world; another program is
// the test writer, which writes the files as any instance of ours would.
class FileWorld final : public PreferencesWorld {
public:
    brisquel::vexo::PreferencesDomains& domains() override { return m_domains; }
    bool writeElsewhere(const QString& domain, const QString& key, const QString& text) override {
        return QProcess::execute(QStringLiteral(PREFERENCES_TEST_WRITER),
                                 {m_folder.path(), domain, key + u'=' + text}) == 0;
    }

private:
    testsupport::TempFolder m_folder;
    brisquel::PlistFilePreferences m_domains{m_folder.path(), std::make_shared<testsupport::RecordingLog>()};
};

} // namespace

PreferencesBackend standInPreferences() {
    return {"Files", [] { return std::make_shared<FileWorld>(); }};
}

MetadataBackend standInMetadata() {
    return {"FolderWalk", [] { return std::make_shared<brisquel::FolderMetadataSearch>(); }};
}

} // namespace contract
