// Opening a table: header, layout, record count and their findings, and the memo file.
#include "table.h"

#include "ascii.h"
#include "companion_file.h"
#include "names.h"
#include "record_layout.h"

#include <algorithm>

namespace dbf {
namespace {

// Records named in a finding about deletion flags; the others are only counted.
constexpr size_t kNamedRecords = 5;

std::string extensionOf(const std::string &path)
{
    const auto slash = path.find_last_of('/');
    const auto dot = path.find_last_of('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
        return {};
    return asciiLower(path.substr(dot));
}

struct MemoLocation
{
    bool needed = false; // the table has memo fields
    std::string path;
    MemoFormat format = MemoFormat::DBase3;
};

// FoxPro tables keep memos in .fpt, database containers in .dct, dBase tables in .dbt; the
// other extension is tried as well for tables whose writer mixed them up.
MemoLocation findMemoFile(const std::string &tablePath, const TableHeader &header)
{
    MemoLocation memo;
    memo.needed = std::any_of(header.fields.begin(), header.fields.end(),
                              [&](const Field &f) { return f.isMemo(header.dialect); });
    if (!memo.needed)
        return memo;
    const bool fox = header.dialect == Dialect::FoxPro || header.dialect == Dialect::VisualFoxPro;
    memo.path = extensionOf(tablePath) == ".dbc" ? findCompanion(tablePath, {".dct"})
            : fox                                ? findCompanion(tablePath, {".fpt", ".dbt"})
                                                 : findCompanion(tablePath, {".dbt", ".fpt"});
    if (extensionOf(memo.path) != ".dbt")
        memo.format = MemoFormat::FoxPro;
    else if (header.dialect != Dialect::DBase3)
        memo.format = MemoFormat::DBase4;
    return memo;
}

} // namespace

Result<Table> Table::open(const std::string &path, const OpenOptions &options)
{
    auto bytes = ByteSource::openFile(path, options.snapshotLimit);
    if (!bytes)
        return bytes.error();
    auto table = create(path, *bytes, options);
    if (!table)
        return table;

    if (const MemoLocation memo = findMemoFile(path, table->m_header); !memo.path.empty()) {
        if (auto memoBytes = ByteSource::openFile(memo.path))
            table->openMemo(*memoBytes, memo.format, memo.path);
        else
            table->m_findings.push_back(
                    {FindingKind::MemoUnreadable,
                     memoBytes.error().description + " Memofelder bleiben leer."});
    } else if (memo.needed) {
        table->m_findings.push_back({FindingKind::MemoMissing,
                                     "Die Memodatei zur Tabelle fehlt; Memofelder bleiben leer."});
    }
    return table;
}

Result<Table> Table::fromBytes(const std::string &name, std::string table,
                               std::optional<std::string> memo, MemoFormat memoFormat,
                               const OpenOptions &options)
{
    auto result = create(name, ByteSource::fromBuffer(std::move(table)), options);
    if (result && memo)
        result->openMemo(ByteSource::fromBuffer(std::move(*memo)), memoFormat, name + " (Memo)");
    return result;
}

Result<Table> Table::create(const std::string &path, std::shared_ptr<const ByteSource> bytes,
                            const OpenOptions &options)
{
    auto header = parseHeader(bytes->view(), path);
    if (!header)
        return header.error();
    auto layoutFindings = settleLayout(*header, bytes->view(), path);
    if (!layoutFindings)
        return layoutFindings.error();

    Table table;
    table.m_path = path;
    table.m_bytes = std::move(bytes);
    table.m_header = std::move(*header);
    table.m_includeDeleted = options.includeDeleted;
    table.m_findings = std::move(*layoutFindings);
    if (!lastUpdateValid(table.m_header))
        table.m_findings.push_back(
                {FindingKind::HeaderDate,
                 "Das Datum der letzten Änderung im Dateikopf ist kein Tag des Kalenders (Bytes "
                         + lastUpdateBytesText(table.m_header)
                         + "); es wird nicht als Datum gezeigt.",
                 lastUpdateOffset(table.m_header)});
    for (size_t i = 0; i < table.m_header.fields.size(); ++i) {
        if (!table.m_header.fields[i].hidden)
            table.m_visible.push_back(i);
    }
    table.countRecords();
    table.checkRecordStarts();

    std::string cpgContent;
    if (const std::string cpg = findCompanion(path, {".cpg"}); !cpg.empty()) {
        if (auto cpgBytes = ByteSource::openFile(cpg))
            cpgContent = std::string((*cpgBytes)->view().substr(0, 64));
    }
    if (auto chosen = table.chooseEncoding(options, cpgContent); !chosen)
        return chosen.error();

    for (size_t index : table.m_visible) {
        std::string name = table.m_decoder.decode(table.m_header.fields[index].rawName);
        while (!name.empty() && name.back() == ' ')
            name.pop_back();
        table.m_names.push_back(std::move(name));
    }
    return table;
}

void Table::countRecords()
{
    const uint64_t length = m_header.recordLength;
    const std::string_view data = m_bytes->view().substr(m_header.headerLength);
    const uint64_t whole = data.size() / length;
    const uint64_t inHeader = m_header.headerRecordCount;
    auto record = [&](uint64_t r) {
        return data.substr(static_cast<size_t>(r * length), static_cast<size_t>(length));
    };

    // Records present, the last one possibly cut short (then it is kept and padded with blanks,
    // so that what it still holds can be read).
    uint64_t present = inHeader;
    bool partial = false;
    if (inHeader <= whole) {
        // More records than the header says: seen in files of interrupted writers
        // (lessThanActualRecords.dbf of go-dbf). Records count as long as they start with a
        // deletion flag; the end marker, padding or stray bytes after the data do not. When the
        // file ends with whole records and the sampled ones among them start with a flag, all
        // count, without a walk through the whole file.
        auto flagged = [&](uint64_t r) {
            return isRecordFlag(data[static_cast<size_t>(r * length)]);
        };
        bool allCount = whole > inHeader && flagged(whole - 1)
                && isTailPadding(data.substr(static_cast<size_t>(whole * length)));
        for (uint64_t r : allCount ? sampledRecords(whole - inHeader) : std::vector<uint64_t> {})
            allCount = allCount && flagged(inHeader + r);
        if (allCount)
            present = whole;
        while (present < whole && flagged(present))
            ++present;
    } else {
        present = whole;
        const uint64_t rest = data.size() - whole * length;
        partial = rest > 1 || (rest == 1 && data[static_cast<size_t>(whole * length)] != '\x1A');
        present += partial ? 1 : 0;
    }

    // A header that counts more records than were written, the file filled up with end markers
    // or zeros to a block boundary (writers that allocate whole blocks): the padding is no
    // record. Looked for only at the end, and only over a short tail.
    uint64_t kept = present;
    while (kept > 0 && (present - kept) * length < kMostPaddingBytes
           && isTailPadding(record(kept - 1)))
        --kept;
    const uint64_t tail = data.size() - std::min<uint64_t>(data.size(), kept * length);
    const bool padded = kept < present && tail <= kMostPaddingBytes
            && isTailPadding(data.substr(static_cast<size_t>(kept * length)));
    if (padded) {
        present = kept;
        partial = false;
    }

    m_recordCount = present;
    if (partial) {
        m_partialRecord.assign(data.substr(static_cast<size_t>(whole * length)));
        m_partialRecord.resize(static_cast<size_t>(length), ' ');
    }
    const std::string said = "Der Dateikopf nennt " + std::to_string(inHeader) + " Datensätze, ";
    if (padded)
        m_findings.push_back({FindingKind::PaddingRecords,
                              said + "die Datei enthält " + std::to_string(present)
                                      + "; dahinter folgen bis zum Dateiende nur Füllbytes (0x1A "
                                        "oder 0x00), die keine Datensätze sind.",
                              m_header.headerLength + present * length, present});
    else if (partial)
        m_findings.push_back({FindingKind::PartialRecord,
                              said + "die Datei enthält nur " + std::to_string(whole)
                                      + " vollständige und einen unvollständigen.",
                              m_header.headerLength + whole * length, whole});
    else if (present != inHeader)
        m_findings.push_back({FindingKind::RecordCount,
                              said + "die Datei enthält " + (present < inHeader ? "nur " : "")
                                      + std::to_string(present) + ".",
                              uint64_t {4}});
}

void Table::checkRecordStarts()
{
    // Bytes after the last record that start none (javadbf's myfileafter-corrupted.dbf: a
    // zero-filled record the header does not count): not shown, but said. Stale bytes after
    // the end marker are no news: dBase II writes whole blocks (dbase_02.dbf of infused/dbf).
    const uint64_t length = m_header.recordLength;
    const std::string_view data = m_bytes->view().substr(m_header.headerLength);
    const uint64_t end = std::min<uint64_t>(m_recordCount * length, data.size());
    const std::string_view rest = data.substr(static_cast<size_t>(end));
    if (!rest.empty() && rest[0] != '\x1A' && !isTailPadding(rest.substr(0, kMostPaddingBytes)))
        m_findings.push_back({FindingKind::TrailingBytes,
                              "Nach dem letzten Datensatz folgen noch "
                                      + std::to_string(data.size() - end)
                                      + " Bytes, die keinen Datensatz beginnen (kein "
                                        "Löschkennzeichen ' ' oder '*'); sie werden nicht gezeigt.",
                              m_header.headerLength + end, m_recordCount});

    std::vector<uint64_t> bad;
    const std::vector<uint64_t> sample = sampledRecords(m_recordCount);
    for (uint64_t r : sample) {
        if (!isRecordFlag(recordBytes(r)[0]))
            bad.push_back(r);
    }
    if (!bad.empty())
        m_findings.push_back(badFlags(bad.size(), sample.size(), bad));
}

Finding Table::badFlags(uint64_t bad, uint64_t looked, const std::vector<uint64_t> &first) const
{
    std::string numbers;
    for (size_t i = 0; i < first.size() && i < kNamedRecords; ++i)
        numbers += (i ? ", " : "") + std::to_string(first[i] + 1);
    if (bad > kNamedRecords)
        numbers += " …";
    return {FindingKind::BadDeletionFlag,
            std::to_string(bad) + " von " + std::to_string(looked) + " geprüften Datensätzen "
                    + (bad == 1 ? "beginnt" : "beginnen")
                    + " weder mit dem Löschkennzeichen ' ' noch mit '*' (Datensatz " + numbers
                    + "); sie werden als nicht gelöscht gezeigt.",
            m_header.headerLength + first.front() * m_header.recordLength, first.front()};
}

void Table::openMemo(std::shared_ptr<const ByteSource> bytes, MemoFormat format, std::string path)
{
    auto memo = MemoFile::open(std::move(bytes), format, std::move(path));
    if (memo)
        m_memo = std::move(*memo);
    else
        m_findings.push_back({FindingKind::MemoUnreadable,
                              memo.error().description + " Memofelder bleiben leer."});
}

const std::string &Table::memoPath() const
{
    static const std::string none;
    return m_memo ? m_memo->path() : none;
}

int Table::fieldIndex(std::string_view name) const
{
    for (size_t i = 0; i < m_names.size(); ++i) {
        if (sameName(m_names[i], name))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace dbf
