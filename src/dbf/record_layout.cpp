// Settling the record layout: a few candidate layouts from the header's numbers and from the
// descriptors, weighed by the deletion flags at sampled record starts and by the file size.
#include "record_layout.h"

#include <algorithm>
#include <optional>

namespace dbf {
namespace {

// A table up to this many records has every record start looked at; a larger one the first and
// the last kSampleEnds and kSampleSpread between them, so that opening costs the same for ten
// thousand records and for ten million.
constexpr uint64_t kSampleAll = 4096;
constexpr uint64_t kSampleEnds = 64;
constexpr uint64_t kSampleSpread = 128;

// Visual FoxPro keeps the 263-byte path of its database container after the terminator.
constexpr uint64_t kBacklinkLength = 263;

Error damaged(ErrorCode code, const std::string &path, uint64_t offset, const std::string &what)
{
    return {code,
            "Die Datei »" + path + "« ist beschädigt: " + what + " (Byte " + std::to_string(offset)
                    + ")."};
}

// One way to read the file: records from `headerLength` on, `recordLength` bytes each, laid out
// by the first `fieldCount` descriptors.
struct Candidate
{
    uint64_t headerLength;
    uint64_t recordLength;
    size_t fieldCount;

    bool operator==(const Candidate &) const = default;
};

// What the file's bytes say about a candidate.
struct Evidence
{
    bool fits = false; // the fields fit into the record and the records start inside the file
    uint64_t sampled = 0; // record starts looked at, up to the first without a deletion flag
    uint64_t flagged = 0; // of them, those with a deletion flag
    bool tailFits = false; // the file holds whole records, then at most padding
    bool endMarker = false; // the end marker 0x1A follows the last record

    bool flagsHold() const { return fits && flagged == sampled; }
    bool confirms() const { return flagsHold() && tailFits; }
};

// C fields over 255 bytes keep the high byte of their length in the decimals byte when `wide`
// (Clipper, FoxPro: pr90.dbf, FolderRoot.dbf), but Excel writes decimals into C fields as well
// (wrong-exented-character-field.dbf): only the record length tells them apart.
uint32_t lengthOf(const Field &field, bool wide)
{
    return field.length + (wide && field.type == 'C' ? uint32_t(field.decimals) << 8 : 0);
}

// The deletion flag and the fields' bytes of the first `count` descriptors.
uint64_t fieldsLength(const std::vector<Field> &fields, size_t count, bool wide)
{
    uint64_t length = 1;
    for (size_t i = 0; i < count; ++i)
        length += lengthOf(fields[i], wide);
    return length;
}

Evidence weigh(std::string_view file, uint64_t count, const Candidate &c, uint64_t length)
{
    Evidence evidence;
    evidence.fits = c.headerLength <= file.size() && length <= c.recordLength;
    if (!evidence.fits)
        return evidence;
    const std::string_view data = file.substr(static_cast<size_t>(c.headerLength));
    const uint64_t whole = data.size() / c.recordLength;
    auto record = [&](uint64_t r) {
        return data.substr(static_cast<size_t>(r * c.recordLength),
                           static_cast<size_t>(c.recordLength));
    };
    uint64_t records = count ? std::min(count, whole) : whole;
    // Padding after the records is no record (a bounded look, from the end).
    for (uint64_t looked = 0; records > 0 && looked * c.recordLength < kMostPaddingBytes
         && isTailPadding(record(records - 1));
         ++looked)
        --records;
    for (uint64_t r : sampledRecords(records)) {
        ++evidence.sampled;
        if (!isRecordFlag(data[static_cast<size_t>(r * c.recordLength)]))
            break; // one start without a flag rules the reading out
        ++evidence.flagged;
    }
    const std::string_view tail = data.substr(static_cast<size_t>(records * c.recordLength));
    evidence.tailFits = isTailPadding(tail.substr(0, kMostPaddingBytes));
    evidence.endMarker = !tail.empty() && tail[0] == '\x1A';
    return evidence;
}

// DATASUS (the Brazilian health ministry) publishes .dbc files: a dBase III header whose
// records follow, after a 4-byte checksum, compressed with PKWare's DCL implode, whose first
// two bytes give the literal coding (0 or 1) and the dictionary size (4, 5 or 6). Seen in
// sids.dbc and storm.dbc of javadbf: the descriptors end right before the header length, the
// file is smaller than the header says by more than a record, and the first "record" starts
// with a byte that is no deletion flag.
bool isCompressed(const TableHeader &header, std::string_view file)
{
    const uint64_t at = header.headerLength;
    const uint64_t described = at + uint64_t(header.headerRecordCount) * header.recordLength;
    if (described < file.size() + header.recordLength || at + 6 > file.size()
        || header.descriptorsEnd + 1 != at || file[at - 1] != 0x0D || isRecordFlag(file[at]))
        return false;
    const auto literals = static_cast<uint8_t>(file[at + 4]);
    const auto dictionary = static_cast<uint8_t>(file[at + 5]);
    return literals <= 1 && dictionary >= 4 && dictionary <= 6;
}

// Without a terminator (or with 0x00 or 0x0A for one), what follows the last descriptor is read
// as descriptors as long as the header length allows: the 263-byte backlink of Visual FoxPro
// ("northwind.dbc" in dbase_31.dbf with its terminator lost) or stale header bytes. When the first
// descriptors alone fill the record length exactly, they are the fields and the descriptors end
// after them.
void endAtRecordLength(TableHeader &header)
{
    std::vector<Field> &fields = header.fields;
    auto fills = [&](size_t count) {
        return fieldsLength(fields, count, false) == header.recordLength
                || fieldsLength(fields, count, true) == header.recordLength;
    };
    for (size_t count = 1; count < fields.size(); ++count) {
        if (fills(count)) {
            header.descriptorsEnd = fields[count].descriptorAt;
            header.terminated = false;
            fields.resize(count);
            header.fieldsInStatedHeader = std::min(header.fieldsInStatedHeader, count);
            return;
        }
    }
}

std::string number(uint64_t value)
{
    return std::to_string(value);
}

// Places the fields one after another from byte 1, a single zero-length field taking the room
// the record length leaves; tells of zero-length fields and of bytes that belong to no field.
void placeFields(TableHeader &header, bool wide, std::vector<Finding> &findings)
{
    const uint64_t room =
            header.recordLength - fieldsLength(header.fields, header.fields.size(), wide);
    const auto zeros = std::count_if(header.fields.begin(), header.fields.end(),
                                     [](const Field &f) { return f.length == 0; });
    uint32_t offset = 1;
    for (size_t i = 0; i < header.fields.size(); ++i) {
        Field &field = header.fields[i];
        if (wide && field.type == 'C') {
            field.length = lengthOf(field, wide);
            field.decimals = 0;
        }
        if (field.length == 0) {
            // A writer that lost a field's length byte (tables built by hand for station logs):
            // the record length still holds the field's bytes.
            const bool filled = room > 0 && zeros == 1;
            if (filled)
                field.length = static_cast<uint32_t>(room);
            findings.push_back({FindingKind::ZeroLengthField,
                                "Das Feld »" + field.rawName
                                        + "« hat laut Feldbeschreibung die Länge 0; "
                                        + (filled ? "die Datensatzlänge lässt ihm " + number(room)
                                                           + " Bytes, mit denen es gelesen wird."
                                                  : std::string("es bleibt leer.")),
                                uint64_t {field.descriptorAt}});
        }
        field.offset = offset;
        offset += field.length;
    }
    if (offset < header.recordLength)
        findings.push_back({FindingKind::FieldGap,
                            "Die Felder belegen mit dem Löschkennzeichen nur " + number(offset)
                                    + " der " + number(header.recordLength)
                                    + " Bytes eines Datensatzes; die übrigen gehören zu keinem "
                                      "Feld. Liegt die Lücke zwischen zwei Feldern, sind die "
                                      "Werte dahinter verschoben.",
                            uint64_t {10}});
}

// What the descriptors say of the layout, against which the candidates are weighed.
struct Reading
{
    const TableHeader &header;
    std::string_view file;
    bool wide; // C fields over 255 bytes, see lengthOf()
    uint64_t described; // the deletion flag and the fields' bytes by the descriptors
    std::vector<uint64_t> afterDescriptors; // where the records start by the descriptors

    // 1 for a start after the descriptors (any start in dBase II, which has no terminator), 1
    // for the record length the fields fill.
    int agreement(const Candidate &c) const
    {
        const bool start =
                std::find(afterDescriptors.begin(), afterDescriptors.end(), c.headerLength)
                != afterDescriptors.end();
        return (start || header.dialect == Dialect::DBase2 ? 1 : 0)
                + (c.recordLength == described ? 1 : 0);
    }
    Evidence evidenceOf(const Candidate &c) const
    {
        return weigh(file, header.headerRecordCount, c,
                     fieldsLength(header.fields, c.fieldCount, wide));
    }
};

// Where the records start by the descriptors: after the terminator (and the backlink of Visual
// FoxPro), or right after the last descriptor when there is no terminator.
std::vector<uint64_t> startsAfterDescriptors(const TableHeader &header, std::string_view file)
{
    std::vector<uint64_t> starts;
    if (header.dialect == Dialect::DBase2)
        return starts;
    const uint64_t end = header.descriptorsEnd;
    if (header.terminated) {
        starts.push_back(end + 1);
        // Clipper and Harbour write a 0x00 after the terminator (carts.dbf, words.dbf of
        // harbour-core).
        if (end + 1 < file.size() && file[end + 1] == 0)
            starts.push_back(end + 2);
        if (header.dialect == Dialect::VisualFoxPro)
            starts.push_back(end + 1 + kBacklinkLength);
    } else {
        starts.push_back(end);
        if (header.dialect == Dialect::VisualFoxPro)
            starts.push_back(end + kBacklinkLength);
    }
    return starts;
}

Reading readingOf(const TableHeader &header, std::string_view file)
{
    const std::vector<Field> &fields = header.fields;
    const uint64_t wideLength = fieldsLength(fields, fields.size(), true);
    const bool wide = wideLength != fieldsLength(fields, fields.size(), false)
            && wideLength == header.recordLength;
    return {header, file, wide, fieldsLength(fields, fields.size(), wide),
            startsAfterDescriptors(header, file)};
}

// A candidate with what the file's bytes say about it.
struct Weighed
{
    Candidate candidate;
    Evidence evidence;
};

// The readings other than the header's that the file confirms, of those that agree best with
// the descriptors.
struct Confirmed
{
    std::vector<Weighed> candidates;
    int best = -1; // their agreement
};

// The candidates: the starts after the descriptors and a header length one or two bytes off
// (the commonest slip of hand-made writers), each with the header's record length and the one
// the fields fill. Each is weighed once, though a start or a length may be named twice (the
// start after the descriptors is mostly the header's, the fields mostly fill its length).
Confirmed confirmedCandidates(const Reading &reading, const Candidate &stated)
{
    const TableHeader &header = reading.header;
    std::vector<uint64_t> starts = reading.afterDescriptors;
    for (int64_t by : {0, -2, -1, 1, 2})
        starts.push_back(static_cast<uint64_t>(header.headerLength + by));
    Confirmed confirmed;
    std::vector<Weighed> &found = confirmed.candidates;
    std::vector<Candidate> weighed;
    for (uint64_t start : starts) {
        for (uint64_t length : {uint64_t {header.recordLength}, reading.described}) {
            const Candidate c {start, length, header.fields.size()};
            if (c == stated || c.headerLength < header.descriptorsEnd || length == 0
                || std::find(weighed.begin(), weighed.end(), c) != weighed.end())
                continue;
            weighed.push_back(c);
            const Evidence evidence = reading.evidenceOf(c);
            if (!evidence.confirms())
                continue;
            const int agreement = reading.agreement(c);
            if (agreement > confirmed.best)
                found.clear();
            if (agreement >= confirmed.best) {
                confirmed.best = agreement;
                found.push_back({c, evidence});
            }
        }
    }
    // Readings that agree equally well with the descriptors (a table without records, where
    // the terminator and the Clipper 0x00 after it both give a start): the one that keeps one
    // of the header's own numbers.
    if (found.size() > 1)
        std::erase_if(found, [&](const Weighed &w) {
            return w.candidate.headerLength != header.headerLength
                    && w.candidate.recordLength != header.recordLength;
        });
    return confirmed;
}

// Which reading is taken, and how the header's own one stands.
struct Choice
{
    std::optional<Candidate> other; // taken instead of the header's reading
    bool statedHolds = false; // the record starts confirm the header's reading
    bool betterAgreed = false; // another reading agrees better with the descriptors
    bool statedDisagrees = false; // the header's numbers disagree with the descriptors
};

// The header's reading stands while the record starts confirm it. Another one that agrees
// better with the descriptors is taken when there are no records to look at, or when it also
// explains the file's end: whole records and the end marker, where the header's reading leaves
// a piece of a record or no end marker (a first field whose values all start with a blank
// gives deletion flags at the wrong starts as well).
Choice chooseLayout(const Reading &reading, const Candidate &stated)
{
    const Confirmed confirmed = confirmedCandidates(reading, stated);
    const Evidence statedEvidence = reading.evidenceOf(stated);
    Choice choice;
    choice.statedHolds = statedEvidence.flagsHold();
    choice.betterAgreed = confirmed.best > reading.agreement(stated);
    choice.statedDisagrees = reading.agreement(stated) < 2;
    if (confirmed.candidates.size() != 1)
        return choice;
    const Weighed &only = confirmed.candidates.front();
    const bool endExplained =
            !statedEvidence.tailFits || (only.evidence.endMarker && !statedEvidence.endMarker);
    if (!choice.statedHolds
        || (choice.betterAgreed && (statedEvidence.sampled == 0 || endExplained)))
        choice.other = only.candidate;
    return choice;
}

// What taking `taken` instead of the header's numbers corrects.
void correctionFindings(const Reading &reading, const Candidate &taken,
                        std::vector<Finding> &findings)
{
    const TableHeader &header = reading.header;
    if (taken.headerLength != header.headerLength)
        findings.push_back(
                {FindingKind::HeaderLength,
                 "Der Dateikopf nennt die Kopflänge " + number(header.headerLength) + "; "
                         + (header.terminated ? "das Endezeichen der Feldbeschreibungen steht "
                                                "bei Byte "
                                              : "die Feldbeschreibungen enden ohne "
                                                "Endezeichen bei Byte ")
                         + number(header.descriptorsEnd) + ", und ab Byte "
                         + number(taken.headerLength)
                         + " beginnt jeder Datensatz mit einem Löschkennzeichen: gelesen wird "
                           "ab Byte "
                         + number(taken.headerLength) + ".",
                 uint64_t {8}});
    if (taken.recordLength != header.recordLength)
        findings.push_back({FindingKind::RecordLength,
                            "Der Dateikopf nennt die Datensatzlänge " + number(header.recordLength)
                                    + ", die Felder belegen mit dem Löschkennzeichen aber "
                                    + number(reading.described)
                                    + " Bytes, und die Datei besteht aus Datensätzen dieser Länge; "
                                      "gelesen wird mit "
                                    + number(taken.recordLength) + " Bytes.",
                            uint64_t {header.dialect == Dialect::DBase2 ? 6u : 10u}});
}

// Reading as the header says: its fields must fit into its record length. Tells when the
// header's numbers disagree with the descriptors and the file either confirms another reading
// as well (a first field whose values all start with a blank) or none.
Result<bool> keepStatedLayout(TableHeader &header, const Reading &reading, const Choice &choice,
                              const std::string &path, std::vector<Finding> &findings)
{
    header.fields.resize(header.fieldsInStatedHeader);
    for (size_t i = 0; i < header.fields.size(); ++i) {
        const Field &field = header.fields[i];
        if (fieldsLength(header.fields, i + 1, reading.wide) > header.recordLength)
            return damaged(ErrorCode::FieldsOverrunRecord, path, field.descriptorAt,
                           "das Feld »" + field.rawName + "« reicht über die Datensatzlänge "
                                   + number(header.recordLength) + " hinaus");
    }
    if ((choice.statedHolds && choice.betterAgreed)
        || (!choice.statedHolds && choice.statedDisagrees))
        findings.push_back(
                {FindingKind::ShiftedValuesPossible,
                 "Kopflänge " + number(header.headerLength) + " und Datensatzlänge "
                         + number(header.recordLength)
                         + " des Dateikopfs passen nicht zu den Feldbeschreibungen (sie enden "
                           "bei Byte "
                         + number(header.descriptorsEnd) + ", die Felder belegen "
                         + number(reading.described)
                         + " Bytes), und die Datei bestätigt keine andere Lesart eindeutig. "
                           "Gelesen wird, wie der Kopf sagt; die Werte können verschoben "
                           "sein.",
                 uint64_t {8}});
    return true;
}

} // namespace

bool isTailPadding(std::string_view bytes)
{
    return std::all_of(bytes.begin(), bytes.end(), [](char c) { return c == '\x1A' || c == 0; });
}

std::vector<uint64_t> sampledRecords(uint64_t count)
{
    std::vector<uint64_t> records;
    if (count <= kSampleAll) {
        for (uint64_t r = 0; r < count; ++r)
            records.push_back(r);
        return records;
    }
    for (uint64_t r = 0; r < kSampleEnds; ++r)
        records.push_back(r);
    const uint64_t step = (count - 2 * kSampleEnds) / (kSampleSpread + 1);
    for (uint64_t i = 1; i <= kSampleSpread; ++i)
        records.push_back(kSampleEnds + i * step);
    for (uint64_t r = count - kSampleEnds; r < count; ++r)
        records.push_back(r);
    return records;
}

Result<std::vector<Finding>> settleLayout(TableHeader &header, std::string_view file,
                                          const std::string &path)
{
    if (isCompressed(header, file))
        return Error {ErrorCode::CompressedTable,
                      "Die Datei »" + path
                              + "« ist eine komprimierte Tabelle (wie die .dbc-Dateien von "
                                "DATASUS), keine dBase-Tabelle, wie sie vorliegt: ihre "
                                "Datensätze müssen erst entpackt werden."};
    if (!header.terminated || file[header.descriptorsEnd] != 0x0D)
        endAtRecordLength(header);

    const Reading reading = readingOf(header, file);
    const Choice choice = chooseLayout(
            reading, {header.headerLength, header.recordLength, header.fieldsInStatedHeader});
    std::vector<Finding> findings;
    if (choice.other) {
        correctionFindings(reading, *choice.other, findings);
        header.headerLength = static_cast<uint32_t>(choice.other->headerLength);
        header.recordLength = static_cast<uint32_t>(choice.other->recordLength);
    } else if (auto kept = keepStatedLayout(header, reading, choice, path, findings); !kept) {
        return kept.error();
    }
    if (header.dialect != Dialect::DBase2 && !header.terminated)
        findings.push_back({FindingKind::MissingTerminator,
                            "Nach der letzten Feldbeschreibung fehlt das Endezeichen 0x0D (Byte "
                                    + number(header.descriptorsEnd) + ").",
                            uint64_t {header.descriptorsEnd}});
    placeFields(header, reading.wide, findings);
    return findings;
}

} // namespace dbf
