#pragma once
// Boyer-Moore (Horspool) search with patterns prepared once and searched
// many times, and the CRC-32 of a string.

#include <cstdint>
#include <string>

struct TBmPattern {
    std::string Pattern;            // lower-cased when prepared so
    std::uint32_t Options = 0;      // 0 case-sensitive, else case-insensitive
    std::uint32_t PatternLength = 0;  // 1..255
    mutable std::uint32_t Shift = 0;  // working value of the search
    unsigned char SkipTable[256] = {};
    unsigned char LastChar = 0;
};

// Options of a word pattern.
enum : unsigned char { bmWholeWord = 1, bmMatchCase = 2 };

struct TBmWordPattern {
    std::string Pattern;              // lower-cased unless bmMatchCase
    std::uint32_t PatternLength = 0;  // 1..255
    unsigned char SkipTable[256] = {};
    unsigned char LastChar = 0;
    unsigned char Options = 0;
};

// False (record unusable) for an empty pattern or one longer than 255.
// The pattern is lower-cased when Options and LowerMask share a bit.
bool BmPrepare(TBmPattern& Rec, const std::string& Pattern, std::uint32_t Options,
               std::uint32_t LowerMask = 0xFFFFFFFFu);
// 0-based position of the first match at or after the 0-based Start; -1 when none.
int BmSearchBuf(const char* Text, int TextLength, const TBmPattern& Rec, int Start);
// 1-based; 0 when none.
int BmPos(const std::string& Text, const TBmPattern& Rec, int From = 1);
// Always case-sensitive; 1-based; 0 when none.
int BmPosCase(const std::string& Text, const TBmPattern& Rec, int From = 1);
// A temporary record searched once: -1 for an unusable pattern, else as BmPos.
int BmPosOnce(const std::string& Pattern, const std::string& Text, std::uint32_t Options,
              int From = 1, std::uint32_t LowerMask = 0xFFFFFFFFu);
int BmPosCaseOnce(const std::string& Pattern, const std::string& Text, int From = 1);

bool BmWordPrepare(TBmWordPattern& Rec, const std::string& Pattern, unsigned char Options);
// 1-based position of the first match at or after From; -1 when none.
int BmWordPos(const TBmWordPattern& Rec, const std::string& Text, int From = 1);

// CRC-32 (ISO 3309) of the string's bytes; 0 for an empty string.
std::uint32_t Crc32OfString(const std::string& S);
