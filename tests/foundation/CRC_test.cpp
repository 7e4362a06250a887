#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "foundation/CRC.h"

namespace {

// Bit-at-a-time CRC straight from the definition of polynomial division:
// the reference that the table-driven code must agree with.
uint32_t BitwiseCrc(const std::string& Data, uint32_t Poly, uint32_t Width, uint32_t Init, uint32_t FinalXor,
                    bool Reflected)
{
    const uint32_t mask = Width == 32 ? 0xFFFFFFFFu : (1u << Width) - 1;
    const uint32_t top = 1u << (Width - 1);
    uint32_t reg = Init & mask;
    for (unsigned char byte : Data) {
        for (int bit = 0; bit < 8; ++bit) {
            // Reflected: the byte's least significant bit goes in first.
            const int b = Reflected ? (byte >> bit) & 1 : (byte >> (7 - bit)) & 1;
            if (Reflected) {
                const bool out = ((reg & 1) != 0) != (b != 0);
                reg >>= 1;
                if (out) {
                    uint32_t mirrored = 0;
                    for (uint32_t i = 0; i < Width; ++i)
                        if (Poly & (1u << i))
                            mirrored |= 1u << (Width - 1 - i);
                    reg ^= mirrored;
                }
            } else {
                const bool out = ((reg & top) != 0) != (b != 0);
                reg = (reg << 1) & mask;
                if (out)
                    reg ^= Poly & mask;
            }
        }
    }
    return (reg ^ FinalXor) & mask;
}

const std::string Check = "123456789";

TEST(CRCTest, StandardDefinitionsAgreeWithBitwiseAndPublishedValues)
{
    struct {
        int Index;
        uint32_t Poly, Width, Init, FinalXor;
        bool Reflected;
        int64_t Published;  // -1: no published check value to compare with
    } cases[] = {
        {crc8, 0xD1, 8, 0, 0, true, -1},
        {crc10, 0x233, 10, 0, 0, true, -1},
        {crc12, 0x80F, 12, 0, 0, true, -1},
        {crc16, 0x8005, 16, 0, 0, true, 0xBB3D},
        {crc16Ccitt, 0x1021, 16, 0x1D0F, 0, false, 0xE5CC},
        {crc16Reflected, 0x8408, 16, 0, 0, true, -1},
        {crc24, 0x864CFB, 24, 0xB704CE, 0, false, 0x21CF02},
        {crc32Alt, 0x9DB11213, 32, 0xFFFFFFFF, 0xFFFFFFFF, true, -1},
        {crc32, 0x04C11DB7, 32, 0xFFFFFFFF, 0xFFFFFFFF, true, 0xCBF43926},
        {crc32NoFinal, 0x04C11DB7, 32, 0xFFFFFFFF, 0, true, 0x340BC6D9},
    };
    std::mt19937 rng(104);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Index);
        TCrcDef def;
        ASSERT_TRUE(SetupStandardCrc(def, c.Index));
        EXPECT_EQ(def.Width, c.Width);
        EXPECT_EQ(def.Shift, c.Width - 8);
        const uint32_t got = CrcCode(def, Check.data(), Check.size());
        EXPECT_EQ(got, BitwiseCrc(Check, c.Poly, c.Width, c.Init, c.FinalXor, c.Reflected));
        if (c.Published >= 0) {
            EXPECT_EQ(got, static_cast<uint32_t>(c.Published));
        }
        EXPECT_EQ(CrcDone(def), got);

        std::string data(1 + rng() % 300, '\0');
        for (auto& ch : data)
            ch = static_cast<char>(rng());
        EXPECT_EQ(CrcCode(def, data.data(), data.size()),
                  BitwiseCrc(data, c.Poly, c.Width, c.Init, c.FinalXor, c.Reflected));
        CrcDone(def);
    }
    TCrcDef def;
    EXPECT_FALSE(SetupStandardCrc(def, 10));
    EXPECT_FALSE(SetupStandardCrc(def, -1));
}

TEST(CRCTest, AnyWidthAndPolynomialAgreesWithBitwise)
{
    std::mt19937 rng(7);
    for (int round = 0; round < 200; ++round) {
        const uint32_t width = 8 + rng() % 25;
        const uint32_t poly = static_cast<uint32_t>(rng()) | 1;
        const uint32_t init = static_cast<uint32_t>(rng());
        const uint32_t finalXor = static_cast<uint32_t>(rng());
        const bool reflected = rng() & 1;
        const uint32_t mask = width == 32 ? 0xFFFFFFFFu : (1u << width) - 1;
        std::string data(rng() % 100, '\0');
        for (auto& ch : data)
            ch = static_cast<char>(rng());
        TCrcDef def;
        ASSERT_TRUE(SetupCrcTable(def, poly, width, init & mask, finalXor, reflected));
        // Fed in two calls: the running value carries over.
        const size_t cut = data.empty() ? 0 : rng() % data.size();
        CrcCode(def, data.data(), cut);
        EXPECT_EQ(CrcCode(def, data.data() + cut, data.size() - cut),
                  BitwiseCrc(data, poly, width, init, finalXor, reflected))
            << "width " << width << " poly " << poly << " reflected " << reflected;
    }
}

TEST(CRCTest, RefusedWidthsChangeNothing)
{
    for (uint32_t width : {0u, 7u, 33u}) {
        TCrcDef def;
        std::memset(&def, 0xA5, sizeof(def));
        TCrcDef before = def;
        EXPECT_FALSE(SetupCrcTable(def, 0x07, width, 0, 0, false)) << width;
        EXPECT_EQ(std::memcmp(&def, &before, sizeof(def)), 0) << width;
    }
}

TEST(CRCTest, Crc32ContinuesAcrossCalls)
{
    EXPECT_EQ(UpdateCrc32(0, Check.data(), Check.size()), 0xCBF43926u);
    const uint32_t first = UpdateCrc32(0, "1234", 4);
    EXPECT_EQ(UpdateCrc32(first, "56789", 5), 0xCBF43926u);
    EXPECT_EQ(UpdateCrc32(first, "xyz", 0), first);
    EXPECT_EQ(UpdateCrc32(0, nullptr, 0), 0u);
    const std::string fox = "The quick brown fox jumps over the lazy dog";
    EXPECT_EQ(UpdateCrc32(0, fox.data(), fox.size()), 0x414FA339u);
}

} // namespace
