// Push and bit buttons: glyph counts and layout numbers, Kind presets, the
// dialog keys and groups by message, the press under a real window, and
// the looks painted into memory DIBs.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "classlib/StdCtrls.h"
#include "controls/RzButton.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/PixelProbe.h"
#include "testkit/RzTestCanvas.h"
#include "testkit/TestControls.h"

namespace {

std::unique_ptr<TBitmap> SolidGlyph(int W, int H, TColor Color)
{
    auto B = std::make_unique<TBitmap>(W, H);
    B->Canvas()->Brush()->SetColor(Color);
    B->Canvas()->FillRect(TRect(0, 0, W, H));
    GdiFlush();
    return B;
}

void PaintInto(TControl* C, TTestSurface& Img)
{
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
    GdiFlush();
}

using TMask = TTestSurface::TPixels;

int RightmostX(const TMask& M)
{
    int R = -1;
    for (const auto& P : M)
        R = std::max(R, P.first);
    return R;
}

// A crisp font so text pixels are exactly the font colour.
void CrispFont(TControl* C)
{
    C->Font()->SetName("Tahoma");
    C->Font()->SetHeight(-16);
    C->Font()->SetStyle(fsBold);
    C->Font()->SetQuality(fqNonAntialiased);
    C->Font()->SetColor(clBlack);
}

struct TClickCount {
    int N = 0;
    TNotifyEvent Handler() { return [this](TObject*) { ++N; }; }
};

} // namespace

// ---------------------------------------------------------------------------
// Numbers
// ---------------------------------------------------------------------------

TEST(RzButtonNumbers, GlyphCountFromTheGlyphsSize)
{
    const struct { int W, H, Current, Want; } Cases[] = {
        {64, 16, 1, 4}, {80, 16, 1, 1}, // five images is outside 1..4
        {16, 16, 3, 1}, {32, 16, 1, 2},
        {30, 16, 2, 2},                 // not a whole multiple: unchanged
        {0, 16, 3, 1},                  // no width: zero images, outside 1..4
        {16, 0, 3, 3}, {0, 0, 2, 2},    // no height: unchanged, and no division by it
    };
    for (const auto& C : Cases)
        EXPECT_EQ(GlyphCountFromSize(C.W, C.H, C.Current), C.Want) << C.W << "x" << C.H;
}

TEST(RzButtonNumbers, EmptyGlyphKeepsNumGlyphsAndMeasuresNothing)
{
    auto B = Make<TRzBitBtn>();
    auto Strip = SolidGlyph(48, 16, clRed);
    B->SetGlyph(Strip.get());
    EXPECT_EQ(B->NumGlyphs(), 3);
    B->SetGlyph(nullptr);
    EXPECT_EQ(B->NumGlyphs(), 3);
    EXPECT_EQ(B->GetGlyphSize().cx, 0);
    EXPECT_EQ(B->GetGlyphSize().cy, 0);
    TBitmap ZeroHigh(16, 0);
    B->SetGlyph(&ZeroHigh);
    EXPECT_EQ(B->NumGlyphs(), 3);
    // With no glyph the caption keeps the plain button's rectangle.
    EXPECT_EQ(B->GetCaptionRect(), ShrunkRect(B->ClientRect(), 5));
}

TEST(RzButtonNumbers, CaptionAndGlyphRectanglesForEachLayoutAndMargin)
{
    auto B = Make<TRzBitBtn>();
    B->SetBounds(0, 0, 100, 40);
    B->SetCaption("Go");
    auto G = SolidGlyph(16, 16, clRed);
    B->SetGlyph(G.get());
    const int T = MeasureText(B->Font(), "Go", TRect(5, 5, 95, 35),
                              DT_EXPANDTABS | DT_WORDBREAK | DT_VCENTER | DT_CENTER)
                      .Height();
    const int Y = (40 - (16 + T + 4)) / 2;
    const struct { TButtonLayout L; int Margin; TRect Caption, Glyph; } Cases[] = {
        {blGlyphLeft, 2, {27, 5, 95, 35}, {7, 12, 23, 28}},
        {blGlyphRight, 2, {5, 5, 73, 35}, {77, 12, 93, 28}},
        {blGlyphTop, 2, {5, 27, 95, 35}, {42, 7, 58, 23}},
        {blGlyphBottom, 2, {5, 5, 95, 13}, {42, 17, 58, 33}},
        {blGlyphLeft, -1, {24, 5, 95, 35}, {5, 12, 21, 28}},
        {blGlyphRight, -1, {5, 5, 76, 35}, {79, 12, 95, 28}},
        {blGlyphTop, -1, {5, 5 + Y + 16, 95, 5 + Y + 16 + T}, {42, Y, 58, Y + 16}},
        {blGlyphBottom, -1, {5, 5 + Y, 95, 5 + Y + T}, {42, 5 + T + Y, 58, 5 + T + Y + 16}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "layout " << int(C.L) << " margin " << C.Margin);
        B->SetLayout(C.L);
        B->SetMargin(C.Margin);
        EXPECT_EQ(B->GetCaptionRect(), C.Caption);
        EXPECT_EQ(B->GetGlyphRect(), C.Glyph);
    }
    B->SetMargin(-2);
    EXPECT_EQ(B->Margin(), -1) << "below -1 is ignored";
    B->SetMargin(2);
    B->ChangeScale(2, 1);
    EXPECT_EQ(B->Margin(), 4);
    EXPECT_EQ(B->Spacing(), 8);
}

TEST(RzButtonNumbers, KindPresetsAndTheFallBackToCustom)
{
    for (int K = bkOK; K <= bkAll; ++K) {
        SCOPED_TRACE(K);
        auto B = Make<TRzBitBtn>();
        B->SetKind(static_cast<TBitBtnKind>(K));
        EXPECT_EQ(B->GetKind(), K);
        EXPECT_EQ(B->Caption(), KindCaption(static_cast<TBitBtnKind>(K)));
        EXPECT_EQ(B->NumGlyphs(), 2);
        EXPECT_EQ(B->Glyph()->Width(), 2 * B->Glyph()->Height()) << "two images from the resource";
        EXPECT_GT(B->Glyph()->Height(), 0);
    }
    auto Ok = Make<TRzBitBtn>();
    Ok->SetKind(bkOK);
    EXPECT_TRUE(Ok->Default());
    EXPECT_EQ(Ok->ModalResult(), mrOk);
    EXPECT_EQ(Ok->Caption(), "OK");
    auto No = Make<TRzBitBtn>();
    No->SetKind(bkNo);
    EXPECT_TRUE(No->Cancel());
    EXPECT_FALSE(No->Default());
    EXPECT_EQ(No->Caption(), "&No");

    // Each change of a preset value reads back as custom.
    const std::function<void(TRzBitBtn*)> Changes[] = {
        [](TRzBitBtn* B) { B->SetModalResult(mrAbort); },
        [](TRzBitBtn* B) { B->SetDefault(false); },
        [](TRzBitBtn* B) { B->SetCancel(true); },
        [](TRzBitBtn* B) {
            auto G = SolidGlyph(16, 16, clRed);
            B->SetGlyph(G.get());
        },
    };
    for (const auto& Change : Changes) {
        auto B = Make<TRzBitBtn>();
        B->SetKind(bkOK);
        B->SetCaption("Changed caption");
        EXPECT_EQ(B->GetKind(), bkOK) << "the caption is not part of the preset";
        Change(B.get());
        EXPECT_EQ(B->GetKind(), bkCustom);
    }

    // Loading keeps a stored caption; an empty one takes the preset's.
    for (const std::string& Stored : {std::string("Go on"), std::string()}) {
        auto B = Make<TRzBitBtn>();
        B->BeginLoading();
        B->SetCaption(Stored);
        B->SetKind(bkOK);
        B->EndLoading();
        EXPECT_EQ(B->Caption(), Stored.empty() ? "OK" : Stored);
    }
}

TEST(RzButtonNumbers, DownPatternParity)
{
    const struct { TColor Face, Dots; } Cases[] = {{clSilver, clGray}, {clWhite, clSilver}, {0x00336699, clSilver}};
    for (const auto& C : Cases) {
        auto B = Make<TRzButton>();
        B->SetColor(C.Face);
        TBitmap P;
        B->FillDownPattern(&P);
        ASSERT_EQ(P.Width(), 8);
        for (int Y = 0; Y < 8; ++Y)
            for (int X = 0; X < 8; ++X)
                ASSERT_EQ(PixelAt(P, X, Y), (X % 2 == Y % 2) ? C.Dots : C.Face) << X << "," << Y;
    }
}

// ---------------------------------------------------------------------------
// Messages without a window
// ---------------------------------------------------------------------------

TEST(RzButtonMessages, DialogKeysWithDefaultCancelAndActive)
{
    constexpr LPARAM AltDown = 1 << 29;
    TOwnedCtl<TPanel> Other(new TPanel(nullptr));
    auto Peer = Make<TRzButton>();
    const struct { bool Default, Cancel, Enabled; TControl* Focus; WPARAM Key; LPARAM Data; bool Clicks; } Cases[] = {
        {true, false, true, nullptr, VK_RETURN, 0, false},      // not active before any focus change
        {true, false, true, Other.get(), VK_RETURN, 0, true},   // focus on a non-button: the default is active
        {true, false, true, Peer.get(), VK_RETURN, 0, false},   // another button has the focus
        {false, false, true, Other.get(), VK_RETURN, 0, false},
        {true, false, true, Other.get(), VK_RETURN, AltDown, false},
        {true, false, false, Other.get(), VK_RETURN, 0, false}, // cannot take the focus
        {false, true, true, nullptr, VK_ESCAPE, 0, true},
        {false, false, true, nullptr, VK_ESCAPE, 0, false},
        {true, false, true, Other.get(), VK_ESCAPE, 0, false},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << C.Default << C.Cancel << C.Enabled << " key " << C.Key);
        auto B = Make<TRzButton>();
        TClickCount Clicks;
        B->OnClick = Clicks.Handler();
        B->SetDefault(C.Default);
        B->SetCancel(C.Cancel);
        B->SetEnabled(C.Enabled);
        if (C.Focus)
            B->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(C.Focus));
        const LRESULT R = B->Perform(CM_DIALOGKEY, C.Key, C.Data);
        EXPECT_EQ(R != 0, C.Clicks);
        EXPECT_EQ(Clicks.N, C.Clicks ? 1 : 0);
    }
    // The focused button itself is the active one.
    auto B = Make<TRzButton>();
    B->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(B.get()));
    EXPECT_TRUE(B->Active());
    B->Perform(CM_FOCUSCHANGED, 0, reinterpret_cast<LPARAM>(Peer.get()));
    EXPECT_FALSE(B->Active());
    // The accelerator clicks.
    TClickCount Clicks;
    B->OnClick = Clicks.Handler();
    B->SetCaption("&Apply");
    EXPECT_NE(B->Perform(CM_DIALOGCHAR, 'A', 0), 0);
    EXPECT_EQ(B->Perform(CM_DIALOGCHAR, 'p', 0), 0);
    EXPECT_EQ(Clicks.N, 1);
}

TEST(RzButtonMessages, GroupsLatchOneButtonAndShareAllowAllUp)
{
    TOwnedCtl<TPanel> P(new TPanel(nullptr));
    auto A = Make<TRzButton>(P.get());
    auto B = Make<TRzButton>(P.get());
    auto Other = Make<TRzButton>(P.get());
    auto Loose = Make<TRzButton>(P.get());
    A->SetGroupIndex(1);
    B->SetGroupIndex(1);
    Other->SetGroupIndex(2);
    Loose->SetDown(true);
    EXPECT_FALSE(Loose->Down()) << "no group, no latching";

    Other->SetDown(true);
    A->SetDown(true);
    EXPECT_TRUE(A->Down());
    B->SetDown(true);
    EXPECT_TRUE(B->Down());
    EXPECT_FALSE(A->Down()) << "the group message released it";
    EXPECT_TRUE(Other->Down()) << "another group";

    // A click on the down button: it stays down without AllowAllUp.
    TClickCount Clicks;
    B->OnClick = Clicks.Handler();
    B->Perform(WM_KEYDOWN, VK_SPACE, 0);
    B->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_TRUE(B->Down());
    EXPECT_EQ(Clicks.N, 1) << "it still clicks";

    // The group takes the sender's AllowAllUp; then the button comes up.
    B->SetAllowAllUp(true);
    EXPECT_TRUE(A->AllowAllUp());
    EXPECT_FALSE(Other->AllowAllUp());
    B->Perform(WM_KEYDOWN, VK_SPACE, 0);
    B->Perform(WM_KEYUP, VK_SPACE, 0);
    EXPECT_FALSE(B->Down());

    // The message alone, as a parent broadcasts it.
    A->SetDown(true);
    TMessage M{CM_RzButtonPressed, 1, reinterpret_cast<LPARAM>(B.get()), 0};
    B->SetDown(true);
    A->Perform(M.Msg, M.WParam, M.LParam);
    EXPECT_FALSE(A->Down());
}

TEST(RzButtonMessages, ClickSetsTheFormsModalResultAndRunsTheAction)
{
    auto F = NewTestForm(100, 60);
    auto B = Make<TRzButton>(F.get());
    B->SetModalResult(mrRetry);
    B->Click();
    EXPECT_EQ(F->ModalResult(), mrRetry);

    TAction A(nullptr);
    int Runs = 0;
    A.OnExecute = [&](TObject*) { ++Runs; };
    A.SetCaption("Run");
    auto Bit = Make<TRzBitBtn>(F.get());
    A.SetImageIndex(3);
    Bit->SetAction(&A);
    EXPECT_EQ(Bit->Caption(), "Run");
    EXPECT_EQ(Bit->ImageIndex(), 3);
    Bit->Click();
    EXPECT_EQ(Runs, 1);
    Bit->SetAction(nullptr);
}

// ---------------------------------------------------------------------------
// Under a real window
// ---------------------------------------------------------------------------

TEST(RzButtonWindow, PressReleaseMoveAndSpace)
{
    auto F = NewTestForm(200, 100);
    auto B = Make<TRzButton>(F.get());
    B->SetBounds(10, 10, 80, 30);
    TClickCount Clicks;
    B->OnClick = Clicks.Handler();
    F->Show();
    HWND W = B->Handle();

    Press(W, 5, 5);
    EXPECT_TRUE(B->Pressed());
    EXPECT_TRUE(B->Focused());
    Release(W, 5, B->ClientHeight());
    EXPECT_EQ(Clicks.N, 0) << "released one pixel below the button";
    EXPECT_FALSE(B->Pressed());

    Press(W, 5, 5);
    Move(W, 100, 5);
    EXPECT_FALSE(B->Pressed());
    Move(W, 79, 29);
    EXPECT_TRUE(B->Pressed());
    Release(W, 79, 29);
    EXPECT_EQ(Clicks.N, 1);

    Key(W, VK_SPACE, true);
    EXPECT_TRUE(B->Pressed());
    Key(W, VK_SPACE, false);
    EXPECT_EQ(Clicks.N, 2);
    Key(W, VK_SPACE, false);
    EXPECT_EQ(Clicks.N, 2) << "a key-up without its key-down";

    // Focus loss drops a Space press.
    Key(W, VK_SPACE, true);
    SetFocus(F->Handle());
    EXPECT_FALSE(B->Pressed());
    Key(W, VK_SPACE, false);
    EXPECT_EQ(Clicks.N, 2);
}

TEST(RzButtonWindow, EnterClicksTheFocusedButtonOrTheDefault)
{
    auto F = NewTestForm(300, 100);
    TOwnedCtl<TEdit> E(new TEdit(nullptr));
    E->SetParent(F.get());
    E->SetBounds(5, 5, 80, 22);
    auto Def = Make<TRzButton>(F.get());
    Def->SetBounds(100, 5, 70, 25);
    Def->SetDefault(true);
    auto Plain = Make<TRzButton>(F.get());
    Plain->SetBounds(180, 5, 70, 25);
    TClickCount DefClicks, PlainClicks;
    Def->OnClick = DefClicks.Handler();
    Plain->OnClick = PlainClicks.Handler();
    F->Show();

    E->SetFocus();
    F->Perform(CM_DIALOGKEY, VK_RETURN, 0);
    EXPECT_EQ(DefClicks.N, 1);
    EXPECT_EQ(PlainClicks.N, 0);

    // The focus frame comes with the window's next paint, not at once.
    const auto Shown = [&] {
        TBitmap B(Plain->Width(), Plain->Height());
        GrabWindow(Plain->Handle(), B);
        std::vector<COLORREF> Px;
        for (int Y = 0; Y < B.Height(); ++Y)
            for (int X = 0; X < B.Width(); ++X)
                Px.push_back(GetPixel(B.Canvas()->Handle(), X, Y));
        return Px;
    };
    RedrawWindow(F->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    const std::vector<COLORREF> Unfocused = Shown();
    Plain->SetFocus();
    EXPECT_TRUE(GetUpdateRect(Plain->Handle(), nullptr, FALSE));
    EXPECT_EQ(Shown(), Unfocused);
    RedrawWindow(F->Handle(), nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN);
    EXPECT_NE(Shown(), Unfocused);
    EXPECT_TRUE(Plain->Active());
    EXPECT_FALSE(Def->Active());
    F->Perform(CM_DIALOGKEY, VK_RETURN, 0);
    EXPECT_EQ(DefClicks.N, 1);
    EXPECT_EQ(PlainClicks.N, 1);
}

// ---------------------------------------------------------------------------
// Pixels
// ---------------------------------------------------------------------------

TEST(RzButtonPaint, HotTrackRingCornersAndGradient)
{
    TClassicLook Classic;
    TOwnedCtl<TPanel> P(new TPanel(nullptr));
    P->SetColor(0x00D0D0D0);
    auto B = Make<TRzButton>(P.get());
    B->SetBounds(0, 0, 60, 30);
    B->SetColor(0x00C08040);
    B->SetHotTrack(true);
    B->SetFrameColor(clRed);
    EXPECT_TRUE(B->Transparent());
    const TColor Dark = DarkerColor(0x00D0D0D0, 20), Light = LighterColor(0x00D0D0D0, 20);

    TTestSurface Img(60, 30);
    PaintInto(B.get(), Img);
    const struct { int X, Y; TColor Want; } Ring[] = {
        {0, 0, TTestSurface::Sentinel}, {1, 0, TTestSurface::Sentinel}, {0, 1, TTestSurface::Sentinel},
        {2, 0, Dark},   {57, 0, Dark},  {0, 2, Dark},   {0, 27, Dark}, {58, 0, TTestSurface::Sentinel},
        {2, 29, Light}, {59, 2, Light}, {59, 27, Light}, {59, 28, TTestSurface::Sentinel},
        {1, 1, Dark},   {58, 1, Dark},  {1, 28, Dark},  {58, 28, Light},
        {2, 1, clRed},  {57, 1, clRed}, {1, 2, clRed},  {58, 27, clRed}, {2, 28, clRed},
        // The body's two bottom lines.
        {30, 26, DarkerColor(0x00C08040, 20)}, {30, 27, DarkerColor(0x00C08040, 30)},
    };
    for (const auto& R : Ring)
        EXPECT_EQ(Img.Px(R.X, R.Y), Rgb(R.Want)) << R.X << "," << R.Y;
    // The body runs from light at the top to dark at the bottom.
    EXPECT_EQ(Img.Px(4, 2), Rgb(LighterColor(0x00C08040, 30)));
    int Last = 256 * 3;
    for (int Y = 2; Y < 26; ++Y) {
        const TColor C = Img.Px(4, Y);
        const int Sum = (C & 0xFF) + ((C >> 8) & 0xFF) + ((C >> 16) & 0xFF);
        EXPECT_LE(Sum, Last) << Y;
        Last = Sum;
    }

    // Under the mouse: a two-pixel ring from the blended top to the hot colour.
    B->Perform(CM_MOUSEENTER);
    TTestSurface Hot(60, 30);
    PaintInto(B.get(), Hot);
    TColor Top, Bottom;
    HotTrackRingColors(htctActual, B->HotTrackColor(), Top, Bottom);
    auto Near = [](TColor X, TColor Y) {
        for (int Shift : {0, 8, 16})
            if (std::abs(((X >> Shift) & 0xFF) - ((Y >> Shift) & 0xFF)) > 12)
                return false;
        return true;
    };
    EXPECT_EQ(Hot.Px(30, 2), Rgb(Top));
    EXPECT_TRUE(Near(Hot.Px(30, 3), Rgb(Top))) << "two pixels wide";
    EXPECT_TRUE(Near(Hot.Px(2, 15), Hot.Px(3, 15)));
    EXPECT_TRUE(Near(Hot.Px(30, 27), Rgb(Bottom)));
    EXPECT_NE(Hot.Px(2, 15), Img.Px(2, 15)) << "the ring covers the body's edge";
    for (const auto& At : {std::pair{30, 4}, std::pair{4, 15}, std::pair{55, 24}})
        EXPECT_EQ(Hot.Px(At.first, At.second), Img.Px(At.first, At.second)) << "inside the ring";
    B->Perform(CM_MOUSELEAVE);

    // Disabled: the outer ring takes the parent's colour.
    B->SetEnabled(false);
    TTestSurface Off(60, 30);
    PaintInto(B.get(), Off);
    EXPECT_EQ(Off.Px(2, 0), Rgb(0x00D0D0D0));
    EXPECT_EQ(Off.Px(2, 1), Rgb(DarkerColor(0x00C08040, 80))) << "the inner frame of a coloured button";
}

TEST(RzButtonPaint, TextStylesLayTheirCopies)
{
    TClassicLook Classic;
    auto Make1 = [](TTextStyle Style, bool Light, bool Enabled, TAlignment Align) {
        auto B = Make<TRzButton>();
        B->SetBounds(0, 0, 90, 30);
        CrispFont(B.get());
        B->SetColor(clWhite);
        B->SetCaption("Hm");
        B->SetTextStyle(Style);
        B->SetLightTextStyle(Light);
        B->SetTextHighlightColor(clYellow);
        B->SetTextShadowColor(clRed);
        B->SetTextShadowDepth(3);
        B->SetAlignment(Align);
        B->SetEnabled(Enabled);
        return B;
    };
    auto Plain = Make1(tsNormal, false, true, taCenter);
    TTestSurface Ref(90, 30);
    PaintInto(Plain.get(), Ref);
    const TMask Text = Ref.PixelsOf(clBlack);
    ASSERT_GT(Text.size(), 30u);

    struct TCopy { int DX, DY; TColor Color; };
    const struct { TTextStyle Style; bool Light; std::vector<TCopy> Copies; } Cases[] = {
        {tsRaised, false, {{1, 1, clRed}, {-1, -1, clYellow}}},
        {tsRaised, true, {{-1, -1, clYellow}}},
        {tsRecessed, false, {{1, 1, clYellow}, {-1, -1, clRed}}},
        {tsRecessed, true, {{1, 1, clYellow}}},
        {tsShadow, false, {{3, 3, clRed}}},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << "style " << int(C.Style) << " light " << C.Light);
        auto B = Make1(C.Style, C.Light, true, taCenter);
        TTestSurface Img(90, 30);
        PaintInto(B.get(), Img);
        EXPECT_EQ(Img.PixelsOf(clBlack), Text);
        for (const auto& K : C.Copies) {
            TMask Want;
            for (const auto& P : Text) {
                const std::pair<int, int> Q{P.first + K.DX, P.second + K.DY};
                bool Covered = Text.count(Q) > 0;
                for (const auto& Later : C.Copies)
                    if (&Later > &K && Text.count({Q.first - Later.DX, Q.second - Later.DY}))
                        Covered = true;
                if (!Covered)
                    Want.insert(Q);
            }
            const TMask Got = Img.PixelsOf(K.Color);
            for (const auto& Q : Want)
                EXPECT_TRUE(Got.count(Q)) << Q.first << "," << Q.second;
        }
    }

    // Right-aligned: the enabled caption ends TextShadowDepth further left
    // than the disabled one, shadow style or not.
    for (TTextStyle Style : {tsNormal, tsShadow}) {
        auto On = Make1(Style, false, true, taRightJustify);
        auto Off = Make1(Style, false, false, taRightJustify);
        TTestSurface A(90, 30), B(90, 30);
        PaintInto(On.get(), A);
        PaintInto(Off.get(), B);
        const int EnabledRight = RightmostX(A.PixelsOf(clBlack));
        const int DisabledRight = RightmostX(B.PixelsOf(clGrayText));
        ASSERT_GT(EnabledRight, 0);
        EXPECT_EQ(DisabledRight - EnabledRight, 3) << int(Style);
    }
}

TEST(RzButtonPaint, LatchedClassicButtonShowsTheDownPattern)
{
    TClassicLook Classic;
    TOwnedCtl<TPanel> P(new TPanel(nullptr));
    auto B = Make<TRzButton>(P.get());
    B->SetBounds(0, 0, 40, 24);
    B->SetColor(clWhite);
    B->SetGroupIndex(3);
    B->SetDown(true);
    TTestSurface Img(40, 24);
    PaintInto(B.get(), Img);
    // Inside the lowered border, away from any caption.
    for (int Y = 4; Y < 8; ++Y)
        for (int X = 4; X < 8; ++X)
            EXPECT_EQ(Img.Px(X, Y), Rgb(X % 2 == Y % 2 ? clSilver : clWhite)) << X << "," << Y;
    B->SetShowDownPattern(false);
    TTestSurface Plain(40, 24);
    PaintInto(B.get(), Plain);
    EXPECT_EQ(Plain.CountNot(clWhite, 4, 4, 8, 8), 0);
}

TEST(RzButtonPaint, ClassicDefaultButtonHasItsFrameAndBitButtonItsGlyph)
{
    TClassicLook Classic;
    auto B = Make<TRzBitBtn>();
    B->SetBounds(0, 0, 80, 30);
    B->SetCaption("");
    auto G = SolidGlyph(32, 16, clBlue);
    B->Glyph()->Assign(G.get());
    B->Glyph()->Canvas()->Brush()->SetColor(clLime);
    B->Glyph()->Canvas()->FillRect(TRect(16, 0, 32, 16));
    B->Glyph()->Canvas()->SetPixel(0, 15, clOlive); // the left-out colour
    B->Glyph()->Canvas()->SetPixel(8, 0, clRed);    // its first row and last
    B->Glyph()->Canvas()->SetPixel(8, 15, clMaroon);
    GdiFlush();
    B->SetNumGlyphs(2);
    B->Perform(CM_FOCUSCHANGED, 0, 0);
    TTestSurface Img(80, 30);
    PaintInto(B.get(), Img);
    const TRect GR = B->GetGlyphRect();
    EXPECT_EQ(Img.Px(GR.left + 8, GR.top + 8), Rgb(clBlue));
    EXPECT_EQ(Img.Px(GR.left, GR.top + 15), Rgb(B->Color())) << "the transparent colour shows the face";
    EXPECT_EQ(Img.Px(GR.left + 8, GR.top), Rgb(clRed)) << "the glyph at its size, not one row less";
    EXPECT_EQ(Img.Px(GR.left + 8, GR.top + 15), Rgb(clMaroon));
    B->SetEnabled(false);
    TTestSurface Off(80, 30);
    PaintInto(B.get(), Off);
    EXPECT_EQ(Off.Px(GR.left + 8, GR.top + 8), Rgb(clLime)) << "the second image is the disabled one";
    // A glyph wider than high keeps its shape.
    B->SetEnabled(true);
    auto Wide = SolidGlyph(24, 16, clBlue);
    Wide->Canvas()->SetPixel(0, 15, clOlive);
    Wide->Canvas()->SetPixel(23, 0, clRed);
    GdiFlush();
    B->Glyph()->Assign(Wide.get());
    B->SetNumGlyphs(1);
    TTestSurface Flat(80, 30);
    PaintInto(B.get(), Flat);
    const TRect WR = B->GetGlyphRect();
    ASSERT_EQ(WR.Width(), 24);
    EXPECT_EQ(Flat.Px(WR.left + 23, WR.top), Rgb(clRed));
    EXPECT_EQ(Flat.Px(WR.left + 20, WR.top + 12), Rgb(clBlue));

    // A default (active) classic button gets a window-frame ring.
    auto D = Make<TRzButton>();
    D->SetBounds(0, 0, 60, 24);
    D->SetDefault(true);
    D->Perform(CM_FOCUSCHANGED, 0, 0);
    ASSERT_TRUE(D->Active());
    TTestSurface Def(60, 24);
    PaintInto(D.get(), Def);
    for (const auto& P : {std::pair{0, 0}, std::pair{59, 0}, std::pair{0, 23}, std::pair{30, 23}})
        EXPECT_EQ(Def.Px(P.first, P.second), Rgb(clWindowFrame)) << P.first << "," << P.second;
}

TEST(RzButtonWindow, HiddenAcceleratorsDrawNoUnderline)
{
    TClassicLook Classic;
    auto F = NewTestForm(200, 60);
    auto Paint = [&](const std::string& Caption, bool HideAccel) {
        auto B = Make<TRzButton>(F.get());
        B->SetBounds(0, 0, 90, 30);
        CrispFont(B.get());
        B->SetColor(clWhite);
        B->SetCaption(Caption);
        F->Show();
        SendMessageA(B->Handle(), WM_UPDATEUISTATE, MAKEWPARAM(HideAccel ? UIS_SET : UIS_CLEAR, UISF_HIDEACCEL), 0);
        TTestSurface Img(90, 30);
        PaintInto(B.get(), Img);
        return Img.PixelsOf(clBlack);
    };
    const TMask Shown = Paint("&Help", false);
    const TMask Hidden = Paint("&Help", true);
    const TMask Plain = Paint("Help", false);
    EXPECT_EQ(Hidden, Plain);
    EXPECT_GT(Shown.size(), Plain.size()) << "the underline";
}
