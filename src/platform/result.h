#pragma once

// Fallible operations return a value that carries the error; exceptions never
// cross a layer.

#include <string>
#include <utility>
#include <variant>

namespace platform {

struct Error {
    std::string message;
    int code = 0;  // errno where one applies, else 0
};

// A value or an error.
template <class T>
class Result {
public:
    Result(T value) : m_v(std::move(value)) {}      // NOLINT(google-explicit-constructor)
    Result(Error error) : m_v(std::move(error)) {}  // NOLINT(google-explicit-constructor)

    bool ok() const { return m_v.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(m_v); }
    const T& value() const { return std::get<0>(m_v); }
    T& operator*() { return value(); }
    const T& operator*() const { return value(); }
    T* operator->() { return &value(); }
    const T* operator->() const { return &value(); }
    const Error& error() const { return std::get<1>(m_v); }

private:
    std::variant<T, Error> m_v;
};

// Success or an error.
class Status {
public:
    Status() = default;
    Status(Error error)
        : m_error(std::move(error)), m_failed(true) {}  // NOLINT(google-explicit-constructor)

    static Status Ok() { return {}; }
    bool ok() const { return !m_failed; }
    explicit operator bool() const { return ok(); }
    const Error& error() const { return m_error; }

private:
    Error m_error;
    bool m_failed = false;
};

// An error built from errno and a short description of what failed.
Error ErrnoError(const std::string& what, int err);

}  // namespace platform
