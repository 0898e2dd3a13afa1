#include "cli/BrisquelTool.h"

#include <QByteArray>
#include <QCoreApplication>
#include <QList>

int main(int argc, char* argv[]) {
    // The arguments as given: QCoreApplication::arguments() decodes them, replacing bytes that are
    // not UTF-8, and a file name with such bytes would then name another file.
    QList<QByteArray> arguments;
    for (int i = 1; i < argc; ++i) {
        arguments.append(QByteArray(argv[i]));
    }
    QCoreApplication application(argc, argv);
    return brisquel::cli::BrisquelTool().run(arguments);
}
