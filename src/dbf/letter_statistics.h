// How likely the letters beyond ASCII of a text are in each language of dBase tables, after
// the languages' published letter frequencies.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace dbf {

// Characters beyond ASCII with how often they occur.
using CharacterCounts = std::vector<std::pair<int32_t, uint64_t>>;
// Languages by languageIndex() with weights summing to 1.
using Weighted = std::vector<std::pair<size_t, double>>;

// The index of a language by its ISO 639-1 name ("de", "cs", "ru" …).
size_t languageIndex(std::string_view language);
size_t languageCount();

// What no text holds: unassigned bytes, control characters, box drawing.
bool isNoText(int32_t c);

// ln P(text) when each character is of one of `languages` by their weights: a table of names
// from many languages.
double blendLogLikelihood(const Weighted &languages, const CharacterCounts &counts);
double languageLogLikelihood(size_t language, const CharacterCounts &counts);
// ln P(text) when the whole text is of one of `languages` by their weights, or, half as
// likely, of all of them blended.
double mixtureLogLikelihood(const Weighted &languages, const CharacterCounts &counts);

} // namespace dbf
