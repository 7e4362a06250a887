#include "mail/KvBase64.h"

#include "mail/BxCodeBaseX.h"

int GBase64LineLength = 76;

std::string Base64EncodeString(const std::string& S)
{
    return BxCodeBaseX::EncodeBase64String(S, GBase64LineLength);
}

std::string Base64DecodeString(const std::string& S) { return BxCodeBaseX::DecodeBase64String(S); }

std::int64_t Base64EncodeStream(TStream* Source, TStream* Dest)
{
    return BxCodeBaseX::EncodeBase64Stream(Source, Dest, -1, GBase64LineLength);
}

std::int64_t Base64DecodeStream(TStream* Source, TStream* Dest)
{
    return BxCodeBaseX::DecodeBase64Stream(Source, Dest);
}
