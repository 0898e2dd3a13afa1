#pragma once

#include <QByteArray>
#include <QtGlobal>

#include <optional>

namespace testsupport {

// An environment variable for the life of this object: set to a value (unset for a null one), or
// only kept; then what was there before is put back, set or not, however the test ends.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const QByteArray& value) : m_name(name) {
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    }
    // Not explicit, so that an array of names keeps each of them.
    ScopedEnvironment(const char* name) : m_name(name) {}
    ~ScopedEnvironment() { m_old ? qputenv(m_name, *m_old) : qunsetenv(m_name); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    const char* m_name;
    std::optional<QByteArray> m_old =
        qEnvironmentVariableIsSet(m_name) ? std::optional(qgetenv(m_name)) : std::nullopt;
};

} // namespace testsupport
