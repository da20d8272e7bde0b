// Draws station records from the word lists with a seeded generator.
#include "station_generator.h"

#include "cp850.h"
#include "station_tables.h"

#include <algorithm>
#include <charconv>
#include <stdexcept>

namespace {

// How often a column is filled or a feature occurs, in per mille of the records.
constexpr uint32_t kFilled = 970; // everyday columns; the rest were left empty at the desk
constexpr uint32_t kDuplicateCall = 30;
constexpr uint32_t kPortable = 40;
constexpr uint32_t kMobile = 20;
constexpr uint32_t kThreeLetterSuffix = 700;
constexpr uint32_t kPreviousCall = 120;
constexpr uint32_t kPacketRadio = 550;
constexpr uint32_t kCluster = 400;
constexpr uint32_t kNodeWithSsid = 600;
constexpr uint32_t kMail = 450;
constexpr uint32_t kCwSpeed = 750;
constexpr uint32_t kTypicalCwSpeed = 800;
constexpr uint32_t kSsbCount = 850;
constexpr uint32_t kSecondRadio = 150;
constexpr uint32_t kPower = 800;
constexpr uint32_t kAntenna = 850;
constexpr uint32_t kSecondAntenna = 300;
constexpr uint32_t kDeleted = 5;

constexpr std::size_t kClusterNodesPerCountry = 3;
constexpr std::size_t kMaxActivities = 64; // they are deduplicated with a 64-bit mask

std::vector<std::string_view> words(std::string_view text)
{
    std::vector<std::string_view> result;
    while (!text.empty()) {
        const std::size_t end = std::min(text.find(' '), text.size());
        if (end > 0)
            result.push_back(text.substr(0, end));
        text.remove_prefix(std::min(end + 1, text.size()));
    }
    return result;
}

std::vector<std::string> toCp850(std::span<const std::string_view> texts)
{
    std::vector<std::string> result;
    result.reserve(texts.size());
    for (std::string_view text : texts)
        result.push_back(utf8ToCp850(text));
    return result;
}

bool endsWithDigit(std::string_view text)
{
    return !text.empty() && text.back() >= '0' && text.back() <= '9';
}

uint32_t daysInMonth(uint32_t year, uint32_t month)
{
    if (month == 2)
        return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
    return month == 4 || month == 6 || month == 9 || month == 11 ? 30 : 31;
}

char digit(uint32_t value)
{
    return static_cast<char>('0' + value % 10);
}

char letter(uint32_t index)
{
    return static_cast<char>('A' + index);
}

std::string_view formatNumber(std::array<char, 8> &buffer, uint32_t value)
{
    const auto result = std::to_chars(buffer.data(), buffer.data() + buffer.size(), value);
    return {buffer.data(), static_cast<std::size_t>(result.ptr - buffer.data())};
}

} // namespace

std::vector<dbfbuild::FieldSpec> stationFields()
{
    return {
            {"CALL", 'C', 15},       {"DXCC_WAE", 'C', 30},     {"LOCATOR", 'C', 8},
            {"NEW_OLD_CA", 'C', 15}, {"PR_ADRESSE", 'C', 40},   {"PR_CLUSTER", 'C', 40},
            {"E_MAIL", 'C', 50},     {"VORNAME", 'C', 30},      {"AKTIVIT_TE", 'C', 110},
            {"RIG", 'C', 100},       {"NOF_CW_LPM", 'N', 5, 0}, {"NOF_SSB", 'N', 5, 0},
            {"UP_DATE", 'D', 8},
    };
}

StationGenerator::StationGenerator(uint64_t seed)
    : m_random(seed),
      m_activities(toCp850(activities())),
      m_radios(toCp850(radios())),
      m_powers(toCp850(powers())),
      m_antennas(toCp850(antennas()))
{
    if (m_activities.size() > kMaxActivities)
        throw std::logic_error("too many activities for the duplicate mask");

    uint32_t totalWeight = 0;
    for (const Country &country : countries()) {
        PreparedCountry prepared {
                .dxcc = utf8ToCp850(country.dxcc),
                .prefixes = words(country.prefixes),
                .regions = words(country.regions),
                .mailboxes = {},
                .clusterNodes = {},
                .mailDomains = words(country.mailDomains),
                .names = toCp850(firstNames(country.names)),
                .route = country.route,
                .west = country.west,
                .east = country.east,
                .south = country.south,
                .north = country.north,
        };
        // Each region gets one fixed mailbox, as packet-radio users were homed at their
        // nearest mailbox; the same few cluster nodes recur within a country.
        for (std::size_t i = 0; i < prepared.regions.size(); ++i) {
            std::string mailbox;
            appendCall(mailbox, country.stationPrefix, 3);
            prepared.mailboxes.push_back(std::move(mailbox));
        }
        for (std::size_t i = 0; i < kClusterNodesPerCountry; ++i) {
            std::string node;
            appendCall(node, country.stationPrefix, 3);
            if (m_random.chance(kNodeWithSsid)) {
                node += '-';
                node += digit(m_random.between(1, 9));
            }
            prepared.clusterNodes.push_back(std::move(node));
        }
        m_countries.push_back(std::move(prepared));
        totalWeight += country.weight;
        m_cumulativeWeights.push_back(totalWeight);
    }
}

const Station &StationGenerator::next()
{
    std::size_t countryIndex = 0;
    if (m_callsSeen > 0 && m_random.chance(kDuplicateCall)) {
        const auto known = static_cast<uint32_t>(std::min(m_callsSeen, kRecentCalls));
        const uint32_t slot = m_random.below(known);
        m_call = m_recentCalls[slot];
        countryIndex = m_recentCountries[slot];
    } else {
        countryIndex = pickCountry();
        m_call.clear();
        appendNewCall(m_call, m_countries[countryIndex]);
        if (m_random.chance(kPortable))
            m_call += "/P";
        else if (m_random.chance(kMobile))
            m_call += "/M";
        const std::size_t slot = m_callsSeen % kRecentCalls;
        m_recentCalls[slot] = m_call;
        m_recentCountries[slot] = countryIndex;
        ++m_callsSeen;
    }

    const PreparedCountry &country = m_countries[countryIndex];
    const std::string_view homeCall = std::string_view(m_call).substr(0, m_call.find('/'));
    auto &values = m_station.values;
    values[0] = m_call;
    values[1] = m_random.chance(kFilled) ? std::string_view(country.dxcc) : std::string_view();
    values[2] = m_random.chance(kFilled) ? locator(country) : std::string_view();
    values[3] = std::string_view();
    if (m_random.chance(kPreviousCall)) {
        m_oldCall.clear();
        appendNewCall(m_oldCall, country);
        values[3] = m_oldCall;
    }
    values[4] = m_random.chance(kPacketRadio) ? prAddress(homeCall, country) : std::string_view();
    values[5] = m_random.chance(kCluster) ? std::string_view(pick(country.clusterNodes))
                                          : std::string_view();
    values[6] = m_random.chance(kMail) ? mailAddress(homeCall, country) : std::string_view();
    values[7] =
            m_random.chance(kFilled) ? std::string_view(pick(country.names)) : std::string_view();
    values[8] = m_random.chance(kFilled) ? activityList() : std::string_view();
    values[9] = m_random.chance(kFilled) ? rig() : std::string_view();
    values[10] = std::string_view();
    if (m_random.chance(kCwSpeed)) {
        const uint32_t speed =
                m_random.chance(kTypicalCwSpeed) ? m_random.between(40, 200) : m_random.below(1000);
        values[10] = formatNumber(m_cwSpeed, speed);
    }
    values[11] = m_random.chance(kSsbCount) ? formatNumber(m_ssbCount, m_random.below(1000))
                                            : std::string_view();
    values[12] = m_random.chance(kFilled) ? date() : std::string_view();
    m_station.deleted = m_random.chance(kDeleted);
    return m_station;
}

std::size_t StationGenerator::pickCountry()
{
    const uint32_t target = m_random.below(m_cumulativeWeights.back());
    const auto found =
            std::upper_bound(m_cumulativeWeights.begin(), m_cumulativeWeights.end(), target);
    return static_cast<std::size_t>(found - m_cumulativeWeights.begin());
}

void StationGenerator::appendCall(std::string &out, std::string_view prefix, uint32_t letters)
{
    out += prefix;
    if (!endsWithDigit(prefix))
        out += digit(m_random.between(1, 9));
    for (uint32_t i = 0; i < letters; ++i)
        out += letter(m_random.below(26));
}

void StationGenerator::appendNewCall(std::string &out, const PreparedCountry &country)
{
    const std::string_view prefix = pick(country.prefixes);
    appendCall(out, prefix, m_random.chance(kThreeLetterSuffix) ? 3 : 2);
}

// Maidenhead subsquares are 5' of longitude by 2.5' of latitude, so positions are drawn in
// twelfths and twenty-fourths of a degree and every locator character falls out by division.
std::string_view StationGenerator::locator(const PreparedCountry &country)
{
    const auto westEdge = static_cast<uint32_t>((country.west + 1800) * 12 / 10);
    const auto southEdge = static_cast<uint32_t>((country.south + 900) * 24 / 10);
    const uint32_t longitude = westEdge
            + m_random.below(static_cast<uint32_t>((country.east - country.west) * 12 / 10));
    const uint32_t latitude = southEdge
            + m_random.below(static_cast<uint32_t>((country.north - country.south) * 24 / 10));
    m_locator = {letter(longitude / 240),    letter(latitude / 240), digit(longitude % 240 / 24),
                 digit(latitude % 240 / 24), letter(longitude % 24), letter(latitude % 24)};
    return {m_locator.data(), m_locator.size()};
}

std::string_view StationGenerator::prAddress(std::string_view call, const PreparedCountry &country)
{
    const uint32_t region = m_random.below(static_cast<uint32_t>(country.regions.size()));
    m_prAddress.clear();
    m_prAddress += call;
    m_prAddress += '@';
    m_prAddress += country.mailboxes[region];
    m_prAddress += '.';
    m_prAddress += country.regions[region];
    m_prAddress += country.route;
    return m_prAddress;
}

std::string_view StationGenerator::mailAddress(std::string_view call,
                                               const PreparedCountry &country)
{
    m_mail.clear();
    for (char c : call)
        m_mail += c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
    m_mail += '@';
    m_mail += pick(country.mailDomains);
    return m_mail;
}

std::string_view StationGenerator::activityList()
{
    m_activityList.clear();
    uint64_t used = 0;
    const uint32_t count = m_random.between(1, 5);
    for (uint32_t i = 0; i < count; ++i) {
        const uint32_t index = m_random.below(static_cast<uint32_t>(m_activities.size()));
        // A repeat just makes the list shorter, which real entries were often enough.
        if ((used >> index) & 1)
            continue;
        used |= uint64_t {1} << index;
        if (!m_activityList.empty())
            m_activityList += ", ";
        m_activityList += m_activities[index];
    }
    return m_activityList;
}

std::string_view StationGenerator::rig()
{
    m_rig.clear();
    m_rig += pick(m_radios);
    if (m_random.chance(kSecondRadio)) {
        m_rig += " + ";
        m_rig += pick(m_radios);
    }
    if (m_random.chance(kPower)) {
        m_rig += ", ";
        m_rig += pick(m_powers);
    }
    if (m_random.chance(kAntenna)) {
        m_rig += ", ";
        m_rig += pick(m_antennas);
        if (m_random.chance(kSecondAntenna)) {
            m_rig += ", ";
            m_rig += pick(m_antennas);
        }
    }
    return m_rig;
}

std::string_view StationGenerator::date()
{
    const uint32_t year = m_random.between(1985, 2005);
    const uint32_t month = m_random.between(1, 12);
    const uint32_t day = m_random.between(1, daysInMonth(year, month));
    m_date = {digit(year / 1000), digit(year / 100), digit(year / 10), digit(year),
              digit(month / 10),  digit(month),      digit(day / 10),  digit(day)};
    return {m_date.data(), m_date.size()};
}
