#include "foundation/KvClasses.h"

#include <algorithm>
#include <cstddef>

std::string StreamToString(TStream* Stream)
{
    std::string Result;
    if (!Stream)
        return Result;
    Stream->SetPosition(0);
    // Sized once from the stream; a stream that grows or shrinks meanwhile
    // is still read to its end.
    constexpr std::size_t Step = 0x10000;
    std::size_t Have = 0;
    const std::int64_t Size = Stream->Size();
    Result.resize(Size > 0 ? static_cast<std::size_t>(Size) : Step);
    for (;;) {
        if (Have == Result.size())
            Result.resize(Have + Step);
        const std::size_t Want = std::min(Result.size() - Have, Step);
        const std::int32_t Got = Stream->Read(Result.data() + Have, static_cast<std::int32_t>(Want));
        if (Got <= 0)
            break;
        Have += static_cast<std::size_t>(Got);
    }
    Result.resize(Have);
    const std::size_t Last = Result.find_last_not_of('\0');
    Result.resize(Last == std::string::npos ? 0 : Last + 1);
    return Result;
}

std::string JoinStrings(const TStrings* Strings, bool EmptyAsLineBreak)
{
    std::string Result;
    if (!Strings)
        return Result;
    const int N = Strings->Count();
    std::size_t Total = 0;
    for (int I = 0; I < N; ++I) {
        const std::size_t Len = Strings->Get(I).size();
        Total += (Len == 0 && EmptyAsLineBreak) ? 2 : Len;
    }
    Result.reserve(Total);
    for (int I = 0; I < N; ++I) {
        const std::string S = Strings->Get(I);
        if (S.empty() && EmptyAsLineBreak)
            Result += "\r\n";
        else
            Result += S;
    }
    return Result;
}
