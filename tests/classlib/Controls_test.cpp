#include <gtest/gtest.h>

#include <windows.h>
#include <vssym32.h>

#include <climits>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "classlib/Controls.h"
#include "classlib/ExtCtrls.h"
#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "classlib/Themes.h"
#include "testkit/PixelProbe.h"
#include "testkit/Watchdog.h"

namespace {

using TLog = std::vector<std::string>;

// A windowed control that fills itself with its colour and logs the
// component messages it sees.
class TBox : public TCustomControl {
public:
    TBox(TComponent* AOwner, TWinControl* AParent, const std::string& AName, TLog* ALog = nullptr)
        : TCustomControl(AOwner), Log(ALog)
    {
        SetName(AName);
        FControlStyle |= csAcceptsControls;
        SetParentColor(false);
        SetParent(AParent);
    }
    void WndProc(TMessage& M) override
    {
        if (Seen)
            Seen(M);
        if (Log) {
            switch (M.Msg) {
            case CM_MOUSEENTER: Log->push_back("enter " + Name()); break;
            case CM_MOUSELEAVE: Log->push_back("leave " + Name()); break;
            case CM_DIALOGKEY: Log->push_back("dialogkey " + Name() + " " + std::to_string(M.WParam)); break;
            case CN_NOTIFY: Log->push_back("notify " + Name()); break;
            case WM_KEYDOWN: Log->push_back("keydown " + Name() + " " + std::to_string(M.WParam)); break;
            default: break;
            }
        }
        if (M.Msg == WM_GETDLGCODE) {
            M.Result = DlgCode;
            return;
        }
        if (M.Msg == CM_DIALOGKEY && M.WParam == ClaimKey) {
            M.Result = 1;
            return;
        }
        TCustomControl::WndProc(M);
    }
    TLog* Log;
    std::function<void(const TMessage&)> Seen; // every message, first
    LRESULT DlgCode = 0;
    WPARAM ClaimKey = 0;

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
        ++Paints;
    }

public:
    int Paints = 0;
};

// A graphic control that logs mouse enter and leave.
class TSpot : public TGraphicControl {
public:
    TSpot(TComponent* AOwner, TWinControl* AParent, const std::string& AName, TLog* ALog)
        : TGraphicControl(AOwner), Log(ALog)
    {
        SetName(AName);
        SetParent(AParent);
        SetParentColor(false);
    }
    void WndProc(TMessage& M) override
    {
        if (M.Msg == CM_MOUSEENTER) Log->push_back("enter " + Name());
        if (M.Msg == CM_MOUSELEAVE) Log->push_back("leave " + Name());
        TGraphicControl::WndProc(M);
    }
    TLog* Log;

protected:
    void Paint() override
    {
        Canvas()->Brush()->SetColor(Color());
        Canvas()->FillRect(ClientRect());
    }
};


// A box that ends the program at once when it is freed twice or during its
// own click.
struct TCountedBox : TBox {
    using TBox::TBox;
    ~TCountedBox() override
    {
        if (std::exchange(*Gone, true) || IsDispatching()) {
            ADD_FAILURE() << Name() << " freed twice or during its own click";
            fflush(stdout);
            TerminateProcess(GetCurrentProcess(), 3);
        }
    }
    bool* Gone;
};

TForm* NewForm(int ClientW, int ClientH)
{
    Application->ShowErrorBoxes = false;
    auto F = new TForm(nullptr);
    // Without a caption the window is not left to a window manager, and
    // closing it does not wait for one (there is none under Xvfb).
    F->SetBorderStyle(bsNone);
    F->SetBounds(0, 0, 100, 100);
    F->SetClientWidth(ClientW);
    F->SetClientHeight(ClientH);
    return F;
}

void Pump()
{
    for (int I = 0; I < 5; ++I) {
        Application->ProcessMessages();
        Sleep(5);
    }
}

LPARAM At(int X, int Y)
{
    return MAKELPARAM(X, Y);
}

} // namespace

TEST(ControlsAlign, NestedPanelsAlignBeforeAndAfterTheirWindows)
{
    for (bool WithWindows : {false, true}) {
        TForm* F = NewForm(300, 200);
        if (WithWindows)
            F->Show();
        auto Top = new TBox(F, F, "Top");
        Top->SetHeight(30);
        Top->SetAlign(alTop);
        auto Bottom = new TBox(F, F, "Bottom");
        Bottom->SetHeight(20);
        Bottom->SetAlign(alBottom);
        auto Left = new TBox(F, F, "Left");
        Left->SetWidth(50);
        Left->SetAlign(alLeft);
        auto Right = new TBox(F, F, "Right");
        Right->SetWidth(40);
        Right->SetAlign(alRight);
        auto Client = new TPanel(F);
        Client->SetParent(F);
        Client->SetBorderWidth(3);
        Client->SetAlign(alClient);
        // Inside the client panel: its border and bevel (1) shrink the room.
        auto Inner = new TBox(F, Client, "Inner");
        Inner->SetHeight(25);
        Inner->SetAlign(alTop);
        auto Second = new TBox(F, F, "Second");
        Second->SetHeight(10);
        Second->SetTop(100); // below Top: stays second
        Second->SetAlign(alTop);
        auto Lbl = new TLabel(F);
        Lbl->SetParent(Inner);
        Lbl->SetCaption("Label");
        Lbl->SetAlign(alBottom);

        struct Case {
            TControl* C;
            TRect Expected;
        };
        const Case Cases[] = {
            {Top, TRect(0, 0, 300, 30)},
            {Second, TRect(0, 30, 300, 40)},
            {Bottom, TRect(0, 180, 300, 200)},
            {Left, TRect(0, 40, 50, 180)},
            {Right, TRect(260, 40, 300, 180)},
            {Client, TRect(50, 40, 260, 180)},
            {Inner, TRect(4, 4, 206, 29)},
        };
        for (const Case& K : Cases)
            EXPECT_EQ(K.C->BoundsRect(), K.Expected) << K.C->Name() << " windows=" << WithWindows;
        EXPECT_EQ(Lbl->Top() + Lbl->Height(), 25);
        EXPECT_EQ(Lbl->Width(), 202);
        if (WithWindows) {
            // The window agrees with the object.
            RECT R{};
            GetWindowRect(Client->Handle(), &R);
            MapWindowPoints(HWND_DESKTOP, F->Handle(), reinterpret_cast<POINT*>(&R), 2);
            EXPECT_EQ(TRect(R), TRect(50, 40, 260, 180));
        }

        // Resizing the form realigns; hiding a control gives its room away.
        F->SetClientWidth(400);
        EXPECT_EQ(Right->BoundsRect(), TRect(360, 40, 400, 180));
        EXPECT_EQ(Client->Width(), 310);
        Left->Hide();
        EXPECT_EQ(Client->BoundsRect(), TRect(0, 40, 360, 180));
        F->Free();
    }
}

TEST(ControlsAlign, LoadingDefersAlignmentUntilLoaded)
{
    TForm* F = NewForm(200, 100);
    F->BeginLoading();
    auto A = new TBox(F, F, "A");
    A->SetHeight(20);
    A->SetAlign(alBottom);
    EXPECT_EQ(A->Top(), 0);
    F->EndLoading();
    EXPECT_EQ(A->BoundsRect(), TRect(0, 80, 200, 100));
    F->Free();
}

TEST(ControlsPaint, FormWithPanelsAndLabelsPaints)
{
    TForm* F = NewForm(120, 80);
    F->SetColor(clBtnFace);
    auto Blue = new TBox(F, F, "Blue");
    Blue->SetColor(clBlue);
    Blue->SetBounds(10, 10, 50, 40);
    auto Spot = new TSpot(F, Blue, "Spot", nullptr);
    Spot->SetColor(clRed);
    Spot->SetBounds(5, 5, 10, 10);
    auto Lbl = new TLabel(F);
    Lbl->SetParent(F);
    Lbl->SetLeft(70);
    Lbl->SetTop(10);
    Lbl->Font()->SetColor(clBlack);
    Lbl->SetColor(clYellow);
    Lbl->SetCaption("Hi");
    F->Show();
    Pump();

    // PaintTo renders the whole tree into a 32-bit DIB.
    TBitmap B(120, 80);
    HDC DC = B.Canvas()->Handle();
    F->PaintTo(DC, 0, 0);
    EXPECT_EQ(PixelAt(B, 2, 2), ColorToRGB(clBtnFace));
    EXPECT_EQ(PixelAt(B, 40, 40), clBlue);
    EXPECT_EQ(CountPixels(B, TRect(15, 15, 25, 25), clRed), 100);
    TRect LR = Lbl->BoundsRect();
    EXPECT_GT(LR.Width(), 0);
    EXPECT_GT(CountPixels(B, LR, clBlack), 0);
    EXPECT_GT(CountPixels(B, LR, clYellow), 0);
    // The window on screen shows the same.
    TBitmap S(120, 80);
    GrabWindow(F->Handle(), S);
    EXPECT_EQ(PixelAt(S, 40, 40), clBlue);
    EXPECT_EQ(PixelAt(S, 20, 20), clRed);
    EXPECT_GT(Blue->Paints, 0);
    F->Free();
}

namespace {

// Three pixels of frame in the non-client area, painted red.
class TFramedBox : public TBox {
public:
    using TBox::TBox;
    void WndProc(TMessage& M) override
    {
        if (M.Msg == WM_NCCALCSIZE) {
            // With WParam 0 (at creation) LParam is the rectangle itself.
            RECT* R = M.WParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(M.LParam)->rgrc[0]
                               : reinterpret_cast<RECT*>(M.LParam);
            InflateRect(R, -3, -3);
            M.Result = 0;
            return;
        }
        if (M.Msg == WM_NCPAINT) {
            HDC DC = GetWindowDC(WindowHandle());
            RECT R{0, 0, Width(), Height()};
            HBRUSH B = CreateSolidBrush(RGB(255, 0, 0));
            FillRect(DC, &R, B);
            DeleteObject(B);
            ReleaseDC(WindowHandle(), DC);
            return;
        }
        TBox::WndProc(M);
    }
};

// Copies its parent's look under itself, then marks its centre.
class TSeeThrough : public TGraphicControl {
public:
    using TGraphicControl::TGraphicControl;

protected:
    void Paint() override
    {
        HDC DC = Canvas()->Handle();
        int Saved = SaveDC(DC);
        POINT Org{};
        GetViewportOrgEx(DC, &Org);
        SetViewportOrgEx(DC, Org.x - Left(), Org.y - Top(), nullptr);
        SendMessageA(Parent()->Handle(), WM_ERASEBKGND, reinterpret_cast<WPARAM>(DC), 0);
        SendMessageA(Parent()->Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(DC), PRF_CLIENT);
        RestoreDC(DC, Saved);
        Canvas()->SetPixel(Width() / 2, Height() / 2, clBlack);
    }
};

} // namespace

TEST(ControlsPaint, NonClientFrameAndParentBackground)
{
    TForm* F = NewForm(100, 100);
    F->SetColor(clWhite);
    auto Framed = new TFramedBox(F, F, "Framed");
    Framed->SetColor(clBlue);
    Framed->SetBounds(10, 10, 20, 20);
    auto Under = new TSpot(F, F, "Under", nullptr);
    Under->SetColor(clLime);
    Under->SetBounds(50, 50, 10, 10);
    auto Glass = new TSeeThrough(F);
    Glass->SetParent(F);
    Glass->SetBounds(45, 45, 20, 20);
    F->Show();
    Pump();
    EXPECT_EQ(Framed->ClientRect(), TRect(0, 0, 14, 14));

    TBitmap S(100, 100);
    GrabWindow(F->Handle(), S);
    EXPECT_EQ(PixelAt(S, 10, 10), clRed);
    EXPECT_EQ(PixelAt(S, 29, 29), clRed);
    EXPECT_EQ(PixelAt(S, 20, 20), clBlue);
    // The see-through control shows the parent and the control beneath it.
    EXPECT_EQ(PixelAt(S, 46, 46), clWhite);
    EXPECT_EQ(PixelAt(S, 52, 52), clLime);
    EXPECT_EQ(PixelAt(S, 55, 55), clBlack);
    F->Free();
}

TEST(ControlsPaint, InvalidateLeavesAnUpdateRegion)
{
    TForm* F = NewForm(100, 100);
    auto Box = new TBox(F, F, "Box");
    Box->SetBounds(10, 10, 40, 30);
    auto Spot = new TSpot(F, F, "Spot", nullptr);
    Spot->SetBounds(60, 60, 20, 15);
    F->Show();
    Pump();
    UpdateWindow(F->Handle());
    RECT R{};
    EXPECT_FALSE(GetUpdateRect(F->Handle(), &R, FALSE));
    EXPECT_FALSE(GetUpdateRect(Box->Handle(), &R, FALSE));

    // A graphic control invalidates its rectangle on the parent.
    Spot->Invalidate();
    ASSERT_TRUE(GetUpdateRect(F->Handle(), &R, FALSE));
    EXPECT_EQ(TRect(R), TRect(60, 60, 80, 75));
    Spot->Update();
    EXPECT_FALSE(GetUpdateRect(F->Handle(), &R, FALSE));
    // A hidden one repaints nothing, and leaves the parent's pending area
    // to the parent's own paint.
    Spot->SetVisible(false);
    ASSERT_TRUE(GetUpdateRect(F->Handle(), &R, FALSE));
    Spot->Repaint();
    EXPECT_TRUE(GetUpdateRect(F->Handle(), &R, FALSE));
    Spot->SetVisible(true);
    Spot->Repaint();
    EXPECT_FALSE(GetUpdateRect(F->Handle(), &R, FALSE));

    // A windowed control invalidates its own client area.
    int Before = Box->Paints;
    Box->Invalidate();
    ASSERT_TRUE(GetUpdateRect(Box->Handle(), &R, FALSE));
    EXPECT_EQ(TRect(R), TRect(0, 0, 40, 30));
    Box->Update();
    EXPECT_FALSE(GetUpdateRect(Box->Handle(), &R, FALSE));
    EXPECT_EQ(Box->Paints, Before + 1);

    // The long-work pump serves posted and sent messages, not the paint.
    int Posted = 0, Sent = 0;
    Box->Seen = [&](const TMessage& M) { Posted += M.Msg == WM_APP; Sent += M.Msg == WM_APP + 1; };
    Box->Invalidate();
    PostMessageA(Box->Handle(), WM_APP, 0, 0);
    Application->ProcessMessagesExceptPaint();
    EXPECT_EQ(Posted, 1);
    LRESULT Answer = 0;
    std::thread Sender([&] { Answer = SendMessageTimeoutA(Box->Handle(), WM_APP + 1, 0, 0, 0, 2000, nullptr); });
    while (!(HIWORD(GetQueueStatus(QS_SENDMESSAGE)) & QS_SENDMESSAGE))
        Sleep(1);
    Application->ProcessMessagesExceptPaint();
    Sender.join();
    EXPECT_EQ(Sent, 1);
    EXPECT_NE(Answer, 0);
    EXPECT_TRUE(GetUpdateRect(Box->Handle(), &R, FALSE));
    EXPECT_EQ(Box->Paints, Before + 1);
    Box->Seen = nullptr;
    Box->Update();

    // A setter that changes nothing leaves no update region behind.
    Box->SetColor(Box->Color());
    Box->SetBounds(10, 10, 40, 30);
    EXPECT_FALSE(GetUpdateRect(Box->Handle(), &R, FALSE));
    Box->SetColor(clGreen);
    EXPECT_TRUE(GetUpdateRect(Box->Handle(), &R, FALSE));
    F->Free();
}

TEST(ControlsStd, SubclassedEditKeepsWorking)
{
    TForm* F = NewForm(200, 100);
    auto E = new TEdit(F);
    E->SetParent(F);
    E->SetText("abc");
    int Changes = 0;
    E->OnChange = [&](TObject*) { ++Changes; };
    F->Show();
    Pump();
    char Buf[64] = {};
    GetWindowTextA(E->Handle(), Buf, sizeof(Buf));
    EXPECT_STREQ(Buf, "abc");
    GetClassNameA(E->Handle(), Buf, sizeof(Buf));
    EXPECT_NE(std::string(Buf).find("TEdit"), std::string::npos);

    // Typing goes through the EDIT's own procedure: caret, selection, text.
    SendMessageA(E->Handle(), EM_SETSEL, 3, 3);
    SendMessageA(E->Handle(), WM_CHAR, 'd', 1);
    SendMessageA(E->Handle(), WM_CHAR, 'e', 1);
    EXPECT_EQ(E->Text(), "abcde");
    EXPECT_EQ(Changes, 2); // EN_CHANGE came back reflected
    EXPECT_EQ(E->SelStart(), 5);
    EXPECT_TRUE(E->Modified());
    EXPECT_NE(SendMessageA(E->Handle(), WM_GETDLGCODE, 0, 0) & DLGC_WANTCHARS, 0);
    SendMessageA(E->Handle(), WM_KEYDOWN, VK_HOME, 1);
    EXPECT_EQ(E->SelStart(), 0);

    // The text survives a new window; the limit applies to the new one.
    E->SetMaxLength(6);
    HWND Old = E->Handle();
    E->SetBorderStyle(bsNone);
    EXPECT_NE(E->Handle(), Old);
    EXPECT_FALSE(IsWindow(Old));
    EXPECT_EQ(E->Text(), "abcde");
    SendMessageA(E->Handle(), EM_SETSEL, 5, 5);
    SendMessageA(E->Handle(), WM_CHAR, 'f', 1);
    SendMessageA(E->Handle(), WM_CHAR, 'g', 1);
    EXPECT_EQ(E->Text(), "abcdef");
    F->Free();
}

TEST(ControlsStd, ComboListAndRichEditWindows)
{
    TForm* F = NewForm(300, 200);
    auto L = new TCustomListBox(F);
    L->Items()->Add("one");
    L->Items()->Add("two");
    L->SetItemIndex(1);
    L->SetParent(F);
    auto C = new TCustomComboBox(F);
    C->Items()->Add("red");
    C->Items()->Add("green");
    C->SetParent(F);
    C->SetTop(120);
    auto R = new TCustomRichEdit(F);
    R->SetParent(F);
    R->SetLeft(150);
    F->Show();
    Pump();

    // Items given before the window are in it; the selection too.
    EXPECT_EQ(SendMessageA(L->Handle(), LB_GETCOUNT, 0, 0), 2);
    EXPECT_EQ(L->ItemIndex(), 1);
    EXPECT_EQ(L->Items()->Get(0), "one");
    // Without its border in a new window the whole list is client area.
    EXPECT_EQ(L->ClientWidth(), L->Width() - 2 * GetSystemMetrics(SM_CXEDGE));
    L->SetBorderStyle(bsNone);
    EXPECT_EQ(L->ClientWidth(), L->Width());
    EXPECT_EQ(L->Items()->Count(), 2);
    EXPECT_EQ(L->ItemIndex(), 1);

    // The edit inside the combo box is ours too: keys reach the combo box.
    ASSERT_NE(C->EditHandle(), nullptr);
    EXPECT_EQ(GetParent(C->EditHandle()), C->Handle());
    std::string Keys;
    C->OnKeyPress = [&](TObject*, char& K) { Keys += K; };
    int Changes = 0;
    C->OnChange = [&](TObject*) { ++Changes; };
    SendMessageA(C->EditHandle(), WM_CHAR, 'x', 1);
    SendMessageA(C->EditHandle(), WM_CHAR, 'y', 1);
    EXPECT_EQ(Keys, "xy");
    EXPECT_EQ(C->Text(), "xy");
    EXPECT_EQ(Changes, 2);
    C->SetItemIndex(1);
    EXPECT_EQ(C->Text(), "green");
    EXPECT_EQ(C->StoredWindowCount(), 3);
    C->SetStyle(csDropDownList);
    EXPECT_EQ(C->StoredWindowCount(), 1 + (C->ListHandle() != nullptr) + (C->EditHandle() != nullptr));

    R->SetText("rich");
    EXPECT_EQ(R->Text(), "rich");
    char Cls[64] = {};
    GetClassNameA(R->Handle(), Cls, sizeof(Cls));
    EXPECT_NE(std::string(Cls).find("TCustomRichEdit"), std::string::npos);
    F->Free();
}

TEST(ControlsMouse, EnterAndLeaveReachGraphicAndWindowedControls)
{
    TLog Log;
    // The real pointer stays off the form: only the sent moves count.
    SetCursorPos(GetSystemMetrics(SM_CXSCREEN) - 1, GetSystemMetrics(SM_CYSCREEN) - 1);
    TForm* F = NewForm(200, 100);
    auto Spot = new TSpot(F, F, "Spot", &Log);
    Spot->SetBounds(10, 10, 20, 20);
    auto Box = new TBox(F, F, "Box", &Log);
    Box->SetBounds(100, 10, 50, 50);
    auto Inner = new TSpot(F, Box, "Inner", &Log);
    Inner->SetBounds(5, 5, 10, 10);
    F->Show();
    Pump();
    Log.clear();

    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, At(15, 15));
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, At(16, 16));
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, At(60, 60));
    SendMessageA(Box->Handle(), WM_MOUSEMOVE, 0, At(30, 30));
    SendMessageA(Box->Handle(), WM_MOUSEMOVE, 0, At(7, 7));
    SendMessageA(Box->Handle(), WM_MOUSELEAVE, 0, 0);
    const TLog Expected = {"enter Spot", "leave Spot", "enter Box", "leave Box", "enter Inner", "leave Inner"};
    EXPECT_EQ(Log, Expected);
    // Another control taken off its parent meanwhile: the one under the
    // mouse still hears it leave.
    Log.clear();
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, At(15, 15));
    Inner->SetParent(nullptr);
    SendMessageA(F->Handle(), WM_MOUSEMOVE, 0, At(60, 60));
    EXPECT_EQ(Log, (TLog{"enter Spot", "leave Spot"}));
    Inner->SetParent(Box);

    // Clicks go to the graphic child under the mouse; the capture keeps
    // the mouse with it while the button is down.
    int Clicks = 0;
    std::vector<POINT> Moves;
    Spot->OnClick = [&](TObject*) { ++Clicks; };
    Spot->OnMouseMove = [&](TObject*, TShiftState, int X, int Y) { Moves.push_back(POINT{X, Y}); };
    SendMessageA(F->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(12, 12));
    SendMessageA(F->Handle(), WM_LBUTTONUP, 0, At(12, 12));
    EXPECT_EQ(Clicks, 1);
    SendMessageA(F->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(12, 12));
    EXPECT_TRUE(Spot->MouseCapture());
    SendMessageA(F->Handle(), WM_MOUSEMOVE, MK_LBUTTON, At(70, 50));
    ASSERT_FALSE(Moves.empty());
    EXPECT_EQ(Moves.back().x, 60);
    EXPECT_EQ(Moves.back().y, 40);
    SendMessageA(F->Handle(), WM_LBUTTONUP, 0, At(70, 50));
    EXPECT_EQ(Clicks, 1); // released outside: no click
    EXPECT_FALSE(Spot->MouseCapture());
    F->Free();
}

TEST(ControlsKeys, DialogKeysReachTheFocusedControl)
{
    TLog Log;
    TForm* F = NewForm(200, 100);
    auto A = new TBox(F, F, "A", &Log);
    auto B = new TBox(F, F, "B", &Log);
    auto C = new TBox(F, F, "C", &Log);
    A->SetBounds(0, 0, 20, 20);
    B->SetBounds(30, 0, 20, 20);
    C->SetBounds(60, 0, 20, 20);
    for (TBox* X : {A, B, C})
        X->SetTabStop(true);
    C->SetTabOrder(0); // C, A, B
    A->ClaimKey = VK_RETURN;
    auto Lbl = new TLabel(F);
    Lbl->SetParent(F);
    Lbl->SetTop(50);
    Lbl->SetCaption("&Save");
    Lbl->SetFocusControl(B);
    F->Show();
    Pump();
    EXPECT_EQ(GetFocus(), C->Handle()); // first in tab order

    struct Step {
        UINT Msg;
        WPARAM Key;
        TBox* Focus; // focus expected after the step
    };
    const Step Steps[] = {
        {WM_KEYDOWN, VK_TAB, A},
        {WM_KEYDOWN, VK_TAB, B},
        {WM_KEYDOWN, VK_TAB, C},
        {WM_KEYDOWN, VK_RIGHT, A},
        {WM_SYSCHAR, 's', B},
        {WM_KEYDOWN, VK_RETURN, B},
    };
    for (const Step& S : Steps) {
        PostMessageA(GetFocus(), S.Msg, S.Key, S.Msg == WM_SYSCHAR ? 0x20000001 : 1);
        Pump();
        EXPECT_EQ(GetFocus(), S.Focus->Handle()) << S.Key;
        EXPECT_EQ(F->ActiveControl(), S.Focus);
    }
    // Enter is a dialog key: A claims it, so B (focused) never gets it as a
    // key; while nobody claims it, it arrives as a plain key.
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "dialogkey A 13"), 1);
    EXPECT_EQ(std::count(Log.begin(), Log.end(), "keydown B 13"), 0);
    A->ClaimKey = 0;
    Log.clear();
    PostMessageA(B->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    Pump();
    const TLog Unclaimed = {"dialogkey A 13", "dialogkey B 13", "dialogkey C 13", "keydown B 13"};
    EXPECT_EQ(Log, Unclaimed);

    // A control that asks for all keys gets Enter itself.
    B->DlgCode = DLGC_WANTALLKEYS;
    Log.clear();
    PostMessageA(B->Handle(), WM_KEYDOWN, VK_RETURN, 1);
    Pump();
    EXPECT_EQ(Log, TLog{"keydown B 13"});
    F->Free();
}

static BOOL CALLBACK CountChild(HWND, LPARAM Count)
{
    ++*reinterpret_cast<int*>(Count);
    return TRUE;
}

TEST(ControlsLifetime, AChildAskedFirstGetsOneWindow)
{
    // The child's window is asked for before its parent has one: making the
    // parent's makes the child's, and no second window may follow it.
    TForm* F = new TForm(nullptr);
    F->SetBounds(0, 0, 200, 100);
    auto Box = new TBox(F, F, "Box");
    Box->SetBounds(0, 0, 50, 50);
    HWND Wnd = Box->Handle();
    int Children = 0;
    EnumChildWindows(F->Handle(), CountChild, reinterpret_cast<LPARAM>(&Children));
    EXPECT_EQ(Children, 1);
    EXPECT_EQ(GetParent(Wnd), F->Handle());
    Box->Free();
    Children = 0;
    EnumChildWindows(F->Handle(), CountChild, reinterpret_cast<LPARAM>(&Children));
    EXPECT_EQ(Children, 0);
    F->Free();
}

TEST(ControlsLifetime, AWindowGoesWhileTheControlsInItAreThere)
{
    // Destroying a shown window sends it messages (hidden, moved, destroyed)
    // that a control may answer with the controls it holds inside.
    TForm* F = NewForm(100, 100);
    auto Box = new TBox(F, F, "Box");
    Box->SetBounds(0, 0, 50, 50);
    new TBox(F, Box, "Inner");
    auto Edit = new TEdit(F);
    Edit->SetParent(Box);
    F->Show();
    Pump();
    // What a child holds only in its window is kept when its parent's window
    // is made again.
    SetWindowTextA(Edit->Handle(), "typed");
    Box->RecreateWnd();
    EXPECT_EQ(Edit->Text(), "typed");
    std::vector<UINT> Alone; // messages the box had once its child was gone
    bool Destroyed = false;
    Box->Seen = [&](const TMessage& M) {
        Destroyed = Destroyed || M.Msg == WM_DESTROY;
        if (!F->FindComponent("Inner"))
            Alone.push_back(M.Msg);
    };
    F->Free();
    EXPECT_TRUE(Destroyed);
    EXPECT_EQ(Alone, std::vector<UINT>());
}

TEST(ControlsBounds, AMinimisedFormKeepsItsBounds)
{
    TForm* F = NewForm(200, 100);
    F->SetBounds(30, 40, 200, 100);
    F->Show();
    Pump();
    ShowWindow(F->Handle(), SW_MINIMIZE);
    Pump();
    ASSERT_TRUE(IsIconic(F->Handle()));
    EXPECT_EQ(F->BoundsRect(), TRect(30, 40, 230, 140));
    ShowWindow(F->Handle(), SW_RESTORE);
    Pump();
    EXPECT_EQ(F->BoundsRect(), TRect(30, 40, 230, 140));
    F->Free();
}

TEST(ControlsLifetime, ControlFreedInsideItsOwnHandler)
{
    TForm* F = NewForm(200, 100);
    auto Doomed = new TBox(F, F, "Doomed");
    Doomed->SetBounds(0, 0, 50, 50);
    auto Panel = new TBox(F, F, "Panel");
    Panel->SetBounds(60, 0, 80, 80);
    auto Child = new TBox(F, Panel, "Child");
    Child->SetBounds(0, 0, 30, 30);
    F->Show();
    Pump();
    int Before = F->ComponentCount();

    bool Ran = false;
    Doomed->OnClick = [&](TObject* Sender) {
        static_cast<TControl*>(Sender)->Free();
        // Still alive until the handler is done.
        EXPECT_EQ(static_cast<TControl*>(Sender)->Name(), "Doomed");
        Ran = true;
    };
    HWND DoomedWnd = Doomed->Handle();
    SendMessageA(DoomedWnd, WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(DoomedWnd, WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_TRUE(Ran);
    EXPECT_FALSE(IsWindow(DoomedWnd));
    EXPECT_EQ(F->ComponentCount(), Before - 1);
    EXPECT_EQ(F->FindComponent("Doomed"), nullptr);

    // A parent freed from its child's handler waits for the child.
    Child->OnClick = [&](TObject*) { Panel->Free(); };
    HWND PanelWnd = Panel->Handle();
    SendMessageA(Child->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(Child->Handle(), WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_FALSE(IsWindow(PanelWnd));
    EXPECT_EQ(F->FindComponent("Child"), nullptr);
    EXPECT_EQ(F->FindComponent("Panel"), nullptr);

    // Freed from its own handler inside another control's message: it
    // stays, for that handler to use, until the outermost message is done.
    auto Kept = new TBox(F, F, "Kept");
    Kept->SetBounds(150, 0, 20, 20);
    Kept->OnClick = [](TObject* Sender) { static_cast<TControl*>(Sender)->Free(); };
    auto Outer = new TBox(F, F, "Outer");
    Outer->SetBounds(175, 0, 20, 20);
    bool KeptMeanwhile = false;
    Outer->OnClick = [&](TObject*) {
        SendMessageA(Kept->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
        SendMessageA(Kept->Handle(), WM_LBUTTONUP, 0, At(5, 5));
        KeptMeanwhile = F->FindComponent("Kept") == Kept && Kept->Name() == "Kept";
    };
    SendMessageA(Outer->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(5, 5));
    SendMessageA(Outer->Handle(), WM_LBUTTONUP, 0, At(5, 5));
    EXPECT_TRUE(KeptMeanwhile);
    EXPECT_EQ(F->FindComponent("Kept"), nullptr);

    // Freed from a component message handler reached through Perform.
    auto Other = new TBox(F, F, "Other");
    Other->OnMouseEnter = [&](TObject*) { Other->Free(); };
    Other->Perform(CM_MOUSEENTER);
    EXPECT_EQ(F->FindComponent("Other"), nullptr);

    // A form released from a handler goes at the next message pump.
    int Forms = Screen->FormCount();
    auto Closer = new TBox(F, F, "Closer");
    Closer->SetBounds(0, 0, 10, 10);
    Closer->OnClick = [&](TObject*) { F->Release(); };
    SendMessageA(Closer->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
    SendMessageA(Closer->Handle(), WM_LBUTTONUP, 0, At(1, 1));
    Pump();
    EXPECT_EQ(Screen->FormCount(), Forms - 1);
}

// A dispatch the system ends with a caught fault leaves nothing counting
// as dispatching; a form deleted from its button's click goes at once.
TEST(ControlsLifetime, NoFreeWaitsForADispatchThatEnded)
{
    TWatchdog Bound("forms freed after a dispatch ended by the system, and from a click", 20000);
    TForm* F = NewForm(100, 100);
    auto Faulty = new TBox(F, F, "Faulty");
    Faulty->SetBounds(0, 0, 50, 50);
    bool Faulted = false;
    Faulty->Seen = [&](const TMessage& M) {
        if (M.Msg == WM_PAINT && !std::exchange(Faulted, true))
            RaiseException(0xE0000055, 0, 0, nullptr);
    };
    F->Show();
    Pump();
    ASSERT_TRUE(Faulted);
    EXPECT_FALSE(F->IsDispatching());
    // Faulting in a paint pumped inside another control's click ends the
    // paint's dispatch only: the click is still under way.
    auto Outer = new TBox(F, F, "Outer");
    Outer->SetBounds(60, 0, 20, 20);
    bool OuterStillDispatching = false;
    Outer->OnClick = [&](TObject*) {
        Faulted = false;
        InvalidateRect(Faulty->Handle(), nullptr, TRUE);
        Pump();
        OuterStillDispatching = Outer->IsDispatching();
    };
    SendMessageA(Outer->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
    SendMessageA(Outer->Handle(), WM_LBUTTONUP, 0, At(1, 1));
    EXPECT_TRUE(Faulted && OuterStillDispatching);
    EXPECT_FALSE(F->IsDispatching());
    HWND Wnd = F->Handle();
    F->Free();
    EXPECT_FALSE(IsWindow(Wnd));

    // The button on the form, on a panel and on a panel in a panel, owned
    // by the form or by none: none goes before the click is done, and all
    // go once it is; so do the two panels it sits in when its click frees
    // them through owning pointers, in either order. One freed during its
    // own click, or twice, ends the program at once: the click would go on
    // in freed memory, and a crash there may end it with no error.
    for (int Case = 0; Case < 8; ++Case) {
        const int Depth = std::min(Case / 2, 2);
        SCOPED_TRACE(Case);
        int Forms = Screen->FormCount();
        TForm* G = NewForm(100, 100);
        TWinControl* Parent = G;
        bool Gone[3] = {}; // the button, then the panels
        TCountedBox* Panels[2] = {};
        for (int I = 0; I < Depth; ++I) {
            Parent = Panels[I] = new TCountedBox(G, Parent, "Panel" + std::to_string(I));
            Panels[I]->Gone = &Gone[I + 1];
            Parent->SetBounds(0, 0, 50, 50);
        }
        auto Button = new TCountedBox(Case % 2 ? nullptr : G, Parent, "Button");
        Button->Gone = &Gone[0];
        Button->SetBounds(0, 0, 10, 10);
        G->Show();
        Pump();
        HWND FormWnd = G->Handle(), ParentWnd = Parent->Handle(), ButtonWnd = Button->Handle();
        Button->OnClick = [&](TObject*) {
            if (Case < 6)
                delete G;
            else
                for (int I : {Case - 6, 7 - Case})
                    TObjectFree()(Panels[I]);
        };
        SendMessageA(ButtonWnd, WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
        SendMessageA(ButtonWnd, WM_LBUTTONUP, 0, At(1, 1));
        EXPECT_EQ(std::count(Gone, Gone + 3, true), Depth + 1);
        EXPECT_FALSE(IsWindow(ParentWnd));
        EXPECT_FALSE(IsWindow(ButtonWnd));
        if (Case >= 6)
            G->Free();
        EXPECT_FALSE(IsWindow(FormWnd));
        EXPECT_EQ(Screen->FormCount(), Forms);
    }
}

// A form shown modally from another form's OnDestroy and freed by its own
// button goes at once, through each door: its free waits only for a
// teardown that holds it, not for the one it was shown from. The form it
// is shown from goes at once or from its own button's click.
TEST(ControlsLifetime, AModalFormShownInATeardownGoesWhenFreed)
{
    TWatchdog Bound("a modal form freed by its own button inside another form's OnDestroy", 20000);
    const std::function<void(TCustomForm*)> Doors[] = {
        [](TCustomForm* F) { F->Free(); },
        [](TCustomForm* F) { F->Release(); },
        [](TCustomForm* F) { static_cast<TComponent*>(F)->Free(); },
    };
    for (int Case = 0; Case < 6; ++Case) {
        SCOPED_TRACE(Case);
        const int Forms = Screen->FormCount();
        TForm* Opener = NewForm(100, 100);
        auto Closer = new TBox(Opener, Opener, "Closer");
        Closer->SetBounds(0, 0, 10, 10);
        Closer->OnClick = [&](TObject*) { Opener->Free(); };
        Opener->Show();
        Pump();
        HWND ModalWnd = nullptr;
        TModalResult Result = mrNone;
        bool ModalGone = false;
        Opener->OnDestroy = [&](TObject*) {
            TForm* Modal = NewForm(60, 60);
            Modal->OnDestroy = [&](TObject*) { ModalGone = true; };
            auto Button = new TBox(Modal, Modal, "Button");
            Button->SetBounds(0, 0, 10, 10);
            Button->OnClick = [&, Modal](TObject*) { Doors[Case % 3](Modal); };
            Modal->OnShow = [&, Modal, Button](TObject*) {
                ModalWnd = Modal->Handle();
                PostMessageA(Button->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
                PostMessageA(Button->Handle(), WM_LBUTTONUP, 0, At(1, 1));
            };
            Result = Modal->ShowModal();
        };
        HWND OpenerWnd = Opener->Handle();
        if (Case < 3) {
            Opener->Free();
        } else {
            SendMessageA(Closer->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
            SendMessageA(Closer->Handle(), WM_LBUTTONUP, 0, At(1, 1));
        }
        EXPECT_TRUE(ModalGone);
        EXPECT_EQ(Result, mrCancel);
        EXPECT_FALSE(IsWindow(ModalWnd));
        EXPECT_FALSE(IsWindow(OpenerWnd));
        EXPECT_EQ(Screen->FormCount(), Forms);
    }
}

// A child's destructor that frees its panel or its form while that one is
// being torn down, through Free() or delete, frees nothing a second time;
// one that frees or deletes its form while only its panel goes takes the
// form along.
TEST(ControlsLifetime, AFreeOfAControlBeingTornDownDoesNothing)
{
    TWatchdog Bound("controls freed again from a child's destructor", 20000);
    struct TFreeingBox : TCountedBox {
        using TCountedBox::TCountedBox;
        ~TFreeingBox() override
        {
            if (Deletes)
                delete Frees;
            else
                Frees->Free();
        }
        TControl* Frees = nullptr;
        bool Deletes = false;
    };
    enum TTorn { tnPanelFreed, tnFormFreed, tnFormDeleted };
    const struct {
        TTorn Torn;
        bool FreesForm, Deletes;
    } Rows[] = {
        {tnPanelFreed, false, false}, {tnPanelFreed, true, false}, {tnPanelFreed, true, true},
        {tnFormFreed, false, false},  {tnFormFreed, true, false},  {tnFormDeleted, false, false},
        {tnFormDeleted, true, false},
    };
    for (const auto& R : Rows) {
        SCOPED_TRACE(&R - Rows);
        const int Forms = Screen->FormCount();
        TForm* G = NewForm(100, 100);
        int FormTeardowns = 0;
        G->OnDestroy = [&](TObject*) {
            if (++FormTeardowns > 1) {
                ADD_FAILURE() << "the form torn down twice";
                fflush(stdout);
                TerminateProcess(GetCurrentProcess(), 3);
            }
        };
        bool Gone[2] = {}; // the panel, the child
        auto Panel = new TCountedBox(G, G, "Panel");
        Panel->Gone = &Gone[0];
        Panel->SetBounds(0, 0, 50, 50);
        auto Child = new TFreeingBox(G, Panel, "Child");
        Child->Gone = &Gone[1];
        Child->Frees = R.FreesForm ? static_cast<TControl*>(G) : Panel;
        Child->Deletes = R.Deletes;
        G->Show();
        Pump();
        HWND PanelWnd = Panel->Handle();
        switch (R.Torn) {
        case tnPanelFreed: Panel->Free(); break;
        case tnFormFreed: G->Free(); break;
        case tnFormDeleted: delete G; break;
        }
        EXPECT_TRUE(Gone[0] && Gone[1]);
        EXPECT_FALSE(IsWindow(PanelWnd));
        const bool FormGone = R.Torn != tnPanelFreed || R.FreesForm;
        const bool FormFreed = R.Torn == tnFormFreed || (R.Torn == tnPanelFreed && R.FreesForm && !R.Deletes);
        EXPECT_EQ(FormTeardowns, FormFreed ? 1 : 0);
        if (!FormGone)
            G->Free();
        EXPECT_EQ(Screen->FormCount(), Forms);
    }
}

TEST(ControlsLifetime, ExceptionsInHandlersStopAtTheWindowProcedure)
{
    TForm* F = NewForm(100, 100);
    auto Box = new TBox(F, F, "Box");
    Box->SetBounds(0, 0, 10, 10);
    F->Show();
    Pump();
    std::string Seen;
    Application->OnException = [&](TObject* Sender, const std::exception& E) {
        Seen = E.what();
        EXPECT_EQ(Sender, Box);
    };
    Box->OnClick = [](TObject*) { throw EConvertError("bad click"); };
    SendMessageA(Box->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(1, 1));
    SendMessageA(Box->Handle(), WM_LBUTTONUP, 0, At(1, 1));
    EXPECT_EQ(Seen, "bad click");
    // Perform lets the exception reach its caller.
    Box->OnMouseEnter = [](TObject*) { throw EAbort("quiet"); };
    EXPECT_THROW(Box->Perform(CM_MOUSEENTER), EAbort);
    Application->OnException = nullptr;
    F->Free();
}

TEST(ControlsProperties, PublishedPropertiesByName)
{
    TForm* F = NewForm(100, 100);
    auto P = new TPanel(F);
    P->SetParent(F);
    auto L = new TLabel(F);
    L->SetParent(P);

    struct Case {
        TControl* C;
        const char* Name;
        TPropOrd Value;
        bool Known;
    };
    const Case Cases[] = {
        {L, "Color", clRed, true},
        {L, "transparent", 1, true},
        {L, "Width", 77, true},
        {L, "FrameStyle", 3, false},
        {P, "BevelOuter", bvLowered, true},
        {P, "Visible", 0, true},
        {P, "TabStop", 1, true},
        {P, "WordWrap", 1, false},
    };
    for (const Case& K : Cases) {
        EXPECT_EQ(SetOrdProp(K.C, K.Name, K.Value), K.Known) << K.Name;
        TPropOrd Got = -12345;
        EXPECT_EQ(GetOrdProp(K.C, K.Name, Got), K.Known) << K.Name;
        if (K.Known)
            EXPECT_EQ(Got, K.Value) << K.Name;
        else
            EXPECT_EQ(Got, -12345) << K.Name;
    }
    EXPECT_EQ(L->Color(), clRed);
    EXPECT_FALSE(L->ParentColor());
    EXPECT_TRUE(L->Transparent());
    EXPECT_EQ(P->BevelOuter(), bvLowered);
    EXPECT_TRUE(SetStrProp(L, "Caption", "By name"));
    EXPECT_EQ(L->Caption(), "By name");
    std::string S;
    EXPECT_FALSE(GetStrProp(L, "Color", S));
    EXPECT_TRUE(IsPublishedProp(P, "ShowCaption"));
    EXPECT_FALSE(IsPublishedProp(L, "ShowCaption"));
    F->Free();
}

TEST(ControlsProperties, ParentColourAndFontFlowDown)
{
    TForm* F = NewForm(100, 100);
    auto P = new TPanel(F);
    P->SetParent(F);
    auto Follower = new TLabel(F);
    Follower->SetParent(P);
    auto Own = new TLabel(F);
    Own->SetParent(P);
    Own->SetColor(clLime);
    Own->Font()->SetColor(clRed);
    EXPECT_FALSE(Own->ParentFont());

    P->SetColor(clNavy);
    P->Font()->SetName("Courier New");
    EXPECT_EQ(Follower->Color(), clNavy);
    EXPECT_TRUE(Follower->ParentColor());
    EXPECT_EQ(Follower->Font()->Name(), "Courier New");
    EXPECT_TRUE(Follower->ParentFont());
    EXPECT_EQ(Own->Color(), clLime);
    EXPECT_NE(Own->Font()->Name(), "Courier New");

    Own->SetParentColor(true);
    EXPECT_EQ(Own->Color(), clNavy);
    // Moving to another parent takes that parent's colour.
    auto Q = new TPanel(F);
    Q->SetParent(F);
    Q->SetColor(clTeal);
    Follower->SetParent(Q);
    EXPECT_EQ(Follower->Color(), clTeal);
    F->Free();
}

TEST(ControlsNotify, NotificationsAreReflectedToTheChild)
{
    TLog Log;
    TForm* F = NewForm(100, 100);
    auto Box = new TBox(F, F, "Box", &Log);
    F->Show();
    NMHDR H{};
    H.hwndFrom = Box->Handle();
    H.code = 1234;
    SendMessageA(F->Handle(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&H));
    EXPECT_EQ(Log, TLog{"notify Box"});
    F->Free();
}

TEST(ControlsThemes, OneSwitchTurnsThemingOff)
{
    TThemeServices* T = ThemeServices();
    TThemeServices::SetThemingDisabled(false);
    if (T->ThemesEnabled()) {
        EXPECT_NE(T->Theme(teButton), nullptr);
        TColor C = clNone;
        // Classes the theme lacks answer "no colour" rather than failing.
        T->GetColor(teExplorerBar, 5, 1, TMT_TEXTCOLOR, C);
    }
    TThemeServices::SetThemingDisabled(true);
    EXPECT_FALSE(T->ThemesEnabled());
    EXPECT_EQ(T->Theme(teButton), nullptr);
    TColor C = clNone;
    EXPECT_FALSE(T->GetColor(teEdit, 0, 0, TMT_BORDERCOLOR, C));
    EXPECT_EQ(C, clNone);
    TBitmap B(10, 10);
    EXPECT_FALSE(T->DrawElement(B.Canvas()->Handle(), teButton, 1, 1, TRect(0, 0, 10, 10)));
    EXPECT_EQ(T->ContentRect(B.Canvas()->Handle(), teButton, 1, 1, TRect(0, 0, 10, 10)), TRect(0, 0, 10, 10));
    TThemeServices::SetThemingDisabled(false);
}

// An element far larger than any screen draws, where clipped, as one of a
// screen's size.
TEST(ControlsThemes, AnElementFarPastWhatShowsIsDrawnAsTheThemeDrawsIt)
{
    TThemeServices* T = ThemeServices();
    TThemeServices::SetThemingDisabled(false);
    if (!T->ThemesEnabled())
        GTEST_SKIP() << "no visual styles";
    using TOpen = HANDLE(WINAPI*)(HWND, LPCWSTR);
    using TDraw = HRESULT(WINAPI*)(HANDLE, HDC, int, int, const RECT*, const RECT*);
    HMODULE Lib = GetModuleHandleA("uxtheme.dll");
    const auto Open = reinterpret_cast<TOpen>(reinterpret_cast<void*>(GetProcAddress(Lib, "OpenThemeData")));
    const auto Draw = reinterpret_cast<TDraw>(reinterpret_cast<void*>(GetProcAddress(Lib, "DrawThemeBackground")));
    const auto Drawn = [&](const std::function<void(HDC)>& Paint) {
        auto B = std::make_unique<TBitmap>(40, 12);
        HDC DC = B->Canvas()->Handle();
        PatBlt(DC, 0, 0, 40, 12, WHITENESS);
        IntersectClipRect(DC, 0, 0, 40, 12);
        Paint(DC);
        GdiFlush();
        return B;
    };
    const RECT Tallest{0, 0, 150, 150};
    auto Theirs = Drawn([&](HDC DC) { Draw(Open(nullptr, L"BUTTON"), DC, BP_PUSHBUTTON, PBS_PRESSED, &Tallest, nullptr); });
    auto Huge = Drawn([&](HDC DC) { T->DrawElement(DC, teButton, BP_PUSHBUTTON, PBS_PRESSED, TRect(0, 0, INT_MAX, INT_MAX)); });
    for (int Y = 0; Y < 12; ++Y)
        for (int X = 0; X < 40; ++X)
            ASSERT_EQ(Huge->ScanLine(Y)[X] & 0xFFFFFF, Theirs->ScanLine(Y)[X] & 0xFFFFFF) << X << ", " << Y;
}

TEST(ControlsTimer, TicksBetweenMessagesWhileEnabled)
{
    TTimer T(nullptr);
    int Ticks = 0;
    T.OnTimer = [&](TObject*) { ++Ticks; };
    T.SetInterval(10);
    DWORD Start = GetTickCount();
    while (Ticks < 2 && GetTickCount() - Start < 3000) {
        Application->ProcessMessages();
        Sleep(5);
    }
    EXPECT_GE(Ticks, 2);
    T.SetEnabled(false);
    Application->ProcessMessages();
    const int Stopped = Ticks;
    // A peer of the same interval measures the wait: by its second tick a
    // timer still running would have ticked as well.
    TTimer Peer(nullptr);
    int PeerTicks = 0;
    Peer.OnTimer = [&](TObject*) { ++PeerTicks; };
    Peer.SetInterval(10);
    Start = GetTickCount();
    while (PeerTicks < 2 && GetTickCount() - Start < 3000) {
        Application->ProcessMessages();
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
    }
    EXPECT_GE(PeerTicks, 2);
    EXPECT_EQ(Ticks, Stopped);
}

TEST(ControlsPaint, PanelBevelsAndLabelLayoutWithoutAWindow)
{
    auto P = new TPanel(nullptr);
    P->SetBounds(0, 0, 40, 30);
    P->SetBevelInner(bvLowered);
    P->SetBorderWidth(2);
    P->SetCaption("");
    TBitmap B(40, 30);
    P->PaintTo(B.Canvas()->Handle(), 0, 0);
    struct Case {
        int X, Y;
        TColor Expected;
    };
    const Case Cases[] = {
        {0, 0, ColorToRGB(clBtnHighlight)}, {39, 0, ColorToRGB(clBtnShadow)},
        {39, 29, ColorToRGB(clBtnShadow)},  {0, 29, ColorToRGB(clBtnShadow)},
        {3, 3, ColorToRGB(clBtnShadow)},    {36, 26, ColorToRGB(clBtnHighlight)},
        {20, 15, ColorToRGB(clBtnFace)},    {1, 1, ColorToRGB(clBtnFace)},
    };
    for (const Case& K : Cases)
        EXPECT_EQ(PixelAt(B, K.X, K.Y), K.Expected) << K.X << "," << K.Y;
    P->SetBevelWidth(INT_MAX); // the rings stop once they fill the panel
    P->PaintTo(B.Canvas()->Handle(), 0, 0);
    EXPECT_EQ(PixelAt(B, 39, 29), ColorToRGB(clBtnShadow));
    P->SetBevelWidth(1);
    // Aligned children sit inside bevels and border.
    TRect Inside = P->ClientRect();
    auto Child = new TBox(P, P, "Child");
    Child->SetAlign(alClient);
    for (TWinControl* In : std::initializer_list<TWinControl*>{P, Child, new TBox(P, Child, "Grandchild")})
        EXPECT_THROW(P->SetParent(In), EInvalidOperation);
    EXPECT_EQ(Child->BoundsRect(), TRect(Inside.left + 4, Inside.top + 4, Inside.right - 4, Inside.bottom - 4));

    // An auto-sized, right-aligned label keeps its right edge.
    auto L = new TLabel(P);
    L->SetParent(P);
    L->SetAlignment(taRightJustify);
    L->SetCaption("Hi");
    int Right = L->Left() + L->Width();
    L->SetCaption("Hi there, wider");
    EXPECT_EQ(L->Left() + L->Width(), Right);
    TBitmap M(10, 10);
    M.Canvas()->Font()->Assign(L->Font());
    EXPECT_EQ(L->Width(), M.Canvas()->TextWidth("Hi there, wider"));

    // Bottom layout puts the text low; a disabled label draws only the
    // embossed pair of system colours.
    L->SetAutoSize(false);
    L->SetBounds(0, 0, 120, 40);
    L->SetColor(clWhite);
    L->Font()->SetColor(clBlack);
    L->SetLayout(tlBottom);
    TBitmap T(120, 40);
    L->Perform(WM_PAINT, reinterpret_cast<WPARAM>(T.Canvas()->Handle()));
    EXPECT_EQ(CountPixels(T, TRect(0, 0, 120, 20), clBlack), 0);
    EXPECT_GT(CountPixels(T, TRect(0, 20, 120, 40), clBlack), 0);
    L->SetEnabled(false);
    L->Perform(WM_PAINT, reinterpret_cast<WPARAM>(T.Canvas()->Handle()));
    EXPECT_EQ(CountPixels(T, TRect(0, 0, 120, 40), clBlack), 0);
    EXPECT_GT(CountPixels(T, TRect(0, 0, 120, 40), ColorToRGB(clBtnShadow)), 0);
    P->Free();
}
