#pragma once
// Media types as a small class number, the media type declared for a file,
// the transfer encoding a text needs, and the multipart boundaries the
// engine writes and recognises. Positions are 1-based.

#include <cstdint>
#include <string>

#include "classlib/SysUtils.h"
#include "foundation/KvBoyerMoore.h"

// Media class of a lower-case media type; the parser, renderer and the
// attachment code switch on it instead of comparing strings.
using TMimeClass = std::uint8_t;
enum : TMimeClass {
    mcNone = 0, mcTextPlain = 1, mcTextHtml = 2, mcTextEnriched = 3, mcTextRichText = 4,
    mcTextXml = 5, mcMessagePartial = 6, mcMessageRfc822 = 7, mcTextVCard = 8, mcImageBmp = 9,
    mcImageGif = 10, mcImageJpeg = 11, mcAppAppleFile = 12, mcAppOctetStream = 13, mcAppPdf = 14,
    mcAppZip = 15, mcMultiMixed = 16, mcMultiAlternative = 17, mcMultiRelated = 18,
    mcMultiParallel = 19, mcMultiDigest = 20, mcMultiSigned = 21, mcMultiEncrypted = 22,
    mcMultiOther = 23, mcTextOther = 24, mcMessageOther = 25, mcAppOther = 26, mcAudio = 27,
    mcImageOther = 28, mcVideo = 29, mcOther = 30
};

// The prefix of every boundary the engine writes.
inline constexpr char NextPartPrefix[] = "----=_NextPart_";

TMimeClass GetMimeClass(const std::string& MediaType);
// Empty for classes without one type of their own (and for 12).
std::string MediaTypeOfClass(TMimeClass Class);

bool IsMessageType(const std::string& MediaType);
bool IsMultipartType(const std::string& MediaType);
bool IsTextOrMessageType(const std::string& MediaType);
bool IsBinaryMediaType(const std::string& MediaType);
bool IsPartialEmlxName(const std::string& Name);
bool IsUtf8Charset(const std::string& Name);

// HTML (mcTextHtml) looks for a charset in Text first.
std::string DefaultCharsetName(TMimeClass Class, const std::string& Text);

// Encoding is the transfer encoding the file gets (an enc* kind): a file of
// unknown type sent as base64, 8bit or binary is an octet stream, else text.
// Head: the file's first bytes as read, for a name without an extension;
// empty when its content is not looked at. No more than MediaSniffLength
// bytes of it are looked at.
inline constexpr int MediaSniffLength = 8;
std::string MediaTypeOfFile(const std::string& FileName, int Encoding, const std::string& Head);

// enc7Bit, encQuotedPrintable or encBase64 (KvMimeHeaders.h).
int TextTransferKind(const std::string& Text);

std::string FormatBoundary(std::uint32_t A, std::uint32_t B, std::uint32_t C, std::uint32_t D);
// Seed 0: a random one; Date 0: the tick count. With MediaType the result is
// that type with the boundary parameter.
std::string MakeBoundary(std::uint32_t Seed, const std::string& MediaType, TDateTime Date);
// The same for the same message on every run.
std::string MakeMessageBoundary(const std::string& Header);
// Date field, else first Received, else the From_ line taken as local time;
// 0 when nothing parses.
TDateTime GetMessageUtcDate(const std::string& Text, bool IsHeader);
std::string NextBoundary(int Level, const std::string& Base);

bool IsNextPartBoundaryAt(const std::string& Text, int Pos);
// LineStart: the position where the caller's text begins (a match there
// stands at a line start).
bool IsBoundaryLineAt(const std::string& Text, int Pos, int Len, int LineStart = 1);
// The 0-based position of the line end after the blanks and tabs at Pos
// when nothing else stands before it (a boundary line's padding); else Pos.
std::size_t SkipBoundaryPadding(const std::string& Text, std::size_t Pos);
// Record: the delimiter prepared case-sensitively; 0 when no line has it.
int FindBoundaryLine(const std::string& Text, const TBmPattern& Record, int From, int LineStart = 1);
