// A small station table in a temporary file for the targets that need a record set.
#include "station_file.h"

#include "dbf_builder.h"
#include "temp_folder.h"

namespace fuzz {
namespace {

std::string stationBytes()
{
    dbfbuild::DbfBuilder builder(0x03,
                                 {{"CALL", 'C', 15},
                                  {"VORNAME", 'C', 30},
                                  {"NOF_SSB", 'N', 5},
                                  {"FREQ", 'N', 9, 3},
                                  {"UP_DATE", 'D', 8},
                                  {"QSL", 'L', 1}});
    builder.languageDriver(0x02); // CP850
    const char *calls[] = {"DL1ABC", "OE3XYZ", "DK2XX", "HB9AA", "9A1AA", "F5ABC", "G3XYZ"};
    const char *names[] = {"J\x81rgen", "Bj\x94rn", "", "Hans", "\xe1", "Andr\x82", "O'Neil"};
    for (int i = 0; i < 40; ++i) {
        builder.record({calls[i % 7], names[i % 7], std::to_string(i * 7 % 13),
                        std::to_string(i) + ".125", i % 5 ? "2003010" + std::to_string(i % 9) : "",
                        i % 3 ? "T" : "F"},
                       i % 11 == 10);
    }
    return builder.bytes();
}

} // namespace

const std::string &stationFile()
{
    // In a folder of its own, so that queries can name the table.
    static const std::string path =
            writeFile(freshFolder("stationen"), "stationen.dbf", stationBytes());
    return path;
}

std::string stationConnection()
{
    return "Provider=MSDASQL;DRIVER={Microsoft dBase Driver (*.dbf)};database=" + stationFile();
}

std::string stationQuery()
{
    return "select * from stationen";
}

} // namespace fuzz
