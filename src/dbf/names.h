// The one rule by which names of fields and tables match: without regard to case, in every
// script (the query, the criteria and the viewer's bound columns all use it).
#pragma once

#include <string_view>

namespace dbf {

// Whether UTF-8 names `a` and `b` are the same after full Unicode case folding ("ÄNDERUNG" and
// "änderung" are, so are "Straße" and "STRASSE").
bool sameName(std::string_view a, std::string_view b);

} // namespace dbf
