#pragma once

#include "app/RemoveButton.h"
#include "core/BackgroundScript.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <optional>

class QLabel;
class QHBoxLayout;
class QMenu;

namespace quillmere {

class ChooseButton;
class ControlAlignment;

// One row of the script form: one background script of one Capture One version, the file
// assigned to it, and the means to choose another file or remove the assignment.
//
//   [label]  [Choose a script | file name]              [remove]
//            description
//
// The label stands in the label column that the form's ControlAlignment shares among its rows;
// everything else is the control column. Every read and write of the assignment goes through
// the script record, and so through Capture One's preferences domain.
class ScriptView final : public QWidget {
    Q_OBJECT

public:
    ScriptView(brisquel::BackgroundScript script, ControlAlignment* alignment, QWidget* parent = nullptr);

    const brisquel::BackgroundScript& script() const { return m_script; }
    // The row's own copy of the assigned file: the remove button exists exactly while it is set.
    const std::optional<QUrl>& url() const { return m_url; }
    // Whether the pointer is over the row.
    bool removeVisible() const { return m_removeVisible; }

    QLabel* label() const { return m_label; }
    ChooseButton* chooseButton() const { return m_chooseButton; }
    // Null while no file is assigned.
    RemoveButton* removeButton() const { return m_removeButton; }
    QLabel* descriptionLabel() const { return m_description; }

    // The row's context actions (choose, show in the file manager, remove), in the state the
    // row is in now.
    QMenu* createContextMenu(QWidget* parent);

    // The label the choose button shows when nothing is assigned.
    static QString chooseText();

public slots:
    // Reads the assignment from the record again and shows it.
    void refresh();
    // The pointer entered (true) or left (false) the row.
    void hover(bool inside);
    // Opens the shared panel; a file chosen there becomes the assignment, Cancel changes nothing.
    void choose();
    // Removes the assignment.
    void clear();
    // Shows the assigned file in the file manager.
    void revealFile();

signals:
    // The row wrote the assignment (after a choice or a removal), whether or not it was stored.
    void assignmentWritten(bool stored);

protected:
    void showEvent(QShowEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void apply(const std::optional<QUrl>& chosen);
    void updateChooseButton();
    void updateRemoveButton();
    void updateColors();
    void reportFailedWrite(const brisquel::vexo::Result& failure);

    brisquel::BackgroundScript m_script;
    std::optional<QUrl> m_url;
    bool m_removeVisible = false;
    // Whether the choose button shows a file name (else the invitation to choose).
    bool m_showsFile = false;

    QLabel* m_label = nullptr;
    ChooseButton* m_chooseButton = nullptr;
    QPointer<RemoveButton> m_removeButton;
    QLabel* m_description = nullptr;
    QHBoxLayout* m_buttonRow = nullptr;
};

} // namespace quillmere
