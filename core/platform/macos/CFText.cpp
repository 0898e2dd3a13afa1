#include "core/platform/macos/CFText.h"

namespace brisquel::macos {

CFHolder makeCFString(const QString& text) {
    static_assert(sizeof(QChar) == sizeof(UniChar));
    return CFHolder::adopt(CFStringCreateWithCharacters(kCFAllocatorDefault,
                                                        reinterpret_cast<const UniChar*>(text.constData()),
                                                        static_cast<CFIndex>(text.size())));
}

QString toQString(CFStringRef string) {
    if (!string)
        return {};
    const CFIndex length = CFStringGetLength(string);
    QString text(static_cast<qsizetype>(length), Qt::Uninitialized);
    CFStringGetCharacters(string, CFRangeMake(0, length), reinterpret_cast<UniChar*>(text.data()));
    return text;
}

} // namespace brisquel::macos
