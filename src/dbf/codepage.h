// Code pages of dBase text: which one a table uses, and decoding its bytes to UTF-8.
#pragma once

#include "error.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace dbf {

// The code page a table is read with, and where that choice came from.
struct EncodingChoice
{
    enum class Source { LanguageDriver, CpgFile, Detected, Override };
    std::string name; // canonical, as accepted by --encoding: "CP850", "CP1252", "UTF-8" …
    Source source = Source::Detected;
    std::string reason; // German, for `talvo-dbf info`
};

// The code page a language-driver byte (header byte 29) stands for; "" for 0x00 and unknown
// bytes. Table: dBase and Visual FoxPro documentation of the language driver IDs.
std::string codePageOfLanguageDriver(uint8_t driver);

// The code page of a dBase 7 language driver name ("DBWINWE0", "DB866RU0"); "" when unknown.
std::string codePageOfDriverName(std::string_view name);

// The code page a .cpg file names ("UTF-8", "1252", "ANSI 1252", "88591", "OEM 866" …);
// "" when it names none this reader knows.
std::string codePageOfCpg(std::string_view content);

// Decodes text of one code page to UTF-8. Cheap to copy and safe to use from any thread.
class TextDecoder
{
public:
    // Fails with UnknownEncoding when no converter exists for `name`.
    static Result<TextDecoder> create(const std::string &name);

    const std::string &name() const { return m_name; }
    // One byte is one character (and the same byte always the same one).
    bool isSingleByte() const { return m_kind == Kind::SingleByte; }
    std::string decode(std::string_view bytes) const;
    // Whether every byte of `bytes` is a character of this code page: false for bytes that a
    // single-byte page leaves unassigned (0x81 in CP1252) and for invalid UTF-8.
    bool defines(std::string_view bytes) const;
    // decode(), appended to `out`: for whole-table output without a string per value. Returns
    // defines(bytes), learnt in the same pass.
    bool decodeAppend(std::string_view bytes, std::string &out) const;

private:
    enum class Kind { SingleByte, Utf8, MultiByte };
    struct Mapped
    {
        std::array<char, 4> bytes;
        uint8_t length;
        bool defined; // a character, not a byte the code page leaves unassigned
    };

    // Makes this a single-byte code page of 256 entries: ASCII below 0x80, `upperHalf` above.
    void useSingleByteTable(const std::function<int32_t(char)> &upperHalf);

    std::string m_name;
    std::string m_converter;
    Kind m_kind = Kind::Utf8;
    std::vector<Mapped> m_table; // 256 entries for single-byte code pages
    std::string m_unassigned; // the bytes a single-byte page leaves unassigned (CP850: 0xF0)
};

// Whether the code point `c` that a code page gives a byte stands for no character of text: the
// page leaves the byte unassigned (U+FFFD, or a C1 control, as ICU maps CP1252's 0x81).
bool isUnassigned(int32_t c);

// Chooses a code page from sample text bytes when the file says nothing: valid UTF-8 stays
// UTF-8, plain ASCII is taken for CP850; otherwise the DOS or Windows code page whose reading is
// the likeliest text, by how often the letters of its languages occur. Where several pages
// read the same text, the likeliest of them is named (CP850 for German DOS text). `reason`
// names the letters, the pages that read alike, how sure the choice is and what the runner-up
// would read.
EncodingChoice detectEncoding(const std::vector<std::string_view> &samples);

// What the bytes of a table say against the code page its header names.
struct Contradiction
{
    EncodingChoice choice; // what the bytes support instead
    std::string evidence; // German: what in the bytes rules the named page out
};

// std::nullopt while the sample leaves the single-byte code page `named` possible; a
// contradiction when it holds bytes `named` leaves unassigned and another page reads them
// otherwise, or valid multi-byte UTF-8 that reads likelier than in `named`.
std::optional<Contradiction> contradictedEncoding(const std::vector<std::string_view> &samples,
                                                  const TextDecoder &named);

} // namespace dbf
