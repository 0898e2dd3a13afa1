// The baseline of the start-up benchmark: a process that shows a bare Qt Widgets window of the
// main window's size with one line of text, and reports when that text first paints, with its peak
// memory so far. Linked against Qt Widgets only.
//   --empty          the window holds no text at all
//   --text <file>    the window shows the text of that file (the text Quillmere shows at start-up)
// Output: "<monotonic nanoseconds> <peak resident kibibytes>".

#include "bench/StartupReport.h"

#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMainWindow>

#include <cstring>

namespace {

class FirstPaint final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            bench::reportAndExit();
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    const bool empty = argc > 1 && std::strcmp(argv[1], "--empty") == 0;
    QString text = QStringLiteral("Hello");
    if (argc > 2 && std::strcmp(argv[1], "--text") == 0) {
        QFile file(QString::fromLocal8Bit(argv[2]));
        if (file.open(QIODevice::ReadOnly)) {
            text = QString::fromUtf8(file.readAll());
        }
    }
    QWidget* content = empty ? new QWidget : new QLabel(text);
    content->setMinimumSize(750, 400);
    window.setCentralWidget(content);
    window.setWindowTitle(QStringLiteral("Bare"));
    FirstPaint firstPaint;
    content->installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
