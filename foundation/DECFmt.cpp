#include "foundation/DECFmt.h"

#include <cstring>

std::string TDECFormat::Encode(const std::string& Data) const
{
    std::string r;
    EncodeBytes(Data.data(), Data.size(), r);
    return r;
}

std::string TDECFormat::Decode(const std::string& Text) const
{
    std::string r;
    DecodeText(Text.data(), Text.size(), r);
    return r;
}

bool TDECFormat::IsValid(const std::string& Text) const
{
    return IsValidText(Text.data(), Text.size());
}

TDECFormatClass TFormat_Copy::Class()
{
    static const TFormat_Copy instance;
    return &instance;
}

void TFormat_Copy::EncodeBytes(const void* Data, std::size_t Size, std::string& Text) const
{
    Text.assign(static_cast<const char*>(Data), Size);
}

void TFormat_Copy::DecodeText(const void* Data, std::size_t Size, std::string& Text) const
{
    Text.assign(static_cast<const char*>(Data), Size);
}

bool TFormat_Copy::IsValidText(const void*, std::size_t) const
{
    return true;
}

TDECFormatClass TFormat_HEX::Class()
{
    static const TFormat_HEX instance;
    return &instance;
}

const std::string& TFormat_HEX::DigitTable() const
{
    static const std::string table("0123456789ABCDEFX$ abcdefhHx()[]{},;:-_/\\*+\"'\t\n\r");
    return table;
}

void TFormat_HEX::EncodeBytes(const void* Data, std::size_t Size, std::string& Text) const
{
    const std::string& digits = DigitTable();
    const unsigned char* p = static_cast<const unsigned char*>(Data);
    Text.resize(Size * 2);
    for (std::size_t i = 0; i < Size; ++i) {
        Text[2 * i] = digits[p[i] >> 4];
        Text[2 * i + 1] = digits[p[i] & 15];
    }
}

void TFormat_HEX::DecodeText(const void* Data, std::size_t Size, std::string& Text) const
{
    Text.clear();
    if (Size == 0)
        return;
    const std::string& digits = DigitTable();
    const char* p = static_cast<const char*>(Data);
    const char* d = digits.data();
    Text.assign(Size / 2 + 1, '\0');
    std::size_t out = 0;
    unsigned nibbles = 0;
    bool prefixSeen = false;
    for (std::size_t i = 0; i < Size; ++i) {
        const char c = p[i];
        const void* hit = std::memchr(d, c, 18);
        if (!hit)
            hit = std::memchr(d, (c >= 'a' && c <= 'z') ? c - 32 : c, 16);
        if (!hit)
            throw EDECException(Format("Input is not an valid %s format.", DECClassShortName(this)));
        const int index = static_cast<int>(static_cast<const char*>(hit) - d);
        // "$" and "X" mark the start of the number ("$1F", "0X1F"): the first
        // one drops what came before it, later ones are no digits at all.
        if (index >= 16) {
            if (!prefixSeen) {
                prefixSeen = true;
                out = 0;
                nibbles = 0;
            }
            continue;
        }
        if (nibbles % 2 == 0)
            Text[out] = static_cast<char>(index << 4);
        else
            Text[out++] |= static_cast<char>(index);
        ++nibbles;
    }
    // A dangling high nibble makes no byte.
    Text.resize(out);
}

bool TFormat_HEX::IsValidText(const void* Data, std::size_t Size) const
{
    const std::string& digits = DigitTable();
    const char* p = static_cast<const char*>(Data);
    for (std::size_t i = 0; i < Size; ++i)
        if (digits.find(p[i]) == std::string::npos)
            return false;
    return true;
}

TDECFormatClass TFormat_HEXL::Class()
{
    static const TFormat_HEXL instance;
    return &instance;
}

const std::string& TFormat_HEXL::DigitTable() const
{
    static const std::string table("0123456789abcdefX$ ABCDEFhHx()[]{},;:-_/\\*+\"'\t\n\r");
    return table;
}

TDECFormatClass ValidFormat(TDECFormatClass Format)
{
    return Format ? Format : TFormat_Copy::Class();
}
