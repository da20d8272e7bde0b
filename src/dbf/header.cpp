// Parsing of the table header and the field descriptors (layouts in docs/dbf_format.md).
#include "header.h"

#include "ascii.h"
#include "byte_order.h"
#include "calendar.h"

#include <algorithm>
#include <cstdio>

namespace dbf {
namespace {

Error damaged(ErrorCode code, const std::string &path, uint64_t offset, const std::string &what)
{
    return {code,
            "Die Datei »" + path + "« ist beschädigt: " + what + " (Byte " + std::to_string(offset)
                    + ")."};
}

// dBase counts the year from 1900 (115 for 2015); Visual FoxPro and other writers store only its
// last two digits (15 for 2015; 0x11 for 2017 in mazovia.dbf of infused/dbf).
int storedYear(uint8_t stored)
{
    return stored < 100 ? fullYear(stored, 2) : 1900 + stored;
}

struct VersionInfo
{
    Dialect dialect;
    bool known;
};

VersionInfo classify(uint8_t version)
{
    switch (version) {
    case 0x02:
        return {Dialect::DBase2, true};
    case 0x03:
    case 0x83:
        return {Dialect::DBase3, true};
    case 0x05: // dBase 5 for DOS keeps the dBase IV layout
    case 0x43:
    case 0x63:
    case 0x7B:
    case 0x8B:
    case 0xB3:
    case 0xCB:
        return {Dialect::DBase4, true};
    case 0x04:
    case 0x8C:
        return {Dialect::DBase7, true};
    case 0xF5:
    case 0xFB:
        return {Dialect::FoxPro, true};
    case 0x30:
    case 0x31:
    case 0x32:
        return {Dialect::VisualFoxPro, true};
    default:
        return {Dialect::DBase3, false};
    }
}

// Layout of one descriptor family: where descriptors start, their size and where each item is.
struct DescriptorLayout
{
    size_t firstDescriptor;
    size_t size;
    size_t nameLength;
    size_t typeAt, lengthAt, decimalsAt, flagsAt;
};

constexpr DescriptorLayout kDBase2 {8, 16, 11, 11, 12, 15, 0};
constexpr DescriptorLayout kDBase3 {32, 32, 11, 11, 16, 17, 18};
constexpr DescriptorLayout kDBase7 {68, 48, 32, 32, 33, 34, 0};

bool endsDescriptors(uint8_t first)
{
    // 0x0D is the standard terminator. 0x0A stands there in files written by old shapelib
    // versions (3dpoints.dbf, brklinz.dbf), 0x00 in files of a javadbf bug report (bug 77).
    return first == 0x0D || first == 0x0A || first == 0x00;
}

// Whether the bytes look like a field descriptor: a name of visible bytes, a known type.
bool plausibleDescriptor(std::string_view d, const DescriptorLayout &layout)
{
    static constexpr std::string_view kTypes = "CNLDMFBGPYTIVWQO@+0=^";
    const std::string_view name = d.substr(0, layout.nameLength);
    const std::string_view used = name.substr(0, name.find('\0'));
    return !used.empty() && std::all_of(used.begin(), used.end(), [](char c) {
        return static_cast<unsigned char>(c) > 0x20;
    }) && kTypes.find(d[layout.typeAt]) != std::string_view::npos;
}

// Appends the descriptors from `at` that lie wholly before `limit`, up to a terminator; with
// `checked` only while they look like descriptors. Returns where reading stopped.
size_t readDescriptors(std::string_view file, const DescriptorLayout &layout, TableHeader &header,
                       size_t at, size_t limit, bool checked)
{
    constexpr size_t kMostFields = 2048; // dBase 7 allows 1024, others 255
    while (at + layout.size <= std::min(limit, file.size()) && header.fields.size() < kMostFields
           && !endsDescriptors(static_cast<uint8_t>(file[at]))) {
        const std::string_view d = file.substr(at, layout.size);
        if (checked && !plausibleDescriptor(d, layout))
            break;
        Field field;
        const std::string_view name = d.substr(0, layout.nameLength);
        field.rawName = std::string(name.substr(0, name.find('\0')));
        field.type = d[layout.typeAt];
        field.length = static_cast<uint8_t>(d[layout.lengthAt]);
        field.decimals = static_cast<uint8_t>(d[layout.decimalsAt]);
        field.descriptorAt = static_cast<uint32_t>(at);
        if (layout.flagsAt)
            field.flags = static_cast<uint8_t>(d[layout.flagsAt]);
        header.fields.push_back(std::move(field));
        at += layout.size;
    }
    return at;
}

void assignNullBits(TableHeader &header)
{
    // Visual FoxPro keeps one bit per V/Q field (value shorter than the field) and one per
    // nullable field in _NullFlags, in field order, the length bit first: seen in vfp.dbf
    // (php-xbase), whose three varchar fields carry bits 5, 9 and 11 with their lengths.
    // Harbour's DBF driver keeps the same bits in the same order in its other tables, for Q
    // fields only: V is its variant type there (src/rdd/dbf1.c, hb_dbfOpen).
    const bool foxPro = header.dialect == Dialect::VisualFoxPro;
    int next = 0;
    for (size_t i = 0; i < header.fields.size(); ++i) {
        Field &field = header.fields[i];
        if (field.type == '0' && field.rawName == "_NullFlags") {
            field.hidden = true;
            header.nullFlagsField = static_cast<int>(i);
            continue;
        }
        if (field.type == 'Q' || (field.type == 'V' && foxPro))
            field.varLengthBit = next++;
        if (field.flags & 0x02)
            field.nullBit = next++;
    }
    if (header.nullFlagsField >= 0)
        return;
    // Without _NullFlags no bit has a place. Outside Visual FoxPro the flag byte is then no
    // flag either: Clipper leaves it random (dbf1.c trusts it only beside extended types).
    for (Field &field : header.fields) {
        field.nullBit = field.varLengthBit = -1;
        if (!foxPro)
            field.flags = 0;
    }
}

} // namespace

bool Field::isMemo(Dialect dialect) const
{
    switch (type) {
    case 'M':
    case 'G':
    case 'P':
        return true;
    case 'B':
        // A binary memo of 10 bytes in dBase IV, 5 and 7; an 8-byte double in Visual FoxPro and
        // in the other tables Harbour's DBF driver writes (dbf1.c: 'B' of length 8 is a double).
        return dialect == Dialect::DBase7 || (dialect != Dialect::VisualFoxPro && length != 8);
    case 'W':
        return true;
    default:
        return false;
    }
}

const char *dialectName(Dialect dialect, uint8_t version)
{
    switch (dialect) {
    case Dialect::DBase2:
        return "dBase II";
    case Dialect::DBase3:
        return version == 0x83 ? "dBase III+ mit Memo" : "dBase III";
    case Dialect::DBase4:
        return (version & 0x80) ? "dBase IV mit Memo" : "dBase IV";
    case Dialect::DBase7:
        return (version & 0x80) ? "dBase 7 mit Memo" : "dBase 7";
    case Dialect::FoxPro:
        return version == 0xFB ? "FoxBASE" : "FoxPro 2 mit Memo";
    case Dialect::VisualFoxPro:
        return "Visual FoxPro";
    }
    return "dBase";
}

uint32_t lastUpdateOffset(const TableHeader &header)
{
    return header.dialect == Dialect::DBase2 ? 3 : 1;
}

bool lastUpdateValid(const TableHeader &header)
{
    return isValidDate(header.year, header.month, header.day);
}

std::string lastUpdateBytesText(const TableHeader &header)
{
    const auto [first, second, third] = header.lastUpdateBytes;
    char text[24];
    std::snprintf(text, sizeof text, "%02X %02X %02X", first, second, third);
    return text
            + std::string(header.dialect == Dialect::DBase2 ? ": Monat, Tag, Jahr"
                                                            : ": Jahr, Monat, Tag");
}

namespace {

// The numbers before the descriptors.
void readFixedPart(TableHeader &header, std::string_view file)
{
    // Offsets: dBase II            0 version, 1-2 records, 3-5 date (M D Y), 6-7 record length
    //          dBase III and later 0 version, 1-3 date (Y M D), 4-7 records,
    //                              8-9 header length, 10-11 record length, 28 flags, 29 driver
    //          dBase 7 adds        32-63 language driver name
    for (size_t i = 0; i < header.lastUpdateBytes.size(); ++i)
        header.lastUpdateBytes[i] = static_cast<uint8_t>(file[lastUpdateOffset(header) + i]);
    if (header.dialect == Dialect::DBase2) {
        header.headerRecordCount = le16(file, 1);
        header.month = static_cast<uint8_t>(file[3]);
        header.day = static_cast<uint8_t>(file[4]);
        header.year = storedYear(static_cast<uint8_t>(file[5]));
        header.recordLength = le16(file, 6);
        header.headerLength = 521; // fixed: 8 bytes, 32 descriptors of 16 bytes, terminator
    } else {
        header.year = storedYear(static_cast<uint8_t>(file[1]));
        header.month = static_cast<uint8_t>(file[2]);
        header.day = static_cast<uint8_t>(file[3]);
        header.headerRecordCount = le32(file, 4);
        header.headerLength = le16(file, 8);
        header.recordLength = le16(file, 10);
        header.tableFlags = static_cast<uint8_t>(file[28]);
        header.languageDriver = static_cast<uint8_t>(file[29]);
        if (header.dialect == Dialect::DBase7) {
            const std::string_view name = file.substr(32, 32);
            header.languageDriverName = std::string(name.substr(0, name.find('\0')));
        }
    }
}

} // namespace

Result<TableHeader> parseHeader(std::string_view file, const std::string &path)
{
    TableHeader header;
    if (file.empty())
        return Error {ErrorCode::NotADbfFile,
                      "Die Datei »" + path + "« ist keine dBase-Datei: sie ist leer."};

    header.version = static_cast<uint8_t>(file[0]);
    const VersionInfo info = classify(header.version);
    if (!info.known)
        return Error {ErrorCode::NotADbfFile,
                      "Die Datei »" + path + "« ist keine dBase-Datei: unbekannte Versionskennung "
                              + hexByte(header.version) + " (Byte 0)."};
    header.dialect = info.dialect;

    const DescriptorLayout &layout = header.dialect == Dialect::DBase2 ? kDBase2
            : header.dialect == Dialect::DBase7                        ? kDBase7
                                                                       : kDBase3;
    if (file.size() < layout.firstDescriptor)
        return damaged(ErrorCode::HeaderTruncated, path, file.size(),
                       "der Dateikopf endet vorzeitig nach " + std::to_string(file.size())
                               + " Bytes");

    readFixedPart(header, file);

    if (header.headerLength > file.size())
        return damaged(ErrorCode::HeaderOutsideFile, path, 8,
                       "die Kopflänge " + std::to_string(header.headerLength)
                               + " zeigt hinter das Dateiende bei " + std::to_string(file.size()));
    if (header.headerLength < layout.firstDescriptor)
        return damaged(ErrorCode::HeaderTruncated, path, 8,
                       "die Kopflänge " + std::to_string(header.headerLength) + " ist zu klein");
    if (header.recordLength == 0)
        return damaged(ErrorCode::ZeroRecordLength, path,
                       header.dialect == Dialect::DBase2 ? 6 : 10, "die Datensatzlänge ist 0");

    // A header length too small cuts off descriptors; they are taken as well when they look like
    // descriptors and end with a terminator, so that the record layout can settle which is right.
    size_t at = layout.firstDescriptor;
    at = readDescriptors(file, layout, header, at, header.headerLength, false);
    header.fieldsInStatedHeader = header.fields.size();
    if (header.dialect != Dialect::DBase2
        && (at >= file.size() || !endsDescriptors(static_cast<uint8_t>(file[at])))) {
        TableHeader extended = header;
        const size_t end = readDescriptors(file, layout, extended, at, file.size(), true);
        if (end > at && end < file.size() && endsDescriptors(static_cast<uint8_t>(file[end]))) {
            header.fields = std::move(extended.fields);
            at = end;
        }
    }
    header.descriptorsEnd = static_cast<uint32_t>(at);
    header.terminated = at < file.size() && endsDescriptors(static_cast<uint8_t>(file[at]));

    assignNullBits(header);
    return header;
}

} // namespace dbf
