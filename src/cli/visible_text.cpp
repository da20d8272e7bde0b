// Control characters of text output, written visibly.
#include "visible_text.h"

#include <array>

namespace cli {
namespace {

// The bytes that may begin a control character: C0, DEL and 0xC2, the first byte of U+0080 to
// U+00BF in UTF-8. Text without them (ASCII, umlauts) is appended in one piece.
constexpr auto kMayBeControl = [] {
    std::array<bool, 256> may {};
    for (size_t c = 0; c < 0x20; ++c)
        may[c] = true;
    may[0x7F] = true;
    may[0xC2] = true;
    return may;
}();

bool isControlAt(std::string_view text, size_t at)
{
    const auto byte = static_cast<unsigned char>(text[at]);
    return kMayBeControl[byte] && (byte != 0xC2 || isC1ControlAt(text, at));
}

constexpr char kHexDigits[] = "0123456789abcdef";

void appendHex(unsigned char byte, std::string &out)
{
    out.push_back(kHexDigits[byte >> 4]);
    out.push_back(kHexDigits[byte & 0x0F]);
}

} // namespace

void appendVisible(std::string_view text, std::string &out)
{
    size_t done = 0; // the bytes before this are appended
    for (size_t i = 0; i < text.size(); ++i) {
        if (!isControlAt(text, i))
            continue;
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool c1 = byte == 0xC2;
        out.append(text, done, i - done);
        if (c1) {
            out += "\\u00";
            appendHex(static_cast<unsigned char>(text[++i]), out);
        } else if (byte == '\t') {
            out += "\\t";
        } else if (byte == '\n') {
            out += "\\n";
        } else if (byte == '\r') {
            out += "\\r";
        } else {
            out += "\\x";
            appendHex(byte, out);
        }
        done = i + 1;
    }
    out.append(text, done);
}

bool isC1ControlAt(std::string_view text, size_t at)
{
    if (at + 1 >= text.size() || static_cast<unsigned char>(text[at]) != 0xC2)
        return false;
    const auto code = static_cast<unsigned char>(text[at + 1]);
    return code >= 0x80 && code <= 0x9F;
}

void makeVisible(std::string &text, size_t from)
{
    // Most texts hold no control character and stay as they are.
    size_t at = from;
    while (at < text.size() && !isControlAt(text, at))
        ++at;
    if (at == text.size())
        return;
    const std::string rest = text.substr(at);
    text.resize(at);
    appendVisible(rest, text);
}

std::string visible(std::string_view text)
{
    std::string out;
    appendVisible(text, out);
    return out;
}

} // namespace cli
