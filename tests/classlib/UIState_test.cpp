// The class library's own keeping of focus and accelerator cues, lost
// mouse captures, scaling, double-buffered painting, and hints.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/Hints.h"

namespace {

template <typename T>
using TOwn = std::unique_ptr<T, TObjectFree>;

TForm* HiddenForm()
{
    Application->ShowErrorBoxes = false;
    auto F = new TForm(nullptr);
    F->SetBorderStyle(bsNone);
    F->SetBounds(0, 0, 200, 150);
    return F;
}

TPanel* PanelOn(TWinControl* Parent, int L, int T, int W, int H)
{
    auto P = new TPanel(Parent);
    P->SetParent(Parent);
    P->SetBounds(L, T, W, H);
    return P;
}

// A graphic control that logs the messages it is told about.
class TSpy : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;
    std::vector<UINT> Heard;
    std::string HintSeen;
    bool TakeHints = false;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == WM_CAPTURECHANGED)
            Heard.push_back(Message.Msg);
        TGraphicControl::WndProc(Message);
    }
    bool ExecuteAction(TBasicAction* Action) override
    {
        auto H = dynamic_cast<THintAction*>(Action);
        if (!H || !TakeHints)
            return false;
        HintSeen = H->Hint();
        return true;
    }
};

// Paints itself red and notes what kind of device context it was given.
class TRedBox : public TCustomControl {
public:
    using TCustomControl::TCustomControl;
    DWORD PaintedOn = 0;

protected:
    void Paint() override
    {
        PaintedOn = GetObjectType(Canvas()->Handle());
        Canvas()->Brush()->SetColor(clRed);
        Canvas()->FillRect(ClientRect());
    }
};

} // namespace

TEST(ControlsUIState, ChangesClimbToTheTopAndComeDownToEveryWindow)
{
    TOwn<TForm> F(HiddenForm());
    auto Outer = PanelOn(F.get(), 0, 0, 100, 100);
    auto Inner = PanelOn(Outer, 5, 5, 50, 50);
    auto Side = PanelOn(F.get(), 110, 0, 50, 50);
    F->HandleNeeded();
    const WORD Both = UISF_HIDEFOCUS | UISF_HIDEACCEL;
    Inner->Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, Both), 0);
    for (TWinControl* W : {static_cast<TWinControl*>(F.get()), static_cast<TWinControl*>(Outer),
                           static_cast<TWinControl*>(Inner), static_cast<TWinControl*>(Side)})
        EXPECT_EQ(W->Perform(WM_QUERYUISTATE), Both);
    // Through real windows, where the system itself would answer 0.
    EXPECT_EQ(SendMessageA(Side->Handle(), WM_QUERYUISTATE, 0, 0), Both);
    SendMessageA(Side->Handle(), WM_CHANGEUISTATE, MAKEWPARAM(UIS_CLEAR, UISF_HIDEFOCUS), 0);
    EXPECT_EQ(SendMessageA(Inner->Handle(), WM_QUERYUISTATE, 0, 0), UISF_HIDEACCEL);
    // A window that comes later starts with its parent's cues.
    auto Late = PanelOn(Outer, 60, 5, 20, 20);
    EXPECT_EQ(Late->UIState(), UISF_HIDEACCEL);
    // Tab hands the focus on and shows the focus cues.
    Inner->Perform(WM_CHANGEUISTATE, MAKEWPARAM(UIS_SET, Both), 0);
    Inner->SetTabStop(true);
    Side->SetTabStop(true);
    F->Perform(CM_DIALOGKEY, VK_TAB, 0);
    EXPECT_EQ(Inner->UIState(), UISF_HIDEACCEL);
}

TEST(ControlsCapture, LostCaptureReachesTheGraphicControlThatHeldIt)
{
    TOwn<TForm> F(HiddenForm());
    TOwn<TForm> Other(HiddenForm());
    auto Spy = new TSpy(F.get());
    Spy->SetParent(F.get());
    Spy->SetBounds(10, 10, 30, 30);
    F->HandleNeeded();
    Other->HandleNeeded();
    // Given back by the control itself: nothing to report.
    Spy->SetMouseCapture(true);
    ASSERT_EQ(GetCapture(), F->Handle());
    Spy->SetMouseCapture(false);
    EXPECT_TRUE(Spy->Heard.empty());
    // Taken by another window.
    Spy->SetMouseCapture(true);
    SetCapture(Other->Handle());
    EXPECT_FALSE(Spy->MouseCapture());
    EXPECT_EQ(Spy->Heard, std::vector<UINT>{WM_CAPTURECHANGED});
    ReleaseCapture();
}

TEST(ControlsScale, PositionsSizesAndOwnFontsScale)
{
    TOwn<TForm> F(HiddenForm());
    auto P = PanelOn(F.get(), 10, 20, 100, 50);
    P->Font()->SetHeight(-12);
    auto Kid = PanelOn(P, 4, 6, 21, 10);
    const int KidFont = Kid->Font()->Height();
    F->ChangeScale(3, 2);
    EXPECT_EQ(P->BoundsRect(), TRect(15, 30, 165, 105));
    EXPECT_EQ(Kid->BoundsRect(), TRect(6, 9, 38, 24)); // 25 * 3 / 2 rounds up
    EXPECT_EQ(P->Font()->Height(), -18);
    EXPECT_FALSE(P->ParentFont());
    // The child follows its parent's font rather than scaling its own.
    EXPECT_TRUE(Kid->ParentFont());
    EXPECT_EQ(Kid->Font()->Height(), -18);
    EXPECT_NE(KidFont, -18);
}

TEST(ControlsPaint, DoubleBufferedWindowsPaintOffScreenAndShowTheResult)
{
    TOwn<TForm> F(HiddenForm());
    F->SetLeft(40);
    auto Box = new TRedBox(F.get());
    Box->SetParent(F.get());
    Box->SetBounds(10, 10, 40, 30);
    F->Show();
    for (bool Buffered : {true, false}) {
        SCOPED_TRACE(Buffered);
        Box->SetDoubleBuffered(Buffered);
        Box->PaintedOn = 0;
        InvalidateRect(Box->Handle(), nullptr, TRUE);
        UpdateWindow(Box->Handle());
        EXPECT_EQ(Box->PaintedOn, DWORD(Buffered ? OBJ_MEMDC : OBJ_DC));
        HDC DC = GetDC(Box->Handle());
        EXPECT_EQ(GetPixel(DC, 20, 15), RGB(255, 0, 0));
        ReleaseDC(Box->Handle(), DC);
    }
}

TEST(Hints, ShortAndLongParts)
{
    struct TCase {
        const char* Hint;
        const char* Short;
        const char* Long;
    };
    const TCase Cases[] = {
        {"Open|Opens a mailbox", "Open", "Opens a mailbox"},
        {"Plain", "Plain", "Plain"},
        {"|Only long", "", "Only long"},
        {"Only short|", "Only short", ""},
        {"", "", ""},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(GetShortHint(C.Hint), C.Short) << C.Hint;
        EXPECT_EQ(GetLongHint(C.Hint), C.Long) << C.Hint;
    }
}

TEST(Hints, ApplicationHintReachesAControlThatTakesIt)
{
    TOwn<TForm> F(HiddenForm());
    auto Shy = new TSpy(F.get());
    Shy->SetParent(F.get());
    auto Taker = new TSpy(F.get());
    Taker->SetParent(F.get());
    Taker->TakeHints = true;
    Application->SetMainForm(F.get());
    Application->SetHint("Reading mailboxes");
    EXPECT_EQ(Taker->HintSeen, "Reading mailboxes");
    EXPECT_EQ(Shy->HintSeen, "");
    // A hidden control is passed over; an OnHint handler comes first.
    Taker->SetVisible(false);
    Application->SetHint("Second");
    EXPECT_EQ(Taker->HintSeen, "Reading mailboxes");
    Taker->SetVisible(true);
    int Fired = 0;
    Application->OnHint = [&](TObject*) { ++Fired; };
    Application->SetHint("Third");
    EXPECT_EQ(Fired, 1);
    EXPECT_EQ(Taker->HintSeen, "Reading mailboxes");
    Application->OnHint = nullptr;
    Application->SetHint("");
    Application->SetMainForm(nullptr);
}

TEST(Hints, HintWindowShowsAfterThePauseAndHidesAfterItsTime)
{
    TOwn<TForm> F(HiddenForm());
    auto Spy = new TSpy(F.get());
    Spy->SetParent(F.get());
    Spy->SetBounds(20, 20, 40, 20);
    Spy->SetHint("Stop|Stops the conversion");
    Spy->SetShowHint(true);
    // The mouse routing reports the control under the pointer.
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 25));
    EXPECT_EQ(Application->HintControl(), Spy);
    EXPECT_EQ(Application->Hint(), "Stops the conversion");
    Application->HintTimerTick();
    THintWindow* W = Application->HintWindow();
    ASSERT_NE(W, nullptr);
    EXPECT_TRUE(W->Active());
    EXPECT_EQ(W->HintText(), "Stop");
    EXPECT_TRUE(IsWindowVisible(W->WindowHandle()));
    const TRect Need = W->CalcHintRect(300, "Stop");
    RECT On{};
    GetWindowRect(W->WindowHandle(), &On);
    EXPECT_EQ(On.right - On.left, Need.Width());
    Application->HintTimerTick();
    EXPECT_FALSE(W->Active());
    // Moving off cancels; a control freed while its hint waits is forgotten.
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(150, 100));
    EXPECT_NE(Application->HintControl(), Spy);
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, MAKELPARAM(30, 25));
    EXPECT_EQ(Application->HintControl(), Spy);
    Spy->Free();
    EXPECT_EQ(Application->HintControl(), nullptr);
    Application->HintTimerTick();
    EXPECT_FALSE(W->Active());
    Application->CancelHint();
}
