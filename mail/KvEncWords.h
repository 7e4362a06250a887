#pragma once
// Encoded words ("=?charset?B?...?=", "=?charset?Q?...?=") in header text,
// decoded and brought into one code page.

#include <string>

// Result converted to TargetCodePage when both it and the words' common code
// page are known (1 or more) and differ.
void DecodeHeaderText(const std::string& Text, int TargetCodePage, std::string& Result);

// FoundCodePage: the code page common to the words and the target (-1 when
// they mix, or for text without words and without a known "charset=").
// ResultCodePage: the code page Result is in (65001 when they mix).
void DecodeEncodedWords(const std::string& Text, int& FoundCodePage, int& ResultCodePage,
                        std::string& Result, bool Convert, int TargetCodePage);

// Position (1-based) is just after "=?"; on return it is after the word's
// "?=". True for a known charset and the encoding "B" or "Q".
bool ParseEncodedWord(const std::string& Text, int& Position, std::string& EncodedText,
                      int& CodePage, char& Encoding);

// HeaderMode also turns "_" and TAB into blanks.
void DecodeQ(const std::string& Text, bool HeaderMode, std::string& Result);
