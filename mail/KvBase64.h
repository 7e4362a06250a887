#pragma once
// Base64 as the mail engine writes it: lines of GBase64LineLength characters,
// each ended by CR LF, padded with "=".

#include <cstdint>
#include <string>

#include "classlib/Streams.h"

extern int GBase64LineLength;  // 76

std::string Base64EncodeString(const std::string& S);
std::string Base64DecodeString(const std::string& S);
// The rest of Source from its position; answers the bytes written.
std::int64_t Base64EncodeStream(TStream* Source, TStream* Dest);
std::int64_t Base64DecodeStream(TStream* Source, TStream* Dest);
