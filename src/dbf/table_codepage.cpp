// Choosing the code page a table's text is read in: the caller's, the .cpg file's, the language
// driver's unless the bytes rule it out, or the one the bytes suggest.
#include "table.h"

#include <cstdio>

namespace dbf {
namespace {

// Records sampled to choose a code page: the first ones and some spread over the whole file,
// so that the choice costs the same for ten records and for ten million.
constexpr uint64_t kLeadingSample = 64;
constexpr uint64_t kSpreadSample = 192;

} // namespace

std::vector<std::string_view> Table::textSample() const
{
    std::vector<std::string_view> sample;
    for (const Field &field : m_header.fields)
        sample.push_back(field.rawName);

    auto addRecord = [&](uint64_t record) {
        for (const Field &field : m_header.fields) {
            if (field.type == 'C' || field.type == 'V')
                sample.push_back(recordBytes(record).substr(field.offset, field.length));
        }
    };
    const uint64_t leading = std::min(m_recordCount, kLeadingSample);
    for (uint64_t record = 0; record < leading; ++record)
        addRecord(record);
    if (m_recordCount > leading) {
        const uint64_t step = std::max<uint64_t>(1, (m_recordCount - leading) / kSpreadSample);
        for (uint64_t record = leading; record < m_recordCount; record += step)
            addRecord(record);
    }
    return sample;
}

Result<bool> Table::chooseEncoding(const OpenOptions &options, const std::string &cpgContent)
{
    char driver[8];
    std::snprintf(driver, sizeof driver, "0x%02X", m_header.languageDriver);
    std::pair<std::string, uint64_t> named; // the header's naming of the code page, its offset

    if (!options.encoding.empty()) {
        m_encoding = {options.encoding, EncodingChoice::Source::Override,
                      "vom Aufrufer vorgegeben"};
    } else if (const std::string fromCpg = codePageOfCpg(cpgContent); !fromCpg.empty()) {
        m_encoding = {fromCpg, EncodingChoice::Source::CpgFile, "aus der .cpg-Datei"};
    } else if (const std::string fromDriver = codePageOfLanguageDriver(m_header.languageDriver);
               !fromDriver.empty()) {
        m_encoding = {fromDriver, EncodingChoice::Source::LanguageDriver,
                      std::string("aus dem Sprachtreiber-Byte ") + driver};
        named = {std::string("Sprachtreiber-Byte ") + driver, 29};
    } else if (const std::string fromName = codePageOfDriverName(m_header.languageDriverName);
               !fromName.empty()) {
        m_encoding = {fromName, EncodingChoice::Source::LanguageDriver,
                      "aus dem Sprachtreiber »" + m_header.languageDriverName + "«"};
        named = {"Sprachtreiber »" + m_header.languageDriverName + "«", 32};
    } else {
        m_encoding = detectEncoding(textSample());
        if (m_header.languageDriver != 0)
            m_encoding.reason = std::string("Sprachtreiber-Byte ") + driver + " ist unbekannt; "
                    + m_encoding.reason.substr(m_encoding.reason.find(';') + 2);
    }

    auto decoder = TextDecoder::create(m_encoding.name);
    if (!decoder && m_encoding.source == EncodingChoice::Source::Override)
        return decoder.error();
    if (!decoder) {
        // A code page no decoder here knows (a .cpg naming one): read the text as the bytes
        // suggest.
        const std::string unknown = m_encoding.name;
        m_encoding = detectEncoding(textSample());
        m_encoding.reason = "Codepage " + unknown + " wird nicht unterstützt; "
                + m_encoding.reason.substr(m_encoding.reason.find(';') + 2);
        decoder = TextDecoder::create(m_encoding.name);
    }
    m_encoding.name = decoder->name();
    m_decoder = *decoder;
    if (m_encoding.source == EncodingChoice::Source::LanguageDriver)
        readAgainstContradiction(named.first, named.second);
    return true;
}

void Table::readAgainstContradiction(const std::string &driver, uint64_t offset)
{
    const auto contradiction = contradictedEncoding(textSample(), m_decoder);
    if (!contradiction)
        return;
    const std::string named = m_encoding.name;
    m_encoding = contradiction->choice;
    m_encoding.reason = driver + " nennt " + named + ", doch " + contradiction->evidence
            + (m_encoding.reason.empty() ? "" : "; " + m_encoding.reason);
    m_decoder = *TextDecoder::create(m_encoding.name);
    m_findings.push_back({FindingKind::CodePageContradicted,
                          "Der Dateikopf nennt " + named + " (" + driver + "), doch "
                                  + contradiction->evidence + "; gelesen wird als "
                                  + m_encoding.name + ".",
                          offset});
}

} // namespace dbf
