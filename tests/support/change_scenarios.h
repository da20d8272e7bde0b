// Changes that another program makes to a station table while it is open, listed once for every
// layer: each layer's test applies them all, to a table copied when opened and to one read live,
// and checks its own answer against what the scenario says the file holds now.
#pragma once

#include "support/station_table.h"
#include "support/temp_dir.h"

#include <chrono>
#include <cstdio>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

// The station table's header and record lengths.
constexpr uint64_t kStationHeader = 32 * 14 + 1, kStationRecord = 457;
// What an in-place change writes into a CALL: it still starts with "DL" and sorts last.
inline const std::string kChangedCall = "DLX";

// The CALL of a 1-based record of changeTable(): zero-padded, so that call order is file order.
inline std::string callOf(int record)
{
    char call[16];
    std::snprintf(call, sizeof call, "DL%05d", record);
    return call;
}

inline std::string changeTable(int count, const std::string &prefix = "")
{
    std::vector<StationRow> rows;
    for (int i = 1; i <= count; ++i)
        rows.push_back(station(prefix + callOf(i), "Name" + std::to_string(i)));
    return stationTable(rows);
}

// The table of `count` stations written an hour ago, as a table another program keeps: a change
// now has another modification time.
inline std::string writeOldTable(const TempDir &dir, const std::string &name, int count)
{
    const std::string path = dir.write(name, changeTable(count));
    std::filesystem::last_write_time(
            path, std::filesystem::file_time_type::clock::now() - std::chrono::hours(1));
    return path;
}

inline void overwrite(const std::string &path, uint64_t offset, const std::string &bytes)
{
    std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
    file.seekp(static_cast<std::streamoff>(offset));
    file << bytes;
}

struct ChangeScenario
{
    std::string name;
    std::function<void(const TempDir &dir, const std::string &path)> make;
    std::string says; // how the change is named after "wurde von einem anderen Programm "
    int changed; // the record whose CALL reads kChangedCall now, or 0
    int held; // records the file still holds whole; the others are gone when read live
    bool replaced; // the path names another file or none: what was opened stays readable
    int reopened; // records on opening it again; -1 when there is no file
    std::string lastReopened; // the CALL of the last record then

    // What record `record` (1-based) shows of a table of `count` records after the change.
    std::string shown(int record, bool live) const
    {
        if (!live || replaced)
            return callOf(record);
        if (record > held)
            return "";
        return record == changed ? kChangedCall : callOf(record);
    }
};

// Every change of a table of `count` (more than 40) stations.
inline std::vector<ChangeScenario> changeScenarios(int count)
{
    const std::string n = std::to_string(count);
    const auto bytes = [](uint64_t records) {
        return std::to_string(kStationHeader + records * kStationRecord + 1) + " Bytes";
    };
    const auto cutTo = [](uint64_t extra) {
        return [extra](const TempDir &, const std::string &path) {
            std::filesystem::resize_file(path, kStationHeader + 40 * kStationRecord + extra);
        };
    };
    const auto callOfRecord = [](int record) {
        return [record](const TempDir &, const std::string &path) {
            overwrite(path, kStationHeader + uint64_t(record - 1) * kStationRecord + 1,
                      kChangedCall + std::string(12, ' '));
        };
    };
    const std::string gone = ": Datensatz 41 bis Datensatz " + n + " gibt es nicht mehr.";
    return {
            {"LastRecordOverwritten", callOfRecord(count), "überschrieben.", count, count, false,
             count, kChangedCall},
            {"SecondRecordOverwritten", callOfRecord(2), "überschrieben.", 2, count, false, count,
             callOf(count)},
            {"Appended",
             [count](const TempDir &, const std::string &path) {
                 // Written over the same file, as a logging program appends.
                 std::ofstream(path, std::ios::in | std::ios::out | std::ios::binary)
                         << changeTable(count + 1);
             },
             "verlängert (von " + bytes(count) + " auf " + bytes(count + 1)
                     + "); der Dateikopf nennt jetzt " + std::to_string(count + 1) + " statt " + n
                     + " Datensätze.",
             0, count, false, count + 1, callOf(count + 1)},
            {"ShortenedToARecordEnd", cutTo(0),
             "verkürzt (von " + bytes(count) + " auf "
                     + std::to_string(kStationHeader + 40 * kStationRecord) + " Bytes)" + gone,
             0, 40, false, 40, callOf(40)},
            {"ShortenedIntoARecord", cutTo(100),
             "verkürzt (von " + bytes(count) + " auf "
                     + std::to_string(kStationHeader + 40 * kStationRecord + 100) + " Bytes)"
                     + gone,
             0, 40, false, 41, callOf(41)},
            {"Replaced",
             [](const TempDir &dir, const std::string &path) {
                 std::filesystem::rename(dir.write("neu.dbf", changeTable(5, "X")), path);
             },
             "durch eine andere Datei ersetzt; der Dateikopf nennt jetzt 5 statt " + n
                     + " Datensätze.",
             0, count, true, 5, std::string("X").append(callOf(5))},
            {"Deleted",
             [](const TempDir &, const std::string &path) { std::filesystem::remove(path); },
             "gelöscht oder umbenannt.", 0, count, true, -1, ""},
    };
}

// A save as a logging program makes it: the whole table written over the file in one write(),
// from a second thread, while the test reads the file.
class SaveInOneWrite
{
public:
    // Starts the save of `bytes` over the file at `path`.
    SaveInOneWrite(const std::string &path, const std::string &bytes)
        : m_thread([path, &bytes] {
              const int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC);
              if (fd < 0)
                  return;
              (void)!::pwrite(fd, bytes.data(), bytes.size(), 0);
              ::close(fd);
          })
    { }

private:
    std::jthread m_thread; // joined when the save is destroyed
};
