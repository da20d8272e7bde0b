// Run-time errors of the database access as values: the classic error number and its German text.
#pragma once

#include "dbf/error.h"
#include "dbf/error_numbers.h"

#include <QString>

namespace database {

// What the commands report to the user when a step fails: the number, then the description.
struct RunTimeError
{
    int number;
    QString description;
};

// Returns the overflow error: number 6, description "Überlauf".
inline RunTimeError overflowError()
{
    return {kOverflowErrorNumber, QStringLiteral("Überlauf")};
}

// Either a value or the run-time error that prevented it.
template<typename T>
using Result = dbf::Result<T, RunTimeError>;

} // namespace database
