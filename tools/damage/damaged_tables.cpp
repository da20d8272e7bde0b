#include "damaged_tables.h"

#include "dbf_builder.h"

#include <cstdint>
#include <functional>

namespace damage {
namespace {

using dbfbuild::DbfBuilder;
using dbfbuild::MemoBuilder;
using dbfbuild::MemoKind;

struct Valid
{
    std::string table;
    std::string memo;
};

// Stations with text, number, date, logical and memo fields; version 0x83 or 0x8B.
Valid stations(uint8_t version, MemoKind memoKind, const std::vector<std::string> &notes)
{
    MemoBuilder memo(memoKind);
    DbfBuilder table(version,
                     {{"CALL", 'C', 10},
                      {"NOF_SSB", 'N', 5},
                      {"UP_DATE", 'D', 8},
                      {"QSL", 'L', 1},
                      {"NOTIZ", 'M', 10}});
    table.languageDriver(0x02);
    const char *calls[] = {"DL1ABC", "OE3XYZ", "HB9AA", "F5ABC"};
    for (size_t i = 0; i < notes.size(); ++i) {
        table.record({calls[i % 4], std::to_string(i), "2003010" + std::to_string(i % 9 + 1), "T",
                      dbfbuild::blockNumberText(memo.add(notes[i]))});
    }
    return {table.bytes(), memo.bytes()};
}

void putLittleEndian(std::string &bytes, size_t at, uint64_t value, int width)
{
    for (int i = 0; i < width; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<char>(value >> (8 * i) & 0xFF);
}

uint16_t headerLength(const std::string &table)
{
    return static_cast<uint16_t>(uint8_t(table[8]) | uint8_t(table[9]) << 8);
}

uint16_t recordLength(const std::string &table)
{
    return static_cast<uint16_t>(uint8_t(table[10]) | uint8_t(table[11]) << 8);
}

// Offset of field `field` of record `record`, for fields laid out as stations() lays them.
size_t valueAt(const std::string &table, size_t record, size_t field)
{
    static const size_t offsets[] = {1, 11, 16, 24, 25};
    return headerLength(table) + record * recordLength(table) + offsets[field];
}

void putValue(std::string &table, size_t record, size_t field, const std::string &value)
{
    table.replace(valueAt(table, record, field), value.size(), value);
}

} // namespace

std::vector<DamagedTable> damagedTables()
{
    const Valid three = stations(0x83, MemoKind::DBase3, {"Beam 3 Elemente", "Dipol", "", "GP"});
    const Valid four = stations(0x8B, MemoKind::DBase4, {"Yagi", "Loop", "Draht", "Vertikal"});
    std::vector<DamagedTable> tables;
    auto add = [&](std::string name, std::string fault, const Valid &valid,
                   const std::function<void(std::string & table, std::string & memo)> &damage,
                   std::string encoding = "") {
        std::string table = valid.table, memo = valid.memo;
        damage(table, memo);
        tables.push_back({std::move(name), std::move(fault), std::move(table), std::move(memo),
                          std::move(encoding)});
    };
    const size_t firstRecord = headerLength(three.table);
    const size_t length = recordLength(three.table);

    // The file's structure.
    add("cut-in-header", "endet im Kopf", three,
        [](std::string &t, std::string &) { t.resize(20); });
    add("cut-in-fields", "endet in den Feldbeschreibungen", three,
        [](std::string &t, std::string &) { t.resize(32 + 32 + 16); });
    add("cut-in-record", "endet mitten im zweiten Datensatz", three,
        [&](std::string &t, std::string &) { t.resize(firstRecord + length + length / 2); });
    add("header-length-small", "Kopflänge 32", three,
        [](std::string &t, std::string &) { putLittleEndian(t, 8, 32, 2); });
    add("header-length-large", "Kopflänge 65535", three,
        [](std::string &t, std::string &) { putLittleEndian(t, 8, 0xFFFF, 2); });
    add("header-length-zero", "Kopflänge 0", three,
        [](std::string &t, std::string &) { putLittleEndian(t, 8, 0, 2); });
    add("record-length-small", "Datensatzlänge 2", three,
        [](std::string &t, std::string &) { putLittleEndian(t, 10, 2, 2); });
    add("record-length-large", "Datensatzlänge 65535", three,
        [](std::string &t, std::string &) { putLittleEndian(t, 10, 0xFFFF, 2); });
    add("record-length-zero", "Datensatzlänge 0", three,
        [](std::string &t, std::string &) { putLittleEndian(t, 10, 0, 2); });
    add("record-count-huge", "4294967295 Datensätze laut Kopf", three,
        [](std::string &t, std::string &) { putLittleEndian(t, 4, 0xFFFFFFFF, 4); });
    add("fields-past-record", "Feldlängen reichen über den Datensatz hinaus", three,
        [](std::string &t, std::string &) { t[32 + 16] = static_cast<char>(250); });

    // Memo pointers and memo files.
    add("memo-past-file", "Memozeiger hinter das Ende der Memodatei", three,
        [](std::string &t, std::string &) { putValue(t, 0, 4, "  99999999"); });
    add("memo-into-header", "Memozeiger in den Kopf der Memodatei", four,
        [](std::string &t, std::string &) { putValue(t, 1, 4, "         0"); });
    add("memo-length-4gb", "Memolänge 4 GB", four,
        [](std::string &, std::string &m) { putLittleEndian(m, 512 + 4, 0xFFFFFFFF, 4); });
    add("memo-without-end", "Memoblöcke ohne Endezeichen", three,
        [](std::string &, std::string &m) {
            for (char &c : m) {
                if (c == 0x1A)
                    c = 'x';
            }
        });

    // Values.
    add("bad-dates", "Datum 13. Monat und Buchstaben", three, [](std::string &t, std::string &) {
        putValue(t, 0, 2, "20031399");
        putValue(t, 1, 2, "abcdefgh");
    });
    add("number-stars-nuls", "Zahlen aus * und NUL", three, [](std::string &t, std::string &) {
        putValue(t, 0, 1, "*****");
        putValue(t, 1, 1, std::string(5, '\0'));
    });
    add(
            "invalid-utf8", "Text mit Bytes, die es in UTF-8 nicht gibt", three,
            [](std::string &t, std::string &) { putValue(t, 0, 0, "DL\xFF\xFE\xC3"); }, "UTF-8");
    return tables;
}

} // namespace damage
