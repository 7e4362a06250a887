#include "foundation/DECHash.h"

#include "classlib/Streams.h"

#include <algorithm>
#include <cstring>
#include <memory>

namespace {

const char* const ErrNotInitialized = "Hash must be initialized";
const char* const ErrTooManyBits = "Hash function have to many bits processed";

// Owns a read buffer and wipes it whatever way the hashing ends.
class TWipedBuffer {
public:
    explicit TWipedBuffer(std::size_t Size) : FData(new unsigned char[Size]), FSize(Size) {}
    ~TWipedBuffer()
    {
        WipeBuffer(FData.get(), FSize);
    }
    TWipedBuffer(const TWipedBuffer&) = delete;
    TWipedBuffer& operator=(const TWipedBuffer&) = delete;
    unsigned char* Data() { return FData.get(); }

private:
    std::unique_ptr<unsigned char[]> FData;
    std::size_t FSize;
};

inline std::uint32_t Rol(std::uint32_t V, int N)
{
    return (V << N) | (V >> (32 - N));
}

} // namespace

// ---------------------------------------------------------------------------
// TDECHash
// ---------------------------------------------------------------------------

TDECHash::~TDECHash()
{
    FreeBuffer();
    WipeBuffer(FCount, sizeof(FCount));
}

void TDECHash::FreeBuffer()
{
    if (FBuffer) {
        WipeBuffer(FBuffer, FBufferSize);
        delete[] FBuffer;
        FBuffer = nullptr;
    }
    FBufferSize = 0;
    FBufferIndex = 0;
}

void TDECHash::Start()
{
    FreeBuffer();
    std::memset(FCount, 0, sizeof(FCount));
    FBufferSize = static_cast<std::size_t>(BlockLength());
    FBuffer = new unsigned char[FBufferSize]();
    FBufferIndex = 0;
    ResetState();
}

void TDECHash::AddData(const void* Data, std::size_t Size)
{
    if (Size == 0)
        return;
    if (!FBuffer)
        throw EDECException(ErrNotInitialized);

    // 256-bit count of bits, carried word by word.
    std::uint64_t add = static_cast<std::uint64_t>(Size) * 8;
    for (int i = 0; i < 8 && add; ++i) {
        const std::uint64_t sum = static_cast<std::uint64_t>(FCount[i]) + (add & 0xFFFFFFFFu);
        FCount[i] = static_cast<std::uint32_t>(sum);
        add = (add >> 32) + (sum >> 32);
        if (i == 7 && add)
            throw EDECException(ErrTooManyBits);
    }

    const unsigned char* p = static_cast<const unsigned char*>(Data);
    if (FBufferIndex > 0) {
        const std::size_t n = std::min(Size, FBufferSize - FBufferIndex);
        std::memcpy(FBuffer + FBufferIndex, p, n);
        FBufferIndex += n;
        p += n;
        Size -= n;
        if (FBufferIndex < FBufferSize)
            return;
        CompressBlock(FBuffer);
        FBufferIndex = 0;
    }
    while (Size >= FBufferSize) {
        CompressBlock(p);
        p += FBufferSize;
        Size -= FBufferSize;
    }
    if (Size) {
        std::memcpy(FBuffer, p, Size);
        FBufferIndex = Size;
    }
}

void TDECHash::Finish()
{
    FinishDigest();
    FreeBuffer();
}

std::string TDECHash::DigestText(TDECFormatClass Format) const
{
    std::string bytes = DigestBytes();
    std::string text;
    ValidFormat(Format)->EncodeBytes(bytes.data(), bytes.size(), text);
    WipeString(bytes);
    return text;
}

std::string TDECHash::CalcBuffer(const void* Buffer, std::size_t Size, TDECFormatClass Format)
{
    Start();
    AddData(Buffer, Size);
    Finish();
    return DigestText(Format);
}

std::string TDECHash::CalcBytes(const std::string& S, TDECFormatClass Format)
{
    return CalcBuffer(S.data(), S.size(), Format);
}

std::string TDECHash::CalcStream(TStream& Stream, std::int64_t Size, TDECFormatClass Format)
{
    Start();
    if (Size < 0) {
        Stream.SetPosition(0);
        Size = Stream.Size();
    }
    const std::int64_t block = BlockLength();
    std::int64_t chunk = (EffectiveStreamBufferSize() + block - 1) / block * block;
    if (Size < chunk)
        chunk = Size;
    TWipedBuffer buffer(static_cast<std::size_t>(chunk > 0 ? chunk : 1));
    while (Size > 0) {
        const std::int32_t n = static_cast<std::int32_t>(Size < chunk ? Size : chunk);
        Stream.ReadBuffer(buffer.Data(), n);
        AddData(buffer.Data(), static_cast<std::size_t>(n));
        Size -= n;
    }
    Finish();
    return DigestText(Format);
}

std::string TDECHash::CalcFile(const std::string& FileName, TDECFormatClass Format)
{
    TFileStream stream(FileName, fmOpenRead | fmShareDenyNone);
    return CalcStream(stream, -1, Format);
}

// ---------------------------------------------------------------------------
// THashBaseMD4
// ---------------------------------------------------------------------------

THashBaseMD4::~THashBaseMD4()
{
    WipeBuffer(FDigest, sizeof(FDigest));
}

void THashBaseMD4::ResetState()
{
    static const std::uint32_t init[10] = {0x67452301, 0xEFCDAB89, 0x98BADCFE, 0x10325476,
                                           0xC3D2E1F0, 0x76543210, 0xFEDCBA98, 0x89ABCDEF,
                                           0x01234567, 0x3C2D1E0F};
    std::memcpy(FDigest, init, sizeof(FDigest));
}

void THashBaseMD4::FinishDigest()
{
    for (int i = 2; i < 8; ++i)
        if (FCount[i])
            throw EDECException(ErrTooManyBits);
    if (!FBuffer)
        throw EDECException(ErrNotInitialized);
    FBuffer[FBufferIndex++] = FPaddingByte ? FPaddingByte : 0x80;
    if (FBufferIndex > FBufferSize - 8) {
        std::memset(FBuffer + FBufferIndex, 0, FBufferSize - FBufferIndex);
        CompressBlock(FBuffer);
        FBufferIndex = 0;
    }
    std::memset(FBuffer + FBufferIndex, 0, FBufferSize - FBufferIndex);
    for (int i = 0; i < 8; ++i)
        FBuffer[FBufferSize - 8 + i] = static_cast<unsigned char>(FCount[i / 4] >> (8 * (i % 4)));
    CompressBlock(FBuffer);
}

std::string THashBaseMD4::DigestBytes() const
{
    std::string r(static_cast<std::size_t>(DigestLength()), '\0');
    for (std::size_t i = 0; i < r.size(); ++i)
        r[i] = static_cast<char>(FDigest[i / 4] >> (8 * (i % 4)));
    return r;
}

// ---------------------------------------------------------------------------
// THash_MD5
// ---------------------------------------------------------------------------

void THash_MD5::CompressBlock(const unsigned char* Block)
{
    std::uint32_t x[16];
    for (int i = 0; i < 16; ++i)
        x[i] = static_cast<std::uint32_t>(Block[4 * i]) | static_cast<std::uint32_t>(Block[4 * i + 1]) << 8 |
               static_cast<std::uint32_t>(Block[4 * i + 2]) << 16 |
               static_cast<std::uint32_t>(Block[4 * i + 3]) << 24;

    static const std::uint32_t k[64] = {
        0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
        0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
        0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
        0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
        0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
        0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
        0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
        0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};
    static const int s[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

    std::uint32_t a = FDigest[0], b = FDigest[1], c = FDigest[2], d = FDigest[3];
    for (int i = 0; i < 64; ++i) {
        std::uint32_t f;
        int g;
        switch (i / 16) {
        case 0: f = (b & c) | (~b & d); g = i; break;
        case 1: f = (d & b) | (~d & c); g = (5 * i + 1) % 16; break;
        case 2: f = b ^ c ^ d; g = (3 * i + 5) % 16; break;
        default: f = c ^ (b | ~d); g = (7 * i) % 16; break;
        }
        const std::uint32_t t = d;
        d = c;
        c = b;
        b = b + Rol(a + f + k[i] + x[g], s[i / 16][i % 4]);
        a = t;
    }
    FDigest[0] += a;
    FDigest[1] += b;
    FDigest[2] += c;
    FDigest[3] += d;
}

std::string THash_MD5::HashBuffer(const void* Buffer, std::size_t Size, TDECFormatClass Format)
{
    TOwned<THash_MD5> hash(new THash_MD5);
    return hash->CalcBuffer(Buffer, Size, Format);
}

std::string THash_MD5::HashBytes(const std::string& S, TDECFormatClass Format)
{
    TOwned<THash_MD5> hash(new THash_MD5);
    return hash->CalcBytes(S, Format);
}

std::string THash_MD5::HashStream(TStream& Stream, std::int64_t Size, TDECFormatClass Format)
{
    TOwned<THash_MD5> hash(new THash_MD5);
    return hash->CalcStream(Stream, Size, Format);
}

std::string THash_MD5::HashFile(const std::string& FileName, TDECFormatClass Format)
{
    TOwned<THash_MD5> hash(new THash_MD5);
    return hash->CalcFile(FileName, Format);
}

namespace {
// Lets a format or hash be looked up by its class name.
const bool Registered = [] {
    RegisterDECClass("THash_MD5", &THash_MD5::Create);
    return true;
}();
} // namespace
