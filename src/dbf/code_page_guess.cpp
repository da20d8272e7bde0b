// Choosing a code page from the text bytes of a table that names none.
#include "codepage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

namespace dbf {
namespace {

// Valid UTF-8 with at least one multi-byte sequence.
bool isUtf8Text(const std::vector<std::string_view> &samples, bool &anyHighByte)
{
    anyHighByte = false;
    for (std::string_view sample : samples) {
        int32_t i = 0;
        const auto length = static_cast<int32_t>(sample.size());
        while (i < length) {
            if (static_cast<uint8_t>(sample[i]) < 0x80) {
                ++i;
                continue;
            }
            anyHighByte = true;
            UChar32 c;
            U8_NEXT(reinterpret_cast<const uint8_t *>(sample.data()), i, length, c);
            if (c < 0)
                return false;
        }
    }
    return anyHighByte;
}

// How often a letter occurs, per 100 000 letters of text: in German, and on average in the
// other languages the candidate code pages were made for (French, Spanish, Portuguese, Italian,
// Swedish, Danish). Small letters after the published letter frequency tables of these
// languages (as collected on Wikipedia's "Letter frequency" page); capitals a fifth of them,
// as dBase tables hold many names and upper-case fields.
struct LetterFrequency
{
    char32_t small;
    char32_t capital;
    double german;
    double others;
};

constexpr LetterFrequency kLetters[] = {
        {U'ä', U'Ä', 578, 300}, {U'ö', U'Ö', 443, 218}, {U'ü', U'Ü', 995, 6}, {U'ß', 0, 307, 0},
        {U'é', U'É', 20, 379},  {U'è', U'È', 2, 89},    {U'ê', U'Ê', 1, 111}, {U'ë', U'Ë', 1, 1},
        {U'à', U'À', 1, 199},   {U'á', U'Á', 1, 103},   {U'â', U'Â', 1, 102}, {U'ã', U'Ã', 0, 122},
        {U'å', U'Å', 0, 421},   {U'æ', U'Æ', 0, 145},   {U'ç', U'Ç', 1, 103}, {U'í', U'Í', 0, 143},
        {U'ì', U'Ì', 0, 5},     {U'î', U'Î', 0, 8},     {U'ï', U'Ï', 0, 1},   {U'ñ', U'Ñ', 0, 52},
        {U'ó', U'Ó', 0, 187},   {U'ò', U'Ò', 0, 1},     {U'ô', U'Ô', 0, 110}, {U'õ', U'Õ', 0, 7},
        {U'ø', U'Ø', 0, 157},   {U'ú', U'Ú', 0, 63},    {U'ù', U'Ù', 0, 37},  {U'û', U'Û', 0, 10},
};

// German counts three times as much as the others: the viewer is made for German tables.
constexpr double kGermanShare = 0.75;
// Per 100 000 letters: any other letter, a sign that text holds (° § ² „ …), and what no text
// holds: control characters, box drawing, bytes the code page leaves unassigned.
constexpr double kOtherLetter = 1, kSign = 2, kNoText = 0.001;

double frequency(UChar32 c)
{
    for (const LetterFrequency &letter : kLetters) {
        const double mixed = kGermanShare * letter.german + (1 - kGermanShare) * letter.others;
        if (static_cast<UChar32>(letter.small) == c)
            return std::max(mixed, kOtherLetter);
        if (letter.capital && static_cast<UChar32>(letter.capital) == c)
            return std::max(mixed / 5, kOtherLetter);
    }
    if (c < 0 || c == 0xFFFD || u_iscntrl(c) || (c >= 0x2500 && c <= 0x259F))
        return kNoText;
    return u_isalpha(c) ? kOtherLetter : kSign;
}

// The candidates with how likely a table is in each before its bytes are seen: CP850 and
// CP1252 for German DOS and Windows programs, CP437 for American DOS programs, which read the
// same umlauts as CP850.
struct Candidate
{
    const char *name;
    double prior;
};

constexpr Candidate kCandidates[] = {{"CP850", 0.45}, {"CP1252", 0.45}, {"CP437", 0.10}};

UChar32 characterOf(const TextDecoder &decoder, char byte)
{
    const std::string text = decoder.decode(std::string_view(&byte, 1));
    UChar32 c = -1;
    int32_t i = 0;
    U8_NEXT(reinterpret_cast<const uint8_t *>(text.data()), i, static_cast<int32_t>(text.size()),
            c);
    return c;
}

// The characters `decoder` reads the counted bytes as, the most frequent first, at most eight;
// what is no text as the byte ("0x81").
std::string readingOf(const TextDecoder &decoder, const std::array<uint64_t, 128> &highBytes)
{
    std::vector<int> order;
    for (int b = 0; b < 128; ++b) {
        if (highBytes[b])
            order.push_back(b);
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](int a, int b) { return highBytes[a] > highBytes[b]; });
    std::string text;
    for (size_t i = 0; i < order.size() && i < 8; ++i) {
        const char byte = static_cast<char>(0x80 + order[i]);
        char hex[8];
        std::snprintf(hex, sizeof hex, "0x%02X", 0x80 + order[i]);
        text += i ? ", " : "";
        text += frequency(characterOf(decoder, byte)) == kNoText
                ? std::string(hex)
                : decoder.decode(std::string_view(&byte, 1));
    }
    return text + (order.size() > 8 ? " usw." : "");
}

// ln P(code page) + Σ ln P(character of each counted byte): the naive Bayes log likelihood.
double logLikelihood(const Candidate &candidate, const TextDecoder &decoder,
                     const std::array<uint64_t, 128> &highBytes)
{
    double score = std::log(candidate.prior);
    for (int b = 0; b < 128; ++b) {
        if (!highBytes[b])
            continue;
        const UChar32 c = characterOf(decoder, static_cast<char>(0x80 + b));
        score += static_cast<double>(highBytes[b]) * std::log(frequency(c));
    }
    return score;
}

std::string percent(double probability)
{
    if (probability >= 0.9995)
        return "über 99,9 %";
    char text[16];
    std::snprintf(text, sizeof text, "%.1f %%", probability * 100);
    std::string result = text;
    std::replace(result.begin(), result.end(), '.', ',');
    return result;
}

} // namespace

EncodingChoice detectEncoding(const std::vector<std::string_view> &samples)
{
    bool anyHighByte = false;
    if (isUtf8Text(samples, anyHighByte))
        return {"UTF-8", EncodingChoice::Source::Detected,
                "keine Angabe in der Datei; die Texte sind gültiges UTF-8"};
    if (!anyHighByte)
        return {"CP850", EncodingChoice::Source::Detected,
                "keine Angabe in der Datei; die Stichprobe enthält nur ASCII, DOS-Codepage "
                "CP850 angenommen"};

    std::array<uint64_t, 128> highBytes {};
    for (std::string_view sample : samples) {
        for (char c : sample) {
            if (static_cast<uint8_t>(c) >= 0x80)
                ++highBytes[static_cast<uint8_t>(c) - 0x80];
        }
    }
    std::string counted; // each byte of the sample above 0x7F once
    for (int b = 0; b < 128; ++b) {
        if (highBytes[b])
            counted.push_back(static_cast<char>(0x80 + b));
    }
    std::vector<TextDecoder> decoders;
    std::vector<std::string> readings, texts;
    std::vector<double> scores;
    size_t best = 0;
    for (const Candidate &candidate : kCandidates) {
        decoders.push_back(*TextDecoder::create(candidate.name));
        readings.push_back(readingOf(decoders.back(), highBytes));
        texts.push_back(decoders.back().decode(counted));
        scores.push_back(logLikelihood(candidate, decoders.back(), highBytes));
        if (scores.back() > scores[best])
            best = scores.size() - 1;
    }
    // How sure: the share of the candidates that read the same text as the chosen one (CP850
    // and CP437 agree on all umlauts) in the likelihood of all of them.
    double same = 0, all = 0;
    size_t runnerUp = best;
    for (size_t i = 0; i < scores.size(); ++i) {
        const double likelihood = std::exp(scores[i] - scores[best]);
        all += likelihood;
        if (texts[i] == texts[best])
            same += likelihood;
        else if (runnerUp == best || scores[i] > scores[runnerUp])
            runnerUp = i;
    }
    const double probability = same / all;
    const char *sureness = probability >= 0.99 ? "sicher"
            : probability >= 0.9               ? "wahrscheinlich"
                                               : "unsicher";
    std::string reason = std::string("keine Angabe in der Datei; ") + kCandidates[best].name
            + " nach den Zeichen " + readings[best] + " der Stichprobe, " + sureness + " ("
            + percent(probability);
    if (runnerUp != best)
        reason += std::string("; ") + kCandidates[runnerUp].name + " läse " + readings[runnerUp];
    return {kCandidates[best].name, EncodingChoice::Source::Detected, reason + ")"};
}

} // namespace dbf
