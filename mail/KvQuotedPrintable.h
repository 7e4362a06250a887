#pragma once
// The quoted-printable codec of bodies and of "Q" encoded words, and files
// loaded as encoded part bodies.

#include <string>

// Encoded lines never exceed 76 characters, the soft break "=" included.
std::string EncodeQuotedPrintable(const std::string& Text, bool EncodeSpecials = false);
// QMode: the "Q" form of encoded words ("_" is a blank, blanks are dropped).
std::string DecodeQuotedPrintable(const std::string& Text, bool QMode = false);

// Encoding is a transfer-encoding name; a missing file gives "".
std::string LoadFileAsPartBody(const std::string& FileName, const std::string& Encoding);
// Bytes as the body of a part of that transfer encoding.
std::string EncodeAsPartBody(const std::string& Bytes, const std::string& Encoding);
