#include "finding.h"

namespace dbf {

const char *findingKindName(FindingKind kind)
{
    switch (kind) {
    case FindingKind::RecordCount:
        return "record-count";
    case FindingKind::PartialRecord:
        return "partial-record";
    case FindingKind::MemoMissing:
        return "memo-missing";
    case FindingKind::MemoUnreadable:
        return "memo-unreadable";
    }
    return "unknown";
}

} // namespace dbf
