// The inclusive ends of ranges and the quoting rules of address lists,
// each case a value just inside and one just outside.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/Classes.h"
#include "mail/KvFromLine.h"
#include "mail/KvMimeHeaders.h"
#include "mail/KvQuotedPrintable.h"

namespace {

// Two-digit years up to 70 are of this century, from 71 of the last.
TEST(RangeEnds, FromLineTwoDigitYears70And71)
{
    const std::pair<const char*, const char*> Cases[] = {
        {"From a@b.cd Thu Jan  1 00:00:00 70\r\n", "Thu Jan  1 00:00:00 2070"},
        {"From a@b.cd Fri Jan  1 00:00:00 71\r\n", "Fri Jan  1 00:00:00 1971"},
    };
    for (const auto& [Text, Date] : Cases)
        EXPECT_EQ(GetFromLineDate(Text), Date) << Text;
}

// A quoted-printable line of 75 characters gets its soft break after the
// last blank from the third column on, or after the last break character
// from the 39th on; else it is cut where it is full.
TEST(RangeEnds, QuotedPrintableSoftBreakColumns)
{
    const std::string X(100, 'x');
    const struct {
        std::string Text, Encoded;
    } Cases[] = {
        {"ab " + X.substr(0, 97), "ab =\r\n" + X.substr(0, 75) + "=\r\n" + X.substr(0, 22)},
        {"a " + X.substr(0, 98), "a " + X.substr(0, 73) + "=\r\n" + X.substr(0, 25)},
        {X.substr(0, 38) + "-" + X.substr(0, 61), X.substr(0, 38) + "-=\r\n" + X.substr(0, 61)},
        {X.substr(0, 37) + "-" + X.substr(0, 62), X.substr(0, 37) + "-" + X.substr(0, 37) + "=\r\n" + X.substr(0, 25)},
    };
    for (const auto& C : Cases)
        EXPECT_EQ(EncodeQuotedPrintable(C.Text), C.Encoded) << C.Text;
}

// An escaped quote inside a quoted name neither ends the quoting nor lets
// the comma in it split the list.
TEST(RangeEnds, EscapedQuoteInsideAQuotedAddress)
{
    const std::string List = "\"Doe \\\"JD, John\" <john@example.com>, ann@example.com";
    TStringList Strings;
    ASSERT_EQ(AddressListToStrings(List, &Strings), 2);
    EXPECT_EQ(Strings[0], "\"Doe \\\"JD, John\" <john@example.com>");
    EXPECT_EQ(Strings[1], "ann@example.com");
}

}  // namespace
