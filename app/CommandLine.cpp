#include "app/CommandLine.h"

#include "VexoExtensions/MainBundle.h"
#include "core/BrisquelVersion.h"

#include <QCoreApplication>

#include <cstdio>
#include <cstring>

namespace quillmere {

namespace {

void print(const QString& text) {
    const QByteArray bytes = text.toLocal8Bit();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

QString tr(const char* text) {
    return QCoreApplication::translate("CommandLine", text);
}

} // namespace

QString helpText() {
    return tr("Usage: quillmere [--help] [--version] [toolkit options]\n"
              "       quillmere --check-for-updates [--feed URL] [--json]\n"
              "\n"
              "Quillmere assigns AppleScript files to the background scripts of every\n"
              "installed copy of Capture One: it lists the copies, shows the script file\n"
              "assigned to each background script, and stores your choices in Capture One's\n"
              "own preferences.\n"
              "\n"
              "Options:\n"
              "  -h, --help     Show this help and exit.\n"
              "  -v, --version  Show the versions of Quillmere and the Brisquel library,\n"
              "                 and exit.\n"
              "  --check-for-updates\n"
              "                 Check the update feed without opening a window: print the\n"
              "                 running version, the newest release and whether it is newer\n"
              "                 (--json: one JSON object; --feed URL: that feed instead of\n"
              "                 the one the beta setting selects). Exit status 0 when the\n"
              "                 check completed, 1 when it failed.\n"
              "\n"
              "Toolkit options such as -platform offscreen or -style fusion go to Qt.\n"
              "\n"
              "Environment:\n"
              "  QUILLMERE_APPLICATIONS_DIR  the folder searched for copies of Capture One\n"
              "                              (default /Applications)\n"
              "  QUILLMERE_PREFERENCES_DIR   the folder of preferences domains, one\n"
              "                              <domain>.plist each (default\n"
              "                              $XDG_CONFIG_HOME/Quillmere/Preferences)\n"
              "  QUILLMERE_OSASCRIPT         the program that runs AppleScript\n"
              "                              (default osascript)\n"
              "  QUILLMERE_PALETTE           dark or light, where the desktop does not tell\n"
              "\n"
              "The brisquel tool reads and sets the same assignments from a terminal.\n");
}

QString versionText() {
    using brisquel::vexo::MainBundle;
    const QString version = MainBundle::text(QStringLiteral("CFBundleShortVersionString"));
    const QString build = MainBundle::text(QStringLiteral("CFBundleVersion"));
    QString text = QStringLiteral("Quillmere ") + version;
    if (!build.isEmpty()) {
        text += QStringLiteral(" (build ") + build + QLatin1Char(')');
    }
    return text + QLatin1Char('\n') + QStringLiteral("Brisquel library ") +
           QString::number(brisquel::BrisquelVersionNumber, 'f', 1) + QLatin1Char('\n');
}

std::optional<int> answerCommandLine(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const char* argument = argv[i];
        if (std::strcmp(argument, "--help") == 0 || std::strcmp(argument, "-h") == 0 ||
            std::strcmp(argument, "-help") == 0) {
            print(helpText());
            return 0;
        }
        if (std::strcmp(argument, "--version") == 0 || std::strcmp(argument, "-v") == 0) {
            print(versionText());
            return 0;
        }
    }
    return std::nullopt;
}

} // namespace quillmere
