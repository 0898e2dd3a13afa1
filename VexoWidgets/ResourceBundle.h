#pragma once

#include <QIcon>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace quillmere {

// A library's resource bundle, "VexoWidgets_<library>.bundle": the folder that holds what the
// library's windows cannot work without, its Qt Designer interface files and its artwork.
//
// It is looked for, in order, in the application's resource folder, in the folder of the binary
// that holds the library's code, and in the application's own folder (see
// brisquel::vexo::requireResourceBundle); constructing a ResourceBundle stops the program with
// "unable to find bundle named VexoWidgets_<library>" when none of them has it. A library makes
// its bundle once per process, on first use (a function-local static), and keeps it.
//
// Everything in a bundle came with the program: a file that is missing or broken is a broken
// installation, which no user input reaches, and it stops the program with a message that names
// the file and what is wrong with it.
class ResourceBundle final {
public:
    // `codeAddress` is any object or function of the library's own code: where it lies tells which
    // binary holds the library.
    ResourceBundle(const QString& libraryName, const void* codeAddress);

    const QString& path() const { return m_path; }
    QString filePath(const QString& name) const;

    // The image "<name>.png" with its double-density rendering "<name>@2x.png"; nothing is decoded
    // until a size is drawn (see LazyIconEngine). Stops when either file is missing.
    QIcon icon(const QString& name) const;

    // Loads the interface file `fileName` of the bundle into a new widget, a child of `parent`, and
    // checks that it holds an object of every required name. A label whose "textStyle" property
    // names a style of TextStyles.h ("caption", "warning") is given that style. Plug-ins of the
    // interface designer are never loaded: a form made of Qt's own widgets needs none. Stops with
    // a message naming the file and the cause when it is missing or cannot be read, and naming the
    // file and the first missing name when it lacks one.
    QWidget* loadInterface(const QString& fileName, const QStringList& requiredNames,
                           QWidget* parent = nullptr) const;

    // The object `name` of a view loaded from `file`, which must be a T; stops naming the file, the
    // object and the class it should have been otherwise.
    template <typename T> static T* object(QWidget* view, const QString& name, const QString& file) {
        QObject* found = view->objectName() == name ? view : view->findChild<QObject*>(name);
        T* typed = qobject_cast<T*>(found);
        if (!typed) {
            stopForObject(file, name, T::staticMetaObject.className(), found);
        }
        return typed;
    }

private:
    [[noreturn]] static void stopForObject(const QString& file, const QString& name, const char* className,
                                           const QObject* found);

    QString m_path;
};

} // namespace quillmere
