#pragma once
// The quoted-printable codec of bodies and of "Q" encoded words, and bytes
// encoded as part bodies.

#include <string>

// Encoded lines never exceed 76 characters, the soft break "=" included.
std::string EncodeQuotedPrintable(const std::string& Text, bool EncodeSpecials = false);
// QMode: the "Q" form of encoded words ("_" is a blank, blanks are dropped).
std::string DecodeQuotedPrintable(const std::string& Text, bool QMode = false);

// Bytes as the body of a part of that transfer encoding (a name).
std::string EncodeAsPartBody(const std::string& Bytes, const std::string& Encoding);
