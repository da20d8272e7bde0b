// Opening a table: header, record count, code page and memo file; reading values.
#include "table.h"

#include "ascii.h"
#include "companion_file.h"
#include "huge_pages.h"
#include "names.h"
#include "record_layout.h"

#include <algorithm>
#include <cstdio>

namespace dbf {
namespace {

// Records named in a finding about deletion flags; the others are only counted.
constexpr size_t kNamedRecords = 5;

// Records sampled to choose a code page: the first ones and some spread over the whole file,
// so that the choice costs the same for ten records and for ten million.
constexpr uint64_t kLeadingSample = 64;
constexpr uint64_t kSpreadSample = 192;

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

std::vector<std::string_view> Table::textSample() const
{
    std::vector<std::string_view> sample;
    for (const Field &field : m_header.fields)
        sample.push_back(field.rawName);

    auto addRecord = [&](uint64_t record) {
        for (const Field &field : m_header.fields) {
            if (field.type == 'C' || field.type == 'V')
                sample.push_back(recordBytes(record).substr(field.offset, field.length));
        }
    };
    const uint64_t leading = std::min(m_recordCount, kLeadingSample);
    for (uint64_t record = 0; record < leading; ++record)
        addRecord(record);
    if (m_recordCount > leading) {
        const uint64_t step = std::max<uint64_t>(1, (m_recordCount - leading) / kSpreadSample);
        for (uint64_t record = leading; record < m_recordCount; record += step)
            addRecord(record);
    }
    return sample;
}

Result<bool> Table::chooseEncoding(const OpenOptions &options, const std::string &cpgContent)
{
    char driver[8];
    std::snprintf(driver, sizeof driver, "0x%02X", m_header.languageDriver);
    std::pair<std::string, uint64_t> named; // the header's naming of the code page, its offset

    if (!options.encoding.empty()) {
        m_encoding = {options.encoding, EncodingChoice::Source::Override,
                      "vom Aufrufer vorgegeben"};
    } else if (const std::string fromCpg = codePageOfCpg(cpgContent); !fromCpg.empty()) {
        m_encoding = {fromCpg, EncodingChoice::Source::CpgFile, "aus der .cpg-Datei"};
    } else if (const std::string fromDriver = codePageOfLanguageDriver(m_header.languageDriver);
               !fromDriver.empty()) {
        m_encoding = {fromDriver, EncodingChoice::Source::LanguageDriver,
                      std::string("aus dem Sprachtreiber-Byte ") + driver};
        named = {std::string("Sprachtreiber-Byte ") + driver, 29};
    } else if (const std::string fromName = codePageOfDriverName(m_header.languageDriverName);
               !fromName.empty()) {
        m_encoding = {fromName, EncodingChoice::Source::LanguageDriver,
                      "aus dem Sprachtreiber »" + m_header.languageDriverName + "«"};
        named = {"Sprachtreiber »" + m_header.languageDriverName + "«", 32};
    } else {
        m_encoding = detectEncoding(textSample());
        if (m_header.languageDriver != 0)
            m_encoding.reason = std::string("Sprachtreiber-Byte ") + driver + " ist unbekannt; "
                    + m_encoding.reason.substr(m_encoding.reason.find(';') + 2);
    }

    auto decoder = TextDecoder::create(m_encoding.name);
    if (!decoder && m_encoding.source == EncodingChoice::Source::Override)
        return decoder.error();
    if (!decoder) {
        // A code page no decoder here knows (a .cpg naming one): read the text as the bytes
        // suggest.
        const std::string unknown = m_encoding.name;
        m_encoding = detectEncoding(textSample());
        m_encoding.reason = "Codepage " + unknown + " wird nicht unterstützt; "
                + m_encoding.reason.substr(m_encoding.reason.find(';') + 2);
        decoder = TextDecoder::create(m_encoding.name);
    }
    m_encoding.name = decoder->name();
    m_decoder = *decoder;
    if (m_encoding.source == EncodingChoice::Source::LanguageDriver)
        readAgainstContradiction(named.first, named.second);
    return true;
}

void Table::readAgainstContradiction(const std::string &driver, uint64_t offset)
{
    const auto contradiction = contradictedEncoding(textSample(), m_decoder);
    if (!contradiction)
        return;
    const std::string named = m_encoding.name;
    m_encoding = contradiction->choice;
    m_encoding.reason = driver + " nennt " + named + ", doch " + contradiction->evidence
            + (m_encoding.reason.empty() ? "" : "; " + m_encoding.reason);
    m_decoder = *TextDecoder::create(m_encoding.name);
    m_findings.push_back({FindingKind::CodePageContradicted,
                          "Der Dateikopf nennt " + named + " (" + driver + "), doch "
                                  + contradiction->evidence + "; gelesen wird als "
                                  + m_encoding.name + ".",
                          offset});
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

std::string_view Table::recordBytes(uint64_t record) const
{
    const uint64_t length = m_header.recordLength;
    if (!m_partialRecord.empty() && record + 1 == m_recordCount)
        return m_partialRecord;
    const char *data = reinterpret_cast<const char *>(m_bytes->data()) + m_header.headerLength;
    return {data + record * length, static_cast<size_t>(length)};
}

std::string_view Table::bytesAfterRecords() const
{
    const uint64_t end = m_header.headerLength + m_recordCount * m_header.recordLength;
    if (!m_partialRecord.empty() || end >= m_bytes->size())
        return {};
    return m_bytes->view().substr(static_cast<size_t>(end));
}

uint64_t Table::recordsIn(uint64_t fileSize) const
{
    if (fileSize >= m_bytes->size())
        return m_recordCount;
    if (fileSize < m_header.headerLength)
        return 0;
    return std::min<uint64_t>(m_recordCount,
                              (fileSize - m_header.headerLength) / m_header.recordLength);
}

uint64_t Table::recordsHeld(const FileState &state) const
{
    return m_bytes->isSnapshot() ? m_recordCount : recordsIn(state.size);
}

bool Table::readRecord(uint64_t record, std::string &into) const
{
    const uint64_t length = m_header.recordLength;
    if (m_bytes->isSnapshot()) {
        into.assign(recordBytes(record));
        return true;
    }
    const uint64_t offset = m_header.headerLength + record * length;
    // A partial last record ends with the file as it was opened, padded with blanks.
    const uint64_t present = std::min<uint64_t>(length, m_bytes->size() - offset);
    into.assign(static_cast<size_t>(length), ' ');
    if (m_bytes->read(offset, static_cast<size_t>(present), into.data()))
        return true;
    into.assign(static_cast<size_t>(length), ' ');
    return false;
}

std::optional<Error> Table::checkRecord(uint64_t record) const
{
    if (m_bytes->isSnapshot() || record < recordsHeld(m_bytes->bytesState()))
        return std::nullopt;
    const uint64_t offset = m_header.headerLength + record * m_header.recordLength;
    return Error {ErrorCode::FileChanged,
                  "Die Datei »" + m_path + "« wurde von einem anderen Programm verkürzt: Datensatz "
                          + std::to_string(record + 1) + " (ab Byte " + std::to_string(offset)
                          + ") gibt es nicht mehr. Neu laden zeigt die Datei, wie sie jetzt ist."};
}

std::optional<Error> Table::change() const
{
    const FileState &was = m_bytes->openedState();
    const FileState now = m_bytes->pathState();
    if (now == was)
        return std::nullopt;
    auto count = [](const FileState &state) {
        uint32_t records = 0;
        for (int i = 7; i >= 4; --i)
            records = records << 8 | state.header[static_cast<size_t>(i)];
        return records;
    };
    auto bytes = [](uint64_t size) { return std::to_string(size) + " Bytes"; };
    std::string what;
    if (!now.present) {
        what = "gelöscht oder umbenannt";
    } else if (now.device != was.device || now.inode != was.inode) {
        what = "durch eine andere Datei ersetzt";
    } else if (now.size < was.size) {
        what = "verkürzt (von " + bytes(was.size) + " auf " + bytes(now.size) + ")";
        if (const uint64_t held = recordsIn(now.size); held < m_recordCount)
            what += ": Datensatz " + std::to_string(held + 1)
                    + (held + 1 < m_recordCount ? " bis Datensatz " + std::to_string(m_recordCount)
                                                : std::string())
                    + " gibt es nicht mehr";
    } else if (now.size > was.size) {
        what = "verlängert (von " + bytes(was.size) + " auf " + bytes(now.size) + ")";
    } else {
        what = "überschrieben";
    }
    if (now.present && count(now) != count(was))
        what += "; der Dateikopf nennt jetzt " + std::to_string(count(now)) + " statt "
                + std::to_string(count(was)) + " Datensätze";
    return Error {ErrorCode::FileChanged,
                  "Die Datei »" + m_path + "« wurde von einem anderen Programm " + what + "."};
}

std::string_view Table::fieldBytes(std::string_view recordBytes, size_t index) const
{
    const Field &f = field(index);
    return recordBytes.substr(f.offset, f.length);
}

FieldText Table::text(uint64_t record, size_t index) const
{
    return shownText(value(recordBytes(record), index));
}

FieldText Table::text(std::string_view bytes, size_t index) const
{
    const Field &f = field(index);
    if (f.isPlainCharacter()) {
        bool hasNul = false;
        FieldText shown {characterText(bytes.substr(f.offset, f.length), m_decoder, hasNul)};
        shown.raw = hasNul;
        return shown;
    }
    return shownText(value(bytes, index));
}

void Table::appendText(std::string_view bytes, size_t index, std::string &out) const
{
    const Field &f = field(index);
    if (f.isPlainCharacter()) {
        bool hasNul = false;
        appendCharacterText(bytes.substr(f.offset, f.length), m_decoder, out, hasNul);
        return;
    }
    appendDisplay(value(bytes, index), out);
}

Value Table::value(std::string_view bytes, size_t index) const
{
    std::string_view nullFlags;
    if (m_header.nullFlagsField >= 0) {
        const Field &flags = m_header.fields[static_cast<size_t>(m_header.nullFlagsField)];
        nullFlags = bytes.substr(flags.offset, flags.length);
    }
    const FieldContext context {m_header.dialect, m_decoder, m_memo ? &*m_memo : nullptr,
                                nullFlags};
    const Field &f = field(index);
    return decodeValue(f, bytes.substr(f.offset, f.length), context);
}

void Table::scan(const std::function<void(uint64_t record, std::string_view bytes)> &visit) const
{
    scanRange(0, m_recordCount, visit);
}

void Table::scanRange(
        uint64_t begin, uint64_t end,
        const std::function<void(uint64_t record, std::string_view bytes)> &visit) const
{
    scanWithin(begin, std::min(end, m_recordCount), false,
               [&](uint64_t record, std::string_view bytes) {
                   visit(record, bytes);
                   return true;
               });
}

void Table::scanFrom(
        uint64_t first, bool backward,
        const std::function<bool(uint64_t record, std::string_view bytes)> &visit) const
{
    scanWithin(first, m_recordCount, backward, visit);
}

void Table::scanWithin(
        uint64_t first, uint64_t end, bool backward,
        const std::function<bool(uint64_t record, std::string_view bytes)> &visit) const
{
    // Chunks start small, so that a caller who stops early reads little, and double up to 4 MB.
    constexpr size_t kFirstChunkBytes = 64 << 10, kChunkBytes = 4 << 20;
    const uint64_t length = m_header.recordLength;
    const uint64_t mostPerChunk = std::max<uint64_t>(1, kChunkBytes / length);
    uint64_t perChunk = std::max<uint64_t>(1, kFirstChunkBytes / length) / 2;
    const uint64_t records = backward ? first + 1 : end - std::min(first, end);
    // Read live, the chunks are checked against the file's state when the scan began.
    const bool live = !m_bytes->isSnapshot();
    const FileState before = live ? m_bytes->bytesState() : FileState {};
    std::optional<uint64_t> held; // found once a chunk could not be read
    std::string chunk, single;
    reserveHuge(chunk, static_cast<size_t>(std::min(mostPerChunk, records) * length));
    for (uint64_t next = first; next < end;) {
        perChunk = std::min(std::max<uint64_t>(1, perChunk * 2), mostPerChunk);
        // The chunk holds records [begin, begin + count), read at once.
        const uint64_t begin = backward ? (next + 1 >= perChunk ? next + 1 - perChunk : 0) : next;
        const uint64_t count = backward ? next + 1 - begin : std::min(perChunk, end - begin);
        chunk.resize(static_cast<size_t>(count * length));
        const bool read = !(m_partialRecord.size() && begin + count == m_recordCount)
                && m_bytes->read(m_header.headerLength + begin * length,
                                 static_cast<size_t>(count * length), chunk.data());
        if (live && m_bytes->bytesState() != before)
            return; // what this chunk holds may be of another state than what came before
        if (live && !read && !held)
            held = recordsHeld(before);
        for (uint64_t i = 0; i < count; ++i) {
            const uint64_t record = backward ? next - i : begin + i;
            std::string_view bytes;
            if (read) {
                bytes = std::string_view(chunk).substr(
                        static_cast<size_t>((record - begin) * length),
                        static_cast<size_t>(length));
            } else if (!live) {
                bytes = recordBytes(record);
            } else {
                // Records the file no longer holds are left out rather than read as zeros.
                if (record >= *held || !readRecord(record, single))
                    continue;
                bytes = single;
            }
            if (!visit(record, bytes))
                return;
        }
        if (backward && begin == 0)
            return;
        next = backward ? begin - 1 : begin + count;
    }
}

std::optional<uint64_t> Table::nextRecord(uint64_t record) const
{
    for (; record < m_recordCount; ++record) {
        if (visits(recordBytes(record)))
            return record;
    }
    return std::nullopt;
}

} // namespace dbf
