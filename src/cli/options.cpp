// Parsing the command line of `talvo-dbf`.
#include "options.h"

#include <charconv>
#include <cstdint>

namespace cli {

const char kUsage[] = R"(Aufruf: talvo-dbf BEFEHL DATEI [OPTIONEN]

Liest dBase-Tabellen (.DBF) nur lesend und zeigt sie so, wie der Betrachter sie zeigt.

Befehle:
  info DATEI       Version, Codepage, Datensätze, Felder, Memodatei und Befunde
  show DATEI       die Datensätze; Befunde zur Tabelle auf der Standardfehlerausgabe
  check DATEI...   prüft Tabellen und Memodateien und nennt jeden Befund mit seiner Stelle
                   (Byte, Datensatz, Feld); --format text|json, --encoding NAME

Optionen für show:
  --query TEXT             Abfrage, z. B. "select * from stations Order by CALL"
                           (Vorgabe: "select * from TABELLE", Tabelle = Dateiname ohne Endung)
  --filter KRITERIUM       z. B. "[CALL] LIKE 'DL*'" oder "[UP_DATE] > #01-05-2003#"
  --sort TEXT              z. B. "VORNAME" oder "NOF_SSB DESC, CALL"
  --find KRITERIUM         nur die Treffer, einer nach dem anderen, vom ersten an
    --backward             vom letzten Datensatz an rückwärts
    --skip N               die ersten N Datensätze beim ersten Schritt überspringen
  --count                  nur die Anzahl der Datensätze
  --format text|csv|json   Ausgabeform (Vorgabe: text, wie der Betrachter zeigt); csv nach
                           RFC 4180 mit den Texten des Betrachters; json eine Zeile je
                           Datensatz mit Typen: Zahlen, Datum ISO 8601, true/false, null
                           text (auch info und check) zeigt Steuerzeichen sichtbar: \t \n \r,
                           sonst \xNN (ESC \x1b), U+0080 bis U+009F als \u0080 bis \u009f
    --plain                csv für andere Sprachen: Datum ISO 8601, Dezimalpunkt, true/false
  --limit N                höchstens N Datensätze
  --deleted                gelöschte Datensätze mit ausgeben, mit ihrer Markierung
  --encoding NAME          Codepage vorgeben (z. B. CP850, CP1252, UTF-8)

  --                       Ende der Optionen: was folgt, ist Befehl oder Datei (z. B. -x.dbf)
  --help                   diese Hilfe
  --version                Versionsnummer

Rückgabewert: 0 bei Erfolg, 1 bei einem Fehler oder wenn --find nichts findet, 2 bei einem
falschen Aufruf. check: 0 gesund (höchstens Hinweise), 1 lesbar mit Warnungen, 2 nicht lesbar
(oder falscher Aufruf); bei mehreren Dateien der höchste Wert.
)";

namespace {

// A count of digits only, at most `max`: a number too large for it is no count (from_chars
// leaves `value` as it was then).
bool parseCount(const std::optional<std::string> &text, uint64_t max, uint64_t &value)
{
    if (!text || text->empty())
        return false;
    const char *end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, value);
    return ptr == end && ec == std::errc() && value <= max;
}

// An argument that is no option: the command, then the file or files.
std::optional<std::string> positional(const std::string &arg, Options &options)
{
    if (options.command.empty())
        options.command = arg;
    else if (options.files.empty() || options.command == "check")
        options.files.push_back(arg);
    else
        return "Überzähliges Argument »" + arg + "«.";
    return std::nullopt;
}

// The switch an option without a value sets, null for any other argument.
bool *flagOf(const std::string &arg, Options &options)
{
    if (arg == "--help" || arg == "-h")
        return &options.help;
    if (arg == "--version")
        return &options.version;
    if (arg == "--deleted")
        return &options.open.includeDeleted;
    if (arg == "--backward")
        return &options.backward;
    if (arg == "--plain")
        return &options.plain;
    if (arg == "--count")
        return &options.count;
    return nullptr;
}

// The text an option with a text value sets, null for any other argument.
std::string *textOf(const std::string &arg, Options &options)
{
    if (arg == "--encoding")
        return &options.open.encoding;
    if (arg == "--query")
        return &options.query;
    if (arg == "--filter")
        return &options.filter;
    if (arg == "--sort")
        return &options.sort;
    if (arg == "--find")
        return &options.find;
    return nullptr;
}

std::optional<std::string> setText(const std::string &arg, const std::optional<std::string> &value,
                                   std::string &target)
{
    if (!value)
        return arg + " erwartet einen Text.";
    target = *value;
    return std::nullopt;
}

std::optional<std::string> setFormat(const std::optional<std::string> &value, Format &format)
{
    if (value == "text")
        format = Format::Text;
    else if (value == "csv")
        format = Format::Csv;
    else if (value == "json")
        format = Format::Json;
    else
        return "--format erwartet text, csv oder json.";
    return std::nullopt;
}

// --limit and --skip; --skip is kept as a signed record offset.
std::optional<std::string> setCount(const std::string &arg, const std::optional<std::string> &value,
                                    Options &options)
{
    uint64_t n = 0;
    const uint64_t max = arg == "--limit" ? UINT64_MAX : uint64_t {INT64_MAX};
    if (!parseCount(value, max, n))
        return arg + " erwartet eine Zahl von 0 bis " + std::to_string(max) + ".";
    if (arg == "--limit")
        options.limit = n;
    else
        options.skip = static_cast<int64_t>(n);
    return std::nullopt;
}

// What the options ask for as a whole: a known command with its file, options that fit it.
std::optional<std::string> checkCombination(const Options &options)
{
    if (options.help || options.version)
        return std::nullopt;
    if (options.command != "info" && options.command != "show" && options.command != "check")
        return options.command.empty() ? "Befehl fehlt (info, show oder check)."
                                       : "Unbekannter Befehl »" + options.command + "«.";
    if (options.files.empty())
        return "Dateiname fehlt.";
    if (options.command == "check" && options.format == Format::Csv)
        return "check schreibt text oder json.";
    if (options.plain && options.format != Format::Csv)
        return "--plain gehört zu --format csv.";
    if ((options.backward || options.skip) && options.find.empty())
        return "--backward und --skip gehören zu --find.";
    return std::nullopt;
}

} // namespace

std::optional<std::string> parseOptions(const std::vector<std::string> &args, Options &options)
{
    bool optionsEnded = false; // after "--" every argument is a command or a file
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        auto value = [&]() -> std::optional<std::string> {
            if (i + 1 >= args.size())
                return std::nullopt;
            return args[++i];
        };
        std::optional<std::string> problem;
        if (optionsEnded || arg.size() < 2 || arg[0] != '-')
            problem = positional(arg, options);
        else if (arg == "--")
            optionsEnded = true;
        else if (bool *flag = flagOf(arg, options))
            *flag = true;
        else if (std::string *target = textOf(arg, options))
            problem = setText(arg, value(), *target);
        else if (arg == "--format")
            problem = setFormat(value(), options.format);
        else if (arg == "--limit" || arg == "--skip")
            problem = setCount(arg, value(), options);
        else
            problem = "Unbekannte Option »" + arg + "«.";
        if (problem)
            return problem;
    }
    return checkCombination(options);
}

} // namespace cli
