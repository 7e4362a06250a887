#pragma once
// The quoted-printable codec of bodies and of "Q" encoded words, the
// parameters of a part's Content-Type and Content-Disposition values, and
// files loaded as encoded part bodies.

#include <string>

class TKvMimeBlock;

// Encoded lines never exceed 76 characters, the soft break "=" included.
std::string EncodeQuotedPrintable(const std::string& Text, bool EncodeSpecials = false);
// QMode: the "Q" form of encoded words ("_" is a blank, blanks are dropped).
std::string DecodeQuotedPrintable(const std::string& Text, bool QMode = false);

// Sets Marker (access-type), Boundary, Charset, TypeParameter and FileName
// of Part from the parameters of Value; RFC 2231 sections are joined.
void ParseTypeParameters(const std::string& Value, TKvMimeBlock& Part);
// One file-name parameter (Key: "filename", "name" or "url") of a field
// value, sections joined and decoded; empty when absent.
std::string FileNameParameter(const std::string& Value, const std::string& Key);

// Encoding is a transfer-encoding name; a missing file gives "".
std::string LoadFileAsPartBody(const std::string& FileName, const std::string& Encoding);
