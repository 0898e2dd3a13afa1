#pragma once

#include "core/AppFinder.h"
#include "core/BackgroundScript.h"

#include <QList>
#include <QWidget>

class QLabel;
class QScrollArea;
class QVBoxLayout;

namespace quillmere {

class ControlAlignment;
class ScriptView;

// The detail area for one Capture One version: one form with a row per background script.
//
// The scripts are read from the version's scripting definition each time the view is shown,
// away from the GUI thread; the rows then follow the version's preferences domain, so a change
// made by another program (the brisquel tool, Capture One itself) shows while the view does.
class ApplicationView final : public QWidget {
    Q_OBJECT

public:
    // Wider than this, the form stays this wide, centred.
    static constexpr int maximumFormWidth = 760;

    explicit ApplicationView(brisquel::AppFinder::App application, QWidget* parent = nullptr);
    ~ApplicationView() override;

    const brisquel::AppFinder::App& application() const { return m_application; }
    const QList<brisquel::BackgroundScript>& scripts() const { return m_scripts; }
    QList<ScriptView*> rows() const { return m_rows; }
    ControlAlignment* controlAlignment() const { return m_alignment; }
    // True from the start of a read until its scripts are shown.
    bool isReading() const { return m_pendingReads > 0; }
    // How many reads of the scripting definition have been shown so far.
    int readCount() const { return m_readCount; }

    // Reads the scripts again (as when the view is shown).
    void readScripts();

signals:
    // A read finished and its rows are in place.
    void scriptsRead();

protected:
    void showEvent(QShowEvent* event) override;
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setScripts(QList<brisquel::BackgroundScript> scripts);
    void refreshRows();

    brisquel::AppFinder::App m_application;
    QList<brisquel::BackgroundScript> m_scripts;
    QList<ScriptView*> m_rows;
    int m_pendingReads = 0;
    int m_readCount = 0;
    quint64 m_generation = 0;

    QScrollArea* m_scrollArea = nullptr;
    QWidget* m_page = nullptr;
    QWidget* m_form = nullptr;
    QVBoxLayout* m_formLayout = nullptr;
    QLabel* m_emptyNote = nullptr;
    ControlAlignment* m_alignment = nullptr;
    std::unique_ptr<brisquel::vexo::ChangeObservation> m_observation;
};

} // namespace quillmere
