#include "foundation/KvMd5.h"

#include "classlib/Streams.h"
#include "foundation/DECHash.h"

#include <algorithm>

std::string MD5HexOfBuffer(const void* Buffer, size_t Count)
{
    return THash_MD5::HashBuffer(Buffer, Count, TFormat_HEXL::Class());
}

std::string MD5HexOfString(const std::string& S)
{
    return THash_MD5::HashBytes(S, TFormat_HEXL::Class());
}

std::string MD5HexOfStringRange(const std::string& S, int Start, int Count)
{
    if (Count < 0)
        return MD5HexOfString(S);
    // Clipped to the string: a range that runs past the end hashes what is there.
    const size_t from = Start <= 1 ? 0 : static_cast<size_t>(Start) - 1;
    if (from >= S.size())
        return MD5HexOfBuffer(nullptr, 0);
    const size_t n = std::min(static_cast<size_t>(Count), S.size() - from);
    return MD5HexOfBuffer(S.data() + from, n);
}

std::string MD5HexOfFile(const std::string& FileName)
{
    return THash_MD5::HashFile(FileName, TFormat_HEXL::Class());
}

std::string MD5HexOfFileRange(const std::string& FileName, int64_t Count)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
    const int64_t size = stream.Size();
    if (Count <= 0 || Count > size)
        Count = size;
    return THash_MD5::HashStream(stream, Count, TFormat_HEXL::Class());
}
