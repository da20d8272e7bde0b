// The names of the kinds of findings and how much each matters.
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
    case FindingKind::CodePageContradicted:
        return "codepage-contradicted";
    case FindingKind::HeaderDate:
        return "header-date";
    }
    return "unknown";
}

namespace {

constexpr FindingLevel kLevels[] = {
        // What the reader finds when opening a table.
        {"record-count", Severity::Warning},
        {"partial-record", Severity::Warning},
        {"memo-missing", Severity::Warning},
        {"memo-unreadable", Severity::Warning},
        {"header-length", Severity::Warning},
        {"record-length", Severity::Warning},
        {"zero-length-field", Severity::Warning},
        {"missing-terminator", Severity::Warning},
        {"field-gap", Severity::Warning},
        {"bad-deletion-flag", Severity::Warning},
        {"padding-records", Severity::Warning},
        {"trailing-bytes", Severity::Warning},
        {"shifted-values-possible", Severity::Warning},
        {"codepage-contradicted", Severity::Warning},
        {"header-date", Severity::Note},
        // What reading the memo file finds.
        {"memo-block-size", Severity::Warning},
        {"memo-past-end", Severity::Warning},
        {"memo-in-header", Severity::Warning},
        {"memo-block-damaged", Severity::Warning},
        {"memo-no-end-marker", Severity::Warning},
        {"memo-too-long", Severity::Warning},
        {"memo-shared-block", Severity::Warning},
        // What reading every record finds.
        {"invalid-value", Severity::Warning},
        {"number-stars", Severity::Note},
        {"codepage-contradiction", Severity::Warning},
        {"end-marker-missing", Severity::Note},
        {"end-marker-extra", Severity::Note},
};

// By Severity: the name for listings and JSON, the German word.
constexpr struct
{
    const char *name;
    const char *text;
} kSeverityNames[] = {{"note", "Hinweis"}, {"warning", "Warnung"}, {"error", "Fehler"}};

} // namespace

std::span<const FindingLevel> findingLevels()
{
    return kLevels;
}

Severity severityOf(std::string_view kind)
{
    for (const FindingLevel &level : kLevels) {
        if (kind == level.kind)
            return level.severity;
    }
    return Severity::Warning;
}

Severity severityOf(FindingKind kind)
{
    return severityOf(findingKindName(kind));
}

const char *severityName(Severity severity)
{
    return kSeverityNames[static_cast<size_t>(severity)].name;
}

const char *severityText(Severity severity)
{
    return kSeverityNames[static_cast<size_t>(severity)].text;
}

} // namespace dbf
