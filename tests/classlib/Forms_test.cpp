#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/SysUtils.h"

namespace {

class TClickBox : public TCustomControl {
public:
    TClickBox(TComponent* AOwner, TWinControl* AParent) : TCustomControl(AOwner)
    {
        SetParent(AParent);
        SetBounds(0, 0, 20, 20);
        SetTabStop(true);
    }
};

void Click(TWinControl* C)
{
    PostMessageA(C->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(2, 2));
    PostMessageA(C->Handle(), WM_LBUTTONUP, 0, MAKELPARAM(2, 2));
}

void Pump()
{
    for (int I = 0; I < 5; ++I) {
        Application->ProcessMessages();
        Sleep(5);
    }
}

} // namespace

TEST(FormsModal, ShowModalReturnsTheModalResult)
{
    Application->ShowErrorBoxes = false;
    TForm Other(nullptr);
    Other.Show();
    Pump();

    struct Case {
        const char* What;
        bool CloseWindow; // else the button sets mrOk
        TModalResult Expected;
    };
    const Case Cases[] = {
        {"button sets the result", false, mrOk},
        {"closing the window cancels", true, mrCancel},
    };
    for (const Case& K : Cases) {
        TForm* F = new TForm(nullptr);
        auto B = new TClickBox(F, F);
        bool OtherDisabled = false;
        B->OnClick = [&, F](TObject*) {
            OtherDisabled = !IsWindowEnabled(Other.Handle());
            if (K.CloseWindow)
                PostMessageA(F->Handle(), WM_CLOSE, 0, 0);
            else
                F->SetModalResult(mrOk);
        };
        F->OnShow = [B](TObject*) { Click(B); };
        TModalResult R = F->ShowModal();
        EXPECT_EQ(R, K.Expected) << K.What;
        EXPECT_TRUE(OtherDisabled) << K.What;
        EXPECT_TRUE(IsWindowEnabled(Other.Handle())) << K.What;
        EXPECT_FALSE(IsWindowVisible(F->Handle())) << K.What;
        EXPECT_FALSE(F->Modal());
        F->Free();
    }
}

TEST(FormsModal, RefusedCloseWaitsForTheNextResult)
{
    Application->ShowErrorBoxes = false;
    TForm F(nullptr);
    auto B = new TClickBox(&F, &F);
    int Queries = 0;
    B->OnClick = [&](TObject*) { F.SetModalResult(mrNo); };
    F.OnShow = [&](TObject*) { PostMessageA(F.Handle(), WM_CLOSE, 0, 0); };
    F.OnCloseQuery = [&](TObject*, bool& CanClose) {
        CanClose = ++Queries > 1;
        if (!CanClose)
            Click(B);
    };
    EXPECT_EQ(F.ShowModal(), mrNo);
    EXPECT_EQ(Queries, 2);
}

TEST(FormsModal, EnterAndEscPressTheDefaultAndCancelButtons)
{
    Application->ShowErrorBoxes = false;
    struct Case {
        WPARAM Key;
        bool FocusOnCancel;
        TModalResult Expected;
    };
    const Case Cases[] = {
        {VK_RETURN, false, mrOk},
        {VK_ESCAPE, false, mrCancel},
        // Enter on a focused button presses that button, not the default.
        {VK_RETURN, true, mrCancel},
    };
    for (const Case& K : Cases) {
        TForm F(nullptr);
        auto E = new TEdit(&F);
        E->SetParent(&F);
        auto Ok = new TButton(&F);
        Ok->SetParent(&F);
        Ok->SetTop(30);
        Ok->SetDefault(true);
        Ok->SetModalResult(mrOk);
        auto Cancel = new TButton(&F);
        Cancel->SetParent(&F);
        Cancel->SetTop(60);
        Cancel->SetCancel(true);
        Cancel->SetModalResult(mrCancel);
        int OkClicks = 0;
        Ok->OnClick = [&](TObject*) { ++OkClicks; };
        TWinControl* Focus = K.FocusOnCancel ? static_cast<TWinControl*>(Cancel) : E;
        F.SetActiveControl(Focus);
        // The key goes where the keyboard would send it: the focused control.
        F.OnShow = [&](TObject*) { PostMessageA(Focus->Handle(), WM_KEYDOWN, K.Key, 1); };
        EXPECT_EQ(F.ShowModal(), K.Expected) << K.Key;
        EXPECT_EQ(OkClicks, K.Expected == mrOk ? 1 : 0);
    }
}

TEST(FormsClose, CloseActions)
{
    Application->ShowErrorBoxes = false;
    struct Case {
        TCloseAction Action;
        bool Visible;
        bool Exists;
    };
    const Case Cases[] = {
        {caNone, true, true},
        {caHide, false, true},
        {caFree, false, false},
    };
    for (const Case& K : Cases) {
        auto F = new TForm(nullptr);
        F->SetName("Closing");
        F->Show();
        Pump();
        int Forms = Screen->FormCount();
        F->OnClose = [&](TObject*, TCloseAction& A) { A = K.Action; };
        HWND W = F->Handle();
        PostMessageA(W, WM_CLOSE, 0, 0);
        Pump();
        EXPECT_EQ(IsWindow(W) && IsWindowVisible(W), K.Visible) << K.Action;
        EXPECT_EQ(Screen->FormCount() == Forms, K.Exists) << K.Action;
        if (K.Exists)
            F->Free();
    }
}

TEST(FormsFocus, ActiveControlGetsTheFocusWhenShown)
{
    Application->ShowErrorBoxes = false;
    TForm F(nullptr);
    auto A = new TClickBox(&F, &F);
    auto B = new TClickBox(&F, &F);
    B->SetLeft(30);
    F.SetActiveControl(B);
    F.Show();
    Pump();
    EXPECT_EQ(GetFocus(), B->Handle());
    EXPECT_EQ(Screen->ActiveControl(), B);
    A->SetFocus();
    EXPECT_EQ(F.ActiveControl(), A);
    EXPECT_TRUE(A->Focused());

    TForm G(nullptr);
    auto Stranger = new TClickBox(&G, &G);
    EXPECT_THROW(F.SetActiveControl(Stranger), EInvalidOperation);

    // Freeing the active control clears the reference.
    A->Free();
    EXPECT_EQ(F.ActiveControl(), nullptr);
}

TEST(FormsKeys, KeyPreviewSeesKeysFirst)
{
    Application->ShowErrorBoxes = false;
    TForm F(nullptr);
    auto E = new TEdit(&F);
    E->SetParent(&F);
    std::string Seen;
    F.OnKeyPress = [&](TObject*, char& K) {
        Seen += 'F';
        if (K == 'x')
            K = 0;
    };
    E->OnKeyPress = [&](TObject*, char&) { Seen += 'E'; };
    F.Show();
    Pump();
    SendMessageA(E->Handle(), WM_CHAR, 'a', 1);
    EXPECT_EQ(Seen, "E");
    F.SetKeyPreview(true);
    Seen.clear();
    SendMessageA(E->Handle(), WM_CHAR, 'b', 1);
    SendMessageA(E->Handle(), WM_CHAR, 'x', 1);
    EXPECT_EQ(Seen, "FEF");
    EXPECT_EQ(E->Text(), "ab");
}

// A key makes the form one used from the keyboard (controls made later show
// their focus cues); a press of any mouse button ends that, a move does not.
TEST(FormsKeys, AnyMouseButtonEndsTheKeyboardUse)
{
    Application->ShowErrorBoxes = false;
    TForm F(nullptr);
    auto Box = new TClickBox(&F, &F);
    F.HandleNeeded();
    struct {
        UINT Down;
        const char* Name;
    } Buttons[] = {{WM_LBUTTONDOWN, "left"}, {WM_RBUTTONDOWN, "right"}, {WM_MBUTTONDOWN, "middle"}};
    for (const auto& B : Buttons) {
        SCOPED_TRACE(B.Name);
        PostMessageA(Box->Handle(), WM_KEYDOWN, VK_SHIFT, 0);
        Pump();
        ASSERT_TRUE(F.KeyboardInput());
        PostMessageA(Box->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
        Pump();
        EXPECT_TRUE(F.KeyboardInput());
        PostMessageA(Box->Handle(), B.Down, 0, MAKELPARAM(2, 2));
        PostMessageA(Box->Handle(), B.Down + 1, 0, MAKELPARAM(2, 2)); // its release
        Pump();
        EXPECT_FALSE(F.KeyboardInput());
    }
}

TEST(FormsScreen, RegisteredCursorsAreShownOverTheirControl)
{
    Application->ShowErrorBoxes = false;
    HCURSOR Hand = LoadCursorA(nullptr, IDC_HAND);
    Screen->SetCursors(26000, Hand);
    EXPECT_EQ(Screen->Cursors(26000), Hand);
    EXPECT_EQ(Screen->Cursors(crIBeam), LoadCursorA(nullptr, IDC_IBEAM));
    TForm F(nullptr);
    F.SetBounds(0, 0, 200, 200);
    auto B = new TClickBox(&F, &F);
    B->SetBounds(0, 0, 200, 200);
    B->SetCursor(26000);
    F.Show();
    Pump();
    SetCursorPos(B->ClientOrigin().x + 10, B->ClientOrigin().y + 10);
    SendMessageA(B->Handle(), WM_SETCURSOR, reinterpret_cast<WPARAM>(B->Handle()), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), Hand);
    Screen->SetCursors(26000, nullptr);
}

TEST(FormsModal, TheFormRunsWithTheNormalCursorAndTheOpenersComesBack)
{
    Application->ShowErrorBoxes = false;
    TScreenCursorScope Busy(crHourGlass);
    TForm F(nullptr);
    TCursor DuringModal = crHourGlass;
    F.OnShow = [&](TObject*) {
        DuringModal = Screen->Cursor();
        F.SetModalResult(mrOk);
    };
    EXPECT_EQ(F.ShowModal(), mrOk);
    EXPECT_EQ(DuringModal, crDefault);
    EXPECT_EQ(Screen->Cursor(), crHourGlass);
}

TEST(FormsCursor, TheScopePutsBackTheCursorOnEveryWayOut)
{
    Screen->SetCursor(crDefault);
    {
        TScreenCursorScope Outer(crHourGlass);
        try {
            TScreenCursorScope Inner(crDrag);
            EXPECT_EQ(Screen->Cursor(), crDrag);
            throw Exception("out");
        } catch (const Exception&) {
        }
        EXPECT_EQ(Screen->Cursor(), crHourGlass);
    }
    EXPECT_EQ(Screen->Cursor(), crDefault);
}

TEST(FormsWindow, MinimumTrackSizePopupOwnerAndNormalBounds)
{
    Application->ShowErrorBoxes = false;
    TForm Opener(nullptr);
    Opener.SetBounds(10, 10, 300, 200);
    Opener.Show();
    Pump();
    ASSERT_EQ(Screen->ActiveCustomForm(), &Opener);

    TForm F(nullptr);
    F.SetPopupMode(pmAuto);
    F.SetMinTrackSize(366, 340);
    F.SetBounds(40, 50, 400, 380);
    F.Show();
    Pump();
    // Owned by the opener: it stays above it.
    EXPECT_EQ(GetWindow(F.Handle(), GW_OWNER), Opener.Handle());
    MINMAXINFO Info{};
    SendMessageA(F.Handle(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&Info));
    EXPECT_EQ(Info.ptMinTrackSize.x, 366);
    EXPECT_EQ(Info.ptMinTrackSize.y, 340);
    // A limit above the size grows the window.
    F.SetMinTrackSize(420, 390);
    EXPECT_EQ(F.Width(), 420);
    EXPECT_EQ(F.Height(), 390);

    F.SetWindowState(wsMaximized);
    Pump();
    const TRect N = F.NormalBounds();
    EXPECT_EQ(N.left, 40);
    EXPECT_EQ(N.top, 50);
    EXPECT_EQ(N.right - N.left, 420);
    EXPECT_EQ(N.bottom - N.top, 390);

    TForm Plain(nullptr);
    Plain.Show();
    EXPECT_EQ(GetWindow(Plain.Handle(), GW_OWNER), nullptr);
}
