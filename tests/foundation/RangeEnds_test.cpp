// The inclusive ends of ranges, where a value just inside must pass as
// surely as one just outside fails (the outside ones sit with their units'
// tests).
#include <gtest/gtest.h>

#include <string>

#include "classlib/SysUtils.h"
#include "foundation/KvDates.h"
#include "foundation/KvFiles.h"

namespace {

TEST(RangeEnds, MailDateYearsFrom1960To2200)
{
    const struct {
        const char* Text;
        TDateTime Value;  // -1: refused
    } Cases[] = {
        {"1 Jan 1960", EncodeDate(1960, 1, 1)},
        {"31 Dec 2200", EncodeDate(2200, 12, 31)},
        {"31 Dec 1959", -1},
        {"1 Jan 2201", -1},
    };
    for (const auto& C : Cases) {
        TDateTime V;
        std::string Zone;
        EXPECT_EQ(SplitMailDate(C.Text, V, Zone), C.Value >= 0) << C.Text;
        EXPECT_EQ(V, C.Value) << C.Text;
    }
}

// An empty bracket pair is no number: the name gets its own "[1]".
TEST(RangeEnds, EmptyBracketsAreNoNumber)
{
    const struct {
        const char* In;
        const char* Out;
        int Number;
    } Cases[] = {
        {"a[].eml", "a[][1].eml", 1},
        {"a[0].eml", "a[1].eml", 1},
        {"a[]", "a[1]", 1},
    };
    for (const auto& C : Cases) {
        std::string Name = C.In;
        EXPECT_EQ(IncrementFileNumber(Name), C.Number) << C.In;
        EXPECT_EQ(Name, C.Out) << C.In;
    }
}

}  // namespace
