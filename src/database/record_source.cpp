// Helpers of the record source contract.
#include "database/record_source.h"

namespace database {

void closeQuietly(RecordSourceControl &control)
{
    if (const auto set = control.Recordset())
        (void)set->Close();
}

} // namespace database
