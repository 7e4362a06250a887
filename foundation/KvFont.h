#pragma once
// Windows font character sets and their code pages: the character set a
// wide text needs, re-encoding into it, the code-page chooser hook and the
// dialog font name.

#include <cstdint>
#include <string>

// "MS Shell Dlg 2", or "MS Shell Dlg" on Windows 9x and before Windows 2000.
extern std::string DialogFontName;

// The ANSI code page the tables compare with; 0 asks the system (GetACP).
// Tests set it so that their answers do not depend on the machine.
extern int GFontAnsiCodePage;
int FontAnsiCodePageValue();

// -1 for a value that is no font character set.
int FontCharsetToCodePage(int Charset);
// 1 (default) for other code pages and for the ANSI code page's own set.
std::uint8_t CodePageToFontCharset(int CodePage);

// Limit < 0: the first 65,536 units at most; 0: the whole text.
std::uint8_t CharsetOfWideText(const std::wstring& Wide, int Limit);
// The code page chooser: the character set the text needs, as a code page.
int CodePageOfText(const std::string& Text);
int CodePageOfWideText(const std::wstring& Wide);
// Puts CodePageOfWideText in the chooser hook of the conversions (done at
// start-up as well).
void InstallCodePageChooser();

// True when every character had its own byte in the chosen character set.
bool WideToCharsetText(const std::wstring& Wide, std::string& Text, std::uint8_t& Charset);
bool Utf8ToCharsetText(std::string& Text, std::uint8_t& Charset);
bool ConvertToCharset(std::string& Text, std::uint8_t& Charset, int CodePage);
bool ConvertToCharsetCodePage(std::string& Text, int& CodePage);
