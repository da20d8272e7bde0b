// The word lists the station generator draws from, in UTF-8.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

enum class NamePool { German, French, Dutch, English, Italian, Spanish, Slavic, Nordic, Japanese };

// In the blank-separated lists a repeated entry is drawn more often.
struct Country
{
    std::string_view dxcc; // DXCC/WAE entity in German
    uint32_t weight; // relative share of the stations; the club is German
    std::string_view prefixes;
    std::string_view stationPrefix; // start of mailbox and cluster node calls
    std::string_view regions; // of packet-radio addresses
    std::string_view route; // country and continent ending a packet-radio address
    std::string_view mailDomains;
    NamePool names;
    // Rough bounding box in tenths of a degree; locators only need to look plausible.
    int west;
    int east;
    int south;
    int north;
};

std::span<const Country> countries();
std::span<const std::string_view> firstNames(NamePool pool);
std::span<const std::string_view> activities();
std::span<const std::string_view> radios();
std::span<const std::string_view> powers();
std::span<const std::string_view> antennas();
