// How likely the letters beyond ASCII of a text are in each language of dBase tables: the
// evidence the code page guess weighs.
#include "letter_statistics.h"

#include "codepage.h"

#include <algorithm>
#include <cmath>
#include <unicode/uchar.h>
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

} // namespace

bool isNoText(int32_t c)
{
    return isUnassigned(c) || (c >= 0x2500 && c <= 0x259F); // box drawing, blocks
}

size_t languageIndex(std::string_view language)
{
    return LetterModel::instance().index(language);
}

size_t languageCount()
{
    return LetterModel::instance().size();
}

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

} // namespace dbf
