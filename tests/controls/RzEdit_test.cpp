// The framed edit and the button edit: colours by state, the non-client
// frame on a DIB, Enter as Tab, cue text; the button pair's layout, the
// shortcuts, blocked typing counted by the beep hook, margins, kind glyphs
// and a press whose focus is refused.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <functional>
#include <memory>
#include <string>

#include "classlib/StdCtrls.h"
#include "controls/RzBtnEdt.h"
#include "controls/RzEdit.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

class TBeeps {
public:
    TBeeps() { SetBeepHook([this](UINT) { ++Count; }); }
    ~TBeeps() { SetBeepHook(nullptr); }
    TBeeps(const TBeeps&) = delete;
    TBeeps& operator=(const TBeeps&) = delete;
    int Count = 0;
};

void Chars(HWND Wnd, const std::string& Keys)
{
    for (char Ch : Keys)
        SendMessageA(Wnd, WM_CHAR, static_cast<unsigned char>(Ch), 1);
}

template <class T>
T* Place(TForm* F, int X, int Y)
{
    auto C = new T(F);
    C->SetParent(F);
    C->SetBounds(X, Y, 121, 21);
    return C;
}

} // namespace

TEST(RzEditColors, FocusColourFollowsANormalColourItEqualled)
{
    auto F = NewTestForm(300, 200);
    auto Same = Place<TRzEdit>(F.get(), 10, 10);
    auto Own = Place<TRzEdit>(F.get(), 10, 40);
    Own->SetFocusColor(clYellow);
    Same->SetColor(clAqua);
    Own->SetColor(clAqua);
    EXPECT_EQ(Same->FocusColor(), clAqua);
    EXPECT_EQ(Own->FocusColor(), clYellow);

    struct TCase { bool ReadOnly, OnFocus, Focused; TColor Want; };
    const TCase Cases[] = {
        {true, false, false, clInfoBk}, {true, false, true, clYellow},
        {true, true, true, clInfoBk},   {false, false, true, clYellow},
    };
    for (const TCase& C : Cases) {
        Own->SetReadOnly(C.ReadOnly);
        Own->SetReadOnlyColorOnFocus(C.OnFocus);
        Own->Perform(C.Focused ? CM_ENTER : CM_EXIT);
        EXPECT_EQ(Own->Color(), C.Want) << C.ReadOnly << C.OnFocus << C.Focused;
        Own->Perform(CM_EXIT);
    }
    Own->SetReadOnly(false);
    Own->SetEnabled(false);
    EXPECT_EQ(Own->Color(), clBtnFace);
}

TEST(RzEditFrame, NonClientFrameAtRestAndHot)
{
    TClassicLook Classic;
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzEdit>(F.get(), 10, 10);
    F->Show();
    E->Perform(CM_EXIT);
    E->SetFrameVisible(true);
    E->SetFrameColor(clRed);
    const int W = E->Width(), H = E->Height();
    TTestSurface Rest(W, H);
    E->PaintFrame(Rest.DC());
    EXPECT_EQ(Rest.Px(0, H / 2), Rgb(clRed));
    EXPECT_EQ(Rest.Px(W - 1, H / 2), Rgb(clRed));
    EXPECT_EQ(Rest.Px(W / 2, 0), Rgb(clRed));
    // Inside the one-pixel frame the ring takes the edit's colour.
    EXPECT_EQ(Rest.Px(1, H / 2), Rgb(clWindow));

    E->SetFrameHotTrack(true);
    E->SetFrameHotColor(clBlue);
    E->Perform(CM_MOUSEENTER);
    EXPECT_TRUE(E->FrameHot());
    TTestSurface Hot(W, H);
    E->PaintFrame(Hot.DC());
    EXPECT_EQ(Hot.Px(0, H / 2), Rgb(clBlue));
    EXPECT_EQ(Hot.Px(1, H / 2), Rgb(clBlue));
    E->Perform(CM_MOUSELEAVE);
    EXPECT_FALSE(E->HotByMouse());
}

TEST(RzEditKeys, EnterMovesOnAsTabAndInsertsNothing)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzEdit>(F.get(), 10, 10);
    E->SetTabOnEnter(true);
    E->SetText("ab");
    Chars(E->Handle(), "\r");
    EXPECT_EQ(E->Text(), "ab");
    MSG M{};
    ASSERT_TRUE(PeekMessageA(&M, E->Handle(), WM_KEYDOWN, WM_KEYDOWN, PM_REMOVE));
    EXPECT_EQ(M.wParam, static_cast<WPARAM>(VK_TAB));
}

TEST(RzEditCue, TheHintReachesTheEditOnlyWithStyles)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzEdit>(F.get(), 10, 10);
    E->SetTextHint("Target folder");
    wchar_t Got[64] = {};
    SendMessageW(E->Handle(), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(Got), 64);
    EXPECT_EQ(std::wstring(Got), L"Target folder");

    TClassicLook Classic;
    auto Plain = Place<TRzEdit>(F.get(), 10, 40);
    Plain->SetTextHint("never shown");
    wchar_t None[64] = {};
    SendMessageW(Plain->Handle(), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(None), 64);
    EXPECT_EQ(std::wstring(None), L"");
}

TEST(RzButtonEditLayout, PairAndStrip)
{
    struct TCase { bool Main, Alt; TRect WantMain, WantAlt; };
    const TRect None(0, 0, 0, 0);
    const TCase Cases[] = {
        {true, false, TRect(0, 0, 17, 17), None},
        {true, true, TRect(0, 0, 17, 17), TRect(17, 0, 32, 17)},
        {false, true, None, TRect(0, 0, 15, 17)},
        {false, false, None, None},
    };
    for (const TCase& C : Cases) {
        const TRzPairLayout L = LayoutButtonPair(C.Main, 17, C.Alt, 15, 18);
        EXPECT_EQ(L.Main, C.WantMain) << C.Main << C.Alt;
        EXPECT_EQ(L.Alt, C.WantAlt) << C.Main << C.Alt;
    }
    EXPECT_EQ(ButtonStripRect(121, 21, 17, false, true), TRect(100, 0, 117, 18));
    EXPECT_EQ(ButtonStripRect(121, 21, 17, false, false), TRect(103, 1, 120, 19));
    EXPECT_EQ(ButtonStripRect(121, 21, 17, true, true), TRect(0, 0, 17, 18));
}

TEST(RzButtonEditLayout, ButtonsFollowAResizeOfTheWindow)
{
    auto F = NewTestForm(500, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    E->Handle();
    for (int Width : {400, 300, 150}) {
        SCOPED_TRACE(Width);
        E->SetWidth(Width);
        const TRzButtonPair* P = E->Buttons();
        EXPECT_EQ(P->Left() + P->Width(), ButtonStripRect(Width, E->Height(), P->Width(), false, true).right);
        EXPECT_GT(P->Left(), Width / 2);
    }
}

TEST(RzButtonEditKeys, ShortcutsClickTheirButtons)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    E->SetAltBtnVisible(true);
    E->SetAltBtnShortCut(static_cast<TShortCut>(VK_F4 | scCtrl));
    int Main = 0, Alt = 0;
    E->OnButtonClick = [&](TObject* S) { Main += S == E; };
    E->OnAltBtnClick = [&](TObject* S) { Alt += S == E; };
    Key(E->Handle(), VK_F4, true);
    EXPECT_EQ(Main, 1);
    {
        TKeyHeld Ctrl(VK_CONTROL);
        Key(E->Handle(), VK_F4, true);
    }
    EXPECT_EQ(Alt, 1);
    EXPECT_EQ(Main, 1);
    // Typing resumes normally after a shortcut's character was dropped.
    Key(E->Handle(), 'X', true);
    Chars(E->Handle(), "xy");
    EXPECT_EQ(E->Text(), "xy");
}

TEST(RzButtonEditKeys, BlockedTypingBeepsAndCopyStillWorks)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    E->SetText("fixed");
    E->SetAllowKeyEdit(false);
    TBeeps Beeps;
    Chars(E->Handle(), "a1\b");
    SendMessageA(E->Handle(), EM_SETSEL, 0, 0);
    Key(E->Handle(), VK_DELETE, true);
    EXPECT_EQ(Beeps.Count, 4);
    EXPECT_EQ(E->Text(), "fixed");
    // Ctrl+C is a control character: it passes without a beep.
    Chars(E->Handle(), "\x03");
    EXPECT_EQ(Beeps.Count, 4);
    SendMessageA(E->Handle(), EM_SETSEL, 0, -1);
    SendMessageA(E->Handle(), WM_CUT, 0, 0);
    EXPECT_EQ(E->Text(), "fixed");
}

TEST(RzButtonEditMargins, TextStopsBeforeTheButtonsUnlessHiddenForReadOnly)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    E->HandleNeeded();
    int L = -1, R = -1;
    E->GetMargins(L, R);
    EXPECT_EQ(L, 0);
    EXPECT_EQ(R, E->Buttons()->Width() + 2);
    EXPECT_GT(E->Buttons()->Width(), 0);
    E->SetReadOnly(true);
    E->GetMargins(L, R);
    EXPECT_EQ(R, 0);
    EXPECT_FALSE(E->Buttons()->Visible());
    E->SetReadOnly(false);
    E->GetMargins(L, R);
    EXPECT_EQ(R, E->Buttons()->Width() + 2);
    EXPECT_TRUE(E->Buttons()->Visible());
    E->SetAltBtnVisible(true);
    EXPECT_EQ(E->Buttons()->Width(), E->ButtonWidth() + E->AltBtnWidth());
}

TEST(RzButtonEditGlyphs, KindGlyphsAndCustomGlyphs)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    EXPECT_EQ(E->ButtonKind(), TButtonKind::bkLookup);
    EXPECT_EQ(E->ButtonGlyph()->Width(), 22);
    EXPECT_EQ(E->GetButton(TRzCustomButtonEdit::MainIndex)->NumGlyphs(), 2);
    TBitmap Own(8, 8);
    E->SetButtonGlyph(&Own);
    EXPECT_EQ(E->ButtonKind(), TButtonKind::bkCustom);
    EXPECT_EQ(E->ButtonGlyph()->Width(), 8);
    E->SetButtonKind(TButtonKind::bkFolder);
    EXPECT_EQ(E->ButtonGlyph()->Width(), 22);
    EXPECT_EQ(E->GetButton(TRzCustomButtonEdit::MainIndex)->NumGlyphs(), 2);
    // The folder's body is drawn in its own yellow, not the olive backdrop.
    EXPECT_EQ(E->ButtonGlyph()->Canvas()->Pixel(5, 7), RGB(255, 208, 64));
}

TEST(RzButtonEditGlyphs, NumGlyphsSplitsEachButtonsGlyph)
{
    // A red image beside a blue one, over an olive bottom row.
    TBitmap Own(16, 9);
    Own.Canvas()->Brush()->SetColor(clOlive);
    Own.Canvas()->FillRect(TRect(0, 0, 16, 9));
    Own.Canvas()->Brush()->SetColor(clRed);
    Own.Canvas()->FillRect(TRect(0, 0, 8, 8));
    Own.Canvas()->Brush()->SetColor(clBlue);
    Own.Canvas()->FillRect(TRect(8, 0, 16, 8));
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    EXPECT_EQ(E->ButtonNumGlyphs(), 2);
    E->SetButtonGlyph(&Own);
    E->SetAltBtnGlyph(&Own);
    E->SetButtonNumGlyphs(1);
    E->SetAltBtnNumGlyphs(2);
    EXPECT_EQ(E->AltBtnNumGlyphs(), 2);
    for (int Index : {TRzCustomButtonEdit::MainIndex, TRzCustomButtonEdit::AltIndex}) {
        TRzControlButton* B = E->GetButton(Index);
        B->SetWidth(30);
        TTestSurface Img(B->Width(), B->Height());
        B->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
        const int Blue = B->Width() * B->Height() - Img.CountNot(clBlue, 0, 0, B->Width(), B->Height());
        EXPECT_EQ(Blue > 0, Index == TRzCustomButtonEdit::MainIndex) << "one image shows both halves";
        EXPECT_GT(B->Width() * B->Height() - Img.CountNot(clRed, 0, 0, B->Width(), B->Height()), 40);
    }
}

TEST(RzButtonEditFocus, APressWhoseFocusIsRefusedClicksNothing)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    auto Other = Place<TRzEdit>(F.get(), 10, 60);
    F->Show();
    Other->SetFocus();
    int Clicks = 0;
    E->OnButtonClick = [&](TObject*) { ++Clicks; };
    HWND Pair = E->Buttons()->Handle();
    // Accepted: the edit takes the focus and the release clicks.
    Press(Pair, 5, 5);
    Release(Pair, 5, 5);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(GetFocus(), E->Handle());
    // Refused: the edit's enter handler sends the focus elsewhere.
    Other->SetFocus();
    E->OnEnter = [&](TObject*) { Other->SetFocus(); };
    Press(Pair, 5, 5);
    Release(Pair, 5, 5);
    EXPECT_EQ(Clicks, 1);
    // The shortcut still clicks afterwards.
    E->OnEnter = nullptr;
    Key(E->Handle(), VK_F4, true);
    EXPECT_EQ(Clicks, 2);
}

TEST(RzButtonEditLayout, ATallFontRaisesTheEdit)
{
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzButtonEdit>(F.get(), 10, 10);
    E->Font()->SetSize(28);
    E->Perform(CM_FONTCHANGED);
    EXPECT_GE(E->Height(), GetFontLineHeight(E->Font()));
}

// In the themed look the system's edit frame is painted with the theme's
// background over the whole window, the text area too. A frame repaint
// (a focus change, an Enabled or ReadOnly toggle, or a setting that only
// repaints the frame) must leave the text shown, read straight off the
// window once the pending messages are handled.
TEST(RzEditFrame, TheTextOutlivesAThemedFrameRepaint)
{
    if (!ThemeServices()->ThemesEnabled())
        GTEST_SKIP() << "no themed look here";
    auto F = NewTestForm(300, 200);
    auto E = Place<TRzEdit>(F.get(), 10, 10);
    auto Other = Place<TRzEdit>(F.get(), 10, 40);
    E->SetText("MMMMMMMMMM");
    // Selected text would be light on the highlight.
    E->SetAutoSelect(false);
    F->Show();
    Application->ProcessMessages();
    struct TCase {
        const char* Name;
        std::function<void()> Repaint;
    };
    const TCase Cases[] = {
        {"focus away and back",
         [&] {
             Other->SetFocus();
             Application->ProcessMessages();
             E->SetFocus();
         }},
        {"disabled and enabled again",
         [&] {
             E->SetEnabled(false);
             Application->ProcessMessages();
             E->SetEnabled(true);
         }},
        {"flat buttons switched", [&] { E->SetFlatButtons(!E->FlatButtons()); }},
        {"read-only in the same colour",
         [&] {
             E->SetReadOnlyColor(E->Color());
             E->SetReadOnly(!E->ReadOnly());
         }},
    };
    for (const TCase& C : Cases) {
        SCOPED_TRACE(C.Name);
        C.Repaint();
        Application->ProcessMessages();
        const int W = E->ClientWidth(), H = E->ClientHeight();
        TTestSurface Shot(W, H);
        HDC DC = GetDC(E->Handle());
        BitBlt(Shot.DC(), 0, 0, W, H, DC, 0, 0, SRCCOPY);
        ReleaseDC(E->Handle(), DC);
        GdiFlush();
        // The text is dark on a light background.
        int Dark = 0;
        for (int Y = 0; Y < H; ++Y)
            for (int X = 0; X < W; ++X) {
                const auto P = static_cast<COLORREF>(Shot.Px(X, Y));
                Dark += GetRValue(P) < 0x80 && GetGValue(P) < 0x80 && GetBValue(P) < 0x80;
            }
        // More than the caret's dozen pixels.
        EXPECT_GT(Dark, 60) << "of " << W * H;
        // Repainting the client asked for no new frame paint.
        EXPECT_FALSE(GetUpdateRect(E->Handle(), nullptr, FALSE));
    }
}
