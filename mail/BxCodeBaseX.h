#pragma once
// Data coded in any base of 2^n characters over a caller-given alphabet, for
// byte strings and streams, with optional line breaks and padding; and the
// same fixed to base64.

#include <cstdint>
#include <string>

#include "classlib/Streams.h"
#include "classlib/SysUtils.h"

// Raised for a bit count outside 1..16 or an alphabet shorter than 2^n.
class EBaseXError : public EConvertError { public: using EConvertError::EConvertError; };

namespace BxCodeBaseX {

extern const std::string Base64Alphabet;

// LineLength 0: no line breaks; PadBlock 0: no padding ("=").
std::string EncodeString(const std::string& S, const std::string& Alphabet, int BitsPerChar,
                         int LineLength, int PadBlock);
// Stops at the first character outside the alphabet other than CR and LF.
std::string DecodeString(const std::string& S, const std::string& Alphabet, int BitsPerChar);

// From Source's position; Count < 0: the rest of Source. Answers the bytes
// written to Dest, line breaks included.
std::int64_t EncodeStream(TStream* Source, TStream* Dest, std::int64_t Count, int LineLength,
                          int PadBlock, int BitsPerChar, const std::string& Alphabet);
// The rest of Source; answers the bytes written to Dest.
std::int64_t DecodeStream(TStream* Source, TStream* Dest, const std::string& Alphabet,
                          int BitsPerChar);

// The chunk size of the stream routines: at most 65536, at least 1.
void SetBufferSize(int Size);
int BufferSize();

std::string EncodeBase64String(const std::string& S, int LineLength);
std::string DecodeBase64String(const std::string& S);
std::int64_t EncodeBase64Stream(TStream* Source, TStream* Dest, std::int64_t Count, int LineLength);
std::int64_t DecodeBase64Stream(TStream* Source, TStream* Dest);

}  // namespace BxCodeBaseX
