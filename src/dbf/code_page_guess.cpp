// Choosing a code page from the text bytes of a table that names none, or whose header names
// one the bytes rule out.
#include "ascii.h"
#include "codepage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <unicode/uchar.h>
#include <unicode/utf8.h>
#include <unordered_map>

namespace dbf {
namespace {

// ---- The languages: how often each of their letters beyond ASCII occurs -------------------

struct Letter
{
    char32_t letter; // small letter
    double percent; // of all letters of a text
};

struct Language
{
    const char *name;
    std::vector<Letter> letters;
};

// Letters whose frequencies no table at hand gives: each of them alike.
std::vector<Letter> alike(std::u32string_view letters)
{
    std::vector<Letter> result;
    for (char32_t c : letters)
        result.push_back({c, 1});
    return result;
}

std::vector<Letter> alike(char32_t first, char32_t last)
{
    std::vector<Letter> result;
    for (char32_t c = first; c <= last; ++c)
        result.push_back({c, 1});
    return result;
}

const std::vector<Language> &languages()
{
    // German, French, Spanish, Portuguese, Italian, Swedish, Danish, Finnish, Icelandic,
    // Turkish, Polish and Czech: the published letter-frequency tables of these languages as
    // collected in Wikipedia's article "Letter frequency" (per cent of all letters). Russian:
    // the letter frequencies of the Russian National Corpus (as given in Russian Wikipedia's
    // "Частотность"). The other languages only by the letters of their alphabets.
    // clang-format off
    static const std::vector<Language> all = [] {
        std::vector<Language> l;
        l.push_back({"de", {{U'ä', 0.578}, {U'ö', 0.443}, {U'ü', 0.995}, {U'ß', 0.307}}});
        l.push_back({"fr", {{U'à', 0.486}, {U'â', 0.051}, {U'œ', 0.018}, {U'ç', 0.085}, {U'è', 0.271},
                            {U'é', 1.504}, {U'ê', 0.218}, {U'ë', 0.008}, {U'î', 0.045}, {U'ï', 0.005},
                            {U'ô', 0.023}, {U'ù', 0.058}, {U'û', 0.060}}});
        l.push_back({"es", {{U'á', 0.502}, {U'é', 0.433}, {U'í', 0.725}, {U'ñ', 0.311}, {U'ó', 0.827},
                            {U'ú', 0.168}, {U'ü', 0.012}}});
        l.push_back({"pt", {{U'à', 0.072}, {U'â', 0.562}, {U'á', 0.118}, {U'ã', 0.733}, {U'ç', 0.530},
                            {U'é', 0.337}, {U'ê', 0.450}, {U'í', 0.132}, {U'ó', 0.296}, {U'ô', 0.635},
                            {U'õ', 0.040}, {U'ú', 0.207}, {U'ü', 0.026}}});
        l.push_back({"it", {{U'à', 0.635}, {U'è', 0.263}, {U'ì', 0.030}, {U'ò', 0.002}, {U'ù', 0.166}}});
        l.push_back({"sv", {{U'å', 1.338}, {U'ä', 1.797}, {U'ö', 1.305}}});
        l.push_back({"da", {{U'å', 1.190}, {U'æ', 0.872}, {U'ø', 0.939}}});
        l.push_back({"fi", {{U'ä', 3.577}, {U'ö', 0.444}, {U'å', 0.003}}});
        l.push_back({"is", {{U'á', 1.799}, {U'æ', 0.867}, {U'é', 0.647}, {U'í', 1.570}, {U'ð', 4.393},
                            {U'ó', 0.994}, {U'ö', 0.777}, {U'þ', 1.455}, {U'ú', 0.613}, {U'ý', 0.228}}});
        l.push_back({"tr", {{U'ç', 1.156}, {U'ğ', 1.125}, {U'ı', 5.114}, {U'ö', 0.777}, {U'ş', 1.780},
                            {U'ü', 1.854}}});
        l.push_back({"pl", {{U'ą', 0.699}, {U'ć', 0.743}, {U'ę', 1.035}, {U'ł', 2.109}, {U'ń', 0.362},
                            {U'ó', 1.141}, {U'ś', 0.814}, {U'ź', 0.078}, {U'ż', 0.706}}});
        l.push_back({"cs", {{U'á', 0.867}, {U'č', 0.462}, {U'ď', 0.015}, {U'é', 0.633}, {U'ě', 1.222},
                            {U'í', 1.643}, {U'ň', 0.007}, {U'ó', 0.024}, {U'ř', 0.380}, {U'š', 0.688},
                            {U'ť', 0.006}, {U'ú', 0.045}, {U'ů', 0.204}, {U'ý', 0.995}, {U'ž', 0.721}}});
        l.push_back({"ru", {{U'а', 8.01}, {U'б', 1.59}, {U'в', 4.54}, {U'г', 1.70}, {U'д', 2.98},
                            {U'е', 8.45}, {U'ё', 0.04}, {U'ж', 0.94}, {U'з', 1.65}, {U'и', 7.35},
                            {U'й', 1.21}, {U'к', 3.49}, {U'л', 4.40}, {U'м', 3.21}, {U'н', 6.70},
                            {U'о', 10.97}, {U'п', 2.81}, {U'р', 4.73}, {U'с', 5.47}, {U'т', 6.26},
                            {U'у', 2.62}, {U'ф', 0.26}, {U'х', 0.97}, {U'ц', 0.48}, {U'ч', 1.44},
                            {U'ш', 0.73}, {U'щ', 0.36}, {U'ъ', 0.04}, {U'ы', 1.90}, {U'ь', 1.74},
                            {U'э', 0.32}, {U'ю', 0.64}, {U'я', 2.01}}});
        l.push_back({"ca", alike(U"àçèéíïòóúü")});
        l.push_back({"sk", alike(U"áäčďéíĺľňóôŕšťúýž")});
        l.push_back({"hu", alike(U"áéíóöőúüű")});
        l.push_back({"hr", alike(U"čćđšž")}); // Croatian, Slovenian, Bosnian
        l.push_back({"ro", alike(U"ăâîşţșț")});
        l.push_back({"lt", alike(U"ąčęėįšųūž")});
        l.push_back({"lv", alike(U"āčēģīķļņšūž")});
        l.push_back({"et", alike(U"õäöüšž")});
        std::vector<Letter> greek = alike(U'α', U'ω');
        for (const Letter &accented : alike(U"άέήίόύώϊϋΐΰ"))
            greek.push_back(accented);
        l.push_back({"el", greek});
        std::vector<Letter> thai = alike(U'\u0E01', U'\u0E3A'); // consonants, vowels
        for (const Letter &more : alike(U'\u0E40', U'\u0E4E')) // leading vowels, tone marks
            thai.push_back(more);
        l.push_back({"th", thai});
        l.push_back({"he", alike(U'\u05D0', U'\u05EA')});
        std::vector<Letter> arabic = alike(U'\u0621', U'\u064A');
        for (const Letter &persian : alike(U"\u067E\u0686\u0698\u06AF"))
            arabic.push_back(persian);
        l.push_back({"ar", arabic});
        return l;
    }();
    // clang-format on
    return all;
}

// Per character of text beyond ASCII: a letter of another language than the one weighed (names
// in a table come from many), a letter of none, a sign that text holds (° § ² „ …), and what no
// text holds: control characters, box drawing, bytes the code page leaves unassigned.
constexpr double kForeignShare = 0.05;
constexpr double kOtherLetter = 1e-5, kSign = 2e-5, kNoText = 1e-8;
// Capitals are a fifth as frequent as their small letters: dBase tables hold many names and
// upper-case fields.
constexpr double kCapital = 0.2;

bool isNoText(UChar32 c)
{
    return isUnassigned(c) || (c >= 0x2500 && c <= 0x259F); // box drawing, blocks
}

// How likely each character is in the text of each language.
class LetterModel
{
public:
    static const LetterModel &instance()
    {
        static const LetterModel model;
        return model;
    }

    size_t index(std::string_view language) const
    {
        const auto &all = languages();
        return static_cast<size_t>(
                std::find_if(all.begin(), all.end(),
                             [&](const Language &l) { return l.name == language; })
                - all.begin());
    }
    size_t size() const { return m_shares.size(); }

    double probability(size_t language, UChar32 c) const
    {
        const UChar32 small = u_tolower(c);
        const double letter = (1 - kForeignShare) * share(m_shares[language], small)
                + kForeignShare * share(m_foreign, small);
        if (letter > 0)
            return std::max(letter * (small == c ? 1 : kCapital), kOtherLetter);
        if (isNoText(c))
            return kNoText;
        return u_isalpha(c) ? kOtherLetter : kSign;
    }

private:
    using Shares = std::unordered_map<UChar32, double>;

    LetterModel()
    {
        const auto &all = languages();
        for (const Language &language : all) {
            double total = 0;
            for (const Letter &letter : language.letters)
                total += letter.percent;
            Shares &shares = m_shares.emplace_back();
            for (const Letter &letter : language.letters) {
                const auto c = static_cast<UChar32>(letter.letter);
                shares[c] += letter.percent / total;
                m_foreign[c] += letter.percent / total / static_cast<double>(all.size());
            }
        }
    }

    static double share(const Shares &shares, UChar32 c)
    {
        const auto found = shares.find(c);
        return found == shares.end() ? 0 : found->second;
    }

    std::vector<Shares> m_shares; // per language: each letter's share of its letters beyond ASCII
    Shares m_foreign; // the same averaged over all languages
};

// Characters beyond ASCII with how often they occur.
using CharacterCounts = std::vector<std::pair<UChar32, uint64_t>>;

using Weighted = std::vector<std::pair<size_t, double>>; // languages with weights summing to 1

// ln P(text) when each character is of one of `languages` by their weights: a table of names
// from many languages.
double blendLogLikelihood(const Weighted &languages, const CharacterCounts &counts)
{
    double sum = 0;
    for (const auto &[c, count] : counts) {
        double p = 0;
        for (const auto &[language, weight] : languages)
            p += weight * LetterModel::instance().probability(language, c);
        sum += static_cast<double>(count) * std::log(p);
    }
    return sum;
}

double languageLogLikelihood(size_t language, const CharacterCounts &counts)
{
    return blendLogLikelihood({{language, 1.0}}, counts);
}

// ln P(text) when the whole text is of one of `languages` by their weights, or, half as
// likely, of all of them blended.
double mixtureLogLikelihood(const Weighted &languages, const CharacterCounts &counts)
{
    std::vector<double> terms;
    for (const auto &[language, weight] : languages)
        terms.push_back(std::log(weight / 2) + languageLogLikelihood(language, counts));
    terms.push_back(std::log(0.5) + blendLogLikelihood(languages, counts));
    const double most = *std::max_element(terms.begin(), terms.end());
    double sum = 0;
    for (double term : terms)
        sum += std::exp(term - most);
    return most + std::log(sum);
}

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
        const LetterModel &model = LetterModel::instance();
        std::vector<CodePage> pages;
        for (const Definition &d : definitions) {
            CodePage page {d.name, d.prior, {}, *TextDecoder::create(d.name)};
            const size_t n = d.languages.size();
            for (size_t i = 0; i < n; ++i) {
                const double weight = d.firstWeight == 0 ? 1.0 / static_cast<double>(n)
                        : i == 0                         ? d.firstWeight
                                                         : (1 - d.firstWeight) / double(n - 1);
                page.languages.push_back({model.index(d.languages[i]), weight});
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
    const LetterModel &model = LetterModel::instance();
    double asUtf8 = -INFINITY, asSingle = -INFINITY;
    for (size_t language = 0; language < model.size(); ++language) {
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
