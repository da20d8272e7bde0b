// Command line parsing and the `info` and `show` commands.
#include "cli.h"

#include "record_writer.h"

#include <charconv>
#include <cstdio>
#include <iomanip>
#include <optional>

namespace cli {
namespace {

// The tool's own error number for a command line it does not understand.
constexpr int kUsageError = 7100;

const char kUsage[] = R"(Aufruf: talvo-dbf BEFEHL DATEI [OPTIONEN]

Liest dBase-Tabellen (.DBF) nur lesend und zeigt sie so, wie der Betrachter sie zeigt.

Befehle:
  info DATEI     Version, Codepage, Datensätze, Felder, Memodatei und Warnungen
  show DATEI     die Datensätze

Optionen für show:
  --format text|csv|json   Ausgabeform (Vorgabe: text); csv nach RFC 4180, json eine Zeile
                           je Datensatz
  --limit N                höchstens N Datensätze
  --deleted                gelöschte Datensätze mit ausgeben, mit ihrer Markierung
  --encoding NAME          Codepage vorgeben (z. B. CP850, CP1252, UTF-8)

  --help                   diese Hilfe
  --version                Versionsnummer
)";

struct Options
{
    std::string command;
    std::string file;
    Format format = Format::Text;
    std::optional<uint64_t> limit;
    dbf::OpenOptions open;
};

struct UsageError
{
    std::string message;
};

std::optional<UsageError> parse(const std::vector<std::string> &args, Options &options)
{
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        if (arg == "--format") {
            const auto v = value();
            if (v == "text")
                options.format = Format::Text;
            else if (v == "csv")
                options.format = Format::Csv;
            else if (v == "json")
                options.format = Format::Json;
            else
                return UsageError {"--format erwartet text, csv oder json."};
        } else if (arg == "--limit") {
            const auto v = value();
            uint64_t n = 0;
            if (!v || v->empty()
                || std::from_chars(v->data(), v->data() + v->size(), n).ptr
                        != v->data() + v->size())
                return UsageError {"--limit erwartet eine Zahl."};
            options.limit = n;
        } else if (arg == "--deleted") {
            options.open.includeDeleted = true;
        } else if (arg == "--encoding") {
            const auto v = value();
            if (!v || v->empty())
                return UsageError {"--encoding erwartet den Namen einer Codepage."};
            options.open.encoding = *v;
        } else if (arg.size() > 1 && arg[0] == '-') {
            return UsageError {"Unbekannte Option »" + arg + "«."};
        } else if (options.command.empty()) {
            options.command = arg;
        } else if (options.file.empty()) {
            options.file = arg;
        } else {
            return UsageError {"Überzähliges Argument »" + arg + "«."};
        }
    }
    if (options.command != "info" && options.command != "show")
        return UsageError {options.command.empty()
                                   ? "Befehl fehlt (info oder show)."
                                   : "Unbekannter Befehl »" + options.command + "«."};
    if (options.file.empty())
        return UsageError {"Dateiname fehlt."};
    return std::nullopt;
}

std::string hexByte(uint8_t value)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%02X", value);
    return text;
}

void writeInfo(const dbf::Table &table, std::ostream &out)
{
    const dbf::TableHeader &h = table.header();
    char date[40];
    std::snprintf(date, sizeof date, "%02d.%02d.%04d", h.day, h.month, h.year);
    const uint64_t deleted = table.countDeleted();

    out << "Datei:            " << table.path() << '\n'
        << "Version:          " << hexByte(h.version) << " ("
        << dbf::dialectName(h.dialect, h.version) << ")\n"
        << "Letzte Änderung:  " << date << '\n'
        << "Codepage:         " << table.encoding().name << " (" << table.encoding().reason << ")\n"
        << "Datensätze:       " << h.headerRecordCount << " laut Kopf, " << table.recordCount()
        << " vorhanden, " << deleted << " gelöscht\n"
        << "Datensatzlänge:   " << h.recordLength << " Bytes (Kopf: " << h.headerLength
        << " Bytes)\n"
        << "Memodatei:        " << (table.memoPath().empty() ? "keine" : table.memoPath()) << '\n'
        << "Felder:           " << table.fieldCount() << '\n';
    for (size_t i = 0; i < table.fieldCount(); ++i) {
        const dbf::Field &f = table.field(i);
        out << "  " << std::setw(4) << i + 1 << "  " << table.fieldName(i)
            << std::string(table.fieldName(i).size() < 12 ? 12 - table.fieldName(i).size() : 1, ' ')
            << f.type << std::setw(7) << f.length << std::setw(4) << int(f.decimals) << '\n';
    }
    if (!table.warnings().empty()) {
        out << "Warnungen:\n";
        for (const std::string &warning : table.warnings())
            out << "  " << warning << '\n';
    }
}

void writeRecords(const dbf::Table &table, const Options &options, std::ostream &out)
{
    auto writer = RecordWriter::create(options.format, table, out);
    writer->begin();
    uint64_t written = 0;
    for (auto record = table.nextRecord(0); record && (!options.limit || written < *options.limit);
         record = table.nextRecord(*record + 1), ++written)
        writer->write(*record);
}

} // namespace

int run(const std::vector<std::string> &args, std::ostream &out, std::ostream &err)
{
    for (const std::string &arg : args) {
        if (arg == "--help" || arg == "-h") {
            out << kUsage;
            return 0;
        }
        if (arg == "--version") {
            out << "talvo-dbf " << TALVO_VERSION << '\n';
            return 0;
        }
    }

    Options options;
    if (const auto usage = parse(args, options)) {
        err << "talvo-dbf: " << kUsageError << ": " << usage->message
            << " Hilfe: talvo-dbf --help\n";
        return 2;
    }

    const auto table = dbf::Table::open(options.file, options.open);
    if (!table) {
        err << "talvo-dbf: " << table.error().number() << ": " << table.error().description << '\n';
        return 1;
    }
    if (options.command == "info")
        writeInfo(*table, out);
    else
        writeRecords(*table, options, out);
    out.flush();
    return 0;
}

} // namespace cli
