// The tabbed list box: cells by column and row, tab stops computed from the
// items and taken from headers, rows painted on their stops (a synthetic
// WM_DRAWITEM into a DIB), and the item hints of the list boxes.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "classlib/ComCtrls.h"
#include "classlib/ExtCtrls.h"
#include "controls/RzLstBox.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

struct TTabbedFixture {
    std::unique_ptr<TForm, TObjectFree> Form = NewTestForm(400, 300);
    TRzTabbedListBox* List = nullptr;
    explicit TTabbedFixture(std::vector<std::string> Texts)
    {
        List = new TRzTabbedListBox(Form.get());
        List->SetParent(Form.get());
        List->SetBounds(10, 10, 300, 150);
        for (const auto& T : Texts)
            List->Items()->Add(T);
        List->HandleNeeded();
    }
    // Draws row Index as the window would, into Img.
    void Draw(int Index, TTestSurface& Img)
    {
        DRAWITEMSTRUCT D{};
        D.CtlType = ODT_LISTBOX;
        D.itemID = static_cast<UINT>(Index);
        D.itemAction = ODA_DRAWENTIRE;
        D.hwndItem = List->Handle();
        D.hDC = Img.DC();
        D.rcItem = RECT{0, 0, Img.Width(), Img.Height()};
        SendMessageA(Form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&D));
        GdiFlush();
    }
};

int PixelWidth(const TFont* Font, const std::string& Text)
{
    HDC DC = GetDC(nullptr);
    const HGDIOBJ Old = SelectObject(DC, Font->Handle());
    SIZE S{};
    GetTextExtentPoint32A(DC, Text.c_str(), static_cast<int>(Text.size()), &S);
    SelectObject(DC, Old);
    ReleaseDC(nullptr, DC);
    return static_cast<int>(S.cx);
}

std::vector<int> StopsOf(const TRzTabStopList* L)
{
    return L->Integers();
}

} // namespace

TEST(RzTabbedCells, ReadAndWriteByColumnWithRangeErrors)
{
    struct Case {
        std::string Row;
        int Column;
        std::string Cell;   // empty with Throws
        bool Throws;
    };
    const Case Cases[] = {
        {"a\tbb\tccc", 0, "a", false},   {"a\tbb\tccc", 1, "bb", false}, {"a\tbb\tccc", 2, "ccc", false},
        {"a\t", 1, "", false},           {"one\ttwo", 2, "", true},      {"plain", -1, "", true},
        {"plain", 0, "plain", false},
    };
    for (const auto& C : Cases) {
        if (C.Throws) {
            EXPECT_THROW(TabbedCell(C.Row, C.Column), EListError) << C.Row << " " << C.Column;
            EXPECT_THROW(WithTabbedCell(C.Row, C.Column, "x"), EListError);
        } else {
            EXPECT_EQ(TabbedCell(C.Row, C.Column), C.Cell) << C.Row << " " << C.Column;
        }
    }
    EXPECT_EQ(WithTabbedCell("a\tbb\tccc", 1, "NEW"), "a\tNEW\tccc");
    EXPECT_EQ(WithTabbedCell("a\tbb", 1, ""), "a\t");

    TTabbedFixture F({"one\ttwo", "three\tfour"});
    EXPECT_EQ(F.List->GetCell(1, 1), "four");
    try {
        F.List->GetCell(2, 0);
        ADD_FAILURE() << "no error";
    } catch (const EListError& E) {
        EXPECT_STREQ(E.what(), "Column parameter out of range");
    }
    try {
        F.List->GetCell(0, 2);
        ADD_FAILURE() << "no error";
    } catch (const EListError& E) {
        EXPECT_STREQ(E.what(), "Row parameter out of range");
    }
    F.List->SetCell(0, 1, "3");
    EXPECT_EQ(F.List->Items()->Get(1), "3\tfour");
    EXPECT_THROW(F.List->SetCell(5, 0, "x"), EListError);
    EXPECT_EQ(F.List->Items()->Get(0), "one\ttwo");
}

TEST(RzTabbedStops, AutomaticStopsFollowTheWidestCellOfEachColumn)
{
    TTabbedFixture F({"Alpha\tx", "Much wider text\ty"});
    const int Cw = F.List->CharWidth();
    // By name, as a stored form sets it.
    ASSERT_TRUE(SetOrdProp(F.List, "TabStopsMode", tsmAutomatic));
    const int Widest = PixelWidth(F.List->Font(), "Much wider text");
    EXPECT_EQ(StopsOf(F.List->TabStops()), std::vector<int>({Widest / Cw + 4}));
    EXPECT_EQ(F.List->GetTabStops(), std::vector<int>({(Widest / Cw + 4) * 4}));

    // A third column adds a stop past the first; the group row counts in
    // the bold group font, without its prefix.
    F.List->Items()->Add("//Group heading that is long\tz\tq");
    const int GroupW = PixelWidth(F.List->GroupFont(), "Group heading that is long");
    const int First = std::max(Widest, GroupW) / Cw + 4;
    const int Second = PixelWidth(F.List->GroupFont(), "z") / Cw + First + 4;
    EXPECT_EQ(StopsOf(F.List->TabStops()), std::vector<int>({First, Second}));

    // Deleting the rows recomputes: an empty list has no stops.
    F.List->Items()->Clear();
    EXPECT_EQ(F.List->TabStops()->Count(), 0);

    // By hand, the stops stay as set.
    F.List->SetTabStopsMode(tsmManual);
    F.List->Items()->Add("a\tb");
    EXPECT_EQ(F.List->TabStops()->Count(), 0);
}

TEST(RzTabbedStops, StopsFromAHeaderOrAHeaderControl)
{
    TTabbedFixture F({"a\tb\tc"});
    const int Cw = F.List->CharWidth();
    auto Set = [&](std::vector<int> V) {
        TRzTabStopList L;
        for (int X : V)
            L.Add(X);
        F.List->SetTabStops(&L);
    };

    auto* HC = new THeaderControl(F.Form.get());
    HC->SetBounds(0, 0, 300, 17);
    for (int W : {100, 60, 90})
        HC->Sections()->Add()->SetWidth(W);
    Set({0, -1, -1});
    F.List->UpdateFromHeader(HC);
    // Left stops sit on a section's right edge; a right-hand stop on the
    // next section's right edge, the last one on the control's.
    EXPECT_EQ(StopsOf(F.List->TabStops()),
              std::vector<int>({100 / Cw + 1, 1 - (160 + 90) / Cw, 1 - 300 / Cw}));

    auto* H = new THeader(F.Form.get());
    for (const char* S : {"one", "two", "three"})
        H->Sections()->Add(S);
    H->SetSectionWidth(0, 120);
    H->SetSectionWidth(1, 40);
    H->SetSectionWidth(2, 200);
    Set({0, -1, 7});
    F.List->UpdateFromHeader(H);
    // A THeader's last section gives no stop: the third stays.
    EXPECT_EQ(StopsOf(F.List->TabStops()), std::vector<int>({120 / Cw + 1, 1 - (160 + 200) / Cw, 7}));

    Set({3});
    try {
        F.List->UpdateFromHeader(F.List);
        ADD_FAILURE() << "no error";
    } catch (const EHeaderError& E) {
        EXPECT_STREQ(E.what(), "Only THeader and THeaderControl components can be passed to "
                               "TRzCustomTabbedListBox.UpdateFromHeader");
    }
    EXPECT_EQ(StopsOf(F.List->TabStops()), std::vector<int>({3}));
}

TEST(RzTabbedDraw, CellsArePaintedOnTheirStops)
{
    TClassicLook Classic;
    TTabbedFixture F({"//G\tH", "A\tB"});
    F.List->SetShowGroups(true);
    F.List->SetUseGradients(false);
    F.List->SetGroupColor(clYellow);
    const int Cw = F.List->CharWidth();
    F.List->TabStops()->Add(20);
    const int W = 300, H = 18;
    const int Col2 = 2 + 20 * Cw;
    TTestSurface Item(W, H), Group(W, H);
    F.Draw(1, Item);
    F.Draw(0, Group);
    const TColor Back = F.List->Color();
    // "A" at the left margin, "B" from the stop on, nothing between.
    EXPECT_GT(Item.CountNot(Back, 0, 0, 2 + 2 * Cw, H), 0);
    EXPECT_EQ(Item.CountNot(Back, 2 + 2 * Cw, 0, Col2 - 1, H), 0);
    EXPECT_GT(Item.CountNot(Back, Col2, 0, Col2 + 2 * Cw, H), 0);
    EXPECT_EQ(Item.CountNot(Back, Col2 + 3 * Cw, 0, W, H), 0);
    // The group row: the yellow fill, "G" without its prefix, "H" on the stop.
    EXPECT_EQ(Group.Px(W - 2, 1), Rgb(clYellow));
    EXPECT_GT(Group.CountNot(clYellow, 0, 0, 2 + 2 * Cw, H), 0);
    EXPECT_EQ(Group.CountNot(clYellow, 2 + 3 * Cw, 0, Col2 - 1, H), 0);
    EXPECT_GT(Group.CountNot(clYellow, Col2, 0, Col2 + 2 * Cw, H), 0);

    // Moving the stop by hand repaints on the new place.
    F.List->TabStops()->Put(0, 30);
    TTestSurface Moved(W, H);
    F.Draw(1, Moved);
    EXPECT_EQ(Moved.CountNot(Back, 2 + 2 * Cw, 0, 2 + 30 * Cw - 1, H), 0);
    EXPECT_GT(Moved.CountNot(Back, 2 + 30 * Cw, 0, 2 + 32 * Cw, H), 0);
}

TEST(RzListHints, AWideItemShowsItsWholeTextAShortOneNone)
{
    auto Form = NewTestForm(400, 300);
    auto L = new TRzListBox(Form.get());
    L->SetParent(Form.get());
    L->SetBounds(10, 10, 120, 150);
    const std::string Wide = "A text far wider than the list\tis";
    L->Items()->Add("short");
    L->Items()->Add(Wide);
    Form->Show();
    SetActiveWindow(Form->Handle());
    const TRect R0 = L->ItemRect(0), R1 = L->ItemRect(1);
    SendMessageA(L->Handle(), WM_MOUSEMOVE, 0, At(5, R0.top + 2));
    EXPECT_TRUE(L->ItemHintWindow() == nullptr || !L->ItemHintWindow()->Active());

    SendMessageA(L->Handle(), WM_MOUSEMOVE, 0, At(5, R1.top + 2));
    ASSERT_NE(L->ItemHintWindow(), nullptr);
    EXPECT_TRUE(L->ItemHintWindow()->Active());
    EXPECT_TRUE(IsWindowVisible(L->ItemHintWindow()->Handle()));
    EXPECT_EQ(L->ItemHintWindow()->HintText(), "A text far wider than the list        is");
    RECT W{};
    GetWindowRect(L->ItemHintWindow()->Handle(), &W);
    const TPoint Item = L->ClientToScreen(TPoint(R1.left, R1.top));
    EXPECT_EQ(W.left, Item.x - 1);
    EXPECT_GT(W.right - W.left, L->ClientWidth());

    // Back over the short item, and out of the list: hidden.
    SendMessageA(L->Handle(), WM_MOUSEMOVE, 0, At(5, R0.top + 2));
    EXPECT_FALSE(L->ItemHintWindow()->Active());
    SendMessageA(L->Handle(), WM_MOUSEMOVE, 0, At(5, R1.top + 2));
    EXPECT_TRUE(L->ItemHintWindow()->Active());
    L->Perform(CM_MOUSELEAVE, 0, 0);
    EXPECT_FALSE(L->ItemHintWindow()->Active());

    // Off, or a tabbed list (off by default): no hint for the wide item.
    L->SetShowItemHints(false);
    SendMessageA(L->Handle(), WM_MOUSEMOVE, 0, At(5, R1.top + 2));
    EXPECT_FALSE(L->ItemHintWindow()->Active());
    auto T = new TRzTabbedListBox(Form.get());
    T->SetParent(Form.get());
    T->SetBounds(150, 10, 120, 150);
    T->Items()->Add(Wide);
    EXPECT_FALSE(T->ShowItemHints());
    SendMessageA(T->Handle(), WM_MOUSEMOVE, 0, At(5, T->ItemRect(0).top + 2));
    EXPECT_EQ(T->ItemHintWindow(), nullptr);
}
