// Another process writing a domain as any instance of ours would, one key=text at a time:
//   preferences_test_writer [--exit-before-replace | --hang-before-replace] <folder> <domain> <key>=<text>...
// The options end the process (exit code 3) or stop it for good after printing "ready", holding the
// lock, once the first new file is written and before it replaces the domain file.
#include "core/platform/Platform.h"
#include "core/platform/posix/PlistFileDefaults.h"

#include <QCoreApplication>
#include <QStringList>
#include <unistd.h>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList arguments = QCoreApplication::arguments().mid(1);
    const QString mode =
        arguments.value(0).startsWith(QLatin1String("--")) ? arguments.takeFirst() : QString();
    if (arguments.size() < 3)
        return 2;
    brisquel::PlistFileDefaults defaults(arguments[0], arguments[1], brisquel::Platform::native().log);
    if (!mode.isEmpty()) {
        defaults.setBeforeReplaceHook([hang = mode == QLatin1String("--hang-before-replace")] {
            if (hang) {
                ::write(STDOUT_FILENO, "ready\n", 6); // the lock is held and the new file written
                for (;;)
                    ::pause();
            }
            ::_exit(3);
        });
    }
    for (const QString& change : arguments.mid(2)) {
        if (!defaults.setValue(change.section(QLatin1Char('='), 0, 0), change.section(QLatin1Char('='), 1)))
            return 1;
    }
    return mode.isEmpty() ? 0 : 4; // 4: the hook did not run
}
