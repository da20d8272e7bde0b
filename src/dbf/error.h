// The reader's error value: a number and a German description of what failed and where.
#pragma once

#include <string>
#include <utility>
#include <variant>

namespace dbf {

// Numbers of the reader's failures. They stay stable: callers and users may rely on them.
enum class ErrorCode : int {
    FileNotFound = 7001,
    FileUnreadable = 7002,
    NotADbfFile = 7010,
    HeaderTruncated = 7011,
    HeaderOutsideFile = 7012,
    FieldsOverrunRecord = 7013,
    ZeroRecordLength = 7014,
    CompressedTable = 7015, // records packed by a compressor (DATASUS .dbc), not readable as such
    UnknownEncoding = 7020,
    FileChanged = 7030, // another program shortened the file while it was open
};

struct Error
{
    ErrorCode code;
    std::string description;

    int number() const { return static_cast<int>(code); }
};

// Either a value or the error that prevented it.
template<typename T, typename E = Error>
class Result
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
