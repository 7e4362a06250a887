// The check group: column arrangement, the look pushed to the items, the
// (index, state) reports, read-only use, and the stored check states.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "controls/RzRadGrp.h"
#include "testkit/Watchdog.h"
#include "tests/controls/RzFormKit.h"

namespace {

using TOwnedGroup = std::unique_ptr<TRzCheckGroup, TObjectFree>;

TOwnedGroup MakeGroup(TWinControl* Parent, int Items, TComponent* Owner = nullptr)
{
    TOwnedGroup G(new TRzCheckGroup(Owner));
    if (Parent)
        G->SetParent(Parent);
    G->SetBounds(0, 0, 300, 150);
    G->SetCaption("Options");
    TStringList L;
    for (int I = 0; I < Items; ++I)
        L.Add("Item " + std::to_string(I));
    G->SetItems(&L);
    return G;
}

struct TPlace {
    int Left, Top;
};

std::vector<TPlace> Places(TRzCheckGroup* G)
{
    std::vector<TPlace> P;
    for (int I = 0; I < G->ItemCount(); ++I)
        P.push_back({G->GetCheckBox(I)->Left(), G->GetCheckBox(I)->Top()});
    return P;
}

} // namespace

TEST(RzCheckGroup, FiveItemsInTwoColumns)
{
    auto G = MakeGroup(nullptr, 5);
    G->SetColumns(2);
    const auto P = Places(G.get());
    const int Y0 = G->ClientRect().top + G->StartYPos();
    const int Step = G->ItemHeight() + G->VerticalSpacing();
    // Three rows: items 0-2 in the first column, 3-4 in the second.
    for (int I = 0; I < 5; ++I) {
        SCOPED_TRACE(I);
        EXPECT_EQ(P[static_cast<size_t>(I)].Top, Y0 + (I % 3) * Step);
    }
    EXPECT_EQ(P[0].Left, P[1].Left);
    EXPECT_EQ(P[0].Left, P[2].Left);
    EXPECT_EQ(P[3].Left, P[4].Left);
    EXPECT_EQ(P[0].Left, G->BorderWidth() + G->StartXPos());
    // The first column is as wide as its widest caption with the glyph.
    const int W0 = MeasureText(G->ItemFont(), "Item 0", TRect(), DT_EXPANDTABS | DT_NOPREFIX | DT_SINGLELINE).Width();
    EXPECT_EQ(P[3].Left - P[0].Left, W0 + 13 + 12);
    EXPECT_EQ(G->GetCheckBox(0)->Height(), G->ItemHeight());

    // Evenly spaced columns split the width.
    G->SetSpaceEvenly(true);
    const int Even = (300 - G->StartXPos() - 2 * G->BorderWidth() - 10) / 2;
    EXPECT_EQ(G->GetCheckBox(3)->Left() - G->GetCheckBox(0)->Left(), Even);
    EXPECT_EQ(G->GetCheckBox(0)->Width(), Even);
}

TEST(RzCheckGroup, HiddenItemClosesTheGapAndColumnsAreClamped)
{
    auto G = MakeGroup(nullptr, 4);
    const auto Before = Places(G.get());
    G->GetCheckBox(1)->SetVisible(false);
    G->ArrangeItems();
    EXPECT_EQ(G->GetCheckBox(2)->Top(), Before[1].Top);
    EXPECT_EQ(G->GetCheckBox(3)->Top(), Before[2].Top);

    const struct { int Set, Want; } Cases[] = {{0, 1}, {-3, 1}, {1, 1}, {16, 16}, {20, 16}, {7, 7}};
    for (const auto& C : Cases) {
        G->SetColumns(C.Set);
        EXPECT_EQ(G->Columns(), C.Want) << C.Set;
    }
    EXPECT_THROW(G->GetCheckBox(4), EListError);
}

TEST(RzCheckGroup, ItemsTakeTheGroupsLookAndReportIndexAndState)
{
    auto G = MakeGroup(nullptr, 3);
    G->SetItemHotTrack(true);
    G->SetItemFrameColor(clNavy);
    G->SetAllowGrayed(true);
    G->SetTextStyle(tsRaised);
    for (int I = 0; I < 3; ++I) {
        TRzGroupCheck* C = G->GetCheckBox(I);
        EXPECT_TRUE(C->HotTrack());
        EXPECT_EQ(C->FrameColor(), clNavy);
        EXPECT_TRUE(C->AllowGrayed());
        EXPECT_EQ(C->TextStyle(), tsRaised);
        EXPECT_EQ(C->Caption(), "Item " + std::to_string(I));
        EXPECT_EQ(C->AlignmentVertical(), avCenter);
    }
    std::vector<std::pair<int, TCheckBoxState>> Log;
    G->OnChange = [&](TObject* Sender, int Index, TCheckBoxState S) {
        EXPECT_EQ(Sender, G.get());
        Log.push_back({Index, S});
    };
    G->SetItemChecked(2, true);
    G->SetItemState(0, cbGrayed);
    EXPECT_TRUE(G->GetItemChecked(2));
    EXPECT_EQ(G->GetItemState(0), cbGrayed);
    EXPECT_EQ(Log, (std::vector<std::pair<int, TCheckBoxState>>{{2, cbChecked}, {0, cbGrayed}}));

    G->SetEnabled(false);
    EXPECT_FALSE(G->GetItemEnabled(1));
    G->SetEnabled(true);
    G->SetItemEnabled(1, false);
    EXPECT_FALSE(G->GetItemEnabled(1));

    // Fewer strings free the last items.
    TStringList Two;
    Two.Add("a");
    Two.Add("b");
    G->SetItems(&Two);
    EXPECT_EQ(G->ItemCount(), 2);
    EXPECT_EQ(G->GetCheckBox(1)->Caption(), "b");
}

TEST(RzCheckGroup, ReadOnlyGroupIgnoresTheUserButNotTheCode)
{
    auto F = NewTestForm(320, 160);
    auto G = MakeGroup(F.get(), 3);
    G->SetReadOnly(true);
    int Changes = 0;
    G->OnChange = [&](TObject*, int, TCheckBoxState) { ++Changes; };
    F->Show();
    HWND W = G->GetCheckBox(1)->Handle();
    Press(W, 4, 4);
    Release(W, 4, 4);
    Key(W, VK_SPACE, true);
    Key(W, VK_SPACE, false);
    SendMessageA(W, WM_CHAR, ' ', 1);
    SendMessageA(W, WM_CHAR, '\b', 1);
    EXPECT_FALSE(G->GetItemChecked(1));
    EXPECT_EQ(Changes, 0);
    G->SetItemChecked(1, true);
    EXPECT_TRUE(G->GetItemChecked(1));
    EXPECT_EQ(Changes, 1);

    G->SetReadOnly(false);
    Press(W, 4, 4);
    Release(W, 4, 4);
    EXPECT_FALSE(G->GetItemChecked(1));
    EXPECT_EQ(Changes, 2);
}

// A form freed through its owning pointer from the change handler of its
// group on a panel in a panel goes once the click is done.
TEST(RzCheckGroup, AFormFreedFromTheChangeHandlerGoesAfterTheClick)
{
    TWatchdog Bound("a form freed from its check group's change", 20000);
    const int Forms = Screen->FormCount();
    auto F = NewTestForm(320, 160);
    TWinControl* Parent = F.get();
    for (int I = 0; I < 2; ++I) {
        auto Panel = new TRzPanel(F.get());
        Panel->SetParent(Parent);
        Parent = Panel;
    }
    TRzCheckGroup* G = MakeGroup(Parent, 3, F.get()).release();
    G->OnChange = [&](TObject*, int, TCheckBoxState) { F.reset(); };
    F->Show();
    HWND Check = G->GetCheckBox(1)->Handle();
    Press(Check, 4, 4);
    Release(Check, 4, 4);
    EXPECT_FALSE(IsWindow(Check));
    EXPECT_EQ(Screen->FormCount(), Forms);
}

TEST(RzCheckGroup, StoredCheckStatesApplyAfterLoadingAndExtraOnesAreSkipped)
{
    TOwnedGroup G(new TRzCheckGroup(nullptr));
    G->BeginLoading();
    TStringList L;
    for (const char* S : {"a", "b", "c"})
        L.Add(S);
    G->SetItems(&L);
    EXPECT_EQ(G->ItemCount(), 0) << "items wait for the end of loading";
    // Two states more than items: a form saved with five items.
    G->ReadCheckStates({0, 0, 1, 2, 1});
    G->EndLoading();
    ASSERT_EQ(G->ItemCount(), 3);
    EXPECT_TRUE(G->GetItemChecked(2));
    EXPECT_FALSE(G->GetItemChecked(0));
    EXPECT_EQ(G->CheckStates(), (std::vector<int>{0, 0, 1}));
    // Loaded again with fewer items: the checks it drops go before their
    // turn to finish loading comes.
    G->BeginLoading();
    L.Delete(2);
    L.Delete(1);
    G->SetItems(&L);
    G->EndLoading();
    ASSERT_EQ(G->ItemCount(), 1);
    EXPECT_FALSE(G->GetCheckBox(0)->HasState(csLoading));

    TOwnedGroup Empty(new TRzCheckGroup(nullptr));
    EXPECT_TRUE(Empty->CheckStates().empty()) << "nothing written without items";
}

TEST(RzCheckGroup, ItemFontFollowsTheGroupUntilSetAndSetsTheItemHeight)
{
    auto G = MakeGroup(nullptr, 2);
    EXPECT_EQ(G->ItemHeight(), 17);
    G->Font()->SetHeight(-20);
    EXPECT_EQ(G->ItemFont()->Height(), -20);
    EXPECT_FALSE(G->ItemFontCustom());
    EXPECT_EQ(G->ItemHeight(), GetFontLineHeight(G->ItemFont()));
    TFont Own;
    Own.SetHeight(-9);
    G->SetItemFont(&Own);
    EXPECT_TRUE(G->ItemFontCustom());
    G->Font()->SetHeight(-30);
    EXPECT_EQ(G->ItemFont()->Height(), -9);
    EXPECT_EQ(G->GetCheckBox(0)->Font()->Height(), -9);

    const int H = G->ItemHeight();
    G->ChangeScale(2, 1);
    EXPECT_EQ(G->ItemHeight(), 2 * H);
    EXPECT_EQ(G->StartXPos(), 16);
    EXPECT_EQ(G->VerticalSpacing(), 6);
}
