// The program measured by the start-up benchmark: Quillmere itself, started through its own entry
// (ApplicationMain) with its own arguments, linked as the application is (and not against the
// benchmark library), which reports once its sidebar, filled, first paints. Output:
// "<monotonic nanoseconds> <peak resident kibibytes>" (see StartupReport.h).
//
// With QUILLMERE_BENCH_SHOWN_TEXT naming a file, it also writes there the text the window shows at
// that moment (the menu titles and every sidebar row's lines), for the baseline that shows the
// same.

#include "bench/StartupReport.h"

#include "app/AppDelegate.h"
#include "app/AppHeaderView.h"
#include "app/ApplicationMain.h"
#include "app/ContentView.h"
#include "app/MainMenu.h"

#include <QEvent>
#include <QFile>
#include <QListWidget>
#include <QMenu>

namespace {

QString shownText(quillmere::AppDelegate& delegate) {
    QStringList lines;
    for (QMenu* menu : {delegate.mainMenu()->fileMenu(), delegate.mainMenu()->helpMenu()}) {
        lines << menu->title().remove(QLatin1Char('&'));
    }
    QListWidget* sidebar = delegate.contentView()->sidebar();
    for (int row = 0; row < sidebar->count(); ++row) {
        const QListWidgetItem* item = sidebar->item(row);
        lines << item->text() << item->data(quillmere::AppHeaderView::kIdentifierRole).toString()
              << quillmere::AppHeaderView::versionLine(
                     item->data(quillmere::AppHeaderView::kVersionRole).toString());
    }
    return lines.join(QLatin1Char('\n'));
}

// Reports the first paint of the sidebar once the search has filled it.
class FilledSidebarPaint final : public QObject {
public:
    explicit FilledSidebarPaint(quillmere::AppDelegate& delegate) : m_delegate(delegate) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && m_delegate.contentView()->sidebar()->count() > 0) {
            if (const QString path = qEnvironmentVariable("QUILLMERE_BENCH_SHOWN_TEXT"); !path.isEmpty()) {
                QFile file(path);
                if (file.open(QIODevice::WriteOnly)) {
                    file.write(shownText(m_delegate).toUtf8());
                }
            }
            bench::reportAndExit();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    quillmere::AppDelegate& m_delegate;
};

} // namespace

int main(int argc, char** argv) {
    return quillmere::ApplicationMain(argc, argv, [](quillmere::AppDelegate& delegate) {
        delegate.contentView()->sidebar()->viewport()->installEventFilter(new FilledSidebarPaint(delegate));
    });
}
