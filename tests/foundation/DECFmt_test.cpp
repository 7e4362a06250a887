#include <gtest/gtest.h>

#include <string>

#include "foundation/DECFmt.h"

namespace {

TEST(DECFmtTest, EncodesHexInBothCasesAndCopiesRawBytes)
{
    struct {
        TDECFormatClass Format;
        std::string Bytes;
        std::string Text;
    } cases[] = {
        {TFormat_HEXL::Class(), std::string("\xAB\x01", 2), "ab01"},
        {TFormat_HEX::Class(), std::string("\xAB\x01", 2), "AB01"},
        {TFormat_HEX::Class(), std::string("\x00\xFF\x10", 3), "00FF10"},
        {TFormat_HEXL::Class(), "", ""},
        {TFormat_Copy::Class(), std::string("a\0b", 3), std::string("a\0b", 3)},
        {ValidFormat(nullptr), std::string("\x01\x02", 2), std::string("\x01\x02", 2)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Format->Encode(c.Bytes), c.Text) << c.Text;
}

TEST(DECFmtTest, DecodesHexText)
{
    struct {
        TDECFormatClass Format;
        std::string Text;
        std::string Bytes;
    } cases[] = {
        {TFormat_HEX::Class(), "ab", "\xAB"},
        {TFormat_HEX::Class(), "AB", "\xAB"},
        {TFormat_HEXL::Class(), "ab01", std::string("\xAB\x01", 2)},
        {TFormat_HEX::Class(), "12$AB", "\xAB"},           // the first "$" starts the number anew
        {TFormat_HEX::Class(), "$AB$CD", "\xAB\xCD"},      // later ones are no digits
        {TFormat_HEX::Class(), "0XAB", "\xAB"},            // so does "X"
        {TFormat_HEX::Class(), "ABC", "\xAB"},             // a lone high nibble makes no byte
        {TFormat_HEX::Class(), "", ""},
        {TFormat_Copy::Class(), std::string("x\0y", 3), std::string("x\0y", 3)},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Format->Decode(c.Text), c.Bytes) << c.Text;
}

TEST(DECFmtTest, RejectsTextOutsideItsDigits)
{
    struct {
        TDECFormatClass Format;
        const char* Text;
        const char* Message;
    } cases[] = {
        {TFormat_HEXL::Class(), "AB", "Input is not an valid HEXL format."},
        {TFormat_HEX::Class(), "AG", "Input is not an valid HEX format."},
        {TFormat_HEX::Class(), "AB CD", "Input is not an valid HEX format."},
    };
    for (const auto& c : cases) {
        try {
            c.Format->Decode(c.Text);
            ADD_FAILURE() << c.Text << " decoded";
        } catch (const EDECException& e) {
            EXPECT_EQ(e.Message(), c.Message);
        }
    }
}

TEST(DECFmtTest, ValidTextMayCarrySeparators)
{
    struct {
        TDECFormatClass Format;
        const char* Text;
        bool Valid;
    } cases[] = {
        {TFormat_HEX::Class(), "AB CD", true},
        {TFormat_HEX::Class(), "{0x1F, $20}\r\n", true},
        {TFormat_HEX::Class(), "ABG", false},
        {TFormat_HEXL::Class(), "ab:CD", true},
        {TFormat_HEXL::Class(), "a=b", false},
        {TFormat_Copy::Class(), "anything at all", true},
    };
    for (const auto& c : cases)
        EXPECT_EQ(c.Format->IsValid(c.Text), c.Valid) << c.Text;
}

TEST(DECFmtTest, EncodeDecodeRoundTripOfEveryByte)
{
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    for (TDECFormatClass f : {TFormat_HEX::Class(), TFormat_HEXL::Class(), TFormat_Copy::Class()})
        EXPECT_EQ(f->Decode(f->Encode(all)), all);
}

} // namespace
