// The page control's switching rules and events, and the tab control's
// selection, keyboard walk, clicks, accelerators and hover, under a real
// window driven by messages.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/Hints.h"
#include "controls/RzTabs.h"
#include "tests/controls/RzFormKit.h"
#include "tests/controls/RzTabKit.h"

namespace {

// Counts the page control's three events, optionally refusing changes.
struct TEventLog {
    int Changing = 0, Change = 0, PageChange = 0;
    std::vector<int> Asked;
    int RefuseIndex = -2; // -1 refuses every change
    TRzCustomTabControl* Control = nullptr;

    void Attach(TRzCustomTabControl* C)
    {
        Control = C;
        C->OnChanging = [this](TObject*, int NewIndex, bool& Allow) {
            EXPECT_FALSE(Control->Painting()) << "OnChanging inside WM_PAINT";
            ++Changing;
            Asked.push_back(NewIndex);
            if (RefuseIndex == -1 || RefuseIndex == NewIndex)
                Allow = false;
        };
        C->OnChange = [this](TObject*) {
            EXPECT_FALSE(Control->Painting()) << "OnChange inside WM_PAINT";
            ++Change;
        };
        C->OnPageChange = [this](TObject*) {
            EXPECT_FALSE(Control->Painting()) << "OnPageChange inside WM_PAINT";
            ++PageChange;
        };
    }
    void Reset()
    {
        Changing = Change = PageChange = 0;
        Asked.clear();
    }
};

struct TPages {
    std::unique_ptr<TForm, TObjectFree> Form;
    TRzPageControl* PC = nullptr;
    std::vector<TRzTabSheet*> Pages;
    TEventLog Log;

    explicit TPages(int Count, bool TabsVisible = true) : Form(NewTestForm(400, 300))
    {
        PC = new TRzPageControl(Form.get());
        PC->SetParent(Form.get());
        PC->SetBounds(0, 0, 400, 300);
        for (int I = 0; I < Count; ++I) {
            auto P = new TRzTabSheet(Form.get());
            P->SetCaption("Page " + std::to_string(I));
            P->SetTabVisible(TabsVisible);
            P->SetPageControl(PC);
            Pages.push_back(P);
        }
        Form->Show();
        PC->SetActivePageIndex(0);
        Settle();
        Log.Attach(PC);
    }
    // Runs what the controls posted (no waiting).
    void Settle() { Application->ProcessMessages(); }
    std::vector<bool> Shown() const
    {
        std::vector<bool> V;
        for (auto P : Pages)
            V.push_back(P->Visible());
        return V;
    }
};

void PressAt(HWND W, const TRect& R)
{
    Press(W, (R.left + R.right) / 2, (R.top + R.bottom) / 2 + 2);
    Release(W, (R.left + R.right) / 2, (R.top + R.bottom) / 2 + 2);
}

void SetKeyDown(BYTE VKey, bool Down)
{
    BYTE State[256];
    GetKeyboardState(State);
    State[VKey] = Down ? 0x80 : 0;
    SetKeyboardState(State);
}

} // namespace

TEST(RzPageControl, SwitchingByIndexFiresEachEventOnce)
{
    TPages T(4);
    T.PC->SetActivePageIndex(2);
    EXPECT_EQ(T.Log.Changing, 1);
    EXPECT_EQ(T.Log.Change, 1);
    EXPECT_EQ(T.Log.PageChange, 1);
    EXPECT_EQ(T.PC->ActivePage(), T.Pages[2]);
    EXPECT_EQ(T.PC->TabIndex(), 2);
    EXPECT_EQ(T.Shown(), (std::vector<bool>{false, false, true, false}));

    T.Log.Reset();
    T.PC->SetActivePageIndex(2); // already there
    EXPECT_EQ(T.Log.Changing + T.Log.Change + T.Log.PageChange, 0);

    // Out of range: the page stays, only the strip loses its selection.
    for (int Bad : {4, -1}) {
        T.PC->SetActivePageIndex(2);
        T.Log.Reset();
        T.PC->SetActivePageIndex(Bad);
        EXPECT_EQ(T.PC->TabIndex(), -1) << Bad;
        EXPECT_EQ(T.PC->ActivePage(), T.Pages[2]) << Bad;
        EXPECT_TRUE(T.Pages[2]->Visible()) << Bad;
        EXPECT_EQ(T.Log.Changing + T.Log.Change + T.Log.PageChange, 0) << Bad;
        // A paint and what it may post leave the -1 alone.
        RedrawWindow(T.PC->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
        T.Settle();
        EXPECT_EQ(T.PC->TabIndex(), -1) << Bad;
        EXPECT_EQ(T.Log.Changing + T.Log.Change + T.Log.PageChange, 0) << Bad;
    }
}

TEST(RzPageControl, HiddenTabsSwitchWithOnlyThePageEvent)
{
    TPages T(4, false);
    T.PC->SetActivePageIndex(2);
    EXPECT_EQ(T.Log.Changing, 0);
    EXPECT_EQ(T.Log.Change, 0);
    EXPECT_EQ(T.Log.PageChange, 1);
    EXPECT_EQ(T.PC->TabIndex(), -1);
    EXPECT_EQ(T.PC->ActivePageIndex(), 2);
    EXPECT_EQ(T.Shown(), (std::vector<bool>{false, false, true, false}));
    T.PC->SetActivePageIndex(2);
    EXPECT_EQ(T.Log.PageChange, 2);
    RedrawWindow(T.PC->Handle(), nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
    T.Settle();
    EXPECT_EQ(T.PC->TabIndex(), -1);

    // One hidden tab: it has no tab index, the pages after it count one less.
    TPages U(4);
    U.Pages[1]->SetTabVisible(false);
    EXPECT_EQ(U.Pages[1]->TabIndex(), -1);
    EXPECT_EQ(U.Pages[2]->TabIndex(), 1);
    EXPECT_EQ(U.PC->Tabs()->Count(), 3);
    EXPECT_EQ((*U.PC->Tabs())[1]->Caption, "Page 2");
}

TEST(RzPageControl, RefusingOnChangingKeepsPageAndSelection)
{
    TPages T(4);
    T.PC->SetActivePageIndex(1);
    T.Log.Reset();
    T.Log.RefuseIndex = -1;

    // The wizard's road: by index.
    T.PC->SetActivePageIndex(2);
    EXPECT_EQ(T.Log.Changing, 1);
    EXPECT_EQ(T.Log.Change + T.Log.PageChange, 0);
    EXPECT_EQ(T.PC->ActivePage(), T.Pages[1]);
    EXPECT_EQ(T.PC->TabIndex(), 1);
    // The refused page is not shown over the active one.
    EXPECT_EQ(T.Shown(), (std::vector<bool>{false, true, false, false}));

    // The user's road: a click on another tab.
    T.Log.Reset();
    PressAt(T.PC->Handle(), T.PC->TabDeviceRect(3));
    EXPECT_EQ(T.Log.Asked, std::vector<int>{3});
    EXPECT_EQ(T.Log.Change + T.Log.PageChange, 0);
    EXPECT_EQ(T.PC->ActivePage(), T.Pages[1]);
    EXPECT_EQ(T.Shown(), (std::vector<bool>{false, true, false, false}));

    T.Log.RefuseIndex = -2;
    PressAt(T.PC->Handle(), T.PC->TabDeviceRect(3));
    EXPECT_EQ(T.PC->ActivePage(), T.Pages[3]);
    EXPECT_EQ(T.Log.Change, 1);
    EXPECT_EQ(T.Log.PageChange, 1);
}

TEST(RzPageControl, ActivePageDefaultWinsAfterLoading)
{
    auto F = NewTestForm(300, 200);
    F->BeginLoading();
    auto PC = new TRzPageControl(F.get());
    PC->SetParent(F.get());
    std::vector<TRzTabSheet*> Pages;
    for (int I = 0; I < 4; ++I) {
        auto P = new TRzTabSheet(F.get());
        P->SetPageControl(PC);
        Pages.push_back(P);
    }
    TEventLog Log;
    Log.Attach(PC);
    PC->SetActivePage(Pages[1]); // as stored
    PC->SetActivePageDefault(Pages[3]);
    F->EndLoading();
    EXPECT_EQ(PC->ActivePage(), Pages[3]);
    EXPECT_EQ(PC->TabIndex(), 3);
    EXPECT_FALSE(Pages[1]->Visible());
    EXPECT_TRUE(Pages[3]->Visible());
    EXPECT_EQ(Log.Changing + Log.Change + Log.PageChange, 0);
    delete Pages[3];
    EXPECT_EQ(PC->ActivePageDefault(), nullptr);
}

TEST(RzPageControl, ClosingTheActiveTab)
{
    struct Case {
        int Active, TabAfter, PageAfter;
    };
    for (const Case C : {Case{0, 0, 1}, Case{3, 2, 2}}) {
        TPages T(4);
        TRzTabSheet* Expect = T.Pages[static_cast<size_t>(C.PageAfter)];
        T.PC->SetActivePageIndex(C.Active);
        T.PC->RequestCloseTab(); // no OnClose: nothing closes
        EXPECT_EQ(T.PC->PageCount(), 4);
        T.PC->OnClose = [](TObject*, bool& Allow) { Allow = true; };
        T.PC->RequestCloseTab();
        EXPECT_EQ(T.PC->PageCount(), 3) << C.Active;
        EXPECT_EQ(T.PC->TabIndex(), C.TabAfter) << C.Active;
        EXPECT_EQ(T.PC->ActivePage(), Expect) << C.Active;
        EXPECT_TRUE(Expect->Visible());
    }
}

TEST(RzPageControl, PageIndexMovesAndRangeError)
{
    TPages T(4);
    std::vector<std::pair<int, int>> Moves;
    T.PC->OnTabOrderChange = [&](TObject*, int Old, int New) { Moves.push_back({Old, New}); };
    T.Pages[0]->SetPageIndex(2);
    EXPECT_EQ(T.PC->Pages(2), T.Pages[0]);
    EXPECT_EQ(T.PC->Pages(0), T.Pages[1]);
    EXPECT_EQ((*T.PC->Tabs())[2]->Caption, "Page 0");
    EXPECT_EQ(Moves, (std::vector<std::pair<int, int>>{{0, 2}}));
    try {
        T.Pages[0]->SetPageIndex(T.PC->PageCount());
        ADD_FAILURE();
    } catch (const ERzTabControlError& E) {
        EXPECT_EQ(E.Message(), "4 is an invalid PageIndex value. PageIndex must be between 0 and 3");
    }
    EXPECT_EQ(T.PC->Pages(2), T.Pages[0]);
    try {
        T.Pages[1]->SetPageVisible(true);
        ADD_FAILURE();
    } catch (const ERzTabControlError& E) {
        EXPECT_EQ(E.Message(), "You cannot change the Visible property of a page");
    }
    // Through the class library's base, and by the property's name.
    TControl* Base = T.Pages[1];
    const bool Was = Base->Visible();
    EXPECT_THROW(Base->SetVisible(!Was), ERzTabControlError);
    EXPECT_THROW(Base->Show(), ERzTabControlError);
    EXPECT_THROW(SetOrdProp(Base, "Visible", !Was), ERzTabControlError);
    EXPECT_EQ(Base->Visible(), Was);
}

TEST(RzPageControl, CtrlTabCyclesPagesWithVisibleTabs)
{
    TPages T(4);
    T.Pages[2]->SetTabVisible(false);
    T.PC->SetFocus();
    SetKeyDown(VK_CONTROL, true);
    std::vector<int> Seen;
    for (int I = 0; I < 4; ++I) {
        EXPECT_EQ(T.PC->Perform(CM_DIALOGKEY, VK_TAB, 0), 1);
        Seen.push_back(T.PC->ActivePageIndex());
    }
    SetKeyDown(VK_SHIFT, true);
    for (int I = 0; I < 2; ++I) {
        T.PC->Perform(CM_DIALOGKEY, VK_TAB, 0);
        Seen.push_back(T.PC->ActivePageIndex());
    }
    SetKeyDown(VK_SHIFT, false);
    SetKeyDown(VK_CONTROL, false);
    EXPECT_EQ(Seen, (std::vector<int>{1, 3, 0, 1, 0, 3}));
    EXPECT_EQ(T.PC->Perform(CM_DIALOGKEY, VK_TAB, 0), 0) << "Tab without Ctrl is the form's";
}

TEST(RzPageControl, PageColoursTurnColouredTabsOn)
{
    TPages T(2);
    T.Pages[1]->SetTabColor(clRed);
    EXPECT_TRUE(T.PC->UseColoredTabs());
    EXPECT_EQ((*T.PC->Tabs())[1]->Color, clRed);
    T.PC->SetUseColoredTabs(false);
    EXPECT_EQ(T.Pages[1]->Color(), T.PC->Color());
}

// ---------------------------------------------------------------------------
// The tab control's selection and input
// ---------------------------------------------------------------------------

namespace {

struct TStrip {
    std::unique_ptr<TForm, TObjectFree> Form;
    TRzTabControl* C = nullptr;
    TEventLog Log;
    int Clicks = 0;

    explicit TStrip(std::vector<std::string> Captions) : Form(NewTestForm(400, 200))
    {
        C = new TRzTabControl(Form.get());
        C->SetParent(Form.get());
        C->SetBounds(0, 0, 400, 200);
        for (const auto& Caption : Captions) {
            auto D = new TRzTabData;
            D->Caption = Caption;
            C->Tabs()->Add(D);
        }
        C->TabsChanged();
        Form->Show();
        Application->ProcessMessages();
        Log.Attach(C);
        C->OnTabClick = [this](TObject*) { ++Clicks; };
    }
};

} // namespace

TEST(RzTabControlInput, SetTabIndexCases)
{
    TStrip S({"One", "Two", "Three"});
    S.C->SetTabIndex(1);
    EXPECT_EQ(S.Log.Asked, std::vector<int>{1});
    EXPECT_EQ(S.Log.Change, 1);
    S.Log.Reset();
    S.C->SetTabIndex(3); // the tab count
    EXPECT_EQ(S.C->TabIndex(), -1);
    EXPECT_EQ(S.Log.Changing + S.Log.Change + S.Log.PageChange, 0);
    (*S.C->Tabs())[2]->Enabled = false;
    S.C->SetTabIndex(2);
    EXPECT_EQ(S.C->TabIndex(), -1);
    EXPECT_TRUE(S.Log.Asked.empty());
}

TEST(RzTabControlInput, KeyboardWalkAsksOnceAndARefusalKeepsTheTab)
{
    TStrip S({"T0", "T1", "T2", "T3"});
    S.C->SetTabIndex(1);
    HWND W = S.C->Handle();
    S.Log.Reset();
    S.Log.RefuseIndex = 2;
    Key(W, VK_RIGHT, true);
    EXPECT_EQ(S.C->TabIndex(), 1);
    EXPECT_EQ(S.Log.Asked, std::vector<int>{2}) << "one question, no walking past the refusal";
    EXPECT_EQ(S.Log.Change, 0);

    // A disabled tab is passed without asking.
    S.Log.Reset();
    (*S.C->Tabs())[2]->Enabled = false;
    Key(W, VK_RIGHT, true);
    EXPECT_EQ(S.C->TabIndex(), 3);
    EXPECT_EQ(S.Log.Asked, std::vector<int>{3});
    EXPECT_EQ(S.Log.Change, 1);
    EXPECT_EQ(S.Clicks, 1);

    // Wrap at both ends, and the reverse sequence swaps the directions.
    S.Log.RefuseIndex = -2;
    Key(W, VK_RIGHT, true);
    EXPECT_EQ(S.C->TabIndex(), 0);
    Key(W, VK_LEFT, true);
    EXPECT_EQ(S.C->TabIndex(), 3);
    S.C->SetTabSequence(tsReverse);
    Key(W, VK_LEFT, true);
    EXPECT_EQ(S.C->TabIndex(), 0);
    Key(W, VK_END, true);
    EXPECT_EQ(S.C->TabIndex(), 0) << "End walks back from the last tab in the flipped order";
    Key(W, VK_HOME, true);
    EXPECT_EQ(S.C->TabIndex(), 3);
}

// With the tabs on the left the strip reads from the bottom up, so Up and
// Left step to the next tab, Down and Right to the one before.
TEST(RzTabControlInput, TabsOnTheLeftTakeUpAndLeftToTheNextTab)
{
    auto Form = NewTestForm(300, 200);
    auto Strip = NewTabStrip({"one", "two", "three"}, 100, 180);
    Strip->SetParent(Form.get());
    Strip->SetTabOrientation(toLeft);
    const struct {
        WORD Key;
        int Selected;  // from tab 1
    } Cases[] = {{VK_UP, 2}, {VK_LEFT, 2}, {VK_DOWN, 0}, {VK_RIGHT, 0}};
    for (const auto& C : Cases) {
        Strip->SetTabIndex(1);
        Key(Strip->Handle(), C.Key, true);
        EXPECT_EQ(Strip->TabIndex(), C.Selected) << C.Key;
    }
}

TEST(RzTabControlInput, OverlapHitsTheSelectedTab)
{
    TStrip S({"First", "Second"});
    S.C->SetTabStyle(tsSingleSlant);
    Application->ProcessMessages();
    const TRect A = S.C->TabDeviceRect(0), B = S.C->TabDeviceRect(1);
    ASSERT_LT(B.left, A.right);
    const int X = B.left + 1, Y = A.bottom - 1; // inside both outlines
    S.C->SetTabIndex(1);
    EXPECT_EQ(S.C->TabAtPos(X, Y), 1);
    S.C->SetTabIndex(0);
    EXPECT_EQ(S.C->TabAtPos(X, Y), 0);
    EXPECT_EQ(S.C->TabAtPos(A.left + 5, A.bottom + 10), -1) << "on the card";
}

TEST(RzTabControlInput, AcceleratorsAndClicks)
{
    TStrip S({"&Alpha", "&Beta", "Save && go"});
    EXPECT_EQ(S.C->Perform(CM_DIALOGCHAR, 'b', 0), 1);
    EXPECT_EQ(S.C->TabIndex(), 1);
    EXPECT_EQ(S.Clicks, 1);
    EXPECT_TRUE(S.C->Focused());
    EXPECT_EQ(S.C->Perform(CM_DIALOGCHAR, 'g', 0), 0);

    // Clicking the selected tab of an unfocused control focuses it and
    // counts as a tab click without asking for a change.
    SetFocus(S.Form->Handle());
    S.Log.Reset();
    PressAt(S.C->Handle(), S.C->TabDeviceRect(1));
    EXPECT_TRUE(S.C->Focused());
    EXPECT_EQ(S.Clicks, 2);
    EXPECT_TRUE(S.Log.Asked.empty());
}

TEST(RzTabControlInput, HoverClearingRestoresTheSavedHint)
{
    TStrip S({"One", "Two"});
    S.C->SetHint("control hint");
    S.C->SetTabHints(true);
    (*S.C->Tabs())[1]->Hint = "second tab";
    const TRect R = S.C->TabDeviceRect(1);
    Move(S.C->Handle(), (R.left + R.right) / 2, (R.top + R.bottom) / 2, false);
    EXPECT_EQ(S.C->HotTab(), 1);
    EXPECT_EQ(S.C->Hint(), "second tab");
    Move(S.C->Handle(), 390, 5, false); // the empty end of the strip
    EXPECT_EQ(S.C->HotTab(), -1);
    EXPECT_EQ(S.C->Hint(), "control hint");
}

TEST(RzTabControlInput, EachTabShowsItsOwnHintWindow)
{
    TStrip S({"One", "Two"});
    const bool WasShowing = Application->ShowHint();
    TScopeExit Restore([WasShowing] { Application->SetShowHint(WasShowing); });
    Application->SetShowHint(true);
    S.C->SetShowHint(true);
    S.C->SetTabHints(true);
    (*S.C->Tabs())[0]->Hint = "first tab";
    (*S.C->Tabs())[1]->Hint = "second tab";
    auto MoveOver = [&](int Tab, int Nudge) {
        const TRect R = S.C->TabDeviceRect(Tab);
        Move(S.C->Handle(), (R.left + R.right) / 2 + Nudge, (R.top + R.bottom) / 2, false);
    };
    MoveOver(0, 0);
    MoveOver(0, 1); // the hint timer starts for the tab's hint
    Application->HintTimerTick();
    ASSERT_NE(Application->HintWindow(), nullptr);
    ASSERT_TRUE(Application->HintWindow()->Active());
    EXPECT_EQ(Application->HintWindow()->HintText(), "first tab");
    MoveOver(1, 0);
    EXPECT_FALSE(Application->HintWindow()->Active()) << "the first tab's hint is gone";
    MoveOver(1, 1);
    Application->HintTimerTick();
    EXPECT_TRUE(Application->HintWindow()->Active());
    EXPECT_EQ(Application->HintWindow()->HintText(), "second tab");
    Move(S.C->Handle(), 390, 5, false); // the empty end of the strip
    EXPECT_FALSE(Application->HintWindow()->Active());
    Application->CancelHint();
}

TEST(RzTabControlInput, PaintNeverFiresEventsAndTheRepairRunsAfter)
{
    TStrip S({"T0", "T1", "T2"});
    S.C->SetTabIndex(1);
    S.Log.Reset();
    (*S.C->Tabs())[1]->Enabled = false;
    S.C->TabsChanged();
    UpdateWindow(S.C->Handle()); // WM_PAINT now, with the stale selection
    EXPECT_EQ(S.Log.Changing + S.Log.Change + S.Log.PageChange, 0);
    EXPECT_EQ(S.C->TabIndex(), 1);
    Application->ProcessMessages();
    EXPECT_EQ(S.C->TabIndex(), 2);
    EXPECT_EQ(S.Log.Change, 1);
}
