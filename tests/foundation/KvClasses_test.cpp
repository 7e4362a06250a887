#include <gtest/gtest.h>

#include <string>

#include "classlib/Classes.h"
#include "classlib/Streams.h"
#include "foundation/KvClasses.h"

TEST(KvClassesTest, StreamToStringReadsFromTheStartAndDropsTrailingNuls)
{
    struct {
        std::string Bytes;
        std::string Expected;
    } Cases[] = {
        {std::string("ab\0\0\0", 5), "ab"},
        {std::string("a\0b\0", 4), std::string("a\0b", 3)},  // inner NULs stay
        {std::string("\0\0", 2), ""},
        {"", ""},
        {std::string(200000, 'x') + "end", std::string(200000, 'x') + "end"},
    };
    for (const auto& C : Cases) {
        TMemoryStream S;
        if (!C.Bytes.empty())
            S.WriteBuffer(C.Bytes.data(), static_cast<std::int32_t>(C.Bytes.size()));
        // The position left at the end must not matter.
        EXPECT_EQ(StreamToString(&S), C.Expected) << C.Bytes.size();
    }
}

TEST(KvClassesTest, JoinStringsWithAndWithoutLineBreaks)
{
    struct {
        const char* Lines;  // CR LF separated items for SetText
        bool Flag;
        std::string Expected;
    } Cases[] = {
        {"a\r\n\r\nb\r\n", true, "a\r\nb"},
        {"a\r\n\r\nb\r\n", false, "ab"},
        {"\r\n\r\n", true, "\r\n\r\n"},
        {"one\r\ntwo\r\n", true, "onetwo"},
        {"", true, ""},
    };
    for (const auto& C : Cases) {
        TStringList L;
        L.SetText(C.Lines);
        EXPECT_EQ(JoinStrings(&L, C.Flag), C.Expected) << C.Lines;
    }
}
