#include <gtest/gtest.h>

#include <string>

#include "foundation/DECFmt.h"
#include "foundation/DECHash.h"
#include "foundation/DECUtil.h"

namespace {

TEST(DECUtilTest, ShortClassNames)
{
    struct {
        const char* Name;
        const char* Short;
    } cases[] = {
        {"TFormat_HEX", "HEX"},
        {"THash_MD5", "MD5"},
        {"TFormat_My_Thing", "My_Thing"},
        {"TDECObject", "TDECObject"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(DECClassShortName(c.Name), c.Short);
    EXPECT_EQ(DECClassShortName(TFormat_HEXL::Class()), "HEXL");
}

TEST(DECUtilTest, ObjectTestNeverFaults)
{
    THash_MD5 md5;
    int plain = 0x12345678;
    const std::string text(100, 'x');  // its first word points into the heap
    const void* const pointers[] = {nullptr, reinterpret_cast<const void*>(16), &plain, &text};
    for (const void* p : pointers)
        EXPECT_FALSE(IsObject<TDECObject>(p)) << p;
    EXPECT_TRUE(IsObject<TDECHash>(&md5));
    EXPECT_TRUE(IsObject<THash_MD5>(&md5));
    EXPECT_FALSE(IsObject<TDECFormat>(&md5));
    EXPECT_TRUE(IsObject<TDECFormat>(TFormat_HEX::Class()));
}

TEST(DECUtilTest, WipingLeavesZerosAndEmptyStrings)
{
    unsigned char buf[33];
    for (auto& b : buf)
        b = 0x5C;
    WipeBuffer(buf + 1, 31);
    EXPECT_EQ(buf[0], 0x5C);
    EXPECT_EQ(buf[32], 0x5C);
    for (int i = 1; i < 32; ++i)
        EXPECT_EQ(buf[i], 0) << i;

    std::string secret = "password";
    const char* bytes = secret.data();
    WipeString(secret);
    EXPECT_TRUE(secret.empty());
    EXPECT_EQ(std::string(bytes, 8), std::string(8, '\0'));
}

} // namespace
