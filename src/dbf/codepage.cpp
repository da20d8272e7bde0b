// Language-driver table, .cpg names, code page detection and decoding through ICU.
#include "codepage.h"

#include "ascii.h"
#include "dos_code_pages.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <unicode/uchar.h>
#include <unicode/ucnv.h>
#include <unicode/utf8.h>

namespace dbf {
namespace {

struct DriverEntry
{
    uint8_t driver;
    const char *codePage;
};

// Language driver IDs of dBase IV/5/7 and FoxPro/Visual FoxPro (their documentation's table).
constexpr DriverEntry kDrivers[] = {
        {0x01, "CP437"},    {0x02, "CP850"},       {0x03, "CP1252"}, {0x04, "MACINTOSH"},
        {0x08, "CP865"},    {0x09, "CP437"},       {0x0A, "CP850"},  {0x0B, "CP437"},
        {0x0D, "CP437"},    {0x0E, "CP850"},       {0x0F, "CP437"},  {0x10, "CP850"},
        {0x11, "CP437"},    {0x12, "CP850"},       {0x13, "CP932"},  {0x14, "CP850"},
        {0x15, "CP437"},    {0x16, "CP850"},       {0x17, "CP865"},  {0x18, "CP437"},
        {0x19, "CP437"},    {0x1A, "CP850"},       {0x1B, "CP437"},  {0x1C, "CP863"},
        {0x1D, "CP850"},    {0x1F, "CP852"},       {0x22, "CP852"},  {0x23, "CP852"},
        {0x24, "CP860"},    {0x25, "CP850"},       {0x26, "CP866"},  {0x37, "CP850"},
        {0x40, "CP852"},    {0x4D, "CP936"},       {0x4E, "CP949"},  {0x4F, "CP950"},
        {0x50, "CP874"},    {0x57, "CP1252"},      {0x58, "CP1252"}, {0x59, "CP1252"},
        {0x64, "CP852"},    {0x65, "CP866"},       {0x66, "CP865"},  {0x67, "CP861"},
        {0x68, "CP895"},    {0x69, "CP620"},       {0x6A, "CP737"},  {0x6B, "CP857"},
        {0x6C, "CP863"},    {0x78, "CP950"},       {0x79, "CP949"},  {0x7A, "CP936"},
        {0x7B, "CP932"},    {0x7C, "CP874"},       {0x7D, "CP1255"}, {0x7E, "CP1256"},
        {0x86, "CP737"},    {0x87, "CP852"},       {0x88, "CP857"},  {0x96, "X-MAC-CYRILLIC"},
        {0x97, "X-MAC-CE"}, {0x98, "X-MAC-GREEK"}, {0xC8, "CP1250"}, {0xC9, "CP1251"},
        {0xCA, "CP1254"},   {0xCB, "CP1253"},      {0xCC, "CP1257"},
};

bool allDigits(std::string_view text)
{
    return !text.empty()
            && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// ICU's name for one of our canonical names.
std::string converterName(const std::string &canonical)
{
    if (canonical.rfind("CP", 0) == 0) {
        const std::string number = canonical.substr(2);
        if (number == "874" || number.size() == 4)
            return "windows-" + number;
        return "cp" + number;
    }
    return canonical;
}

struct ConverterCloser
{
    void operator()(UConverter *converter) const { ucnv_close(converter); }
};
using ConverterPtr = std::unique_ptr<UConverter, ConverterCloser>;

ConverterPtr openConverter(const std::string &name)
{
    UErrorCode status = U_ZERO_ERROR;
    ConverterPtr converter(ucnv_open(name.c_str(), &status));
    if (U_FAILURE(status))
        return nullptr;
    return converter;
}

// Up to this many unassigned bytes, defines() looks for each of them in turn.
constexpr size_t kFewUnassigned = 8;

bool isValidUtf8(std::string_view bytes)
{
    const auto *data = reinterpret_cast<const uint8_t *>(bytes.data());
    const auto length = static_cast<int32_t>(bytes.size());
    for (int32_t i = 0; i < length;) {
        UChar32 c;
        U8_NEXT(data, i, length, c);
        if (c < 0)
            return false;
    }
    return true;
}

void appendUtf8(std::string &out, UChar32 c)
{
    char buffer[4];
    int32_t length = 0;
    UBool error = false;
    U8_APPEND(buffer, length, 4, c, error);
    if (!error)
        out.append(buffer, static_cast<size_t>(length));
}

} // namespace

std::string codePageOfLanguageDriver(uint8_t driver)
{
    for (const DriverEntry &entry : kDrivers) {
        if (entry.driver == driver)
            return entry.codePage;
    }
    return {};
}

std::string codePageOfDriverName(std::string_view name)
{
    // dBase 7 driver names: "DB" + DOS code page + language ("DB850DE0", "DB866RU0"), or
    // "DBWIN" + language for the Windows code pages ("DBWINWE0", "DBWINUS0").
    const std::string n = asciiUpper(name);
    if (n.size() >= 5 && n.rfind("DB", 0) == 0 && allDigits(n.substr(2, 3)))
        return "CP" + n.substr(2, 3);
    if (n.rfind("DBWIN", 0) == 0) {
        const std::string language = n.substr(5, 2);
        if (language == "EE" || language == "CZ" || language == "PL" || language == "HU")
            return "CP1250";
        if (language == "RU")
            return "CP1251";
        return "CP1252";
    }
    return {};
}

std::string codePageOfCpg(std::string_view content)
{
    std::string n = asciiUpper(trimmed(content));
    if (n == "UTF-8" || n == "UTF8")
        return "UTF-8";
    for (const char *prefix : {"ANSI ", "OEM ", "WINDOWS-", "CP", "IBM"}) {
        if (n.rfind(prefix, 0) == 0)
            n = trimmed(n.substr(std::char_traits<char>::length(prefix)));
    }
    if (n.rfind("ISO-8859-", 0) == 0 && allDigits(n.substr(9)))
        return "ISO-8859-" + n.substr(9);
    if (n.rfind("8859", 0) == 0) { // "88591", "8859-1", "8859_15"
        std::string part = n.substr(4);
        if (!part.empty() && (part[0] == '-' || part[0] == '_'))
            part = part.substr(1);
        if (allDigits(part))
            return "ISO-8859-" + part;
    }
    if (allDigits(n) && n.size() >= 3 && n.size() <= 4)
        return "CP" + n;
    return {};
}

Result<TextDecoder> TextDecoder::create(const std::string &name)
{
    TextDecoder decoder;
    decoder.m_name = asciiUpper(name);
    if (decoder.m_name == "UTF-8" || decoder.m_name == "UTF8") {
        decoder.m_name = "UTF-8";
        decoder.m_kind = Kind::Utf8;
        return decoder;
    }
    if (const std::array<char16_t, 128> *upperHalf = dosCodePageUpperHalf(decoder.m_name)) {
        decoder.useSingleByteTable([&](char byte) {
            return static_cast<UChar32>((*upperHalf)[static_cast<uint8_t>(byte) - 0x80]);
        });
        return decoder;
    }
    decoder.m_converter = converterName(decoder.m_name);
    ConverterPtr converter = openConverter(decoder.m_converter);
    if (!converter) {
        decoder.m_converter = name; // any other name ICU knows
        converter = openConverter(name);
    }
    if (!converter)
        return Error {ErrorCode::UnknownEncoding, "Die Codepage »" + name + "« ist unbekannt."};

    if (ucnv_getMaxCharSize(converter.get()) > 1) {
        decoder.m_kind = Kind::MultiByte;
        return decoder;
    }
    decoder.useSingleByteTable([&](char byte) {
        UChar unit[4];
        UErrorCode status = U_ZERO_ERROR;
        ucnv_reset(converter.get());
        const int32_t units = ucnv_toUChars(converter.get(), unit, 4, &byte, 1, &status);
        UChar32 c = 0xFFFD;
        if (U_SUCCESS(status) && units > 0) {
            int32_t i = 0;
            U16_NEXT(unit, i, units, c);
        }
        return c;
    });
    return decoder;
}

bool isUnassigned(int32_t c)
{
    return c < 0 || c == 0xFFFD || u_iscntrl(c);
}

void TextDecoder::useSingleByteTable(const std::function<int32_t(char)> &upperHalf)
{
    m_kind = Kind::SingleByte;
    std::vector<Mapped> &table = m_table;
    table.assign(256, {});
    for (int b = 0; b < 256; ++b) {
        Mapped &mapped = table[b];
        if (b < 0x80) {
            // Every code page a dBase file uses keeps ASCII below 0x80; ICU's IBM tables
            // swap 0x1A, 0x1C and 0x7F among the control characters, which dBase does not.
            mapped.bytes[0] = static_cast<char>(b);
            mapped.length = 1;
            mapped.defined = true;
            continue;
        }
        std::string utf8;
        const int32_t c = upperHalf(static_cast<char>(b));
        appendUtf8(utf8, c);
        mapped.length = static_cast<uint8_t>(utf8.size());
        mapped.defined = !isUnassigned(c);
        std::copy(utf8.begin(), utf8.end(), mapped.bytes.begin());
        if (!mapped.defined)
            m_unassigned.push_back(static_cast<char>(b));
    }
}

bool TextDecoder::defines(std::string_view bytes) const
{
    // A few unassigned bytes (CP850 has one, soft hyphen 0xF0; CP1252 six) are looked for one
    // after another with memchr, which scans many bytes at a time: `check` asks this of every
    // record, and a look at each byte cost half its instructions (a generated station table).
    if (m_kind == Kind::SingleByte && m_unassigned.size() <= kFewUnassigned)
        return std::none_of(m_unassigned.begin(), m_unassigned.end(), [&](char unassigned) {
            return bytes.find(unassigned) != std::string_view::npos;
        });
    if (isAscii(bytes))
        return true;
    switch (m_kind) {
    case Kind::SingleByte:
        return std::all_of(bytes.begin(), bytes.end(),
                           [&](char c) { return m_table[static_cast<uint8_t>(c)].defined; });
    case Kind::Utf8:
        return isValidUtf8(bytes);
    case Kind::MultiByte: {
        std::string decoded;
        return decodeAppend(bytes, decoded);
    }
    }
    return true;
}

std::string TextDecoder::decode(std::string_view bytes) const
{
    std::string out;
    decodeAppend(bytes, out);
    return out;
}

bool TextDecoder::decodeAppend(std::string_view bytes, std::string &out) const
{
    // Most values are plain ASCII, which every code page here keeps as it is.
    if (m_kind != Kind::MultiByte && isAscii(bytes)) {
        out.append(bytes);
        return true;
    }
    switch (m_kind) {
    case Kind::SingleByte: {
        // Room for the longest mapping of every byte, written through a pointer, then cut.
        const size_t start = out.size();
        out.resize(start + bytes.size() * 4);
        char *at = out.data() + start;
        bool defined = true;
        for (char c : bytes) {
            const Mapped &mapped = m_table[static_cast<uint8_t>(c)];
            std::memcpy(at, mapped.bytes.data(), 4);
            at += mapped.length;
            defined &= mapped.defined;
        }
        out.resize(static_cast<size_t>(at - out.data()));
        return defined;
    }
    case Kind::Utf8: {
        out.reserve(out.size() + bytes.size());
        int32_t i = 0;
        const auto length = static_cast<int32_t>(bytes.size());
        const auto *data = reinterpret_cast<const uint8_t *>(bytes.data());
        bool valid = true;
        while (i < length) {
            if (data[i] < 0x80) {
                out.push_back(static_cast<char>(data[i++]));
                continue;
            }
            UChar32 c;
            U8_NEXT(data, i, length, c);
            valid &= c >= 0;
            appendUtf8(out, c < 0 ? 0xFFFD : c);
        }
        return valid;
    }
    case Kind::MultiByte: {
        ConverterPtr converter = openConverter(m_converter);
        if (!converter)
            return true;
        std::u16string units(bytes.size() * 2 + 1, u'\0');
        UErrorCode status = U_ZERO_ERROR;
        const int32_t count =
                ucnv_toUChars(converter.get(), reinterpret_cast<UChar *>(units.data()),
                              static_cast<int32_t>(units.size()), bytes.data(),
                              static_cast<int32_t>(bytes.size()), &status);
        out.reserve(out.size() + bytes.size() * 2);
        bool defined = true;
        for (int32_t i = 0; i < count;) {
            UChar32 c;
            U16_NEXT(units.data(), i, count, c);
            defined &= c != 0xFFFD; // what the converter gives for bytes it cannot read
            appendUtf8(out, c);
        }
        return defined;
    }
    }
    return true;
}

} // namespace dbf
