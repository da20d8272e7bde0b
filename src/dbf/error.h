// The reader's error value: a number and a German description of what failed and where.
#pragma once

#include "error_numbers.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <variant>

namespace dbf {

// A failure of the core: its number (error_numbers.h), a German description of what failed
// and where, and the reader's error behind it when another layer passes one on under its own
// number (the record set's kTableNotFound for a missing file keeps the reader's 7001).
struct Error
{
    int32_t number;
    std::string description;
    std::shared_ptr<const Error> cause = {};

    // The error that started it: the innermost cause, or this error itself.
    const Error &origin() const { return cause ? cause->origin() : *this; }
};

// An operation's outcome without a value: ok(), or the error.
class [[nodiscard]] Status
{
public:
    Status() = default;
    Status(Error error) : m_error(std::move(error)) { }

    bool ok() const { return !m_error; }
    // REQUIRES: !ok()
    const Error &error() const { return *m_error; }

private:
    std::optional<Error> m_error;
};

// Either a value or the error that prevented it.
template<typename T, typename E = Error>
class [[nodiscard]] Result
{
public:
    Result(T value) : m_value(std::move(value)) { }
    Result(E error) : m_value(std::move(error)) { }

    bool ok() const { return std::holds_alternative<T>(m_value); }
    explicit operator bool() const { return ok(); }

    // REQUIRES: ok()
    T &value() { return std::get<T>(m_value); }
    const T &value() const { return std::get<T>(m_value); }
    T &operator*() { return value(); }
    const T &operator*() const { return value(); }
    T *operator->() { return &value(); }
    const T *operator->() const { return &value(); }

    // REQUIRES: !ok()
    const E &error() const { return std::get<E>(m_value); }

private:
    std::variant<T, E> m_value;
};

} // namespace dbf
