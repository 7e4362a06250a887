#pragma once
// Conversions between code pages, UTF-16 and UTF-8, and the tests that tell
// UTF-16, UTF-8 and plain 7-bit text apart.

#include <cstddef>
#include <cstdint>
#include <string>

// Code page 0 is the system ANSI code page; -1, where a routine takes it,
// asks the chooser hook; 65001 is UTF-8, 65000 UTF-7, 1200 UTF-16.

// The code-page chooser hook: answers the best code page for a wide text.
// Empty until the font unit installs its chooser.
using TCodePageChooser = int (*)(const std::wstring& Wide);
extern TCodePageChooser GCodePageChooser;

// The flags a code page accepts for MultiByteToWideChar/WideCharToMultiByte.
std::uint32_t CodePageConversionFlags(int CodePage, std::uint32_t Flags);

// The plain ANSI code-page conversions, used where nothing better is asked.
std::wstring DefaultAnsiToWide(const std::string& Text);
std::string DefaultWideToAnsi(const std::wstring& Wide);

std::wstring AnsiToWideStr(const std::string& Text, int CodePage = 0);
std::string WideToCodePageEx(const std::wstring& Wide, bool& Lossless, int CodePage);
std::string WideToCodePage(const std::wstring& Wide, int CodePage);
// WideToCodePageEx in the ANSI code page, with Exact true only where the
// text reads back as the very same wide text: a best fit ("\u03A9" as "O",
// a full-width "\uFF11" as "1") is no loss to WideToCodePageEx, yet as a
// name it names another file, or a device.
std::string ExactAnsiText(const std::wstring& Wide, bool& Exact);
std::string WideToUtf8(const std::wstring& Wide);
std::string Utf8ToCodePageEx(const std::string& Text, bool& Lossless, int CodePage);
std::string Utf8ToCodePage(const std::string& Text, int CodePage);
std::string ConvertCodePage(const std::string& Text, int FromCodePage, int ToCodePage);
std::string CodePageToUtf8(const std::string& Text, int CodePage);

// The lead bytes of the ANSI code page's double-byte characters; a
// single-byte code page has none. Asked once, as the code page does not
// change while the program runs; SetLeadByteCodePage makes them another
// code page's (0: the system's again), for a test.
bool IsAnsiLeadByte(char Ch);
bool AnsiHasLeadBytes();
void SetLeadByteCodePage(int CodePage);

bool IsPlainTextChar(char Ch);
bool IsPlainText(const std::string& S);
bool IsPlainTextBuffer(const void* Bytes, std::size_t Len);
bool LooksLikeUtf8(const std::string& Text);
// Text with bytes above 127 that is valid UTF-8 from its first byte to its
// last (LooksLikeUtf8 judges from a start only).
bool IsUtf8Text(const std::string& Text);
// Len -1: the whole buffer (Size bytes) or text.
bool IsUnicodeBuffer(const void* Bytes, std::size_t Size, int Len = -1);
bool IsUnicodeText(const std::string& Text, int Len = -1);
