// Checking a table record by record: deletion flags, values, memo pointers, end marker, .cpg.
#include "table_check.h"

#include "dbf/ascii.h"
#include "recordset/table_halves.h"

#include <cstdio>
#include <cstring>
#include <map>

namespace cli {
namespace {

std::string bytesText(uint64_t count)
{
    return std::to_string(count) + (count == 1 ? " Byte" : " Bytes");
}

// Findings seen record by record, one per kind and field, in the order first seen.
class RecordFindings
{
public:
    // Counts a finding at `record`; `text` says what is wrong and is made only the first time.
    template<typename MakeText>
    void add(const char *kind, std::optional<size_t> field, uint64_t record, uint64_t offset,
             const std::string &file, MakeText makeText)
    {
        const auto [at, fresh] =
                m_index.try_emplace({kind, field ? *field + 1 : 0}, m_findings.size());
        if (fresh)
            m_findings.push_back({kind, makeText(), file, offset, record, field, 0, {}});
        CheckFinding &finding = m_findings[at->second];
        ++finding.count;
        if (finding.records.size() < kListedRecords)
            finding.records.push_back(record);
    }

    // Adds what was found in records after these.
    void append(RecordFindings &&later)
    {
        for (CheckFinding &finding : later.m_findings) {
            const auto [at, fresh] = m_index.try_emplace(
                    {finding.kind, finding.field ? *finding.field + 1 : 0}, m_findings.size());
            if (fresh) {
                m_findings.push_back(std::move(finding));
                continue;
            }
            CheckFinding &earlier = m_findings[at->second];
            earlier.count += finding.count;
            for (uint64_t record : finding.records) {
                if (earlier.records.size() < kListedRecords)
                    earlier.records.push_back(record);
            }
        }
    }

    std::vector<CheckFinding> take() { return std::move(m_findings); }

private:
    std::vector<CheckFinding> m_findings;
    std::map<std::pair<std::string, size_t>, size_t> m_index; // (kind, field + 1) → finding
};

// The code page a table's header names: its language driver byte, or dBase 7's driver name.
std::string headerCodePage(const dbf::TableHeader &header)
{
    const std::string fromByte = dbf::codePageOfLanguageDriver(header.languageDriver);
    return fromByte.empty() ? dbf::codePageOfDriverName(header.languageDriverName) : fromByte;
}

// The canonical name of a code page, as Table::encoding() gives it.
std::string canonical(const std::string &codePage)
{
    const auto decoder = dbf::TextDecoder::create(codePage);
    return decoder ? decoder->name() : codePage;
}

std::optional<CheckFinding> cpgContradiction(const dbf::Table &table)
{
    if (table.encoding().source != dbf::EncodingChoice::Source::CpgFile)
        return std::nullopt;
    const std::string inHeader = headerCodePage(table.header());
    if (inHeader.empty() || canonical(inHeader) == table.encoding().name)
        return std::nullopt;
    return CheckFinding {"codepage-contradiction",
                         "Die .cpg-Datei nennt " + table.encoding().name
                                 + ", der Dateikopf (Sprachtreiber "
                                 + dbf::hexByte(table.header().languageDriver) + ") " + inHeader
                                 + "; gelesen wird nach der .cpg-Datei.",
                         table.path(), uint64_t {29}};
}

std::optional<CheckFinding> endMarkerFinding(const dbf::Table &table)
{
    const dbf::TableHeader &h = table.header();
    const uint64_t end = h.headerLength + table.recordCount() * uint64_t {h.recordLength};
    if (end > table.openedState().size)
        return std::nullopt; // the last record is cut short: a finding of the reader
    const std::string_view after = table.bytesAfterRecords();
    if (after.empty())
        return CheckFinding {"end-marker-missing",
                             "Nach dem letzten Datensatz fehlt die Endmarke 0x1A.", table.path(),
                             end};
    if (after[0] != '\x1A')
        return CheckFinding {"end-marker-missing",
                             "Nach dem letzten Datensatz steht " + dbf::hexByte(uint8_t(after[0]))
                                     + " statt der Endmarke 0x1A (Rest der Datei: "
                                     + bytesText(after.size()) + " ohne Datensatz).",
                             table.path(), end};
    if (after.size() > 1)
        return CheckFinding {"end-marker-extra",
                             "Hinter der Endmarke 0x1A folgt noch mehr (Rest der Datei: "
                                     + bytesText(after.size() - 1)
                                     + (after.find_first_not_of('\x1A') == std::string_view::npos
                                                ? ", nur 0x1A)."
                                                : " ohne Datensatz)."),
                             table.path(), end + 1};
    return std::nullopt;
}

// What reading the records finds: flags, values and memo pointers. The records are checked in
// two halves at once; a memo block is shared when an earlier record points to it as well, so
// the later half keeps its memo pointers until the earlier half's blocks are known (append).
class RecordCheck
{
public:
    // `later`: the check of the later half of the records.
    RecordCheck(const dbf::Table &table, bool later)
        : m_table(table),
          m_later(later),
          // Without a block size no memo can be found: the header's finding says so once.
          m_memo(table.memo() && !table.memo()->headerFault() ? table.memo() : nullptr),
          m_memoBlocksSeen(m_memo ? m_memo->blockCount() : 0)
    {
        for (size_t i = 0; i < table.fieldCount(); ++i) {
            const dbf::Field &f = table.field(i);
            if (f.isMemo(table.header().dialect))
                m_memoFields.push_back(i);
            else if (f.isPlainCharacter())
                m_textFields.push_back(i);
            else
                m_valueFields.push_back(i);
        }
    }

    void visit(uint64_t record, std::string_view bytes)
    {
        const uint64_t start =
                m_table.header().headerLength + record * uint64_t {m_table.header().recordLength};
        const char flag = bytes[0];
        if (flag == '*')
            ++m_deleted;
        else if (flag != ' ')
            m_findings.add("bad-deletion-flag", std::nullopt, record, start, m_table.path(), [&] {
                return "Die Löschmarke ist " + dbf::hexByte(uint8_t(flag))
                        + " statt ' ' oder '*'; der Datensatz gilt als nicht gelöscht.";
            });
        // Text without NUL bytes and without bytes the code page leaves unassigned decodes
        // (characterText); text is most of a record, and decoding it all would cost the most of
        // the whole check. Mostly one look at the whole record tells for all its text fields.
        const bool anyNul = std::memchr(bytes.data(), 0, bytes.size()) != nullptr;
        if (anyNul || !m_table.decoder().defines(bytes)) {
            for (size_t field : m_textFields) {
                const dbf::Field &f = m_table.field(field);
                if ((!anyNul || std::memchr(bytes.data() + f.offset, 0, f.length) == nullptr)
                    && m_table.decoder().defines(m_table.fieldBytes(bytes, field)))
                    continue;
                checkValue(record, start, bytes, field);
            }
        }
        for (size_t field : m_valueFields)
            checkValue(record, start, bytes, field);
        for (size_t field : m_memoFields)
            checkMemo(record, start, bytes, field);
    }

    uint64_t deleted() const { return m_deleted; }

    // Adds what `later` found in the records after these.
    void append(RecordCheck &&later)
    {
        for (const MemoUse &use : later.m_memoUses) {
            if (use.sharedWithin || m_memoBlocksSeen[use.block])
                later.addShared(use);
        }
        m_findings.append(std::move(later.m_findings));
        m_deleted += later.m_deleted;
    }

    std::vector<CheckFinding> take() { return m_findings.take(); }

private:
    void checkValue(uint64_t record, uint64_t start, std::string_view bytes, size_t field)
    {
        const dbf::Value value = m_table.value(bytes, field);
        const uint64_t offset = start + m_table.field(field).offset;
        if (value.kind == dbf::Value::Kind::Stars) {
            m_findings.add("number-stars", field, record, offset, m_table.path(), [] {
                return std::string("Das Zahlenfeld ist ganz mit »*« gefüllt und hat keinen Wert: "
                                   "so schreiben shapelib und verwandte Programme einen leeren "
                                   "Wert, dBase eine Zahl, die nicht ins Feld passte.");
            });
            return;
        }
        if (!value.flagged())
            return;
        m_findings.add("invalid-value", field, record, offset, m_table.path(), [&] {
            return (value.kind == dbf::Value::Kind::Invalid && !value.text.empty()
                            ? "Der Wert »" + value.text + "« lässt sich nicht lesen: "
                            : std::string("Der Wert ist fehlerhaft: "))
                    + value.problem + ".";
        });
    }

    void checkMemo(uint64_t record, uint64_t start, std::string_view bytes, size_t field)
    {
        uint64_t block = 0;
        if (!dbf::memoBlockNumber(m_table.fieldBytes(bytes, field), block)) {
            checkValue(record, start, bytes, field); // says that it is no block number
            return;
        }
        if (block == 0 || !m_memo)
            return;
        const uint64_t offset = start + m_table.field(field).offset;
        if (const auto fault = m_memo->read(block).fault) {
            m_findings.add(dbf::memoFaultName(fault->kind), field, record, offset, m_table.path(),
                           [&] { return fault->text + "."; });
            return;
        }
        const MemoUse use {block, record, offset, field, m_memoBlocksSeen[block]};
        m_memoBlocksSeen[block] = true;
        if (m_later)
            m_memoUses.push_back(use);
        else if (use.sharedWithin)
            addShared(use);
    }

    struct MemoUse
    {
        uint64_t block, record, offset;
        size_t field;
        bool sharedWithin; // an earlier record of the same half points to the block
    };

    void addShared(const MemoUse &use)
    {
        m_findings.add("memo-shared-block", use.field, use.record, use.offset, m_table.path(), [&] {
            return "Memoblock " + std::to_string(use.block)
                    + " gehört schon zu einem früheren Memofeld.";
        });
    }

    const dbf::Table &m_table;
    bool m_later;
    const dbf::MemoFile *m_memo;
    std::vector<size_t> m_textFields, m_valueFields, m_memoFields; // C fields, others, memos
    std::vector<bool> m_memoBlocksSeen; // one bit per block of the memo file
    std::vector<MemoUse> m_memoUses; // of the later half, in file order
    RecordFindings m_findings;
    uint64_t m_deleted = 0;
};

CheckFinding fromReader(const dbf::Table &table, const dbf::Finding &finding)
{
    return {dbf::findingKindName(finding.kind),
            finding.text,
            table.path(),
            finding.offset,
            finding.record,
            finding.field};
}

} // namespace

TableCheck checkTable(const dbf::Table &table)
{
    TableCheck result;
    for (const dbf::Finding &finding : table.findings()) {
        if (finding.kind == dbf::FindingKind::BadDeletionFlag)
            continue; // opening looked at a sample; every record is counted below
        result.findings.push_back(fromReader(table, finding));
    }
    if (auto finding = cpgContradiction(table))
        result.findings.push_back(std::move(*finding));
    if (const dbf::MemoFile *memo = table.memo()) {
        if (const auto fault = memo->headerFault())
            result.findings.push_back({dbf::memoFaultName(fault->kind), fault->text + ".",
                                       memo->path(), fault->offset});
    }

    RecordCheck records(table, false), second(table, true);
    recordset::inTableHalves(table, [&](int half, uint64_t begin, uint64_t end) {
        RecordCheck &check = half ? second : records;
        table.scanRange(begin, end, [&](uint64_t record, std::string_view bytes) {
            check.visit(record, bytes);
        });
    });
    records.append(std::move(second));
    for (CheckFinding &finding : records.take())
        result.findings.push_back(std::move(finding));
    result.deleted = records.deleted();
    if (auto finding = endMarkerFinding(table))
        result.findings.push_back(std::move(*finding));
    return result;
}

TableCheck summarizeTable(const dbf::Table &table)
{
    TableCheck result;
    for (const dbf::Finding &finding : table.findings())
        result.findings.push_back(fromReader(table, finding));
    uint64_t deleted[2] = {0, 0};
    recordset::inTableHalves(table, [&](int half, uint64_t begin, uint64_t end) {
        table.scanRange(begin, end, [&](uint64_t, std::string_view bytes) {
            deleted[half] += bytes[0] == '*';
        });
    });
    result.deleted = deleted[0] + deleted[1];
    return result;
}

} // namespace cli
