#include <gtest/gtest.h>

#include <windows.h>
#include <wincrypt.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <stdexcept>
#include <string>

#include "classlib/Streams.h"
#include "foundation/KvMd5.h"
#include "testkit/TestFolder.h"

namespace {

// The system's own MD5 (CryptoAPI), fed in uneven chunks: a reference that
// shares no code with the unit under test.
class TSystemMd5 {
public:
    TSystemMd5()
    {
        if (!CryptAcquireContextA(&FProv, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT))
            throw std::runtime_error("no crypto provider");
        if (!CryptCreateHash(FProv, CALG_MD5, 0, 0, &FHash))
            throw std::runtime_error("no MD5 in the crypto provider");
    }
    ~TSystemMd5()
    {
        if (FHash)
            CryptDestroyHash(FHash);
        if (FProv)
            CryptReleaseContext(FProv, 0);
    }
    void Add(const char* Data, size_t Size)
    {
        ASSERT_TRUE(CryptHashData(FHash, reinterpret_cast<const BYTE*>(Data), static_cast<DWORD>(Size), 0));
    }
    std::string Hex()
    {
        BYTE digest[16];
        DWORD n = sizeof(digest);
        EXPECT_TRUE(CryptGetHashParam(FHash, HP_HASHVAL, digest, &n, 0));
        static const char digits[] = "0123456789abcdef";
        std::string r;
        for (DWORD i = 0; i < n; ++i) {
            r += digits[digest[i] >> 4];
            r += digits[digest[i] & 15];
        }
        return r;
    }

private:
    HCRYPTPROV FProv = 0;
    HCRYPTHASH FHash = 0;
};

std::string SystemMd5(const std::string& S)
{
    TSystemMd5 h;
    h.Add(S.data(), S.size());
    return h.Hex();
}

struct TDigestCase {
    const char* Text;
    const char* Digest;
};

// The test suite of RFC 1321, appendix A.5.
const TDigestCase Rfc1321Suite[] = {
    {"", "d41d8cd98f00b204e9800998ecf8427e"},
    {"a", "0cc175b9c0f1b6a831c399e269772661"},
    {"abc", "900150983cd24fb0d6963f7d28e17f72"},
    {"message digest", "f96b697d7cb7938d525a2f31aaf161d0"},
    {"abcdefghijklmnopqrstuvwxyz", "c3fcd3d76192e4007dfb496cca67e13b"},
    {"ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789", "d174ab98d277d9f5a5611c2c9f419d9f"},
    {"12345678901234567890123456789012345678901234567890123456789012345678901234567890",
     "57edf4a22be3c955ac49da2e2107b67a"},
};

TEST(KvMd5Test, Rfc1321SuiteThroughEveryEntry)
{
    TTestFolder tmp("KvMd5");
    int n = 0;
    for (const auto& c : Rfc1321Suite) {
        const std::string text = c.Text;
        SCOPED_TRACE(text);
        EXPECT_EQ(MD5HexOfString(text), c.Digest);
        EXPECT_EQ(MD5HexOfBuffer(text.data(), text.size()), c.Digest);
        EXPECT_EQ(MD5HexOfStringRange("#" + text, 2, static_cast<int>(text.size())), c.Digest);
        const std::string file = tmp.Write("rfc" + std::to_string(n++) + ".txt", text);
        EXPECT_EQ(MD5HexOfFile(file), c.Digest);
        EXPECT_EQ(MD5HexOfFileRange(file, 0), c.Digest);
    }
}

TEST(KvMd5Test, EveryLengthAroundTheBlockEdgesMatchesTheSystem)
{
    // Padding takes one block or two depending on the length mod 64.
    std::mt19937 rng(1321);
    for (size_t len = 0; len <= 200; ++len) {
        std::string s(len, '\0');
        for (auto& c : s)
            c = static_cast<char>(rng());
        ASSERT_EQ(MD5HexOfString(s), SystemMd5(s)) << "length " << len;
    }
}

TEST(KvMd5Test, StringRanges)
{
    const std::string abc = MD5HexOfString("abc");
    const std::string whole = MD5HexOfString("xabc");
    const std::string empty = MD5HexOfString("");
    struct {
        const char* S;
        int Start, Count;
        std::string Expected;
    } cases[] = {
        {"xabc", 2, 3, abc},
        {"abcx", 1, 3, abc},
        {"abcx", 0, 3, abc},      // Start below 1 is the first byte
        {"abcx", -5, 3, abc},
        {"xabc", 3, -1, whole},   // a negative Count is the whole string
        {"xabc", 2, 100, abc},    // clipped at the end
        {"xabc", 5, 2, empty},    // starts past the end
        {"xabc", 2, 0, empty},
    };
    for (const auto& c : cases)
        EXPECT_EQ(MD5HexOfStringRange(c.S, c.Start, c.Count), c.Expected)
            << c.S << " " << c.Start << " " << c.Count;
}

TEST(KvMd5Test, FilesAndFileRanges)
{
    TTestFolder tmp("KvMd5");
    const std::string emptyFile = tmp.Write("empty.dat", "");
    EXPECT_EQ(MD5HexOfFile(emptyFile), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(MD5HexOfFileRange(emptyFile, 0), "d41d8cd98f00b204e9800998ecf8427e");

    std::string bytes(100000, '\0');
    std::mt19937 rng(7);
    for (auto& c : bytes)
        c = static_cast<char>(rng());
    const std::string file = tmp.Write("data.bin", bytes);
    EXPECT_EQ(MD5HexOfFile(file), SystemMd5(bytes));
    for (int64_t count : {int64_t(1), int64_t(63), int64_t(64), int64_t(8191), int64_t(8192), int64_t(8193),
                          int64_t(99999)})
        EXPECT_EQ(MD5HexOfFileRange(file, count), SystemMd5(bytes.substr(0, static_cast<size_t>(count))))
            << count;
    EXPECT_EQ(MD5HexOfFileRange(file, 0), SystemMd5(bytes));
    EXPECT_EQ(MD5HexOfFileRange(file, 1000000), SystemMd5(bytes));

    // Another program may have the file open for writing: reading still works.
    HANDLE writer = CreateFileA(file.c_str(), GENERIC_READ | GENERIC_WRITE,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                0, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(MD5HexOfFile(file), SystemMd5(bytes));
    CloseHandle(writer);

    EXPECT_THROW(MD5HexOfFile(tmp.File("missing.dat")), EFileError);
    EXPECT_THROW(MD5HexOfFileRange(tmp.File("missing.dat"), 10), EFileError);
}

TEST(KvMd5Test, LargeFileMatchesStreamedSystemDigest)
{
    TTestFolder tmp("KvMd5");
    const std::string path = tmp.File("large.bin");
    const int64_t total = 50LL * 1024 * 1024 + 12345;  // not a whole number of blocks
    TSystemMd5 whole, range;
    const int64_t rangeCount = 33333333;
    {
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(h, INVALID_HANDLE_VALUE);
        std::mt19937 rng(50);
        std::string chunk;
        int64_t written = 0;
        while (written < total) {
            // Uneven chunk sizes so the reference sees no block structure.
            const int64_t n = std::min<int64_t>(total - written, 1 + rng() % 700000);
            chunk.resize(static_cast<size_t>(n));
            for (auto& c : chunk)
                c = static_cast<char>(rng() >> 7);
            DWORD done = 0;
            ASSERT_TRUE(WriteFile(h, chunk.data(), static_cast<DWORD>(n), &done, nullptr));
            whole.Add(chunk.data(), chunk.size());
            if (written < rangeCount)
                range.Add(chunk.data(), static_cast<size_t>(std::min<int64_t>(n, rangeCount - written)));
            written += n;
        }
        CloseHandle(h);
    }
    EXPECT_EQ(MD5HexOfFile(path), whole.Hex());
    EXPECT_EQ(MD5HexOfFileRange(path, rangeCount), range.Hex());
}

} // namespace
