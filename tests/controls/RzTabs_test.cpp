// Tab data, shapes, coordinates, the region cache, shadow runs, settings and
// the layout numbers, all without a window.
#include <gtest/gtest.h>

#include <climits>
#include <memory>
#include <string>
#include <vector>

#include "controls/RzTabs.h"
#include "tests/controls/RzTabKit.h"
#include "testkit/RzTestCanvas.h"

namespace {


std::string PointsText(const std::vector<TPoint>& Points)
{
    std::string S;
    for (const auto& P : Points)
        S += "(" + std::to_string(P.x) + "," + std::to_string(P.y) + ")";
    return S;
}

HRGN RectRegion()
{
    return CreateRectRgn(0, 0, 5, 5);
}

bool RegionAlive(HRGN R)
{
    return GetObjectType(R) == OBJ_REGION;
}

} // namespace

TEST(TabData, AssignCopiesContentButNotPlaceAndListsHoldCopies)
{
    TRzTabDataList Source;
    auto A = new TRzTabData;
    A->Caption = "One";
    A->Color = clRed;
    A->DisabledIndex = 3;
    A->ImageIndex = 2;
    A->Enabled = false;
    A->Visible = false;
    A->Hint = "first";
    A->Rect = TRect(1, 2, 3, 4);
    A->Row = 2;
    Source.Add(A);
    Source.Add(new TRzTabData);

    TRzTabDataList Copy;
    Copy.Add(new TRzTabData); // replaced by the assignment
    Copy.Assign(&Source);
    ASSERT_EQ(Copy.Count(), 2);
    const TRzTabData& C = *Copy[0];
    EXPECT_EQ(C.Caption, "One");
    EXPECT_EQ(C.Color, clRed);
    EXPECT_EQ(C.DisabledIndex, 3);
    EXPECT_EQ(C.ImageIndex, 2);
    EXPECT_FALSE(C.Enabled);
    EXPECT_FALSE(C.Visible);
    EXPECT_EQ(C.Hint, "first");
    EXPECT_EQ(C.Rect, TRect(0, 0, 0, 0));
    EXPECT_EQ(C.Row, 0);
    Copy[0]->Caption = "Changed";
    EXPECT_EQ(Source[0]->Caption, "One");

    TRzTabColors Colors(nullptr);
    EXPECT_THROW(Copy[0]->Assign(&Colors), EConvertError);
}

TEST(TabShapes, PolygonsOfEachStyle)
{
    const TRect R(10, 0, 90, 20); // height 20
    struct Case {
        TRzTabStyle Style;
        bool Soft;
        const char* Points;
    };
    const Case Cases[] = {
        {tsDoubleSlant, false, "(10,20)(30,0)(70,0)(90,20)"},
        {tsDoubleSlant, true, "(10,20)(28,2)(34,0)(66,0)(72,2)(90,20)"},
        {tsSingleSlant, false, "(10,20)(10,2)(12,0)(70,0)(90,20)"},
        {tsSingleSlant, true, "(10,20)(10,2)(12,0)(66,0)(72,2)(90,20)"},
        {tsCutCorner, false, "(10,20)(10,0)(84,0)(90,6)(90,20)"},
        {tsRoundCorners, false, "(10,20)(10,2)(12,0)(88,0)(90,2)(90,20)"},
        {tsBackSlant, false, "(10,20)(30,0)(88,0)(90,2)(90,20)"},
        {tsBackSlant, true, "(10,20)(28,2)(34,0)(88,0)(90,2)(90,20)"},
        {tsSquareCorners, true, "(10,20)(10,0)(90,0)(90,20)"},
    };
    for (const auto& C : Cases) {
        const auto Points = TabShapePoints(C.Style, C.Soft, R, 6);
        EXPECT_EQ(PointsText(Points), C.Points) << int(C.Style) << " soft " << C.Soft;
        EXPECT_EQ(static_cast<int>(Points.size()), TabShapePointCount(C.Style, C.Soft));
    }
    EXPECT_EQ(TabStyleOverlap(tsSingleSlant, 21, -1), 10);
    EXPECT_EQ(TabStyleOverlap(tsDoubleSlant, 21, -1), 21);
    EXPECT_EQ(TabStyleOverlap(tsCutCorner, 21, 3), 3);
    EXPECT_EQ(TabStyleOverlap(tsSquareCorners, 21, 3), 4);
}

TEST(TabShapes, MappingForEveryOrientationAndSequence)
{
    const TRect A(10, 20, 110, 60);
    struct Case {
        TRzTabOrientation Orientation;
        TRzTabSequence Sequence;
        TPoint Expected;
    };
    // Layout point (7, 3) with scroll offset 2.
    const Case Cases[] = {
        {toTop, tsStandard, TPoint(15, 23)},    {toTop, tsReverse, TPoint(115, 23)},
        {toLeft, tsStandard, TPoint(13, 55)},   {toLeft, tsReverse, TPoint(13, 15)},
        {toBottom, tsStandard, TPoint(15, 57)}, {toBottom, tsReverse, TPoint(115, 57)},
        {toRight, tsStandard, TPoint(107, 25)}, {toRight, tsReverse, TPoint(107, 65)},
    };
    for (const auto& C : Cases) {
        const TPoint P = MapTabPoint(C.Orientation, C.Sequence, A, 2, 7, 3);
        EXPECT_EQ(P.x, C.Expected.x) << int(C.Orientation) << "/" << int(C.Sequence);
        EXPECT_EQ(P.y, C.Expected.y) << int(C.Orientation) << "/" << int(C.Sequence);
    }
    // Left tabs: the tab that begins at x 0 sits at the bottom of the area,
    // or at its top when the sequence is reversed.
    const TRect Std = MapTabRect(toLeft, tsStandard, A, 0, TRect(0, 0, 30, 20));
    EXPECT_EQ(Std, TRect(10, 30, 30, 60));
    const TRect Rev = MapTabRect(toLeft, tsReverse, A, 30, TRect(0, 0, 30, 20));
    EXPECT_EQ(Rev, TRect(10, 20, 30, 50));
}

TEST(TabRegionCache, RecencyCapacityAndHandleOwnership)
{
    const TRect R1(0, 0, 10, 10), R2(5, 5, 20, 20), R3(1, 1, 2, 2);
    {
        TRzTabRegionCache Cache; // capacity 1
        HRGN First = RectRegion(), Second = RectRegion();
        Cache.Add(R1, First);
        Cache.Add(R2, Second);
        EXPECT_EQ(Cache.FindRegion(R1), nullptr);
        EXPECT_EQ(Cache.FindRegion(R2), Second);
        EXPECT_FALSE(RegionAlive(First)); // dropped from the cache, deleted
        EXPECT_EQ(Cache.Count(), 1);
    }
    {
        TRzTabRegionCache Cache;
        Cache.SetCapacity(-1);
        std::vector<HRGN> All;
        for (int I = 0; I < 5; ++I) {
            All.push_back(RectRegion());
            Cache.Add(TRect(I, 0, I + 1, 1), All.back());
        }
        EXPECT_EQ(Cache.Count(), 5);
        Cache.SetCapacity(2); // the least recently used go
        EXPECT_EQ(Cache.Count(), 2);
        EXPECT_EQ(Cache.FindRegion(TRect(4, 0, 5, 1)), All[4]);
        EXPECT_EQ(Cache.FindRegion(TRect(0, 0, 1, 1)), nullptr);
        EXPECT_FALSE(RegionAlive(All[0]));
        Cache.Clear();
        EXPECT_FALSE(RegionAlive(All[4]));
    }
    {
        // Adding under a key already held keeps the held region, moves it to
        // the front and deletes the handle that is not kept.
        TRzTabRegionCache Cache;
        Cache.SetCapacity(2);
        HRGN Kept = RectRegion(), Other = RectRegion(), Duplicate = RectRegion();
        Cache.Add(R1, Kept);
        Cache.Add(R2, Other);
        Cache.Add(R1, Duplicate);
        EXPECT_EQ(Cache.FindRegion(R1), Kept);
        EXPECT_FALSE(RegionAlive(Duplicate));
        Cache.Add(R3, RectRegion()); // R2 is now the oldest
        EXPECT_EQ(Cache.FindRegion(R1), Kept);
        EXPECT_EQ(Cache.FindRegion(R2), nullptr);
    }
    TRzTabRegionCache Cache;
    for (int Bad : {0, -2}) {
        try {
            Cache.SetCapacity(Bad);
            ADD_FAILURE() << Bad;
        } catch (const ERzTabControlError& E) {
            EXPECT_EQ(E.Message(), "Capacity must be -1 (to cache all regions) or > 0");
        }
    }
    EXPECT_EQ(Cache.Capacity(), 1);
}

TEST(TabShadow, RunsBlendBlackOverTheBackground)
{
    TTestSurface Back(10, 10, clWhite), Out(10, 10, clWhite);
    DrawShadowRun(Out.DC(), Back.DC(), TPoint(2, 3), TPoint(7, 3), 30);
    DrawShadowRun(Out.DC(), Back.DC(), TPoint(8, 8), TPoint(8, 1), 15);
    const TColor Dark = static_cast<TColor>(RGB(225, 225, 225));
    const TColor Light = static_cast<TColor>(RGB(240, 240, 240));
    for (int X = 2; X <= 7; ++X)
        EXPECT_EQ(Out.Px(X, 3), Dark) << X;
    for (int Y = 1; Y <= 8; ++Y)
        EXPECT_EQ(Out.Px(8, Y), Light) << Y;
    EXPECT_EQ(Out.Px(1, 3), Rgb(clWhite));
    EXPECT_EQ(Out.Px(8, 0), Rgb(clWhite));
    EXPECT_EQ(Out.Px(8, 9), Rgb(clWhite));
    // Runs as long as a stored font makes them, ending at the largest int:
    // each pixel inside the clip box is blended, and only those.
    TTestSurface Clipped(10, 10, clWhite);
    IntersectClipRect(Clipped.DC(), 1, 2, 9, 8);
    DrawShadowRun(Clipped.DC(), Back.DC(), TPoint(INT_MIN, 4), TPoint(INT_MAX, 4), 30);
    DrawShadowRun(Clipped.DC(), Back.DC(), TPoint(6, INT_MAX), TPoint(6, -5), 30);
    DrawShadowRun(Clipped.DC(), Back.DC(), TPoint(0, 8), TPoint(INT_MAX, 8), 30);
    // Runs on the clip box's first row and first column are inside it.
    DrawShadowRun(Clipped.DC(), Back.DC(), TPoint(0, 2), TPoint(3, 2), 30);
    DrawShadowRun(Clipped.DC(), Back.DC(), TPoint(1, 5), TPoint(1, 6), 30);
    for (int X = 1; X <= 8; ++X)
        EXPECT_EQ(Clipped.Px(X, 4), Dark) << X;
    for (int Y = 2; Y <= 7; ++Y)
        EXPECT_EQ(Clipped.Px(6, Y), Dark) << Y;
    EXPECT_EQ(Clipped.Px(1, 2), Dark);
    EXPECT_EQ(Clipped.Px(1, 6), Dark);
    EXPECT_EQ(Clipped.CountNot(clWhite, 0, 0, 10, 10), 8 + 6 - 1 + 3 + 2);
}

TEST(TabSettings, SettersKeepTheirRules)
{
    auto C = NewTabStrip({"A"});
    C->SetCutCornerSize(-3);
    EXPECT_EQ(C->CutCornerSize(), 6);
    C->SetShowFullFrame(false);
    EXPECT_FALSE(C->ShowShadow());
    C->SetShowShadow(true);
    EXPECT_TRUE(C->ShowFullFrame());
    C->SetImageMargin(-1);
    EXPECT_EQ(C->ImageMargin(), 2);
    C->SetRegionCacheCapacity(0); // ignored by the control
    EXPECT_EQ(C->RegionCacheCapacity(), 1);
    C->SetRegionCacheCapacity(-1);
    EXPECT_EQ(C->RegionCacheCapacity(), -1);
    TRzTabColors Colors(nullptr);
    Colors.SetHighlightBar(clRed);
    Colors.SetShadow(clGreen);
    C->SetTabColors(&Colors);
    EXPECT_EQ(C->TabColors()->HighlightBar(), clRed);
    EXPECT_EQ(C->TabColors()->Shadow(), clGreen);
    EXPECT_EQ(C->TabColors()->Unselected(), clWindow);
}

TEST(TabLayout, SingleRowPlacementAndScrollNeed)
{
    auto C = NewTabStrip({"One", "Two", "Three"});
    C->SetTabStyle(tsDoubleSlant);
    const int Depth = C->FixedDimension();
    ASSERT_GT(Depth, 10);
    const int O = Depth; // double slant overlap
    for (int I = 0; I < 3; ++I) {
        const TRect R = (*C->Tabs())[I]->Rect;
        EXPECT_EQ(R.top, 0);
        EXPECT_EQ(R.bottom, Depth);
        if (I > 0) {
            EXPECT_EQ(R.left, (*C->Tabs())[I - 1]->Rect.right - O + 1);
        }
    }
    EXPECT_EQ((*C->Tabs())[0]->Rect.left, 0);
    EXPECT_FALSE(C->ScrollNeeded());
    EXPECT_EQ(C->CardRect(), TRect(1, Depth + 1, 297, 97)); // frame and top-tab shadow

    // Five long tabs do not fit: the strip scrolls; widening brings them in.
    auto Wide = NewTabStrip({"Alpha tab", "Beta tab", "Gamma tab", "Delta tab", "Epsilon tab"});
    Wide->SetWidth(150);
    EXPECT_TRUE(Wide->ScrollNeeded());
    Wide->ScrollTabs(true);
    EXPECT_EQ(Wide->FirstShownTab(), 1);
    Wide->SetWidth(2000);
    EXPECT_FALSE(Wide->ScrollNeeded());
    EXPECT_EQ(Wide->FirstShownTab(), 0);

    // A fixed width replaces every tab's length; the margin moves the first.
    C->SetTabWidth(50);
    C->SetMargin(4);
    EXPECT_EQ((*C->Tabs())[0]->Rect, TRect(4, 0, 54, Depth));
}

TEST(TabLayout, MultiRowRowsAlignAndRotation)
{
    auto C = NewTabStrip({"First", "Second", "Third", "Fourth", "Fifth", "Sixth"});
    C->SetTabStyle(tsSquareCorners);
    C->SetTabOverlap(-1); // square corners overlap by 0
    C->SetTabWidth(90);
    C->SetMultiLine(true);
    C->SetWidth(300);
    // 300 - 1 wide, less one indent per extra row: three tabs of 90 per row.
    EXPECT_EQ(C->RowCount(), 2);
    for (int I = 0; I < 6; ++I)
        EXPECT_EQ((*C->Tabs())[I]->Row, I / 3) << I;
    const int Depth = C->FixedDimension();
    EXPECT_EQ((*C->Tabs())[3]->Rect.bottom, (*C->Tabs())[0]->Rect.bottom - (Depth - 5));

    // Selecting a back-row tab brings its row next to the card.
    C->SetTabIndex(4);
    EXPECT_EQ((*C->Tabs())[4]->Row, 0);
    EXPECT_EQ((*C->Tabs())[0]->Row, 1);

    // AlignTabs (with no fixed width) widens each row to the full length.
    C->SetTabWidth(0);
    C->SetAlignTabs(true);
    const int Rows = C->RowCount();
    // The strip stops 2 short of the right edge for the top-tab shadow.
    const int Available = (300 - 3) - (Rows - 1) * 5 - 4;
    for (int Row = 0; Row < Rows; ++Row) {
        int First = -1, Last = -1;
        for (int I = 0; I < 6; ++I)
            if ((*C->Tabs())[I]->Row == Row) {
                if (First < 0)
                    First = I;
                Last = I;
            }
        ASSERT_GE(First, 0);
        EXPECT_EQ((*C->Tabs())[Last]->Rect.right - (*C->Tabs())[First]->Rect.left, Available) << Row;
    }
}

TEST(TabLayout, BoldSelectionKeepsWidthsAndTwoLineCaptionsGrow)
{
    auto C = NewTabStrip({"Some", "Other"});
    C->SetBoldCurrentTab(true);
    C->SetTabIndex(0);
    const TRect Before = (*C->Tabs())[1]->Rect;
    C->SetTabIndex(1);
    EXPECT_EQ((*C->Tabs())[1]->Rect, Before);

    auto One = NewTabStrip({"Word"});
    auto Two = NewTabStrip({"Word\r\nWord"});
    EXPECT_GT(Two->FixedDimension(), One->FixedDimension());
}

TEST(TabLayout, SideTabsNarrowerThanTheRowStillHoldBothSlants)
{
    // "In" is narrower than "Outgoing", which sets the row's depth; the
    // slants run across the whole row, so "In" must be long enough for two.
    for (TRzTabOrientation O : {toLeft, toRight})
        for (TRzTabStyle S : {tsDoubleSlant, tsSingleSlant, tsBackSlant}) {
            SCOPED_TRACE(std::to_string(O) + "/" + std::to_string(S));
            auto C = NewTabStrip({"In", "Outgoing"}, 200, 300);
            C->SetTabOrientation(O);
            C->SetTabStyle(S);
            const int Depth = C->FixedDimension();
            const int Slants = S == tsDoubleSlant ? 2 * Depth : TabStyleOverlap(S, Depth, -1) * 2;
            EXPECT_GE(C->TabDeviceRect(0).Height(), Slants);
        }
}
