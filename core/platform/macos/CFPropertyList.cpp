#include "core/platform/macos/CFPropertyList.h"

#include "core/platform/PropertyListTree.h"
#include "core/platform/macos/CFText.h"

#include <vector>

namespace brisquel::macos {

namespace {

using Kind = PropertyListTree::Kind;

// Looks at objects it does not own: every reference it gives out is a Get result, valid while the
// object handed to variantFromCF() lives.
struct CFSource {
    using Node = CFTypeRef;

    Kind kind(Node node) const {
        const CFTypeID type = CFGetTypeID(node);
        if (type == CFStringGetTypeID())
            return Kind::Text;
        if (type == CFBooleanGetTypeID())
            return Kind::Boolean;
        if (type == CFNumberGetTypeID())
            return CFNumberIsFloatType(static_cast<CFNumberRef>(node)) ? Kind::Real : Kind::Integer;
        if (type == CFDateGetTypeID())
            return Kind::Date;
        if (type == CFDataGetTypeID())
            return Kind::Data;
        if (type == CFArrayGetTypeID())
            return Kind::Array;
        if (type == CFDictionaryGetTypeID())
            return Kind::Dictionary;
        return Kind::Other;
    }

    qsizetype size(Node node) const {
        const CFTypeID type = CFGetTypeID(node);
        if (type == CFStringGetTypeID())
            return CFStringGetLength(static_cast<CFStringRef>(node));
        if (type == CFDataGetTypeID())
            return CFDataGetLength(static_cast<CFDataRef>(node));
        if (type == CFArrayGetTypeID())
            return CFArrayGetCount(static_cast<CFArrayRef>(node));
        if (type == CFDictionaryGetTypeID())
            return CFDictionaryGetCount(static_cast<CFDictionaryRef>(node));
        return 0;
    }

    QString text(Node node) const { return toQString(static_cast<CFStringRef>(node)); }

    // CFNumberGetValue returns false when the conversion loses part of the number: a 128-bit
    // integer read from a property list beyond the signed 64-bit range.
    std::optional<qint64> integer(Node node) const {
        SInt64 value = 0;
        if (!CFNumberGetValue(static_cast<CFNumberRef>(node), kCFNumberSInt64Type, &value))
            return std::nullopt;
        return static_cast<qint64>(value);
    }

    double real(Node node) const {
        double value = 0;
        CFNumberGetValue(static_cast<CFNumberRef>(node), kCFNumberDoubleType, &value);
        return value;
    }

    bool boolean(Node node) const { return CFBooleanGetValue(static_cast<CFBooleanRef>(node)); }
    double dateSeconds(Node node) const { return CFDateGetAbsoluteTime(static_cast<CFDateRef>(node)); }

    QByteArray data(Node node) const {
        const CFDataRef data = static_cast<CFDataRef>(node);
        const CFIndex length = CFDataGetLength(data);
        // The byte pointer of an empty CFData may be null.
        return length == 0 ? QByteArray()
                           : QByteArray(reinterpret_cast<const char*>(CFDataGetBytePtr(data)), length);
    }

    std::vector<Node> elements(Node node) const {
        const CFArrayRef array = static_cast<CFArrayRef>(node);
        std::vector<Node> values(static_cast<size_t>(CFArrayGetCount(array)));
        CFArrayGetValues(array, CFRangeMake(0, static_cast<CFIndex>(values.size())), values.data());
        return values;
    }

    std::vector<std::pair<Node, Node>> entries(Node node) const {
        const CFDictionaryRef dictionary = static_cast<CFDictionaryRef>(node);
        const auto count = static_cast<size_t>(CFDictionaryGetCount(dictionary));
        std::vector<Node> keys(count);
        std::vector<Node> values(count);
        CFDictionaryGetKeysAndValues(dictionary, keys.data(), values.data());
        std::vector<std::pair<Node, Node>> pairs;
        pairs.reserve(count);
        for (size_t i = 0; i < count; ++i)
            pairs.emplace_back(keys[i], values[i]);
        return pairs;
    }
};

// Makes new objects; each Create result is held at once, so nothing leaks when a later one fails.
// A container retains what it is given, and the holders release their own references.
struct CFSink {
    using Node = CFHolder;

    Node text(const QString& value) { return makeCFString(value); }
    Node integer(qint64 value) {
        const SInt64 number = value;
        return CFHolder::adopt(CFNumberCreate(kCFAllocatorDefault, kCFNumberSInt64Type, &number));
    }
    Node real(double value) {
        return CFHolder::adopt(CFNumberCreate(kCFAllocatorDefault, kCFNumberDoubleType, &value));
    }
    Node boolean(bool value) { return CFHolder::retain(value ? kCFBooleanTrue : kCFBooleanFalse); }
    Node date(double seconds) { return CFHolder::adopt(CFDateCreate(kCFAllocatorDefault, seconds)); }
    Node data(const QByteArray& value) {
        return CFHolder::adopt(CFDataCreate(kCFAllocatorDefault,
                                            reinterpret_cast<const UInt8*>(value.constData()),
                                            static_cast<CFIndex>(value.size())));
    }
    Node array(std::vector<Node>& elements) {
        std::vector<CFTypeRef> values;
        values.reserve(elements.size());
        for (const CFHolder& element : elements)
            values.push_back(element.get());
        return CFHolder::adopt(CFArrayCreate(kCFAllocatorDefault, values.data(),
                                             static_cast<CFIndex>(values.size()), &kCFTypeArrayCallBacks));
    }
    Node dictionary(std::vector<std::pair<Node, Node>>& entries) {
        std::vector<CFTypeRef> keys;
        std::vector<CFTypeRef> values;
        keys.reserve(entries.size());
        values.reserve(entries.size());
        for (const auto& [key, value] : entries) {
            keys.push_back(key.get());
            values.push_back(value.get());
        }
        return CFHolder::adopt(CFDictionaryCreate(
            kCFAllocatorDefault, keys.data(), values.data(), static_cast<CFIndex>(keys.size()),
            &kCFTypeDictionaryKeyCallBacks, &kCFTypeDictionaryValueCallBacks));
    }
};

} // namespace

vexo::Expected<QVariant> variantFromCF(CFTypeRef object, const QString& what) {
    if (!object)
        return QVariant();
    return PropertyListTree::read(CFSource{}, object, what);
}

vexo::Expected<CFHolder> cfFromVariant(const QVariant& value) {
    CFSink sink;
    return PropertyListTree::make(sink, value);
}

} // namespace brisquel::macos
