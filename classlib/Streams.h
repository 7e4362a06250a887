#pragma once
// TStream and its handle, file, memory and string streams. Positions and
// sizes are 64-bit: mailboxes above 4 GB are ordinary.

#include "classlib/Classes.h"

#include <cstdint>
#include <string>

// Stream failures are file errors, so a caller that catches EFileError sees
// every way a file can fail.
class EStreamError : public EFileError { public: using EFileError::EFileError; };
class EFileStreamError : public EStreamError { public: using EStreamError::EStreamError; };
class EFCreateError : public EFileStreamError { public: using EFileStreamError::EFileStreamError; };
class EFOpenError : public EFileStreamError { public: using EFileStreamError::EFileStreamError; };
class EReadError : public EStreamError { public: using EStreamError::EStreamError; };
class EWriteError : public EStreamError { public: using EStreamError::EStreamError; };

enum TSeekOrigin { soFromBeginning = 0, soFromCurrent = 1, soFromEnd = 2 };
// Alternative names for the same origins.
constexpr TSeekOrigin soBeginning = soFromBeginning;
constexpr TSeekOrigin soCurrent = soFromCurrent;
constexpr TSeekOrigin soEnd = soFromEnd;

// File open modes: one access mode or'ed with one share mode; fmCreate
// creates or truncates and opens for reading and writing.
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmShareCompat = 0x0000, // as exclusive
    fmShareExclusive = 0x0010,
    fmShareDenyWrite = 0x0020,
    fmShareDenyRead = 0x0030,
    fmShareDenyNone = 0x0040,
    fmCreate = 0xFF00,
};

class TStream : public TObject {
public:
    // Read and Write move up to Count bytes and answer how many moved.
    virtual std::int32_t Read(void* Buffer, std::int32_t Count) = 0;
    virtual std::int32_t Write(const void* Buffer, std::int32_t Count) = 0;
    virtual std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) = 0;

    // All or an exception: EReadError "Stream read error" / EWriteError
    // "Stream write error".
    void ReadBuffer(void* Buffer, std::int32_t Count);
    void WriteBuffer(const void* Buffer, std::int32_t Count);
    // Count bytes from Source's position (0: the whole of Source, from its
    // start); answers the bytes copied.
    std::int64_t CopyFrom(TStream* Source, std::int64_t Count);

    std::int64_t Position() { return Seek(0, soFromCurrent); }
    void SetPosition(std::int64_t Pos) { Seek(Pos, soFromBeginning); }
    virtual std::int64_t Size();
    virtual void SetSize(std::int64_t NewSize);

    // Convenience over ReadBuffer/WriteBuffer.
    std::string ReadString(std::int32_t Count);  // fewer bytes at the end of the stream
    void WriteString(const std::string& S);
};

// A stream over a Win32 file handle it doesn't own.
class THandleStream : public TStream {
public:
    explicit THandleStream(HANDLE AHandle) : FHandle(AHandle) {}

    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;
    HANDLE Handle() const { return FHandle; }

protected:
    HANDLE FHandle;
};

// A stream over a file it opens and closes. EFOpenError "Cannot open file
// \"%s\". %s" / EFCreateError "Cannot create file \"%s\". %s".
class TFileStream : public THandleStream {
public:
    TFileStream(const std::string& AFileName, unsigned Mode);
    const std::string& FileName() const { return FFileName; }

private:
    std::string FFileName;
    // The base class's handle, owned here.
    TKernelHandle FOwned;
};

// Shared base of the memory streams: a block of bytes and a position.
class TCustomMemoryStream : public TStream {
public:
    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    std::int64_t Size() override { return FSize; }
    void SaveToStream(TStream* Stream);
    void SaveToFile(const std::string& FileName);
    void* Memory() { return FMemory; }
    const void* Memory() const { return FMemory; }

protected:
    void SetPointer(void* Ptr, std::int64_t Size);

    char* FMemory = nullptr;
    std::int64_t FSize = 0;
    std::int64_t FPosition = 0;
};

class TMemoryStream : public TCustomMemoryStream {
public:
    TMemoryStream() = default;
    ~TMemoryStream() override;

    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    void SetSize(std::int64_t NewSize) override;
    void Clear();
    void LoadFromStream(TStream* Stream);
    void LoadFromFile(const std::string& FileName);
    std::int64_t Capacity() const { return FCapacity; }

private:
    void SetCapacity(std::int64_t NewCapacity);
    std::int64_t FCapacity = 0;
};

// A stream over a byte string (NULs allowed).
class TStringStream : public TStream {
public:
    TStringStream() = default;
    explicit TStringStream(std::string AString) : FDataString(std::move(AString)) {}

    std::int32_t Read(void* Buffer, std::int32_t Count) override;
    std::int32_t Write(const void* Buffer, std::int32_t Count) override;
    std::int64_t Seek(std::int64_t Offset, TSeekOrigin Origin) override;
    void SetSize(std::int64_t NewSize) override;
    const std::string& DataString() const { return FDataString; }

private:
    std::string FDataString;
    std::int64_t FPosition = 0;
};
