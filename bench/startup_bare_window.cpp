// The baseline of the start-up benchmark: a process that shows a bare Qt Widgets window of the
// main window's size with one line of text, and reports when that text first paints. Linked
// against Qt Widgets only. With --empty the window holds no text at all.

#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QMainWindow>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

long long monotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

class FirstPaint final : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint) {
            std::printf("%lld\n", monotonicNanoseconds());
            std::fflush(stdout);
            std::_Exit(0);
        }
        return QObject::eventFilter(watched, event);
    }
};

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QMainWindow window;
    const bool empty = argc > 1 && std::strcmp(argv[1], "--empty") == 0;
    QWidget* content = empty ? new QWidget : new QLabel(QStringLiteral("Hello"));
    content->setMinimumSize(750, 400);
    window.setCentralWidget(content);
    window.setWindowTitle(QStringLiteral("Bare"));
    FirstPaint firstPaint;
    content->installEventFilter(&firstPaint);
    window.show();
    return QApplication::exec();
}
