#pragma once
// The plain routines on byte strings: positions and searches, fields,
// trimming and deleting, classification, hexadecimal values and booleans.
// Positions are 1-based and 0 means not found unless a routine says so.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "foundation/KvBase.h"

namespace KvStrings {
// A list item holding its own zero-terminated copy of a text (embedded zero
// bytes survive) and a 32-bit value.
class TStringObj : public TObject {
public:
    TStringObj(const std::string& Text, std::int32_t Data = 0);
    ~TStringObj() override;

    std::string GetText() const;
    void SetText(const std::string& Text);

    std::int32_t Data = 0;

private:
    std::unique_ptr<char[]> FText;
    std::size_t FSize = 0;  // allocated bytes, terminator included
};
}  // namespace KvStrings

// Positions and searches
int CharPosFrom(char Ch, const std::string& S, int Start);
int CharPosBetween(char Ch, const std::string& S, int Last, int First);
int CharSetPosFrom(const TCharSet& Set, const std::string& S, int Start);
int LastCharPos(char Ch, const std::string& S, int From = 0);
int SkipBlanks(const std::string& S, int Start);  // -1 when none
char CharFromEnd(const std::string& S, int N);
int CountCharInRange(const std::string& S, char Ch, int Start, int Count);
int PosFrom(const std::string& SubStr, const std::string& S, int Start);
int StrPosFrom(const std::string& S, const std::string& SubStr, int Start);
int PosWithin(const std::string& SubStr, const std::string& S, int Limit, int Start);
const char* StrLPos(const char* Str, const char* SubStr, int MaxLen);
int LastPos(const std::string& SubStr, const std::string& S, int Limit);
const char* StrRPosLimited(const char* Str, const char* SubStr, int Limit);

// Fields
void NextFieldByStr(const std::string& S, int& Pos, const std::string& Delim,
                    std::string& Field, bool Quotes);
void NextQuotedField(const std::string& S, int& Pos, char Delim, std::string& Field,
                     char Quote);
void NextFieldByChar(const std::string& S, int& Pos, char Delim, std::string& Field,
                     bool Quotes);
std::string CutField(std::string& S, char Delim, bool Quotes);
int CutIntField(std::string& S, int Default, char Delim);
std::string DequoteDoubled(const std::string& S);

// Trimming, deleting, building
void TrimCharSet(std::string& S, bool TrimLeft, const TCharSet& Set);
std::string TrimCharSetStr(const std::string& S, bool TrimLeft, const TCharSet& Set);
void TrimLeftCharSet(std::string& S, const TCharSet& Set);
std::string TrimLeftCharSetStr(const std::string& S, const TCharSet& Set);
std::string TrimBlanksAndQuotes(const std::string& S);
std::string StripDoubleQuotes(const std::string& S);
std::string StripEnclosing(const std::string& S, char Open, char Close);
std::string StripEnclosingChar(const std::string& S, char Ch);
std::string StrDelete(const std::string& S, int Index, int Count);
std::string StrDeleteLeft(const std::string& S, int Count);
std::string StrDeleteRight(const std::string& S, int Count);
std::string StrRight(const std::string& S, int Count);
std::string CollapseSpaces(const std::string& S);
void CollapseSpacesInPlace(std::string& S);
void ReplaceChar(std::string& S, char Old, char New);
std::string FillCharStr(int Count, char Ch);
std::string RepeatChar(char Ch, int Count);
std::string RepeatString(const std::string& S, int Count);
std::string QuoteIfHasChars(const std::string& S, const TCharSet& Set);
std::string EscapeCaption(const std::string& S);
std::string IntToStrZeroPad(int Value, int Digits);

// Classification
bool IsDigitChar(char Ch);
bool IsAsciiLetter(char Ch);
bool IsLetterChar(char Ch);
bool IsHexDigitChar(char Ch);
bool IsAllLetters(const std::string& S);
bool IsAlphaText(const std::string& S);
bool IsAlphaNumericText(const std::string& S);
bool IsNumberText(const std::string& S, bool AllowDecimal);
bool IsHexNumber(const std::string& S);
bool IsIPv4Address(const std::string& S);
bool IsBlankText(const std::string& S);
bool ContainsNulChar(const std::string& S);
bool ContainsNulByte(const void* Bytes, std::size_t Len);
bool ContainsNulByte(const std::vector<std::uint8_t>& Bytes);
// Offset is 0-based.
bool BytesMatchAt(const void* Bytes, std::size_t Len, const std::string& S, std::size_t Offset);
bool BytesMatchAt(const std::vector<std::uint8_t>& Bytes, const std::string& S, std::size_t Offset);
bool SameTextStr(const std::string& A, const std::string& B);

// Hexadecimal and numbers
int HexDigitValue(char Ch);  // -1 for no hex digit
int HexCharValue(char Ch);   // unchecked
bool HexPairToByte(char Hi, char Lo, std::uint8_t& B);
// "%41" becomes "A"; a "%" without two hex digits after it stays as it is.
std::string PercentDecode(const std::string& S);
std::uint8_t HexToByte(const std::string& S);
int HexToIntDef(const std::string& S, int Default);
double StrToFloatDefault(const std::string& S, double Default);
bool StrToBoolStrict(const std::string& S);  // raises ERangeError
bool StrToBoolDefault(const std::string& S, bool Default);
