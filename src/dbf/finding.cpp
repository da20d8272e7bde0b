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
    case FindingKind::HeaderLength:
        return "header-length";
    case FindingKind::RecordLength:
        return "record-length";
    case FindingKind::ZeroLengthField:
        return "zero-length-field";
    case FindingKind::MissingTerminator:
        return "missing-terminator";
    case FindingKind::FieldGap:
        return "field-gap";
    case FindingKind::BadDeletionFlag:
        return "bad-deletion-flag";
    case FindingKind::PaddingRecords:
        return "padding-records";
    case FindingKind::TrailingBytes:
        return "trailing-bytes";
    case FindingKind::ShiftedValuesPossible:
        return "shifted-values-possible";
    case FindingKind::HeaderDate:
        return "header-date";
    }
    return "unknown";
}

} // namespace dbf
