// German collation and case folding of field texts, through ICU.
#pragma once

#include "dbf/utf16.h"
#include "error.h"

#include <memory>
#include <string>
#include <string_view>

struct UCollator;

namespace recordset {

// German dictionary order: umlauts with their base letters, case only breaking ties.
// Const functions may be called from several threads at once: the whole-table work builds sort
// keys and compares texts with one collator on two threads. ICU allows concurrent use of a
// collator through its const functions; nothing here changes its attributes after german().
class Collator
{
public:
    // Fails with kInvalidArgument when ICU has no collation data.
    static Result<Collator> german();

    // Appends the sort key of `utf16` at the default strength; keys compare like the texts.
    void appendSortKey(std::u16string_view utf16, std::string &out) const;
    // Compares UTF-8 texts ignoring case: <0, 0, >0.
    int compareIgnoringCase(std::string_view a, std::string_view b) const;
    // Compares UTF-8 texts at the default strength: <0, 0, >0.
    int compare(std::string_view a, std::string_view b) const;
    // The ICU collator at the default strength.
    const UCollator *sorting() const { return m_sorting.get(); }

private:
    struct Close
    {
        void operator()(UCollator *collator) const;
    };
    std::shared_ptr<UCollator> m_sorting;
    std::shared_ptr<UCollator> m_ignoringCase;
};

// The Unicode case folding of UTF-8 text, for comparisons that ignore case.
std::string foldCase(std::string_view utf8);

using dbf::toUtf16;

} // namespace recordset
