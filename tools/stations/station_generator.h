// Invents plausible, reproducible records for the club's station table.
#pragma once

#include "dbf_builder.h"
#include "split_mix64.h"

#include <array>
#include <string>
#include <string_view>
#include <vector>

inline constexpr std::size_t kStationColumns = 13;

struct Station
{
    std::array<std::string_view, kStationColumns> values; // CP850 bytes in column order
    bool deleted = false;
};

// The columns of the station table, in order.
std::vector<dbfbuild::FieldSpec> stationFields();

class StationGenerator
{
public:
    explicit StationGenerator(uint64_t seed);

    // The returned values stay valid until the next call; buffers are reused so that
    // millions of records cost no allocations.
    const Station &next();

private:
    struct PreparedCountry
    {
        std::string dxcc;
        std::vector<std::string_view> prefixes;
        std::vector<std::string_view> regions;
        std::vector<std::string> mailboxes; // one per region
        std::vector<std::string> clusterNodes;
        std::vector<std::string_view> mailDomains;
        std::vector<std::string> names;
        std::string_view route;
        int west;
        int east;
        int south;
        int north;
    };

    std::size_t pickCountry();
    void appendCall(std::string &out, std::string_view prefix, uint32_t letters);
    void appendNewCall(std::string &out, const PreparedCountry &country);
    std::string_view locator(const PreparedCountry &country);
    std::string_view prAddress(std::string_view call, const PreparedCountry &country);
    std::string_view mailAddress(std::string_view call, const PreparedCountry &country);
    std::string_view activityList();
    std::string_view rig();
    std::string_view date();

    template<typename T>
    const T &pick(const std::vector<T> &items)
    {
        return items[m_random.below(static_cast<uint32_t>(items.size()))];
    }

    SplitMix64 m_random;
    std::vector<PreparedCountry> m_countries;
    std::vector<uint32_t> m_cumulativeWeights;
    std::vector<std::string> m_activities;
    std::vector<std::string> m_radios;
    std::vector<std::string> m_powers;
    std::vector<std::string> m_antennas;

    static constexpr std::size_t kRecentCalls = 256;
    std::array<std::string, kRecentCalls> m_recentCalls;
    std::array<std::size_t, kRecentCalls> m_recentCountries {};
    std::size_t m_callsSeen = 0;

    std::string m_call;
    std::string m_oldCall;
    std::string m_prAddress;
    std::string m_mail;
    std::string m_activityList;
    std::string m_rig;
    std::array<char, 6> m_locator {};
    std::array<char, 8> m_cwSpeed {};
    std::array<char, 8> m_ssbCount {};
    std::array<char, 8> m_date {};
    Station m_station;
};
