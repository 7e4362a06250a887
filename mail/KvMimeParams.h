#pragma once
// The values of a MIME block's Content-* fields, and the reading of the
// parameters of Content-Type and Content-Disposition values into them. The
// block (KvMime) fills its values through these, and so do readers that
// have no block; they sit below KvMime, KvPartText and KvQuotedPrintable,
// which once included each other for them.

#include <cstdint>
#include <string>

#include "mail/KvMimeCoding.h"

// The values a copy of a block takes over as they are (CreateCopy): one
// assignment copies them all, so a value added here can't be missed.
class TMimeBlockValues {
public:
    std::uint8_t DispositionKind = 0;
    std::uint8_t EncodingKind = 0;
    TMimeClass MediaClass = 0;
    std::string Marker;
    std::string Charset;
    std::string TransferEncoding;
    std::string ContentId;
    std::string ContentLocation;
    std::string FileName;
    std::string ExternalFile;
    std::string ContentType;
    std::string ParsedType;
    std::string TypeParameter;
    std::string Body;
    std::string Boundary;
    std::string Header;
    std::string IdentityDigest;
    std::string Preamble;
    std::string Epilogue;  // the text after a multipart's closing line
    // Set when the text held the closing line: whether the line broke
    // before the epilogue (or the text ended right after it).
    bool ClosingRead = false;
    bool ClosingBreak = false;
    std::uint8_t LoadBody = 0;

protected:
    // Set by the block alone (SetTruncated, SetRawBody, the parse).
    std::uint32_t CodePage = 0;
    std::string Disposition;
    std::uint8_t Truncated = 0;
    std::uint8_t RawBody = 0;
    std::uint8_t PreferReceivedDate = 1;
};

// Sets Marker (access-type), Boundary, Charset, TypeParameter and FileName
// of Part from the parameters of Value; RFC 2231 sections are joined.
void ParseTypeParameters(const std::string& Value, TMimeBlockValues& Part);
// One file-name parameter (Key: "filename", "name" or "url") of a field
// value, sections joined and decoded; empty when absent.
std::string FileNameParameter(const std::string& Value, const std::string& Key);
// Whether a file-name parameter of a field value holds characters the ANSI
// code page cannot: the name then reads with "?" in their place.
bool FileNameLosesCharacters(const std::string& Value);

// Sets the media type, boundary, charset, file name, access type and type
// parameter of Part from a Content-Type value.
void ParseContentType(const std::string& Value, TMimeBlockValues& Part);
