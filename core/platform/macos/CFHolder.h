#pragma once

#include <CoreFoundation/CoreFoundation.h>

#include <utility>

namespace brisquel::macos {

// The one owner of a Core Foundation object. A function with Create or Copy in its name hands its
// result over (adopt); a Get result belongs to its container and is held only through retain.
// The object is released exactly once, when its holder goes, on every path out of a function.
class CFHolder {
public:
    CFHolder() = default;
    ~CFHolder() { reset(); }

    CFHolder(CFHolder&& other) noexcept : m_object(std::exchange(other.m_object, nullptr)) {}
    CFHolder& operator=(CFHolder&& other) noexcept {
        if (this != &other) {
            reset();
            m_object = std::exchange(other.m_object, nullptr);
        }
        return *this;
    }
    CFHolder(const CFHolder&) = delete;
    CFHolder& operator=(const CFHolder&) = delete;

    // Takes over the result of a Create or Copy function (null stays null).
    static CFHolder adopt(CFTypeRef object) { return CFHolder(object); }
    // Keeps a Get result beyond the life of what it came from.
    static CFHolder retain(CFTypeRef object) { return CFHolder(object ? CFRetain(object) : nullptr); }

    CFTypeRef get() const { return m_object; }
    // The object as the reference type a call takes (CFStringRef, CFArrayRef...); the caller knows
    // its type from the call that made it, or has checked it with CFGetTypeID.
    template <typename Ref> Ref as() const { return static_cast<Ref>(const_cast<void*>(m_object)); }
    explicit operator bool() const { return m_object != nullptr; }

    // Hands the object over to a caller that releases it itself.
    CFTypeRef release() { return std::exchange(m_object, nullptr); }
    void reset() {
        if (m_object)
            CFRelease(std::exchange(m_object, nullptr));
    }

private:
    explicit CFHolder(CFTypeRef object) : m_object(object) {}

    CFTypeRef m_object = nullptr;
};

} // namespace brisquel::macos
