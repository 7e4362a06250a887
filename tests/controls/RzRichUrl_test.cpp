// The framed rich edit and the URL rich edit on real windows: caret line
// and column with their events, wheel scrolling counted in EM_SCROLL
// messages, a click on a detected link, the clipboard state, colours by
// state and the non-client frame on a DIB; and a frame controller reaching
// every kind of framed control through the shared settings.
#include <gtest/gtest.h>

#include <windows.h>
#include <richedit.h>

#include <string>
#include <vector>

#include "classlib/SysUtils.h"
#include "controls/RzCmboBx.h"
#include "controls/RzEdit.h"
#include "controls/RzLstBox.h"
#include "controls/RzRichUrl.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

// Counts the scroll requests the wheel handling sends to the window.
template <class TBase>
class TScrollCounting : public TBase {
public:
    using TBase::TBase;
    void WndProc(TMessage& Message) override
    {
        if (Message.Msg == EM_SCROLL)
            ++Scrolls;
        TBase::WndProc(Message);
    }
    int Scrolls = 0;
};

template <class T>
T* PlaceRich(TForm* F, int X, int Y, int W = 300, int H = 100)
{
    auto C = new T(F);
    C->SetParent(F);
    C->SetBounds(X, Y, W, H);
    return C;
}

std::string NumberedLines(int Count)
{
    std::string S;
    for (int I = 1; I <= Count; ++I)
        S += "line " + std::to_string(I) + "\r\n";
    return S;
}

int FirstVisible(TWinControl* C)
{
    return static_cast<int>(SendMessageA(C->Handle(), EM_GETFIRSTVISIBLELINE, 0, 0));
}

void PutClipboardText(const char* Text)
{
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    if (Text) {
        const size_t N = strlen(Text) + 1;
        HGLOBAL G = GlobalAlloc(GMEM_MOVEABLE, N);
        memcpy(GlobalLock(G), Text, N);
        GlobalUnlock(G);
        SetClipboardData(CF_TEXT, G);
    }
    CloseClipboard();
}

} // namespace

TEST(RzRichEditCaret, LineAndColumnSettersAndTheirEvents)
{
    auto F = NewTestForm(400, 300);
    auto R = PlaceRich<TRzRichEdit>(F.get(), 10, 10);
    F->Show();
    R->SetText(NumberedLines(40));
    std::vector<std::pair<int, int>> Events;
    R->OnLineColChange = [&](TObject*, int Line, int Column) { Events.emplace_back(Line, Column); };

    struct TStep {
        const char* Name;
        bool IsLine;
        int Value;
        int WantLine, WantColumn;
        bool Fires;
    };
    const TStep Steps[] = {
        {"line 10", true, 10, 10, 1, true},
        {"column 4", false, 4, 10, 4, true},
        {"column after the end", false, 9, 10, 4, false},
        {"last column", false, 8, 10, 8, true},
        {"line past the end", true, 200, 10, 8, false},
        {"line 0", true, 0, 10, 8, false},
        {"line -3", true, -3, 10, 8, false},
        {"column 0", false, 0, 10, 8, false},
        {"line 1", true, 1, 1, 1, true},
    };
    for (const TStep& S : Steps) {
        Events.clear();
        if (S.IsLine)
            R->SetLine(S.Value);
        else
            R->SetColumn(S.Value);
        EXPECT_EQ(R->Line(), S.WantLine) << S.Name;
        EXPECT_EQ(R->Column(), S.WantColumn) << S.Name;
        ASSERT_EQ(Events.size(), S.Fires ? 1u : 0u) << S.Name;
        if (S.Fires) {
            EXPECT_EQ(Events[0], std::make_pair(S.WantLine, S.WantColumn)) << S.Name;
        }
    }
    // A line set becomes the top line of the view.
    R->SetLine(20);
    EXPECT_EQ(FirstVisible(R), 19);
}

TEST(RzRichEditWheel, NotchesScrollLinesAndStopAtTheTop)
{
    struct TCase { int Delta, Lines, Count; bool Pages; };
    const TCase Cases[] = {
        {120, 3, 3, false}, {-240, 3, -6, false}, {120, -1, 1, true}, {-120, 65535, -1, true}, {60, 3, 0, false},
    };
    for (const TCase& C : Cases) {
        const TRichWheelScroll S = RichWheelScroll(C.Delta, C.Lines);
        EXPECT_EQ(S.Count, C.Count) << C.Delta << "/" << C.Lines;
        EXPECT_EQ(S.Pages, C.Pages) << C.Delta << "/" << C.Lines;
    }

    auto F = NewTestForm(400, 300);
    auto R = PlaceRich<TScrollCounting<TRzRichEdit>>(F.get(), 10, 10);
    F->Show();
    R->SetText(NumberedLines(60));
    R->SetSelStart(0);
    const int Lines = WheelScrollLines();
    ASSERT_EQ(FirstVisible(R), 0);
    // Up at the top: the first scroll moves nothing and ends the loop.
    SendMessageA(R->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), At(20, 20));
    EXPECT_EQ(R->Scrolls, 1);
    EXPECT_EQ(FirstVisible(R), 0);
    R->Scrolls = 0;
    SendMessageA(R->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), At(20, 20));
    EXPECT_EQ(R->Scrolls, Lines);
    EXPECT_EQ(FirstVisible(R), Lines);
    SendMessageA(R->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 120), At(20, 20));
    EXPECT_EQ(FirstVisible(R), 0);

    // A wheel handler of the form's own turns the built-in scrolling off.
    R->Scrolls = 0;
    int Seen = 0;
    R->OnMouseWheel = [&](TObject*, TShiftState, int, TPoint, bool& Handled) {
        ++Seen;
        Handled = true;
    };
    SendMessageA(R->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-120)), At(20, 20));
    EXPECT_EQ(Seen, 1);
    EXPECT_EQ(R->Scrolls, 0);
    EXPECT_EQ(FirstVisible(R), 0);
}

TEST(RzRichEditURL, AClickOnALinkReportsExactlyItsText)
{
    auto F = NewTestForm(400, 300);
    auto R = PlaceRich<TRzRichEditURL>(F.get(), 10, 10, 360, 120);
    F->Show();
    const std::string Link = "http://www.example.com/mail?box=1";
    R->SetText("Visit " + Link + " for more.");
    std::vector<std::string> Clicks;
    R->OnURLClick = [&](TObject*, const std::string& URL) { Clicks.push_back(URL); };

    const auto ClickLink = [&] {
        POINTL P{};
        SendMessageA(R->Handle(), EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&P), 10);
        SendMessageA(R->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(P.x + 2, P.y + 4));
        SendMessageA(R->Handle(), WM_LBUTTONUP, 0, At(P.x + 2, P.y + 4));
    };
    ClickLink();
    ASSERT_EQ(Clicks.size(), 1u);
    EXPECT_EQ(Clicks[0], Link);
    EXPECT_EQ(R->SelText(), Link);

    // A click on plain text reports nothing.
    SendMessageA(R->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At(3, 4));
    SendMessageA(R->Handle(), WM_LBUTTONUP, 0, At(3, 4));
    EXPECT_EQ(Clicks.size(), 1u);

    // Detection is set up again for a new window (a frame shown).
    R->SetFrameVisible(true);
    ClickLink();
    EXPECT_EQ(Clicks.size(), 2u);

    // A handler that fails does not take the message handling with it.
    R->OnURLClick = [&](TObject*, const std::string&) { throw Exception("handler failed"); };
    EXPECT_NO_THROW(ClickLink());
    EXPECT_EQ(R->SelText(), Link);
}

TEST(RzRichEditClipboard, StateFollowsTheSelectionAndTheClipboard)
{
    auto F = NewTestForm(400, 300);
    auto R = PlaceRich<TRzRichEdit>(F.get(), 10, 10);
    F->Show();
    R->SetText("copy this text");
    std::vector<std::pair<bool, bool>> States;
    R->OnClipboardChange = [&](TObject*, bool CanPaste, bool CanCopy) { States.emplace_back(CanPaste, CanCopy); };

    PutClipboardText(nullptr);
    R->SetSelStart(0);
    R->SetSelLength(4);
    ASSERT_FALSE(States.empty());
    EXPECT_EQ(States.back(), std::make_pair(false, true));
    R->CopyToClipboard();
    R->SetSelLength(0);
    EXPECT_EQ(States.back(), std::make_pair(true, false));
    // A caret moved by the Line setter reports too.
    States.clear();
    R->SetLine(1);
    ASSERT_EQ(States.size(), 1u);
    PutClipboardText(nullptr);
}

TEST(RzRichEditColors, StateColoursAndTheFocusFrame)
{
    auto F = NewTestForm(400, 300);
    auto R = PlaceRich<TRzRichEdit>(F.get(), 10, 10);
    F->Show();
    R->SetFocusColor(clYellow);
    struct TCase { bool ReadOnly, OnFocus, Focused; TColor Want; };
    const TCase Cases[] = {
        {true, false, false, clInfoBk}, {true, false, true, clYellow},
        {true, true, true, clInfoBk},   {false, false, true, clYellow}, {false, false, false, clWindow},
    };
    for (const TCase& C : Cases) {
        R->SetReadOnly(C.ReadOnly);
        R->SetReadOnlyColorOnFocus(C.OnFocus);
        R->Perform(C.Focused ? CM_ENTER : CM_EXIT);
        EXPECT_EQ(R->Color(), C.Want) << C.ReadOnly << C.OnFocus << C.Focused;
        R->Perform(CM_EXIT);
    }
    R->SetReadOnly(false);

    // Disabling: the disabled colour, the style bit, the focus away.
    R->SetFocus();
    ASSERT_TRUE(R->Focused());
    R->SetEnabled(false);
    EXPECT_EQ(R->Color(), clBtnFace);
    EXPECT_TRUE(GetWindowLongA(R->Handle(), GWL_STYLE) & WS_DISABLED);
    EXPECT_FALSE(R->Focused());
    R->SetEnabled(true);
    EXPECT_FALSE(GetWindowLongA(R->Handle(), GWL_STYLE) & WS_DISABLED);
    EXPECT_EQ(R->Color(), clWindow);
}

TEST(RzRichEditFrame, NonClientFrameAtRestAndHotByFocus)
{
    TClassicLook Classic;
    auto F = NewTestForm(400, 300);
    auto R = PlaceRich<TRzRichEdit>(F.get(), 10, 10, 200, 80);
    F->Show();
    R->SetFrameVisible(true);
    R->SetFrameColor(clRed);
    const int W = R->Width(), H = R->Height();
    TTestSurface Rest(W, H);
    R->PaintFrame(Rest.DC());
    EXPECT_EQ(Rest.Px(0, H / 2), Rgb(clRed));
    EXPECT_EQ(Rest.Px(W - 1, H / 2), Rgb(clRed));
    EXPECT_EQ(Rest.Px(W / 2, H - 1), Rgb(clRed));
    EXPECT_EQ(Rest.Px(1, H / 2), Rgb(clWindow));

    R->SetFrameHotTrack(true);
    R->SetFrameHotColor(clBlue);
    R->Perform(CM_ENTER);
    EXPECT_TRUE(R->FrameHot());
    TTestSurface Hot(W, H);
    R->PaintFrame(Hot.DC());
    EXPECT_EQ(Hot.Px(0, H / 2), Rgb(clBlue));
    EXPECT_EQ(Hot.Px(1, H / 2), Rgb(clBlue)); // fsFlatBold: two pixels
    R->Perform(CM_EXIT);
    EXPECT_FALSE(R->FrameHot());

    // The real window: WM_NCPAINT draws the same frame on screen.
    RedrawWindow(R->Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    HDC DC = GetWindowDC(R->Handle());
    EXPECT_EQ(GetPixel(DC, 0, H / 2), ColorToRef(clRed));
    ReleaseDC(R->Handle(), DC);
}

TEST(RzRichEditKeys, EnterMovesOnAsTab)
{
    auto F = NewTestForm(400, 300);
    auto R = PlaceRich<TRzRichEdit>(F.get(), 10, 10);
    R->SetTabOnEnter(true);
    R->SetText("ab");
    SendMessageA(R->Handle(), WM_CHAR, VK_RETURN, 1);
    EXPECT_EQ(R->Text(), "ab");
    MSG M{};
    ASSERT_TRUE(PeekMessageA(&M, R->Handle(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(M.wParam, static_cast<WPARAM>(VK_TAB));
}

TEST(RzFramedControls, AControllerReachesEveryFramedKindByName)
{
    auto F = NewTestForm(400, 300);
    auto FC = new TRzFrameController(F.get());
    FC->SetFrameStyle(fsGroove);
    FC->SetFrameColor(clRed);
    FC->SetDisabledColor(clGray);
    auto Rich = PlaceRich<TRzRichEdit>(F.get(), 10, 10);
    auto Edit = PlaceRich<TRzEdit>(F.get(), 10, 120, 100, 21);
    auto Combo = PlaceRich<TRzComboBox>(F.get(), 120, 120, 100, 21);
    auto List = PlaceRich<TRzListBox>(F.get(), 230, 120, 100, 80);
    Rich->SetFrameController(FC);
    Edit->SetFrameController(FC);
    Combo->SetFrameController(FC);
    List->SetFrameController(FC);
    struct TKind { const char* Name; TFrameStyle Style; TColor Frame, Disabled; bool StoresFrameColor; };
    const TKind Kinds[] = {
        {"rich", Rich->FrameStyle(), Rich->FrameColor(), Rich->DisabledColor(), Rich->StoresProperty(fcpFrameColor)},
        {"edit", Edit->FrameStyle(), Edit->FrameColor(), Edit->DisabledColor(), Edit->StoresProperty(fcpFrameColor)},
        {"combo", Combo->FrameStyle(), Combo->FrameColor(), Combo->DisabledColor(),
         Combo->StoresProperty(fcpFrameColor)},
        {"list", List->FrameStyle(), List->FrameColor(), List->DisabledColor(), List->StoresProperty(fcpFrameColor)},
    };
    for (const TKind& K : Kinds) {
        EXPECT_EQ(K.Style, fsGroove) << K.Name;
        EXPECT_EQ(K.Frame, clRed) << K.Name;
        EXPECT_EQ(K.Disabled, clGray) << K.Name;
        EXPECT_FALSE(K.StoresFrameColor) << K.Name;
    }
    // A later change reaches them, and a disabled one shows it.
    FC->SetFrameHotTrack(true);
    EXPECT_TRUE(Rich->FrameVisible());
    EXPECT_TRUE(List->FrameHotTrack());
    Rich->SetEnabled(false);
    EXPECT_EQ(Rich->Color(), clGray);
    // The rich edit's own settings by name too.
    ASSERT_TRUE(SetOrdProp(Rich, "WordWrap", 0));
    EXPECT_FALSE(Rich->WordWrap());
    // A controller that goes leaves no dangling link.
    FC->Free();
    EXPECT_EQ(Rich->FrameController(), nullptr);
    EXPECT_EQ(List->FrameController(), nullptr);
}
