#include <gtest/gtest.h>

#include <string>

#include "mail/KvEtf2Text.h"

namespace {

TEST(KvEtf2Text, WholeTexts)
{
    const struct {
        std::string In;
        std::string Out;
    } cases[] = {
        {"a\r\nb", "a b"},
        {"a\nb", "a b"},
        {"a\r\n\r\nb", "a\r\nb"},
        {"a  \t\r\n\r\n\r\nb", "a\r\n\r\nb"},
        {"<bold>x</bold>", "x"},
        {"<<x>", "<x>"},
        {"1 << 2", "1 < 2"},
        {"<x-color><param>red</param>y</x-color>", "y"},
        {"<x-color><PARAM>red</Param>y</x-color>", "y"},
        {"a<param>unterminated", "a"},
        {"<bold>XXXXX Xxxxx</bold>\r\n", "XXXXX Xxxxx "},
        {"\r\n\r\n<bold>t</bold>", "\r\nt"},
        {"line one\r\nline two\r\n\r\nnext", "line one line two\r\nnext"},
        {"<nofill>x</nofill>", "x"},
        {"a\rb", "a b"},
        {"<bold", ""},
    };
    for (const auto& c : cases) {
        std::string s = c.In;
        const int n = EnrichedToText(s, 1, 0);
        EXPECT_EQ(s, c.Out) << c.In;
        EXPECT_EQ(n, static_cast<int>(c.Out.size())) << c.In;
    }
}

TEST(KvEtf2Text, RangesInsideALargerText)
{
    std::string s = "Header: x\r\n\r\n<bold>hi</bold>\r\nthere--end";
    const int start = static_cast<int>(s.find('<')) + 1;
    const int count = static_cast<int>(s.find("--")) - start + 1;
    EXPECT_EQ(EnrichedToText(s, start, count), 8);
    EXPECT_EQ(s, "Header: x\r\n\r\nhi there--end");

    // A range shorter than three characters stays as it is.
    std::string shortText = "<b>abc";
    EXPECT_EQ(EnrichedToText(shortText, 1, 2), 0);
    EXPECT_EQ(shortText, "<b>abc");
    std::string tiny = "ab";
    EXPECT_EQ(EnrichedToText(tiny, 1, 0), 0);
    EXPECT_EQ(tiny, "ab");

    // A parameter whose end lies outside the range drops the rest of the range only.
    std::string cut = "<param>x</param>tail";
    EXPECT_EQ(EnrichedToText(cut, 1, 10), 0);
    EXPECT_EQ(cut, "param>tail");
}

}  // namespace
