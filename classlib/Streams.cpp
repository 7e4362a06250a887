#include "classlib/Streams.h"

#include "classlib/ResStrings.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <vector>

// ---------------------------------------------------------------------------
// TStream
// ---------------------------------------------------------------------------

void TStream::ReadBuffer(void* Buffer, std::int32_t Count)
{
    // A pipe may deliver fewer bytes than asked; only a read that brings
    // nothing ends the wait.
    char* P = static_cast<char*>(Buffer);
    while (Count > 0) {
        std::int32_t N = Read(P, Count);
        if (N <= 0)
            throw EReadError(LoadResString(SReadError));
        P += N;
        Count -= N;
    }
}

void TStream::WriteBuffer(const void* Buffer, std::int32_t Count)
{
    const char* P = static_cast<const char*>(Buffer);
    while (Count > 0) {
        std::int32_t N = Write(P, Count);
        if (N <= 0)
            throw EWriteError(LoadResString(SWriteError));
        P += N;
        Count -= N;
    }
}

std::int64_t TStream::CopyFrom(TStream* Source, std::int64_t Count)
{
    if (Count <= 0) {
        Source->SetPosition(0);
        Count = Source->Size();
    }
    const std::int32_t BufSize = 64 * 1024;
    std::vector<char> Buf(static_cast<std::size_t>(std::min<std::int64_t>(Count, BufSize)) + 1);
    std::int64_t Left = Count;
    while (Left > 0) {
        std::int32_t N = static_cast<std::int32_t>(std::min<std::int64_t>(Left, BufSize));
        Source->ReadBuffer(Buf.data(), N);
        WriteBuffer(Buf.data(), N);
        Left -= N;
    }
    return Count;
}

std::int64_t TStream::Size()
{
    std::int64_t Pos = Seek(0, soFromCurrent);
    std::int64_t End = Seek(0, soFromEnd);
    Seek(Pos, soFromBeginning);
    return End;
}

void TStream::SetSize(std::int64_t) {}

std::string TStream::ReadString(std::int32_t Count)
{
    std::string S;
    if (Count <= 0)
        return S;
    S.resize(static_cast<std::size_t>(Count));
    std::int32_t Got = 0;
    while (Got < Count) {
        std::int32_t N = Read(S.data() + Got, Count - Got);
        if (N <= 0)
            break;
        Got += N;
    }
    S.resize(static_cast<std::size_t>(Got));
    return S;
}

void TStream::WriteString(const std::string& S)
{
    WriteBuffer(S.data(), static_cast<std::int32_t>(S.size()));
}

// ---------------------------------------------------------------------------
// THandleStream, TFileStream
// ---------------------------------------------------------------------------

std::int32_t THandleStream::Read(void* Buffer, std::int32_t Count)
{
    if (Count <= 0)
        return 0;
    DWORD Done = 0;
    if (!ReadFile(FHandle, Buffer, static_cast<DWORD>(Count), &Done, nullptr))
        return 0;
    return static_cast<std::int32_t>(Done);
}

std::int32_t THandleStream::Write(const void* Buffer, std::int32_t Count)
{
    if (Count <= 0)
        return 0;
    DWORD Done = 0;
    if (!WriteFile(FHandle, Buffer, static_cast<DWORD>(Count), &Done, nullptr))
        return 0;
    return static_cast<std::int32_t>(Done);
}

std::int64_t THandleStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    LARGE_INTEGER Dist, NewPos;
    Dist.QuadPart = Offset;
    DWORD Method = Origin == soFromCurrent ? FILE_CURRENT : (Origin == soFromEnd ? FILE_END : FILE_BEGIN);
    if (!SetFilePointerEx(FHandle, Dist, &NewPos, Method))
        return -1;
    return NewPos.QuadPart;
}

void THandleStream::SetSize(std::int64_t NewSize)
{
    std::int64_t Pos = Position();
    if (Seek(NewSize, soFromBeginning) != NewSize || !SetEndOfFile(FHandle)) {
        DWORD Err = GetLastError();
        Seek(Pos, soFromBeginning);
        throw EWriteError(LoadResString(SWriteError) + ". " + SysErrorMessage(Err), Err);
    }
    Seek(std::min(Pos, NewSize), soFromBeginning);
}

namespace {

// The position a seek asks for, from the current position and size.
std::int64_t SeekTarget(std::int64_t Offset, TSeekOrigin Origin, std::int64_t Pos, std::int64_t Size)
{
    switch (Origin) {
    case soFromCurrent:
        return Pos + Offset;
    case soFromEnd:
        return Size + Offset;
    default:
        return Offset;
    }
}

std::string FullFileName(const std::string& FileName)
{
    char Buf[MAX_PATH * 2];
    DWORD N = GetFullPathNameA(FileName.c_str(), sizeof Buf, Buf, nullptr);
    return (N > 0 && N < sizeof Buf) ? std::string(Buf, N) : FileName;
}

} // namespace

TFileStream::TFileStream(const std::string& AFileName, unsigned Mode)
    : THandleStream(INVALID_HANDLE_VALUE), FFileName(AFileName)
{
    // Compatibility mode has no meaning on Win32 and opens exclusively.
    static const DWORD ShareModes[5] = {0, 0, FILE_SHARE_READ, FILE_SHARE_WRITE,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE};
    unsigned ShareIndex = (Mode & 0xF0) >> 4;
    DWORD Share = ShareIndex < 5 ? ShareModes[ShareIndex] : 0;
    if ((Mode & fmCreate) == fmCreate) {
        FHandle = CreateFileA(AFileName.c_str(), GENERIC_READ | GENERIC_WRITE, Share, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
        if (FHandle == INVALID_HANDLE_VALUE) {
            DWORD Err = GetLastError();
            throw EFCreateError(Format(LoadResString(SFCreateErrorEx), FullFileName(AFileName), SysErrorMessage(Err)), Err);
        }
        FOwned.Reset(FHandle);
        return;
    }
    static const DWORD Accesses[4] = {GENERIC_READ, GENERIC_WRITE, GENERIC_READ | GENERIC_WRITE, GENERIC_READ};
    FHandle = CreateFileA(AFileName.c_str(), Accesses[Mode & 3], Share, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    if (FHandle == INVALID_HANDLE_VALUE) {
        DWORD Err = GetLastError();
        throw EFOpenError(Format(LoadResString(SFOpenErrorEx), FullFileName(AFileName), SysErrorMessage(Err)), Err);
    }
    FOwned.Reset(FHandle);
}

// ---------------------------------------------------------------------------
// Memory streams
// ---------------------------------------------------------------------------

std::int32_t TCustomMemoryStream::Read(void* Buffer, std::int32_t Count)
{
    if (FPosition < 0 || Count <= 0 || FPosition >= FSize)
        return 0;
    std::int64_t N = std::min<std::int64_t>(FSize - FPosition, Count);
    std::memcpy(Buffer, FMemory + FPosition, static_cast<std::size_t>(N));
    FPosition += N;
    return static_cast<std::int32_t>(N);
}

std::int64_t TCustomMemoryStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    FPosition = SeekTarget(Offset, Origin, FPosition, FSize);
    return FPosition;
}

void TCustomMemoryStream::SetPointer(void* Ptr, std::int64_t Size)
{
    FMemory = static_cast<char*>(Ptr);
    FSize = Size;
}

void TCustomMemoryStream::SaveToStream(TStream* Stream)
{
    std::int64_t Done = 0;
    while (Done < FSize) {
        std::int32_t N = static_cast<std::int32_t>(std::min<std::int64_t>(FSize - Done, 1 << 30));
        Stream->WriteBuffer(FMemory + Done, N);
        Done += N;
    }
}

void TCustomMemoryStream::SaveToFile(const std::string& FileName)
{
    TFileStream Stream(FileName, fmCreate);
    SaveToStream(&Stream);
}

TMemoryStream::~TMemoryStream()
{
    std::free(FMemory);
}

void TMemoryStream::SetCapacity(std::int64_t NewCapacity)
{
    if (NewCapacity == FCapacity)
        return;
    if (NewCapacity <= 0) {
        std::free(FMemory);
        FMemory = nullptr;
        FCapacity = 0;
        return;
    }
    if (NewCapacity > 0x7FFFFFFF)
        throw EStreamError(LoadResString(SMemoryStreamError));
    void* P = std::realloc(FMemory, static_cast<std::size_t>(NewCapacity));
    if (!P)
        throw EStreamError(LoadResString(SMemoryStreamError));
    FMemory = static_cast<char*>(P);
    FCapacity = NewCapacity;
}

void TMemoryStream::SetSize(std::int64_t NewSize)
{
    if (NewSize < 0)
        NewSize = 0;
    SetCapacity(NewSize);
    // Bytes the stream grows by read as zeros, not as leftovers of the heap.
    if (NewSize > FSize)
        std::memset(FMemory + FSize, 0, static_cast<std::size_t>(NewSize - FSize));
    FSize = NewSize;
    if (FPosition > NewSize)
        FPosition = NewSize;
}

std::int32_t TMemoryStream::Write(const void* Buffer, std::int32_t Count)
{
    if (FPosition < 0 || Count <= 0)
        return 0;
    std::int64_t End = FPosition + Count;
    if (End > FSize) {
        if (End > FCapacity)
            SetCapacity(std::max<std::int64_t>(End, std::min<std::int64_t>(0x7FFFFFFF, std::max<std::int64_t>(FCapacity * 2, 8192))));
        if (FPosition > FSize)
            std::memset(FMemory + FSize, 0, static_cast<std::size_t>(FPosition - FSize));
        FSize = End;
    }
    std::memcpy(FMemory + FPosition, Buffer, static_cast<std::size_t>(Count));
    FPosition = End;
    return Count;
}

void TMemoryStream::Clear()
{
    SetCapacity(0);
    FSize = 0;
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream* Stream)
{
    Stream->SetPosition(0);
    std::int64_t Count = Stream->Size();
    SetSize(Count);
    std::int64_t Done = 0;
    while (Done < Count) {
        std::int32_t N = static_cast<std::int32_t>(std::min<std::int64_t>(Count - Done, 1 << 30));
        Stream->ReadBuffer(FMemory + Done, N);
        Done += N;
    }
    FPosition = 0;
}

void TMemoryStream::LoadFromFile(const std::string& FileName)
{
    TFileStream Stream(FileName, fmOpenRead | fmShareDenyWrite);
    LoadFromStream(&Stream);
}

// ---------------------------------------------------------------------------
// TStringStream
// ---------------------------------------------------------------------------

std::int32_t TStringStream::Read(void* Buffer, std::int32_t Count)
{
    std::int64_t Len = static_cast<std::int64_t>(FDataString.size());
    if (Count <= 0 || FPosition >= Len)
        return 0;
    std::int64_t N = std::min<std::int64_t>(Len - FPosition, Count);
    std::memcpy(Buffer, FDataString.data() + FPosition, static_cast<std::size_t>(N));
    FPosition += N;
    return static_cast<std::int32_t>(N);
}

std::int32_t TStringStream::Write(const void* Buffer, std::int32_t Count)
{
    if (Count <= 0)
        return 0;
    // Overwrites in place and grows at the end; what follows the written
    // bytes stays.
    std::size_t End = static_cast<std::size_t>(FPosition) + static_cast<std::size_t>(Count);
    if (End > FDataString.size())
        FDataString.resize(End);
    std::memcpy(FDataString.data() + FPosition, Buffer, static_cast<std::size_t>(Count));
    FPosition = static_cast<std::int64_t>(End);
    return Count;
}

std::int64_t TStringStream::Seek(std::int64_t Offset, TSeekOrigin Origin)
{
    std::int64_t Len = static_cast<std::int64_t>(FDataString.size());
    FPosition = std::clamp<std::int64_t>(SeekTarget(Offset, Origin, FPosition, Len), 0, Len);
    return FPosition;
}

void TStringStream::SetSize(std::int64_t NewSize)
{
    FDataString.resize(static_cast<std::size_t>(std::max<std::int64_t>(NewSize, 0)));
    if (FPosition > NewSize)
        FPosition = std::max<std::int64_t>(NewSize, 0);
}
