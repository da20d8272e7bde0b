// Fuzz target: any text as a number typed into the viewer's filter dialog.
#include "operations/text_to_number.h"
#include "targets.h"

namespace fuzz {

void number(std::string_view input)
{
    const QString text = QString::fromUtf8(input.data(), static_cast<qsizetype>(input.size()));
    const double value = operations::TextToNumber(text);
    (void)operations::isNumeric(text);
    (void)operations::isDate(text);
    (void)operations::singleText(value);
}

} // namespace fuzz
