// Reading test tables: a table that must open or be refused, what a table shows, and what it
// reports.
#pragma once
#include "dbf/table.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <stdexcept>
#include <string>
#include <vector>

// The table of an open that must succeed; a refusal throws its description, failing the test.
inline dbf::Table opened(dbf::Result<dbf::Table> result)
{
    if (!result)
        throw std::runtime_error(result.error().description);
    return std::move(*result);
}

// `bytes` opened as the table test.dbf without a memo file; deleted records visited where
// `includeDeleted` says so.
inline dbf::Result<dbf::Table> openBytes(std::string bytes, bool includeDeleted = false)
{
    dbf::OpenOptions options;
    options.includeDeleted = includeDeleted;
    return dbf::Table::fromBytes("test.dbf", std::move(bytes), {}, dbf::MemoFormat::DBase3,
                                 options);
}

// Whether `result` is a refusal with error `number` whose description holds `part`.
template<typename T>
::testing::AssertionResult refusedWith(const dbf::Result<T> &result, int32_t number,
                                       const std::string &part = "")
{
    if (!result && result.error().number == number
        && result.error().description.find(part) != std::string::npos)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
            << (result ? "not refused"
                       : std::to_string(result.error().number) + ": " + result.error().description);
}

// The value of `field` in `record`, with the problem found in it.
inline dbf::Value valueOf(const dbf::Table &table, uint64_t record, size_t field)
{
    return table.value(table.recordBytes(record), field);
}

// The field names, the record count, then of the first `most` records the deletion mark and the
// text of every field.
inline std::vector<std::string> reading(const dbf::Table &table, uint64_t most = UINT64_MAX)
{
    std::vector<std::string> texts;
    for (size_t field = 0; field < table.fieldCount(); ++field)
        texts.push_back(table.fieldName(field));
    std::string count = "#"; // appended, not "#" + …: GCC 12 at -O3 warns falsely (bug 105329)
    count += std::to_string(table.recordCount());
    texts.push_back(count);
    for (uint64_t record = 0; record < std::min(table.recordCount(), most); ++record) {
        texts.push_back(table.isDeleted(record) ? "*" : " ");
        for (size_t field = 0; field < table.fieldCount(); ++field)
            texts.push_back(table.text(record, field).text);
    }
    return texts;
}

// Every finding, one a line: its kind's name and its text.
inline std::string allFindings(const dbf::Table &table)
{
    std::string texts;
    for (const dbf::Finding &finding : table.findings())
        texts += std::string(dbf::findingKindName(finding.kind)) + ": " + finding.text + "\n";
    return texts;
}

// The finding of `kind`; where there is none, a failure that lists the findings, and an empty one.
inline const dbf::Finding &findingOf(const dbf::Table &table, dbf::FindingKind kind)
{
    static const dbf::Finding none {};
    const auto &findings = table.findings();
    const auto found = std::find_if(findings.begin(), findings.end(),
                                    [&](const dbf::Finding &f) { return f.kind == kind; });
    if (found != findings.end())
        return *found;
    ADD_FAILURE() << "no finding of the kind wanted; findings:\n" << allFindings(table);
    return none;
}
