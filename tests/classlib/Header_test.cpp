// The two headers' section widths.
#include <gtest/gtest.h>

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"

TEST(Headers, SectionWidthsOfBothKinds)
{
    THeader H(nullptr);
    H.Sections()->Add("one");
    H.Sections()->Add("two");
    EXPECT_EQ(H.SectionWidth(1), THeader::DefaultSectionWidth);
    H.SetSectionWidth(1, 33);
    EXPECT_EQ(H.SectionWidth(0), THeader::DefaultSectionWidth);
    EXPECT_EQ(H.SectionWidth(1), 33);
    EXPECT_THROW(H.SectionWidth(2), EListError);
    EXPECT_THROW(H.SetSectionWidth(-1, 5), EListError);

    THeaderControl C(nullptr);
    int Resized = 0;
    C.OnSectionResize = [&](TObject*) { ++Resized; };
    C.Sections()->Add()->SetWidth(70);
    C.Sections()->Add()->SetText("b");
    EXPECT_EQ(C.Sections()->Count(), 2);
    EXPECT_EQ(C.Sections()->Items(0)->Width(), 70);
    EXPECT_EQ(C.Sections()->Items(1)->Width(), 50);
    EXPECT_EQ(Resized, 1);
    C.Sections()->Delete(0);
    EXPECT_EQ(C.Sections()->Items(0)->Text(), "b");
    EXPECT_THROW(C.Sections()->Items(1), EListError);
}
