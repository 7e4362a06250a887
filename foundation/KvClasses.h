#pragma once
// Streams and string lists turned into one byte string.

#include <string>

#include "classlib/Classes.h"
#include "classlib/Streams.h"

// The whole stream from its start, without trailing NUL bytes.
std::string StreamToString(TStream* Stream);
// The items joined without separators; with EmptyAsLineBreak an empty item
// stands for CR LF.
std::string JoinStrings(const TStrings* Strings, bool EmptyAsLineBreak);
