#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "classlib/Streams.h"
#include "foundation/DECHash.h"

namespace {

// Reaches the bit counter so its overflow can be provoked without hashing
// 2^256 bits.
class TCountedMD5 : public THash_MD5 {
public:
    void SetCount(int Word, std::uint32_t Value) { FCount[Word] = Value; }
};

std::string ExceptionText(const std::function<void()>& Fn)
{
    try {
        Fn();
    } catch (const EDECException& e) {
        return e.Message();
    }
    return "(none)";
}

std::string RandomBytes(size_t Size, unsigned Seed)
{
    std::mt19937 rng(Seed);
    std::string s(Size, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

TEST(DECHashTest, ChunkedFeedingEqualsOneShot)
{
    const std::string data = RandomBytes(5000, 5);
    const std::string oneShot = THash_MD5::HashBytes(data, TFormat_HEXL::Class());
    std::mt19937 rng(9);
    for (int round = 0; round < 50; ++round) {
        THash_MD5 h;
        h.Start();
        size_t at = 0;
        while (at < data.size()) {
            const size_t n = std::min<size_t>(data.size() - at, rng() % 150);
            h.AddData(data.data() + at, n);
            at += n;
        }
        h.Finish();
        ASSERT_EQ(h.DigestText(TFormat_HEXL::Class()), oneShot) << "round " << round;
    }
}

TEST(DECHashTest, DigestInEachFormat)
{
    const std::string raw = THash_MD5::HashBytes("abc");
    ASSERT_EQ(raw.size(), 16u);
    EXPECT_EQ(static_cast<unsigned char>(raw[0]), 0x90);
    EXPECT_EQ(THash_MD5::HashBytes("abc", TFormat_HEX::Class()), "900150983CD24FB0D6963F7D28E17F72");
    EXPECT_EQ(THash_MD5::HashBuffer("abc", 3, TFormat_HEXL::Class()), "900150983cd24fb0d6963f7d28e17f72");

    THash_MD5 h;
    EXPECT_EQ(h.DigestLength(), 16);
    EXPECT_EQ(h.BlockLength(), 64);
    h.SetPaddingByte(0x80);
    EXPECT_EQ(h.CalcBytes("abc", TFormat_HEXL::Class()), "900150983cd24fb0d6963f7d28e17f72");
    h.SetPaddingByte(0x01);
    EXPECT_NE(h.CalcBytes("abc", TFormat_HEXL::Class()), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(DECHashTest, FailuresCarryTheirTexts)
{
    EXPECT_EQ(ExceptionText([] {
                  THash_MD5 h;
                  h.AddData("x", 1);
              }),
              "Hash must be initialized");
    EXPECT_EQ(ExceptionText([] {
                  THash_MD5 h;
                  h.Start();
                  h.Finish();
                  h.AddData("x", 1);
              }),
              "Hash must be initialized");
    // Adding nothing is no use of the hash.
    EXPECT_EQ(ExceptionText([] {
                  THash_MD5 h;
                  h.AddData("x", 0);
              }),
              "(none)");
    // A 256-bit count that runs over.
    EXPECT_EQ(ExceptionText([] {
                  TCountedMD5 h;
                  h.Start();
                  for (int i = 0; i < 8; ++i)
                      h.SetCount(i, 0xFFFFFFFF);
                  h.AddData("x", 1);
              }),
              "Hash function have to many bits processed");
    // More than 64 bits counted: MD5 can't write that length.
    EXPECT_EQ(ExceptionText([] {
                  TCountedMD5 h;
                  h.Start();
                  h.SetCount(2, 1);
                  h.Finish();
              }),
              "Hash function have to many bits processed");
    // The carry goes from word to word without a false alarm.
    EXPECT_EQ(ExceptionText([] {
                  TCountedMD5 h;
                  h.Start();
                  for (int i = 0; i < 7; ++i)
                      h.SetCount(i, 0xFFFFFFFF);
                  h.AddData("x", 1);
              }),
              "(none)");
}

TEST(DECHashTest, StreamsFromPositionOrWhole)
{
    const std::string data = RandomBytes(30000, 11);
    const std::string whole = THash_MD5::HashBytes(data, TFormat_HEXL::Class());
    const std::string tail = THash_MD5::HashBytes(data.substr(1000, 20000), TFormat_HEXL::Class());

    const int savedSize = GStreamBufferSize;
    for (int bufferSize : {8192, 0, -5, 1, 100, 64, 65, 50000}) {
        GStreamBufferSize = bufferSize;
        TStringStream s(data);
        s.SetPosition(777);
        EXPECT_EQ(THash_MD5::HashStream(s, -1, TFormat_HEXL::Class()), whole) << bufferSize;
        s.SetPosition(1000);
        EXPECT_EQ(THash_MD5::HashStream(s, 20000, TFormat_HEXL::Class()), tail) << bufferSize;
        EXPECT_EQ(s.Position(), 21000);
    }
    GStreamBufferSize = savedSize;

    TStringStream shortStream(data.substr(0, 100));
    EXPECT_THROW(THash_MD5::HashStream(shortStream, 101), EReadError);
}

TEST(DECHashTest, RegisteredByName)
{
    const TDECClassEntry* e = FindDECClass("THash_MD5");
    ASSERT_NE(e, nullptr);
    std::unique_ptr<TDECObject> obj(e->Create());
    auto* hash = dynamic_cast<TDECHash*>(obj.get());
    ASSERT_NE(hash, nullptr);
    EXPECT_EQ(hash->CalcBytes("abc", TFormat_HEXL::Class()), "900150983cd24fb0d6963f7d28e17f72");
    EXPECT_EQ(FindDECClass("THash_Nothing"), nullptr);
}

} // namespace
