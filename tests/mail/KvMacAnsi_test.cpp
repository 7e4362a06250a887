#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "mail/KvMacAnsi.h"

namespace {

TEST(KvMacAnsi, ConvertsFromStartToEnd)
{
    const struct {
        std::string In;
        int Start;
        std::string Out;
    } cases[] = {
        {"", 1, ""},
        {"abc", 1, "abc"},
        {"\x80\xDB\xCA", 1, "\xC4\x80\xA0"},
        {"\xAD\xE9", 1, "/=\xC8"},
        {"a\xB2" "b\xB3" "c\xB9\xDE\xDF", 1, "a<=b>=cpififl"},
        {"\xE2", 1, "'"},
        {"\xB0\xC5\xFB\xFD\xFE\xFF\xF0\xF5\xDA\xC3\xC6\xBD", 1, "8\x98\xB0\x84\x9C??i/v" "DO"},
        {"\x01\x06\x7F", 1, "\x01\x06\x7F"},
        {"\x8E\x8E", 2, "\x8E\xE9"},
        {"\x8E", 5, "\x8E"},
        {"\x8E", 0, "\xE9"},
    };
    for (const auto& c : cases) {
        std::string s = c.In;
        MacToAnsi(s, c.Start);
        EXPECT_EQ(s, c.Out) << c.In;
    }
}

// The system's own Mac Roman code page, through UTF-16 to Windows-1252,
// agrees wherever both sides have the character and no look-alike is needed.
TEST(KvMacAnsi, AgreesWithTheSystemMacRomanCodePage)
{
    int compared = 0;
    for (int code = 0x80; code <= 0xFF; ++code) {
        if (code == 0xDB || code == 0xE2)
            continue;  // euro in place of the currency sign; apostrophe by design
        const char mac = static_cast<char>(code);
        wchar_t wide = 0;
        if (MultiByteToWideChar(10000, MB_ERR_INVALID_CHARS, &mac, 1, &wide, 1) != 1)
            continue;
        char ansi = 0;
        BOOL lossy = FALSE;
        if (WideCharToMultiByte(1252, WC_NO_BEST_FIT_CHARS, &wide, 1, &ansi, 1, nullptr, &lossy) != 1 || lossy)
            continue;
        std::string s(1, mac);
        MacToAnsi(s, 1);
        EXPECT_EQ(s, std::string(1, ansi)) << std::hex << code;
        ++compared;
    }
    EXPECT_GE(compared, 90);
}

}  // namespace
