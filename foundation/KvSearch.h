#pragma once
// Text search and replace over the system code page's character tables:
// with or without case, whole words, forwards or backwards.

#include "foundation/KvBase.h"

#include <cstddef>
#include <string>
#include <vector>

// Search options (bit set).
using TSearchOptions = unsigned;
enum : unsigned {
    srWholeWord = 0x1,
    srMatchCase = 0x2,
    srBackwards = 0x4,
    srAllMatches = 0x400,   // collect every match
    srKeepCase = 0x800,     // replace only: each replacement takes the case of the text it replaces
    srCountMatches = 0x1000,
};

// Character tables indexed by code (the entry of code 0 is 0), built from the
// system ANSI code page by InitCharTables.
extern unsigned char GCharTableIdentity[256];
extern unsigned char GCharTableLower[256];
extern unsigned char GCharTableUpper[256];
extern unsigned char GCharTableSwap[256];   // lower letters to upper, everything else to lower
extern unsigned char GCharTableCased[256];  // the code when it has a case form, else 0
extern unsigned char GCharTableHex[256];    // the code for 0-9 a-f A-F, else 0
extern unsigned char GCharTableIdent[256];  // the cased table plus "_" and 0-9
extern TCharSet GWordDelimiters;
extern TCharSet GBlankChars;

// Builds the tables and sets; runs at start-up and again when the system
// settings change.
void InitCharTables();

// The first of the Count bytes at P that equals C, nullptr when none does;
// sixteen bytes at a time, for the scans over whole messages.
const char* FindByte(const char* P, std::size_t Count, unsigned char C);
// The first of the Count bytes at P that is an LF, a CR or a NUL with Next
// right after it (within the Count bytes); nullptr when there is none. The
// mbox separator's search: "From " at a line start, seen as a pair, skips
// the "F"s inside lines (base64 text is full of them) as fast as any byte.
const char* FindBreakThen(const char* P, std::size_t Count, unsigned char Next);
// The position in Pattern (already mapped through Table) of the byte a scan
// had best look for: one that a single text byte maps to, and of those the
// one least common in mail text; Byte is that text byte. -1 when no byte of
// the pattern qualifies.
int ScanAnchor(const unsigned char* Table, const std::string& Pattern, unsigned char& Byte);

// The search core over Length bytes; Start is 0-based, -1 for the whole
// buffer. Single search: 0-based offset of the match or -1. With PosList,
// srAllMatches or srCountMatches: the number of matches (PosList gets
// their 0-based offsets).
int SearchBuffer(const char* Buffer, int Length, const std::string& Pattern,
                 std::vector<int>* PosList, TSearchOptions Options, int Start);
// 1-based front end: Start 0, 1 or -1 search the whole text; result is the
// 1-based position or 0, or the number of matches (PosList made 1-based).
int SearchText(const std::string& S, const std::string& SubStr, int Start = -1,
               std::vector<int>* PosList = nullptr, TSearchOptions Options = 0);
int PosTextWord(const std::string& SubStr, const std::string& S, int Start, bool WholeWord);
// Case-insensitive, on the zero-terminated texts (a zero byte ends the search).
int PosTextFrom(const std::string& SubStr, const std::string& S, int Start = 1);
// srMatchCase and srWholeWord are honoured.
int FindSubStr(const std::string& S, const std::string& SubStr, TSearchOptions Options, int Start = 1);
bool IsWholeWordAt(const std::string& S, int Pos, int Len);

// Replaces every match in Buffer (its size is the length; zero bytes are
// data) from the 0-based Start (-1: all); answers the number replaced.
int ReplaceInBuffer(std::string& Buffer, const std::string& OldPattern, const std::string& NewPattern,
                    int Start = -1, TSearchOptions Options = 0);
// Start is 1-based as in SearchText.
int ReplaceInStr(std::string& S, const std::string& OldPattern, const std::string& NewPattern,
                 TSearchOptions Options = 0, int Start = 1);
// True when anything was replaced; Count is the number replaced.
bool ReplaceAllInStr(std::string& S, const std::string& OldPattern, const std::string& NewPattern,
                     int Start, int& Count, TSearchOptions Options = 0);
bool ReplaceAllStr(const std::string& S, const std::string& OldPattern, const std::string& NewPattern,
                   std::string& R, int Start = 1, TSearchOptions Options = 0, int* Count = nullptr);

std::string TableLowerCase(const std::string& S);
void TableLowerCaseInPlace(std::string& S);
void TableUpperCaseInPlace(std::string& S);
// 0 no case, 1 lower, 2 upper.
int CharCaseOf(char Ch);
// 0 empty, 1 all lower, 2 no lower, 3 first upper and no later upper, 4 mixed.
int CaseKindOf(const std::string& S);
void ApplyCaseOf(std::string& S, const std::string& Pattern, bool TitleCase);
std::string MatchCaseOf(const std::string& S, const std::string& Pattern, bool TitleCase);
