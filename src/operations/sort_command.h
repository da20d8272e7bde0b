// The sort command "sor&tieren" and `ApplySort`, which the restore command shares.
#pragma once

#include "database/record_source.h"
#include "recordset/record_set.h"

#include <QString>
#include <memory>

namespace operations {

// Asks for a column in frmEingabe (sort mode) and orders the viewer's record set by it; when
// nothing is left, says so and clears the sort.
void mnuSortieren_Click(database::DatabaseWindow &window);

// Sets `sort` as the sort of `set`, ignoring any failure; returns `set`.
std::shared_ptr<recordset::RecordSet> ApplySort(const std::shared_ptr<recordset::RecordSet> &set,
                                                const QString &sort);

} // namespace operations
