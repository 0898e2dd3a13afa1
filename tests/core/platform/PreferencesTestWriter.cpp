// A second writer for the preferences tests, run as a separate process.
//
//   preferences_test_writer <folder> <domain> <prefix> <count>
//       sets <prefix>-0 ... <prefix>-<count-1>, each to its own number, one write at a time;
//       exits 0 when every write succeeded.
//   preferences_test_writer --exit-before-replace <folder> <domain> <key> <value>
//       sets one key but ends the process (exit code 3) once the new file is written, before it
//       replaces the domain file, the way a crash at the worst moment would.
//   preferences_test_writer --hang-before-replace <folder> <domain> <key> <value>
//       the same, but prints "ready" there and stops for good, holding the lock, until it is killed.
//   preferences_test_writer --set <folder> <domain> <key> <text>
//       sets one key to the text; exits 0 when it was written.
#include "core/platform/Platform.h"
#include "core/platform/posix/PlistFileDefaults.h"

#include <QCoreApplication>
#include <QStringList>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = app.arguments().mid(1);
    if (!arguments.isEmpty() && arguments.first() == QLatin1String("--set")) {
        if (arguments.size() != 5)
            return 2;
        brisquel::PlistFileDefaults defaults(arguments[1], arguments[2], brisquel::Platform::native().log);
        return defaults.setValue(arguments[3], arguments[4]) ? 0 : 1;
    }
    const bool exitBeforeReplace =
        !arguments.isEmpty() && arguments.first() == QLatin1String("--exit-before-replace");
    const bool hangBeforeReplace =
        !arguments.isEmpty() && arguments.first() == QLatin1String("--hang-before-replace");
    if (exitBeforeReplace || hangBeforeReplace)
        arguments.removeFirst();
    if (arguments.size() != 4)
        return 2;
    // The system log of whichever platform this runs on.
    brisquel::PlistFileDefaults defaults(arguments[0], arguments[1], brisquel::Platform::native().log);
    if (exitBeforeReplace || hangBeforeReplace) {
        defaults.setBeforeReplaceHook([hangBeforeReplace] {
            if (hangBeforeReplace) {
                // Tells the test that the lock is held and the new file written.
                ::write(STDOUT_FILENO, "ready\n", 6);
                for (;;)
                    ::pause();
            }
            ::_exit(3);
        });
        defaults.setValue(arguments[2], arguments[3]);
        return 4; // the hook did not run
    }
    bool ok = false;
    const int count = arguments[3].toInt(&ok);
    if (!ok)
        return 2;
    for (int i = 0; i < count; ++i) {
        if (!defaults.setValue(arguments[2] + QLatin1Char('-') + QString::number(i), i))
            return 1;
    }
    return 0;
}
