#pragma once
// Table-driven cyclic redundancy checks of 8 to 32 bits.

#include <cstddef>
#include <cstdint>

struct TCrcDef
{
    uint32_t Table[256];
    uint32_t Value;       // running value, starts as StartValue
    uint32_t Reflected;   // nonzero: least significant bit first
    uint32_t Shift;       // Width - 8
    uint32_t StartValue;
    uint32_t FinalXor;
    uint32_t Mask;        // the low Width bits set
    uint32_t Width;       // 8..32
    uint32_t Poly;        // normal (not reflected) form
};

// Indexes of the standard definitions taken by SetupStandardCrc.
enum TCrcType : int
{
    crc8 = 0,
    crc10 = 1,
    crc12 = 2,
    crc16 = 3,
    crc16Ccitt = 4,
    crc16Reflected = 5,
    crc24 = 6,
    crc32Alt = 7,
    crc32 = 8,         // ISO 3309, as zip and PNG use it
    crc32NoFinal = 9,  // crc32 without the final complement
};

bool SetupCrcTable(TCrcDef& Def, uint32_t Poly, uint32_t Width, uint32_t StartValue,
                   uint32_t FinalXor, bool Reflected);
bool SetupStandardCrc(TCrcDef& Def, int CrcIndex);

// Folds Size bytes into Def.Value and returns the finished check value
// (Value xor FinalXor, masked); Def.Value keeps running for further calls.
uint32_t CrcCode(TCrcDef& Def, const void* Buffer, size_t Size);
// The finished check value of what was folded so far; Def.Value is reset to StartValue.
uint32_t CrcDone(TCrcDef& Def);

// Continues a CRC-32 (ISO 3309); a new CRC-32 starts from 0.
uint32_t UpdateCrc32(uint32_t Value, const void* Buffer, size_t Size);
