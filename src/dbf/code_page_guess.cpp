// Choosing a code page from the text bytes of a table that names none, or whose header names
// one the bytes rule out.
#include "ascii.h"
#include "codepage.h"
#include "letter_statistics.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <unordered_map>

namespace dbf {
namespace {

// ---- The code pages a DOS or Windows dBase table may carry ---------------------------------

struct CodePage
{
    std::string name;
    double prior; // how likely a table is in it before its bytes are seen
    Weighted languages;
    TextDecoder decoder;
};

UChar32 characterOf(const TextDecoder &decoder, char byte)
{
    const std::string text = decoder.decode(std::string_view(&byte, 1));
    UChar32 c = -1;
    int32_t i = 0;
    U8_NEXT(reinterpret_cast<const uint8_t *>(text.data()), i, static_cast<int32_t>(text.size()),
            c);
    return c;
}

const std::vector<CodePage> &codePages()
{
    // The priors favour the code pages of German tables, our users' own: CP850 and CP1252 of
    // German DOS and Windows programs, CP437 of American DOS programs, which read the same
    // umlauts as CP850. The others share the rest alike. Within the western code pages German
    // weighs as much as the other languages together.
    struct Definition
    {
        const char *name;
        double prior;
        std::vector<const char *> languages; // the first weighs `firstWeight`, the rest alike
        double firstWeight;
    };
    static const std::vector<const char *> western = {"de", "fr", "es", "pt", "it",
                                                      "sv", "da", "fi", "ca"};
    constexpr double kOthers = 0.40 / 16;
    static const std::vector<CodePage> all = [&] {
        const std::vector<Definition> definitions = {
                {"CP850", 0.25, western, 0.5},
                {"CP1252", 0.25, western, 0.5},
                {"CP437", 0.10, western, 0.5},
                {"CP852", kOthers, {"cs", "pl", "sk", "hu", "hr", "ro"}, 0},
                {"CP1250", kOthers, {"cs", "pl", "sk", "hu", "hr", "ro"}, 0},
                {"CP620", kOthers, {"pl"}, 0},
                {"CP895", kOthers, {"cs", "sk"}, 0},
                {"CP857", kOthers, {"tr"}, 0},
                {"CP1254", kOthers, {"tr"}, 0},
                {"CP861", kOthers, {"is"}, 0},
                {"CP865", kOthers, {"da"}, 0},
                {"CP866", kOthers, {"ru"}, 0},
                {"CP1251", kOthers, {"ru"}, 0},
                {"CP737", kOthers, {"el"}, 0},
                {"CP1253", kOthers, {"el"}, 0},
                {"CP874", kOthers, {"th"}, 0},
                {"CP1255", kOthers, {"he"}, 0},
                {"CP1256", kOthers, {"ar"}, 0},
                {"CP1257", kOthers, {"lt", "lv", "et"}, 0},
        };
        std::vector<CodePage> pages;
        for (const Definition &d : definitions) {
            CodePage page {d.name, d.prior, {}, *TextDecoder::create(d.name)};
            const size_t n = d.languages.size();
            for (size_t i = 0; i < n; ++i) {
                const double weight = d.firstWeight == 0 ? 1.0 / static_cast<double>(n)
                        : i == 0                         ? d.firstWeight
                                                         : (1 - d.firstWeight) / double(n - 1);
                page.languages.push_back({languageIndex(d.languages[i]), weight});
            }
            pages.push_back(std::move(page));
        }
        return pages;
    }();
    return all;
}

// ---- Reading the sample ----------------------------------------------------------------------

using HighBytes = std::array<uint64_t, 128>; // how often each byte 0x80-0xFF occurs

HighBytes countHighBytes(const std::vector<std::string_view> &samples)
{
    HighBytes counts {};
    for (std::string_view sample : samples) {
        if (isAscii(sample)) // most text, looked at eight bytes at a time
            continue;
        for (char c : sample) {
            if (static_cast<uint8_t>(c) >= 0x80)
                ++counts[static_cast<uint8_t>(c) - 0x80];
        }
    }
    return counts;
}

// Each byte of the sample above 0x7F once.
std::string presentBytes(const HighBytes &highBytes)
{
    std::string bytes;
    for (int b = 0; b < 128; ++b) {
        if (highBytes[static_cast<size_t>(b)])
            bytes.push_back(static_cast<char>(0x80 + b));
    }
    return bytes;
}

// The characters `decoder` reads the counted bytes as.
CharacterCounts charactersOf(const TextDecoder &decoder, const HighBytes &highBytes)
{
    CharacterCounts counts;
    for (int b = 0; b < 128; ++b) {
        if (highBytes[static_cast<size_t>(b)])
            counts.push_back({characterOf(decoder, static_cast<char>(0x80 + b)),
                              highBytes[static_cast<size_t>(b)]});
    }
    return counts;
}

// The characters beyond ASCII of valid UTF-8 text, with the first such sequence as read in
// UTF-8; std::nullopt when the samples are no valid UTF-8 or hold no multi-byte sequence.
std::optional<CharacterCounts> utf8Characters(const std::vector<std::string_view> &samples,
                                              std::string &first)
{
    std::unordered_map<UChar32, uint64_t> seen;
    for (std::string_view sample : samples) {
        int32_t i = 0;
        const auto length = static_cast<int32_t>(sample.size());
        const auto *data = reinterpret_cast<const uint8_t *>(sample.data());
        while (i < length) {
            if (data[i] < 0x80) {
                ++i;
                continue;
            }
            const int32_t start = i;
            UChar32 c;
            U8_NEXT(data, i, length, c);
            if (c < 0)
                return std::nullopt;
            if (seen.empty())
                first = std::string(
                        sample.substr(static_cast<size_t>(start), static_cast<size_t>(i - start)));
            ++seen[c];
        }
    }
    if (seen.empty())
        return std::nullopt;
    CharacterCounts counts(seen.begin(), seen.end());
    std::sort(counts.begin(), counts.end());
    return counts;
}

// The characters `decoder` reads the counted bytes as, the most frequent first, at most eight;
// what is no text as the byte ("0x81").
std::string readingOf(const TextDecoder &decoder, const HighBytes &highBytes)
{
    std::vector<int> order;
    for (int b = 0; b < 128; ++b) {
        if (highBytes[static_cast<size_t>(b)])
            order.push_back(b);
    }
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return highBytes[static_cast<size_t>(a)] > highBytes[static_cast<size_t>(b)];
    });
    std::string text;
    for (size_t i = 0; i < order.size() && i < 8; ++i) {
        const char byte = static_cast<char>(0x80 + order[i]);
        const UChar32 c = characterOf(decoder, byte);
        text += i ? ", " : "";
        text += isNoText(c) ? hexByte(static_cast<uint8_t>(0x80 + order[i]))
                            : decoder.decode(std::string_view(&byte, 1));
    }
    return text + (order.size() > 8 ? " usw." : "");
}

// "die Bytes 0x81, 0x8D sind in CP1252 nicht belegt", at most eight named.
std::string bytesUnassigned(const std::vector<int> &bytes, const std::string &codePage)
{
    std::string text = bytes.size() == 1 ? "das Byte " : "die Bytes ";
    for (size_t i = 0; i < bytes.size() && i < 8; ++i)
        text += (i ? ", " : "") + hexByte(static_cast<uint8_t>(bytes[i]));
    return text + (bytes.size() > 8 ? " usw." : "") + (bytes.size() == 1 ? " ist" : " sind")
            + " in " + codePage + " nicht belegt";
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

// The likeliest reading of the bytes among the code pages, and how sure it is: the share of
// the pages that read the same text (CP850, CP437 and CP852 place the umlauts alike) in the
// likelihood of all of them. The text is what is certain; of the pages that read it, the
// likeliest is named.
struct Guess
{
    size_t chosen = 0; // index in codePages()
    std::vector<size_t> alike; // the other pages that read the same text
    std::optional<size_t> runnerUp; // the likeliest page that reads another text
    double probability = 0;
    std::string text; // the chosen reading of each present byte once
};

Guess guess(const HighBytes &highBytes)
{
    const auto &pages = codePages();
    const std::string bytes = presentBytes(highBytes);
    std::vector<double> scores;
    std::vector<std::string> texts;
    for (const CodePage &page : pages) {
        texts.push_back(page.decoder.decode(bytes));
        scores.push_back(
                std::log(page.prior)
                + mixtureLogLikelihood(page.languages, charactersOf(page.decoder, highBytes)));
    }
    const double best = *std::max_element(scores.begin(), scores.end());
    std::unordered_map<std::string, double> mass; // per text read
    double all = 0;
    for (size_t i = 0; i < pages.size(); ++i) {
        mass[texts[i]] += std::exp(scores[i] - best);
        all += std::exp(scores[i] - best);
    }
    Guess g;
    for (size_t i = 1; i < pages.size(); ++i) {
        const double here = mass[texts[i]], there = mass[texts[g.chosen]];
        if (here > there || (texts[i] == texts[g.chosen] && scores[i] > scores[g.chosen]))
            g.chosen = i;
    }
    g.text = texts[g.chosen];
    g.probability = mass[g.text] / all;
    for (size_t i = 0; i < pages.size(); ++i) {
        if (i != g.chosen && texts[i] == g.text)
            g.alike.push_back(i);
        else if (texts[i] != g.text && (!g.runnerUp || scores[i] > scores[*g.runnerUp]))
            g.runnerUp = i;
    }
    return g;
}

// Text beyond ASCII is letters and their marks, with few signs among them.
constexpr double kPlausibleLetterShare = 0.8;

double letterShare(const CharacterCounts &counts)
{
    uint64_t letters = 0, all = 0;
    for (const auto &[c, count] : counts) {
        all += count;
        if (u_isalpha(c) || (U_GET_GC_MASK(c) & U_GC_M_MASK))
            letters += count;
    }
    return all ? static_cast<double>(letters) / static_cast<double>(all) : 1;
}

// "CP852 nach den Zeichen ř, á der Stichprobe, sicher (über 99,9 %; CP850 läse ², á)".
std::string reasonOf(const Guess &g, const HighBytes &highBytes)
{
    const auto &pages = codePages();
    const CodePage &chosen = pages[g.chosen];
    std::string alike;
    for (size_t i : g.alike)
        alike += (alike.empty() ? " (ebenso " : ", ") + pages[i].name;
    alike += alike.empty() ? "" : ")";
    // Likelier than every other page is not yet plausible: a page none of the candidates is
    // (Persian DOS text in MS__KHDM.DBF of DbfDataReader) reads as signs and box drawing.
    const double letters = letterShare(charactersOf(chosen.decoder, highBytes));
    const bool plausible = letters >= kPlausibleLetterShare;
    const char *sureness = !plausible ? "unsicher"
            : g.probability >= 0.99   ? "sicher"
            : g.probability >= 0.9    ? "wahrscheinlich"
                                      : "unsicher";
    std::string reason = chosen.name + alike + " nach den Zeichen "
            + readingOf(chosen.decoder, highBytes) + " der Stichprobe, " + sureness + " ("
            + percent(g.probability);
    if (!plausible)
        reason += ", doch nur " + percent(letters) + " davon Buchstaben";
    if (g.runnerUp)
        reason += "; " + pages[*g.runnerUp].name + " läse "
                + readingOf(pages[*g.runnerUp].decoder, highBytes);
    return reason + ")";
}

// Valid UTF-8 whose reading is likelier than that of `decoder`, each reading in the language
// that suits it best: a single-byte reading of UTF-8 gives pairs like "Ã±" where UTF-8 reads
// "ñ".
bool readsLikelierAsUtf8(const CharacterCounts &utf8, const TextDecoder &decoder,
                         const HighBytes &highBytes)
{
    const CharacterCounts single = charactersOf(decoder, highBytes);
    double asUtf8 = -INFINITY, asSingle = -INFINITY;
    for (size_t language = 0; language < languageCount(); ++language) {
        asUtf8 = std::max(asUtf8, languageLogLikelihood(language, utf8));
        asSingle = std::max(asSingle, languageLogLikelihood(language, single));
    }
    return asUtf8 > asSingle;
}

} // namespace

EncodingChoice detectEncoding(const std::vector<std::string_view> &samples)
{
    std::string first;
    if (utf8Characters(samples, first))
        return {"UTF-8", EncodingChoice::Source::Detected,
                "keine Angabe in der Datei; die Texte sind gültiges UTF-8"};
    const HighBytes highBytes = countHighBytes(samples);
    if (presentBytes(highBytes).empty())
        return {"CP850", EncodingChoice::Source::Detected,
                "keine Angabe in der Datei; die Stichprobe enthält nur ASCII, DOS-Codepage "
                "CP850 angenommen"};
    const Guess g = guess(highBytes);
    return {codePages()[g.chosen].name, EncodingChoice::Source::Detected,
            "keine Angabe in der Datei; " + reasonOf(g, highBytes)};
}

std::optional<Contradiction> contradictedEncoding(const std::vector<std::string_view> &samples,
                                                  const TextDecoder &named)
{
    if (!named.isSingleByte())
        return std::nullopt;
    const HighBytes highBytes = countHighBytes(samples);
    std::string first;
    if (const auto utf8 = utf8Characters(samples, first);
        utf8 && readsLikelierAsUtf8(*utf8, named, highBytes))
        return Contradiction {{"UTF-8", EncodingChoice::Source::Detected, ""},
                              "die Texte sind gültiges UTF-8, das als " + named.name()
                                      + " gelesen Zeichensalat ergäbe (»" + first + "« statt »"
                                      + named.decode(first) + "«)"};

    std::vector<int> unassigned;
    for (int b = 0; b < 128; ++b) {
        if (highBytes[static_cast<size_t>(b)]
            && isUnassigned(characterOf(named, static_cast<char>(0x80 + b))))
            unassigned.push_back(0x80 + b);
    }
    if (unassigned.empty())
        return std::nullopt;
    // What the bytes support, among all pages; the header stands when that reads as it does.
    const Guess g = guess(highBytes);
    if (g.text == named.decode(presentBytes(highBytes)))
        return std::nullopt;
    return Contradiction {
            {codePages()[g.chosen].name, EncodingChoice::Source::Detected, reasonOf(g, highBytes)},
            bytesUnassigned(unassigned, named.name())};
}

} // namespace dbf
