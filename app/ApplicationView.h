#pragma once

#include "core/AppFinder.h"
#include "core/BackgroundScript.h"

#include <QFutureWatcher>
#include <QList>
#include <QWidget>

#include <memory>

class QScrollArea;
class QVBoxLayout;

namespace quillmere {

class ControlAlignment;
class NoticeBanner;
class ScriptView;
class WrappingLabel;

// The detail area for one copy of Capture One: one form with a row per background script.
//
// The scripts are read from the copy's scripting definition each time the view is shown, away
// from the GUI thread; the rows then follow the copy's preferences domain, so a change made by
// another program (the brisquel tool, Capture One itself) shows while the view does. When the
// scripting definition cannot be read, the view says why instead of showing an empty form. When
// the preferences domain cannot be read, a banner names the file and the cause, and the rows are
// disabled until it can be read again.
class ApplicationView final : public QWidget {
    Q_OBJECT

public:
    // Wider than this, the form stays this wide, centred.
    static constexpr int kMaximumFormWidth = 760;
    static constexpr int kFormMargin = 20;

    explicit ApplicationView(brisquel::AppFinder::App application, QWidget* parent = nullptr);
    ~ApplicationView() override;

    const brisquel::AppFinder::App& application() const { return m_application; }
    const QList<brisquel::BackgroundScript>& scripts() const { return m_scripts; }
    QList<ScriptView*> rows() const { return m_rows; }
    ControlAlignment* controlAlignment() const { return m_alignment; }
    // Shown when the preferences domain cannot be read.
    NoticeBanner* banner() const { return m_banner; }
    // Shown instead of rows when the copy offers none or they cannot be read.
    WrappingLabel* emptyNote() const { return m_emptyNote; }
    QScrollArea* scrollArea() const { return m_scrollArea; }
    // True from the start of a read until its scripts are shown.
    bool isReading() const { return m_read && m_read->isRunning(); }
    // How many reads of the scripting definition have been shown so far.
    int readCount() const { return m_readCount; }

    // Reads the scripts again (as when the view is shown).
    void readScripts();
    // Reads every row's assignment again.
    void refreshRows();

signals:
    // A read finished and its rows are in place.
    void scriptsRead();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using ScriptsRead = brisquel::vexo::Expected<QList<brisquel::BackgroundScript>>;
    void setScripts(const ScriptsRead& read);
    void updateBanner();

    brisquel::AppFinder::App m_application;
    QList<brisquel::BackgroundScript> m_scripts;
    QList<ScriptView*> m_rows;
    int m_readCount = 0;
    // The read in progress; replacing it drops the result of the one before.
    std::unique_ptr<QFutureWatcher<ScriptsRead>> m_read;

    NoticeBanner* m_banner = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_page = nullptr;
    QWidget* m_form = nullptr;
    QVBoxLayout* m_formLayout = nullptr;
    WrappingLabel* m_emptyNote = nullptr;
    ControlAlignment* m_alignment = nullptr;
    std::unique_ptr<brisquel::vexo::ChangeObservation> m_observation;
};

} // namespace quillmere
