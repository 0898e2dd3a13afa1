#pragma once

#include <QString>

namespace quillmere {

// The library's resource bundle, "VexoWidgets_ContactForm.bundle": a folder that holds the form's
// interface description (ContactFormViewController.json).
//
// It is looked up once per process, at the first call, in the application's data folder, then
// beside the binary that holds this library's code, then in the application's own folder (see
// brisquel::vexo::requireResourceBundle). When none holds it the program stops with "unable to
// find bundle named VexoWidgets_ContactForm": the form cannot be built without it, and only a
// broken installation gets there.
class ContactFormBundle final {
public:
    static constexpr const char* kLibraryName = "ContactForm";

    // The bundle folder's absolute path.
    static QString path();
    // The absolute path of a file in the bundle (which may not exist).
    static QString filePath(const QString& name);
};

} // namespace quillmere
