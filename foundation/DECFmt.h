#pragma once
// Data formats of the digest classes: raw copy and hexadecimal text.

#include "foundation/DECUtil.h"

#include <cstddef>
#include <string>

class TDECFormat;
// Formats have class-level operations only: a format "class" is the
// address of its one stateless instance (TFormat_HEX::Class()).
using TDECFormatClass = const TDECFormat*;

class TDECFormat : public TDECObject {
public:
    virtual void EncodeBytes(const void* Data, std::size_t Size, std::string& Text) const = 0;
    virtual void DecodeText(const void* Data, std::size_t Size, std::string& Text) const = 0;
    virtual bool IsValidText(const void* Data, std::size_t Size) const = 0;

    std::string Encode(const std::string& Data) const;
    std::string Decode(const std::string& Text) const;
    bool IsValid(const std::string& Text) const;
};

class TFormat_Copy : public TDECFormat {
public:
    static TDECFormatClass Class();
    void EncodeBytes(const void* Data, std::size_t Size, std::string& Text) const override;
    void DecodeText(const void* Data, std::size_t Size, std::string& Text) const override;
    bool IsValidText(const void* Data, std::size_t Size) const override;
};

// Upper-case hex digits.
class TFormat_HEX : public TDECFormat {
public:
    static TDECFormatClass Class();
    void EncodeBytes(const void* Data, std::size_t Size, std::string& Text) const override;
    void DecodeText(const void* Data, std::size_t Size, std::string& Text) const override;
    bool IsValidText(const void* Data, std::size_t Size) const override;
    // The 16 digits, "X", "$", then the characters that hex text may carry.
    virtual const std::string& DigitTable() const;
};

// Lower-case hex digits.
class TFormat_HEXL : public TFormat_HEX {
public:
    static TDECFormatClass Class();
    const std::string& DigitTable() const override;
};

// The format, or TFormat_Copy for none.
TDECFormatClass ValidFormat(TDECFormatClass Format);
