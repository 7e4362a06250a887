#pragma once
// Block hashes: the shared hash engine, the MD4 family state and MD5.

#include "foundation/DECFmt.h"

#include <cstddef>
#include <cstdint>
#include <string>

class TStream;

class TDECHash : public TDECObject {
public:
    TDECHash() = default;
    ~TDECHash() override;

    void Start();
    virtual void AddData(const void* Data, std::size_t Size);
    void Finish();

    virtual std::string DigestBytes() const = 0;
    virtual std::string DigestText(TDECFormatClass Format = nullptr) const;
    virtual int DigestLength() const = 0;
    virtual int BlockLength() const = 0;

    // Start, feed, finish and format in one go.
    std::string CalcBuffer(const void* Buffer, std::size_t Size, TDECFormatClass Format = nullptr);
    std::string CalcBytes(const std::string& S, TDECFormatClass Format = nullptr);
    // Size < 0: the whole stream from its start; else Size bytes from the
    // current position.
    std::string CalcStream(TStream& Stream, std::int64_t Size, TDECFormatClass Format = nullptr);
    std::string CalcFile(const std::string& FileName, TDECFormatClass Format = nullptr);

    // Padding byte of the final block; 0 means 0x80.
    unsigned char PaddingByte() const { return FPaddingByte; }
    void SetPaddingByte(unsigned char Value) { FPaddingByte = Value; }

protected:
    virtual void CompressBlock(const unsigned char* Block) = 0;
    virtual void ResetState() = 0;
    virtual void FinishDigest() = 0;

    std::uint32_t FCount[8] = {};  // bits processed, least significant word first
    unsigned char* FBuffer = nullptr;
    std::size_t FBufferSize = 0;
    std::size_t FBufferIndex = 0;
    unsigned char FPaddingByte = 0;

private:
    void FreeBuffer();
};

class THashBaseMD4 : public TDECHash {
public:
    ~THashBaseMD4() override;
    std::string DigestBytes() const override;
    int DigestLength() const override { return 16; }
    int BlockLength() const override { return 64; }

protected:
    void ResetState() override;
    void FinishDigest() override;

    std::uint32_t FDigest[10] = {};
};

class THash_MD5 : public THashBaseMD4 {
public:
    static TDECObject* Create() { return new THash_MD5; }

    // Class-level operations: each uses one instance of its own.
    static std::string HashBuffer(const void* Buffer, std::size_t Size, TDECFormatClass Format = nullptr);
    static std::string HashBytes(const std::string& S, TDECFormatClass Format = nullptr);
    static std::string HashStream(TStream& Stream, std::int64_t Size, TDECFormatClass Format = nullptr);
    static std::string HashFile(const std::string& FileName, TDECFormatClass Format = nullptr);

protected:
    void CompressBlock(const unsigned char* Block) override;
};
