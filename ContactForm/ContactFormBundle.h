#pragma once

#include "VexoWidgets/ResourceBundle.h"

namespace quillmere {

// The library's resource bundle, "VexoWidgets_ContactForm.bundle": the form's interface file
// (ContactFormViewController.ui). Looked up once per process, at the first call; the program stops
// with "unable to find bundle named VexoWidgets_ContactForm" when it is missing: the form cannot
// be built without it, and only a broken installation gets there (see ResourceBundle).
const ResourceBundle& contactFormBundle();

} // namespace quillmere
