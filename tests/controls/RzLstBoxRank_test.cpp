// The rank list box: items reordered by Shift-drag (moving along, or once
// on release) and by Shift with the arrows, Home and End, OnMoveItem per
// move, and the ways a move ends besides a release (a lost capture, focus
// loss, a move with the button up) that free the pointer again.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "controls/RzLstBox.h"
#include "tests/controls/RzFormKit.h"

namespace {

struct TRankFixture {
    std::unique_ptr<TForm, TObjectFree> Form = NewTestForm(400, 300);
    TRzRankListBox* List = nullptr;
    TEdit* Other = nullptr;
    std::vector<std::pair<int, int>> Moves;
    TRankFixture()
    {
        List = new TRzRankListBox(Form.get());
        List->SetParent(Form.get());
        List->SetBounds(10, 10, 120, 150);
        for (const char* T : {"A", "B", "C", "D", "E"})
            List->Items()->Add(T);
        List->OnMoveItem = [this](TObject*, int O, int N) { Moves.emplace_back(O, N); };
        Other = new TEdit(Form.get());
        Other->SetParent(Form.get());
        Other->SetBounds(200, 10, 100, 21);
        Form->Show();
        SetActiveWindow(Form->Handle());
        List->SetFocus();
    }
    ~TRankFixture()
    {
        if (GetCapture())
            ReleaseCapture();
    }
    HWND W() { return List->Handle(); }
    int Y(int Index) { return List->ItemRect(Index).top + 2; }
    std::string Order()
    {
        std::string S;
        for (int I = 0; I < List->Items()->Count(); ++I)
            S += List->Items()->Get(I);
        return S;
    }
    void ShiftPress(int Index) { SendMessageA(W(), WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, At(5, Y(Index))); }
    void Drag(int Index) { SendMessageA(W(), WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, At(5, Y(Index))); }
    void Up(int Index) { SendMessageA(W(), WM_LBUTTONUP, MK_SHIFT, At(5, Y(Index))); }
};

} // namespace

TEST(RzRankMove, ShiftDragMovesAlongAndFiresPerStep)
{
    TRankFixture F;
    Screen->SetCursor(crDefault);
    F.ShiftPress(1);
    EXPECT_TRUE(F.List->Moving());
    EXPECT_EQ(Screen->Cursor(), crDrag);
    F.Drag(3);
    EXPECT_EQ(F.Order(), "ACDBE");
    F.Drag(4);
    EXPECT_EQ(F.Order(), "ACDEB");
    F.Drag(4); // the same place: no step
    F.Up(4);
    EXPECT_FALSE(F.List->Moving());
    EXPECT_EQ(Screen->Cursor(), crDefault);
    EXPECT_EQ(F.Moves, (std::vector<std::pair<int, int>>{{1, 3}, {3, 4}}));
    EXPECT_EQ(F.List->ItemIndex(), 4);

    // A plain press (no Shift) selects without moving.
    F.Moves.clear();
    SendMessageA(F.W(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, F.Y(0)));
    EXPECT_FALSE(F.List->Moving());
    SendMessageA(F.W(), WM_MOUSEMOVE, MK_LBUTTON, At(5, F.Y(2)));
    SendMessageA(F.W(), WM_LBUTTONUP, 0, At(5, F.Y(2)));
    EXPECT_EQ(F.Order(), "ACDEB");
    EXPECT_TRUE(F.Moves.empty());

    // Without a modifier any press starts a move; below the last item
    // aims at the last place.
    ASSERT_TRUE(SetOrdProp(F.List, "ModifierKey", mkNone));
    SendMessageA(F.W(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, F.Y(0)));
    EXPECT_TRUE(F.List->Moving());
    SendMessageA(F.W(), WM_MOUSEMOVE, MK_LBUTTON, At(5, 140));
    SendMessageA(F.W(), WM_LBUTTONUP, 0, At(5, 140));
    EXPECT_EQ(F.Order(), "CDEBA");
}

TEST(RzRankMove, WithoutMoveOnDragTheItemMovesOnceOnRelease)
{
    TRankFixture F;
    F.List->SetMoveOnDrag(false);
    F.ShiftPress(0);
    F.Drag(2);
    F.Drag(3);
    EXPECT_EQ(F.Order(), "ABCDE");
    EXPECT_THROW(F.List->SetMoveOnDrag(true), Exception);
    F.Up(3);
    EXPECT_EQ(F.Order(), "BCDAE");
    EXPECT_EQ(F.Moves, (std::vector<std::pair<int, int>>{{0, 3}}));
    EXPECT_FALSE(F.List->MoveOnDrag());
}

TEST(RzRankMove, ShiftWithArrowsHomeAndEnd)
{
    TRankFixture F;
    TKeyHeld Shift(VK_SHIFT);
    struct Step {
        WORD Key;
        const char* Order;
        int Selected;
        bool Moved;
    };
    F.List->SetItemIndex(0);
    const Step Steps[] = {
        {VK_UP, "ABCDE", 0, false},  // the first item cannot go up
        {VK_DOWN, "BACDE", 1, true}, {VK_DOWN, "BCADE", 2, true}, {VK_END, "BCDEA", 4, true},
        {VK_DOWN, "BCDEA", 4, false}, {VK_END, "BCDEA", 4, false}, {VK_UP, "BCDAE", 3, true},
        {VK_HOME, "ABCDE", 0, true},  {VK_HOME, "ABCDE", 0, false},
    };
    for (const auto& S : Steps) {
        const size_t Before = F.Moves.size();
        Key(F.W(), S.Key, true);
        Key(F.W(), S.Key, false);
        EXPECT_EQ(F.Order(), S.Order) << S.Key;
        EXPECT_EQ(F.List->ItemIndex(), S.Selected) << S.Key;
        EXPECT_EQ(F.Moves.size() - Before, S.Moved ? 1u : 0u) << S.Key;
    }
    EXPECT_EQ(F.Moves.size(), 5u);
}

TEST(RzRankMove, WithoutShiftArrowsOnlySelect)
{
    TRankFixture F;
    F.List->SetItemIndex(1);
    Key(F.W(), VK_DOWN, true);
    EXPECT_EQ(F.Order(), "ABCDE");
    EXPECT_EQ(F.List->ItemIndex(), 2);
    EXPECT_TRUE(F.Moves.empty());
}

// A move holds the pointer inside the list. Every way it can end must let
// the pointer go and give the cursor back, or the user can no longer leave
// the list.
TEST(RzRankMove, EveryEndOfAMoveFreesThePointer)
{
    enum class End { Release, LostCapture, FocusLoss, MoveWithButtonUp };
    for (End E : {End::Release, End::LostCapture, End::FocusLoss, End::MoveWithButtonUp}) {
        SCOPED_TRACE(static_cast<int>(E));
        TRankFixture F;
        Screen->SetCursor(crDefault);
        F.ShiftPress(1);
        ASSERT_TRUE(F.List->Moving());
        // While moving, a drag out of the list puts the pointer back into it.
        SetCursorPos(390, 290);
        SendMessageA(F.W(), WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, At(300, 250));
        POINT P{};
        GetCursorPos(&P);
        const TPoint Corner = F.List->ClientToScreen(TPoint(F.List->ClientWidth() - 1, F.List->ClientHeight() - 1));
        EXPECT_EQ(P.x, Corner.x);
        EXPECT_EQ(P.y, Corner.y);

        switch (E) {
        case End::Release:
            SendMessageA(F.W(), WM_LBUTTONUP, 0, At(5, F.Y(4)));
            break;
        case End::LostCapture:
            SetCapture(F.Other->Handle());
            ReleaseCapture();
            break;
        case End::FocusLoss:
            F.Other->SetFocus();
            break;
        case End::MoveWithButtonUp:
            SendMessageA(F.W(), WM_MOUSEMOVE, 0, At(5, F.Y(2)));
            break;
        }
        EXPECT_FALSE(F.List->Moving());
        EXPECT_EQ(Screen->Cursor(), crDefault);
        EXPECT_NE(GetCapture(), F.W());
        // The pointer is free: a later drag message out of the list leaves
        // it where it is, and moves no item.
        const std::string Order = F.Order();
        SetCursorPos(390, 290);
        SendMessageA(F.W(), WM_MOUSEMOVE, MK_LBUTTON | MK_SHIFT, At(300, 250));
        GetCursorPos(&P);
        EXPECT_EQ(P.x, 390);
        EXPECT_EQ(P.y, 290);
        EXPECT_EQ(F.Order(), Order);
    }
}
