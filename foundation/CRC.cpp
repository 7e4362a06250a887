#include "foundation/CRC.h"

#include <memory>

namespace {

struct TStandardCrc
{
    uint32_t Poly;
    uint32_t Width;
    uint32_t StartValue;
    uint32_t FinalXor;
    bool Reflected;
};

const TStandardCrc StandardCrcs[10] = {
    {0xD1, 8, 0, 0, true},
    {0x233, 10, 0, 0, true},
    {0x80F, 12, 0, 0, true},
    {0x8005, 16, 0, 0, true},
    {0x1021, 16, 0x1D0F, 0, false},
    {0x8408, 16, 0, 0, true},
    {0x864CFB, 24, 0xB704CE, 0, false},
    {0x9DB11213, 32, 0xFFFFFFFF, 0xFFFFFFFF, true},
    {0x04C11DB7, 32, 0xFFFFFFFF, 0xFFFFFFFF, true},
    {0x04C11DB7, 32, 0xFFFFFFFF, 0, true},
};

uint32_t MirrorBits(uint32_t Value, uint32_t Width)
{
    uint32_t r = 0;
    for (uint32_t i = 0; i < Width; ++i) {
        r = (r << 1) | (Value & 1);
        Value >>= 1;
    }
    return r;
}

uint32_t FoldBytes(const TCrcDef& Def, uint32_t Value, const unsigned char* p, size_t Size)
{
    if (Def.Reflected) {
        for (size_t i = 0; i < Size; ++i)
            Value = (Value >> 8) ^ Def.Table[(Value ^ p[i]) & 0xFF];
    } else {
        for (size_t i = 0; i < Size; ++i)
            Value = ((Value << 8) ^ Def.Table[((Value >> Def.Shift) ^ p[i]) & 0xFF]) & Def.Mask;
    }
    return Value;
}

} // namespace

bool SetupCrcTable(TCrcDef& Def, uint32_t Poly, uint32_t Width, uint32_t StartValue,
                   uint32_t FinalXor, bool Reflected)
{
    if (Width < 8 || Width > 32)
        return false;
    const uint32_t mask = 0xFFFFFFFFu >> (32 - Width);
    if (Reflected) {
        const uint32_t mirrored = MirrorBits(Poly & mask, Width);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = i;
            for (int bit = 0; bit < 8; ++bit)
                v = (v & 1) ? (v >> 1) ^ mirrored : v >> 1;
            Def.Table[i] = v;
        }
    } else {
        const uint32_t top = (Poly & mask) << (32 - Width);
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t v = i << 24;
            for (int bit = 0; bit < 8; ++bit)
                v = (v & 0x80000000u) ? (v << 1) ^ top : v << 1;
            Def.Table[i] = v >> (32 - Width);
        }
    }
    Def.Reflected = Reflected ? 1 : 0;
    Def.Shift = Width - 8;
    Def.StartValue = StartValue;
    Def.Value = StartValue;
    Def.FinalXor = FinalXor;
    Def.Mask = mask;
    Def.Width = Width;
    Def.Poly = Poly;
    return true;
}

bool SetupStandardCrc(TCrcDef& Def, int CrcIndex)
{
    if (CrcIndex < 0 || CrcIndex >= 10)
        return false;
    const TStandardCrc& c = StandardCrcs[CrcIndex];
    return SetupCrcTable(Def, c.Poly, c.Width, c.StartValue, c.FinalXor, c.Reflected);
}

uint32_t CrcCode(TCrcDef& Def, const void* Buffer, size_t Size)
{
    if (Buffer && Size)
        Def.Value = FoldBytes(Def, Def.Value, static_cast<const unsigned char*>(Buffer), Size);
    return (Def.Value ^ Def.FinalXor) & Def.Mask;
}

uint32_t CrcDone(TCrcDef& Def)
{
    const uint32_t r = (Def.Value ^ Def.FinalXor) & Def.Mask;
    Def.Value = Def.StartValue;
    return r;
}

uint32_t UpdateCrc32(uint32_t Value, const void* Buffer, size_t Size)
{
    // Built on first use: most runs of the program never hash a string.
    static const std::unique_ptr<TCrcDef> def = [] {
        auto d = std::make_unique<TCrcDef>();
        SetupStandardCrc(*d, crc32);
        return d;
    }();
    if (!Buffer || Size == 0)
        return Value;
    return ~FoldBytes(*def, ~Value, static_cast<const unsigned char*>(Buffer), Size);
}
