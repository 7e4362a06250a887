#pragma once
// Line-break kinds: detection, conversion to and from CRLF, trailing breaks,
// line scanning and word wrap on byte strings.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "foundation/KvBase.h"

// One byte; bit 7 is free for the caller's own flag.
using TLineBreakKind = std::uint8_t;
constexpr TLineBreakKind lbkDefault = 0;  // CR LF
constexpr TLineBreakKind lbkDetect = 1;   // to be detected before converting
constexpr TLineBreakKind lbkCrLf = 2;
constexpr TLineBreakKind lbkCr = 3;
constexpr TLineBreakKind lbkLfCr = 4;
constexpr TLineBreakKind lbkLf = 5;
constexpr TLineBreakKind lbkCrCrLf = 6;
constexpr TLineBreakKind lbkFsGs = 7;     // the byte pair 0x1C 0x14
constexpr TLineBreakKind lbkMixed = 8;
constexpr TLineBreakKind lbkNone = 9;

// Found, when given, gets the number of breaks looked at.
TLineBreakKind DetectLineBreakKind(std::string_view Text, int MaxBreaks, int* Found = nullptr);
bool NeedsLineBreakFix(const std::string& Text, TLineBreakKind& Kind, int MaxBreaks);
bool HasNonCrLfBreak(const std::string& Text, int MaxBreaks);
std::string LineBreakText(TLineBreakKind Kind);

void LineBreaksToCrLf(std::string& Text, TLineBreakKind Kind);
// What HasNonCrLfBreak followed by LineBreaksToCrLf(Text, lbkMixed) does, in
// one pass: every bare CR or LF becomes CR LF; a text whose breaks are all
// pairs is neither copied nor changed.
void BareBreaksToCrLf(std::string& Text);
// Appends Bytes to Out as BareBreaksToCrLf would leave them, copying as the
// one scan over them goes; false, Out unfinished, at the first NUL. Lead
// bytes are not looked at: the caller knows the code page has none.
// Watch, when given, gets the offset in Out of every line start (after a
// line break of Bytes) whose first byte is one of its Firsts: the caller
// looks for line-start marks without a search of its own.
// LastQpSpace, when given, gets the offset in Out of the last "=20" of Bytes
// (left as it was when they hold none): a text's quoted-printable blanks are
// told without a search of their own. An "=20" split between two calls is
// the caller's to look for.
struct TLineStartWatch {
    const bool* Firsts = nullptr;  // 256 entries, by byte value: a line start is noted where true
    std::vector<std::size_t>* At = nullptr;
    std::size_t* LastQpSpace = nullptr;
};
bool AppendBareBreaksToCrLf(std::string_view Bytes, std::string& Out, const TLineStartWatch* Watch = nullptr);
// The same, answering where it stopped: at the first NUL, with Out then
// holding every byte before it; Bytes.size() when it went through.
std::size_t AppendBareBreaksUpToNul(std::string_view Bytes, std::string& Out, const TLineStartWatch* Watch = nullptr);
// Appends Bytes to Out as they stand, LF breaks and all, up to the first CR
// or NUL; answers where it stopped, Bytes.size() when it went through. Watch
// as above: a text whose breaks are all LF is handed on with them.
std::size_t AppendLfTextUpToCrOrNul(std::string_view Bytes, std::string& Out, const TLineStartWatch* Watch = nullptr);
std::string LineBreaksToCrLfStr(const std::string& Text, TLineBreakKind Kind);
void CrLfToCr(std::string& Text);
void CrLfToLf(std::string& Text);
// The same from From on, the bytes before it left as they stand (From must
// not split a CR LF pair).
void CrLfToLf(std::string& Text, std::size_t From);
void LfCrToCrLf(std::string& Text);
void CrCrLfToCrLf(std::string& Text);
void FsGsToCrLf(std::string& Text);

std::string SetTrailingCrLfCount(const std::string& Text, int N);
void TrimTrailingLineBreaks(std::string& Text);
bool IsOnlyLineBreaks(const std::string& Text);
int MaxLineLength(const std::string& Text);

// 1-based positions, 0 for none.
int NextLineBreakPos(const std::string& Text, int Start);
int NextLineStart(const std::string& Text, int Pos);
int LineEndPos(const std::string& Text, int Start);
// 0-based offsets.
int SkipToLineEnd(const std::string& Text, int Offset, bool SkipBreak);

std::string WrapText(const std::string& Line, const std::string& BreakStr,
                     const TCharSet& BreakChars, int MaxCol);
// Kind must be 0 or 2 to 7.
std::string WrapTextAtColumn(const std::string& Text, int MaxCol, TLineBreakKind Kind);
