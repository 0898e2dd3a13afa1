#include "ContactForm/ContactFormBundle.h"

namespace quillmere {

namespace {

// Its address names the binary that holds this library's code.
class BundleFinder final {};
const BundleFinder kBundleFinder{};

} // namespace

const ResourceBundle& contactFormBundle() {
    // A function-local static is made once, even with several threads asking at once.
    static const ResourceBundle bundle(QStringLiteral("ContactForm"), &kBundleFinder);
    return bundle;
}

} // namespace quillmere
