// Writes a sample table of amateur-radio stations, from a few records up to millions for load
// tests.
//
// data/stations.dbf was made with `talvo-gen-stations --count 2000 --seed 1 data/stations.dbf`.
// The generator has its own random number generator, fixed word lists and a fixed header date,
// so running that command again reproduces the file byte for byte on any platform. It is a
// dBase III table (version 0x03, language driver 0x02 for code page 850) with 13 columns; the
// text is CP850, about 3 % of the everyday values are empty, a few percent of the call signs
// occur twice and about 0.5 % of the records are marked deleted.
#include "dbf_builder.h"
#include "stations/station_generator.h"

#include <cerrno>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>

namespace {

constexpr uint32_t kDefaultCount = 2000;
constexpr uint64_t kDefaultSeed = 1;
constexpr uint8_t kDBase3 = 0x03;
constexpr uint8_t kCodePage850 = 0x02;
constexpr std::size_t kChunkSize = std::size_t {1} << 20;
constexpr std::string_view kProgram = "talvo-gen-stations";
constexpr std::string_view kUsage =
        "Aufruf: talvo-gen-stations [--count N] [--seed S] AUSGABE.dbf\n"
        "  --count N  Anzahl der Datensätze (Vorgabe 2000)\n"
        "  --seed S   Startwert des Zufallsgenerators (Vorgabe 1)\n";

struct Options
{
    uint32_t count = kDefaultCount;
    uint64_t seed = kDefaultSeed;
    std::string output;
    bool help = false;
};

template<typename T>
bool parseNumber(std::string_view text, T &value)
{
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    return error == std::errc() && end == text.data() + text.size();
}

// Returns a German error message when the arguments cannot be used.
std::optional<std::string> parseArguments(int argc, char **argv, Options &options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            options.help = true;
            return std::nullopt;
        }
        if (argument == "--count" || argument == "--seed") {
            if (i + 1 >= argc)
                return "Option " + std::string(argument) + " erwartet eine Zahl.";
            const std::string_view value = argv[++i];
            const bool valid = argument == "--count" ? parseNumber(value, options.count)
                                                     : parseNumber(value, options.seed);
            if (!valid)
                return "Ungültige Zahl für " + std::string(argument) + ": „" + std::string(value)
                        + "“";
            continue;
        }
        if (argument.size() > 1 && argument.front() == '-')
            return "Unbekannte Option: " + std::string(argument);
        if (!options.output.empty())
            return "Bitte nur eine Ausgabedatei angeben.";
        options.output = argument;
    }
    if (options.output.empty())
        return "Keine Ausgabedatei angegeben.";
    return std::nullopt;
}

// The C library's messages are English, and the tool speaks German throughout.
std::string reason(int error)
{
    switch (error) {
    case ENOENT:
        return "Verzeichnis nicht gefunden";
    case EACCES:
    case EPERM:
        return "keine Berechtigung";
    case ENOSPC:
        return "kein Speicherplatz mehr frei";
    case EROFS:
        return "Dateisystem ist schreibgeschützt";
    case EISDIR:
        return "ist ein Verzeichnis";
    case EFBIG:
        return "Datei zu groß";
    default:
        return "Systemfehler " + std::to_string(error) + " (" + std::strerror(error) + ")";
    }
}

// Returns 0, or the errno of the failed write.
int flush(std::FILE *file, std::string &buffer)
{
    const bool complete = std::fwrite(buffer.data(), 1, buffer.size(), file) == buffer.size();
    buffer.clear();
    if (complete)
        return 0;
    return errno != 0 ? errno : EIO;
}

// Returns 0, or the errno of the first failure; a half-written file is removed.
int writeTable(const Options &options)
{
    dbfbuild::DbfWriter writer(kDBase3, stationFields());
    writer.languageDriver(kCodePage850).lastUpdate(2005, 12, 31);
    StationGenerator generator(options.seed);

    std::FILE *file = std::fopen(options.output.c_str(), "wb");
    if (file == nullptr)
        return errno;
    // Records are collected into large chunks here, so stdio's own buffer would only copy them.
    std::setvbuf(file, nullptr, _IONBF, 0);

    std::string buffer = writer.header(options.count);
    buffer.reserve(kChunkSize + writer.recordLength() + 1);
    int error = 0;
    for (uint32_t i = 0; i < options.count && error == 0; ++i) {
        const Station &station = generator.next();
        writer.appendRecord(buffer, station.values, station.deleted);
        if (buffer.size() >= kChunkSize)
            error = flush(file, buffer);
    }
    if (error == 0) {
        buffer += dbfbuild::DbfWriter::kEndOfFile;
        error = flush(file, buffer);
    }
    if (std::fclose(file) != 0 && error == 0)
        error = errno;
    if (error != 0)
        std::remove(options.output.c_str());
    return error;
}

} // namespace

int main(int argc, char **argv)
{
    Options options;
    if (const auto problem = parseArguments(argc, argv, options)) {
        std::cerr << kProgram << ": " << *problem << '\n' << kUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kUsage;
        return 0;
    }
    try {
        if (const int error = writeTable(options)) {
            std::cerr << kProgram << ": „" << options.output
                      << "“ kann nicht geschrieben werden: " << reason(error) << '\n';
            return 1;
        }
    } catch (const std::exception &exception) {
        std::cerr << kProgram << ": Interner Fehler: " << exception.what() << '\n';
        return 1;
    }
    return 0;
}
