// The damaged tables: valid station tables, each with one fault made on purpose.
#include "damaged_tables.h"

#include "dbf_builder.h"

#include <algorithm>
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
    std::string memoExtension;
};

// Stations with text, number, date, logical and memo fields; version 0x83, 0x8B or 0xF5.
Valid stations(uint8_t version, MemoKind memoKind, const std::vector<std::string> &notes,
               uint16_t blockSize = 512)
{
    MemoBuilder memo(memoKind, blockSize);
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
    return {table.bytes(), memo.bytes(), memoKind == MemoKind::FoxPro ? ".fpt" : ".dbt"};
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

uint32_t recordCount(const std::string &table)
{
    return static_cast<uint32_t>(uint8_t(table[4]) | uint8_t(table[5]) << 8
                                 | uint8_t(table[6]) << 16 | uint32_t(uint8_t(table[7])) << 24);
}

// Where the field descriptors start, their size and the place of the length byte in them.
struct Descriptors
{
    size_t first, size, lengthAt;
};

Descriptors descriptors(const std::string &table)
{
    const bool dBase7 = table[0] == 0x04 || table[0] == static_cast<char>(0x8C);
    return dBase7 ? Descriptors {68, 48, 33} : Descriptors {32, 32, 16};
}

// Offset of the byte that ends the field descriptors, 0 if they do not end within the header.
size_t descriptorsEnd(const std::string &table)
{
    const Descriptors d = descriptors(table);
    for (size_t at = d.first; at < headerLength(table) && at < table.size(); at += d.size) {
        if (table[at] == 0x0D || table[at] == 0x0A || table[at] == 0)
            return at;
    }
    return 0;
}

// Whether the header faults apply: a table of dBase III or later whose header is whole.
bool hasHeader(const std::string &table)
{
    return table.size() >= 32 && table[0] != 0x02 && headerLength(table) <= table.size()
            && recordLength(table) > 1 && descriptorsEnd(table) != 0;
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

HeaderFault shiftedHeaderLength(int by)
{
    const std::string amount = std::to_string(by > 0 ? by : -by);
    return {std::string("header-length-") + (by > 0 ? "plus-" : "minus-") + amount,
            "Kopflänge um " + amount + (by > 0 ? " zu groß" : " zu klein"), [by](std::string &t) {
                if (!hasHeader(t))
                    return false;
                putLittleEndian(t, 8, static_cast<uint64_t>(headerLength(t) + by), 2);
                return true;
            }};
}

} // namespace

std::vector<HeaderFault> headerFaults()
{
    std::vector<HeaderFault> faults = {shiftedHeaderLength(1), shiftedHeaderLength(-1),
                                       shiftedHeaderLength(2), shiftedHeaderLength(-2)};
    faults.push_back({"record-length-without-flag", "Datensatzlänge ohne Löschkennzeichen",
                      [](std::string &t) {
                          if (!hasHeader(t))
                              return false;
                          putLittleEndian(t, 10, recordLength(t) - 1u, 2);
                          return true;
                      }});
    faults.push_back({"record-count-high", "3 Datensätze mehr laut Kopf", [](std::string &t) {
                          if (!hasHeader(t))
                              return false;
                          putLittleEndian(t, 4, recordCount(t) + 3ull, 4);
                          return true;
                      }});
    faults.push_back({"record-count-low", "1 Datensatz weniger laut Kopf", [](std::string &t) {
                          if (!hasHeader(t) || recordCount(t) == 0)
                              return false;
                          putLittleEndian(t, 4, recordCount(t) - 1ull, 4);
                          return true;
                      }});
    faults.push_back({"zero-length-field", "ein Feld mit Länge 0", [](std::string &t) {
                          if (!hasHeader(t))
                              return false;
                          // The first field whose length is its length byte alone.
                          const Descriptors d = descriptors(t);
                          for (size_t at = d.first; at < descriptorsEnd(t); at += d.size) {
                              const size_t length = at + d.lengthAt;
                              if (t[length] != 0 && (t[length - 1] != 'C' || t[length + 1] == 0)) {
                                  t[length] = 0;
                                  return true;
                              }
                          }
                          return false;
                      }});
    faults.push_back(
            {"missing-terminator", "kein 0x0D nach den Feldbeschreibungen", [](std::string &t) {
                 if (!hasHeader(t))
                     return false;
                 const size_t end = descriptorsEnd(t);
                 putLittleEndian(t, 8, headerLength(t) - 1u, 2);
                 t.erase(end, 1);
                 return true;
             }});
    faults.push_back({"padding-after-records",
                      "Füllbytes bis zur Blockgrenze, mehr Datensätze "
                      "laut Kopf",
                      [](std::string &t) {
                          if (!hasHeader(t))
                              return false;
                          const size_t length = recordLength(t);
                          const size_t padded = (t.size() + length + 511) / 512 * 512;
                          const uint64_t phantoms = (padded - t.size()) / length;
                          t.resize(padded, '\x1A');
                          putLittleEndian(t, 4, recordCount(t) + phantoms + 1, 4);
                          return true;
                      }});
    return faults;
}

namespace {

using Damage = std::function<void(std::string &table, std::string &memo)>;

// Collects damaged copies of valid tables.
class Collection
{
public:
    void add(std::string name, std::string fault, const Valid &valid, const Damage &damage,
             std::string encoding = "")
    {
        std::string table = valid.table, memo = valid.memo;
        damage(table, memo);
        m_tables.push_back({std::move(name), std::move(fault), std::move(table), std::move(memo),
                            valid.memoExtension, std::move(encoding), std::nullopt});
    }
    // The table before the damage, for the last one added: a reader can see through it.
    void seeThrough(const Valid &valid) { m_tables.back().undamaged = valid.table; }
    std::vector<DamagedTable> take() { return std::move(m_tables); }

private:
    std::vector<DamagedTable> m_tables;
};

// Faults of the file's structure, of the header's numbers and of the records' flags.
void addStructureFaults(Collection &c, const Valid &three)
{
    const size_t firstRecord = headerLength(three.table);
    const size_t length = recordLength(three.table);
    c.add("cut-in-header", "endet im Kopf", three,
          [](std::string &t, std::string &) { t.resize(20); });
    c.add("cut-in-fields", "endet in den Feldbeschreibungen", three,
          [](std::string &t, std::string &) { t.resize(32 + 32 + 16); });
    c.add("cut-in-record", "endet mitten im zweiten Datensatz", three,
          [&](std::string &t, std::string &) { t.resize(firstRecord + length + length / 2); });
    c.add("header-length-small", "Kopflänge 32", three,
          [](std::string &t, std::string &) { putLittleEndian(t, 8, 32, 2); });
    c.add("header-length-large", "Kopflänge 65535", three,
          [](std::string &t, std::string &) { putLittleEndian(t, 8, 0xFFFF, 2); });
    c.add("header-length-zero", "Kopflänge 0", three,
          [](std::string &t, std::string &) { putLittleEndian(t, 8, 0, 2); });
    c.add("record-length-small", "Datensatzlänge 2", three,
          [](std::string &t, std::string &) { putLittleEndian(t, 10, 2, 2); });
    c.add("record-length-large", "Datensatzlänge 65535", three,
          [](std::string &t, std::string &) { putLittleEndian(t, 10, 0xFFFF, 2); });
    c.add("record-length-zero", "Datensatzlänge 0", three,
          [](std::string &t, std::string &) { putLittleEndian(t, 10, 0, 2); });
    c.add("record-count-huge", "4294967295 Datensätze laut Kopf", three,
          [](std::string &t, std::string &) { putLittleEndian(t, 4, 0xFFFFFFFF, 4); });
    c.add("fields-past-record", "Feldlängen reichen über den Datensatz hinaus", three,
          [](std::string &t, std::string &) { t[32 + 16] = static_cast<char>(250); });
    for (const HeaderFault &fault : headerFaults()) {
        c.add(fault.name, fault.fault, three,
              [&](std::string &t, std::string &) { fault.apply(t); });
        c.seeThrough(three);
    }
    c.add("deletion-flag-bad", "Datensatz 2 beginnt mit '?'", three,
          [&](std::string &t, std::string &) { t[firstRecord + length] = '?'; });
    c.seeThrough(three);
    c.add("compressed-records", "Datensätze komprimiert wie in DATASUS-.dbc-Dateien", three,
          [&](std::string &t, std::string &) {
              putLittleEndian(t, 4, 100, 4);
              t.resize(firstRecord);
              t += std::string("\x74\x06\xFC\x02\x00\x06\x40\x80\xD4\x03", 10);
          });
}

void addMemoFaults(Collection &c, const Valid &three, const Valid &four)
{
    // FoxPro's blocks are smaller than its 512-byte memo header: a block number can point into it.
    const Valid fox = stations(0xF5, MemoKind::FoxPro, {"Yagi", "Loop", "Draht", "Vertikal"}, 64);
    c.add("memo-past-file", "Memozeiger hinter das Ende der Memodatei", three,
          [](std::string &t, std::string &) { putValue(t, 0, 4, "  99999999"); });
    c.add("memo-into-header", "Memozeiger in den Kopf der Memodatei", fox,
          [](std::string &t, std::string &) { putValue(t, 1, 4, "         3"); });
    c.add("memo-length-4gb", "Memolänge 4 GB", four,
          [](std::string &, std::string &m) { putLittleEndian(m, 512 + 4, 0xFFFFFFFF, 4); });
    c.add("memo-without-end", "Memoblöcke ohne Endezeichen", three,
          [](std::string &, std::string &m) { std::replace(m.begin(), m.end(), '\x1A', 'x'); });
}

void addValueFaults(Collection &c, const Valid &three)
{
    c.add("bad-dates", "Datum 13. Monat und Buchstaben", three, [](std::string &t, std::string &) {
        putValue(t, 0, 2, "20031399");
        putValue(t, 1, 2, "abcdefgh");
    });
    c.add("number-stars-nuls", "Zahlen aus *, NUL und Buchstaben", three,
          [](std::string &t, std::string &) {
              putValue(t, 0, 1, "*****");
              putValue(t, 1, 1, std::string(5, '\0'));
              putValue(t, 2, 1, " 4x2 ");
          });
    c.add(
            "invalid-utf8", "Text mit Bytes, die es in UTF-8 nicht gibt", three,
            [](std::string &t, std::string &) { putValue(t, 0, 0, "DL\xFF\xFE\xC3"); }, "UTF-8");
}

} // namespace

std::vector<DamagedTable> damagedTables()
{
    const Valid three = stations(0x83, MemoKind::DBase3, {"Beam 3 Elemente", "Dipol", "", "GP"});
    const Valid four = stations(0x8B, MemoKind::DBase4, {"Yagi", "Loop", "Draht", "Vertikal"});
    Collection c;
    addStructureFaults(c, three);
    addMemoFaults(c, three, four);
    addValueFaults(c, three);
    return c.take();
}

} // namespace damage
