#pragma once

#include "VexoExtensions/Export.h"

#include <QString>

#include <optional>
#include <utility>

// The outcome of an operation that can fail for a reason the user must learn: a status a caller
// can act on, and a message for a person that names the file (or domain, or address) and the
// cause, as in "/Applications/Capture One 23.app/Contents/Resources/C1.sdef is not well-formed
// XML: unexpected end of file at byte 4096".
//
// Operations that keep a plain result (an empty list, an empty optional, a flag) and a log line
// offer a form beside them that returns one of these, so that a command-line tool or a window can
// say why without reading the log back.
namespace brisquel::vexo {

enum class Status {
    Ok,
    NotFound,       // the file, folder, key or item does not exist
    NotReadable,    // it exists but cannot be opened or read (permissions, an I/O error)
    NotRegularFile, // a folder, FIFO, device or socket stands where a file was expected
    Malformed,      // it was read, but is not in the format expected
    TooLarge,       // over a limit of size, depth or count set to keep hostile input harmless
    Refused,        // input the operation will not take (an unsafe name, a URL that is not a file)
    NotStored,      // a write that did not reach the disk; what was stored before is unchanged
    Unavailable,    // a service or program that cannot be reached
    Changed,        // a value is no longer what the caller read: another writer changed it meanwhile
};

class BRISQUEL_EXPORT Result {
public:
    // A success.
    Result() = default;

    static Result success() { return {}; }
    static Result failure(Status status, QString message) { return Result(status, std::move(message)); }

    Status status() const { return m_status; }
    // Empty on success.
    const QString& message() const { return m_message; }

    explicit operator bool() const { return m_status == Status::Ok; }

    // The same failure with context put in front of its message ("Capture One 23: " + message).
    Result prefixed(const QString& context) const {
        return *this ? *this : Result(m_status, context + m_message);
    }

private:
    Result(Status status, QString message) : m_status(status), m_message(std::move(message)) {}

    Status m_status = Status::Ok;
    QString m_message;
};

// A value, or the failure that kept it from being made.
template <typename T> class Expected {
public:
    Expected(T value) : m_value(std::move(value)) {} // NOLINT(google-explicit-constructor)
    // A failure; a successful Result handed in here is a caller's error and reads as NotFound.
    Expected(Result failure) // NOLINT(google-explicit-constructor)
        : m_result(failure ? Result::failure(Status::NotFound, QString()) : std::move(failure)) {}

    explicit operator bool() const { return m_value.has_value(); }
    bool hasValue() const { return m_value.has_value(); }

    const T& value() const& { return *m_value; }
    T& value() & { return *m_value; }
    T&& value() && { return std::move(*m_value); }
    const T& operator*() const& { return *m_value; }
    T& operator*() & { return *m_value; }
    const T* operator->() const { return &*m_value; }
    T* operator->() { return &*m_value; }

    T valueOr(T fallback) const& { return m_value ? *m_value : std::move(fallback); }
    T valueOr(T fallback) && { return m_value ? std::move(*m_value) : std::move(fallback); }

    // Success while a value is held.
    const Result& result() const { return m_result; }

private:
    std::optional<T> m_value;
    Result m_result;
};

} // namespace brisquel::vexo
