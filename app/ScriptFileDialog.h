#pragma once

#include <QFileDialog>

namespace quillmere {

// A file-open dialog that lets exactly one existing AppleScript file be chosen: a compiled
// script (.scpt) or an AppleScript text file (.applescript). Folders are opened, never chosen;
// a name of another kind typed into the name field is refused with a message and the dialog
// stays open.
class ScriptFileDialog final : public QFileDialog {
    Q_OBJECT

public:
    explicit ScriptFileDialog(QWidget* parent = nullptr);

    // Whether a file name has one of the two AppleScript extensions (in any letter case).
    static bool isScriptFileName(const QString& fileName);

public slots:
    void accept() override;

signals:
    // A typed name was refused; the text is the message shown.
    void refused(const QString& message);
};

} // namespace quillmere
