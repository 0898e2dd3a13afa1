#include "app/ScriptFileDialog.h"

#include <QFileInfo>
#include <QMessageBox>

namespace quillmere {

ScriptFileDialog::ScriptFileDialog(QWidget* parent) : QFileDialog(parent) {
    setOption(QFileDialog::DontUseNativeDialog, true);
    // The panel opens files; it offers no renaming, deleting or new folders.
    setOption(QFileDialog::ReadOnly, true);
    setFileMode(QFileDialog::ExistingFile);
    setAcceptMode(QFileDialog::AcceptOpen);
    setNameFilters({tr("AppleScript files (*.scpt *.applescript)")});
    setWindowTitle(tr("Choose a Script"));
    setLabelText(QFileDialog::Accept, tr("Choose"));
    setWindowModality(Qt::NonModal);
}

bool ScriptFileDialog::isScriptFileName(const QString& fileName) {
    const QString suffix = QFileInfo(fileName).suffix();
    return suffix.compare(QLatin1String("scpt"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("applescript"), Qt::CaseInsensitive) == 0;
}

void ScriptFileDialog::accept() {
    const QStringList files = selectedFiles();
    if (files.size() == 1) {
        const QFileInfo info(files.first());
        // A folder is entered and a missing file is reported by the dialog itself.
        if (info.exists() && !info.isDir() && !isScriptFileName(info.fileName())) {
            const QString message = tr("“%1” is not an AppleScript file. Choose a compiled script (.scpt) "
                                       "or an AppleScript text file (.applescript).")
                                        .arg(info.fileName());
            auto* box = new QMessageBox(QMessageBox::Warning, tr("Not an AppleScript File"), message,
                                        QMessageBox::Ok, this);
            box->setAttribute(Qt::WA_DeleteOnClose);
            box->open();
            emit refused(message);
            return;
        }
    }
    QFileDialog::accept();
}

} // namespace quillmere
