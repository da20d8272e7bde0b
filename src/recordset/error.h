// The record set's failures: the core's error value; the numbers are in dbf/error_numbers.h.
#pragma once

#include "dbf/error.h"

namespace recordset {

using Error = dbf::Error;
using Status = dbf::Status;

template<typename T>
using Result = dbf::Result<T, Error>;

} // namespace recordset
