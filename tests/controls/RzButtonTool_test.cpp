// Tool and control buttons: the drop-down part and its reopen guard, tool
// style widths, groups under a window, the repeat schedule driven by the
// timer's tick, the action link, and the looks painted into memory DIBs.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "controls/RzButton.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"
#include "testkit/TestControls.h"

namespace {

// A tool button whose menu only counts: the real one is modal.
class TCountingToolButton : public TRzToolButton {
public:
    using TRzToolButton::TRzToolButton;
    int Drops = 0;

protected:
    void DropDown() override { ++Drops; }
};

void PaintInto(TControl* C, TTestSurface& Img)
{
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
    GdiFlush();
}

// Images of one solid colour each, 16 x 16.
std::unique_ptr<TImageList> SolidImages(std::initializer_list<TColor> Colors)
{
    auto L = std::make_unique<TImageList>(nullptr, 16, 16);
    TBitmap B(16, 16);
    for (TColor C : Colors) {
        B.Canvas()->Brush()->SetColor(C);
        B.Canvas()->FillRect(TRect(0, 0, 16, 16));
        GdiFlush();
        L->AddMasked(&B, clFuchsia);
    }
    return L;
}

} // namespace

TEST(RzToolButton, ToolStyleWidthAndGroupIndex)
{
    auto B = Make<TRzToolButton>();
    EXPECT_EQ(B->Width(), 25);
    B->SetGroupIndex(4);
    B->SetToolStyle(tsDropDown);
    EXPECT_EQ(B->Width(), 25 + 14);
    EXPECT_EQ(B->GroupIndex(), 0) << "switching clears the group";
    B->SetGroupIndex(4);
    EXPECT_EQ(B->GroupIndex(), 0) << "a drop-down button is never grouped";
    B->SetToolStyle(tsButton);
    EXPECT_EQ(B->Width(), 25);

    auto L = Make<TRzToolButton>();
    L->BeginLoading();
    L->SetToolStyle(tsDropDown);
    L->EndLoading();
    EXPECT_EQ(L->Width(), 25) << "a loaded width already holds the arrow";

    // The button grows to its images.
    auto Images = std::make_unique<TImageList>(nullptr, 32, 20);
    B->SetImages(Images.get());
    EXPECT_EQ(B->Width(), 32);
    EXPECT_EQ(B->Height(), 25);
    Images.reset();
    EXPECT_EQ(B->Images(), nullptr);
}

TEST(RzToolButton, DropDownReopenGuardWithInjectedClock)
{
    auto F = NewTestForm(200, 60);
    TOwnedCtl<TCountingToolButton> B(new TCountingToolButton(nullptr));
    B->SetParent(F.get());
    B->SetBounds(10, 10, 40, 25);
    B->SetToolStyle(tsDropDown); // 54 wide, the arrow part from x = 40
    TPopupMenu Menu(nullptr);
    B->SetDropDownMenu(&Menu);
    int Clicks = 0;
    B->OnClick = [&](TObject*) { ++Clicks; };
    DWORD Now = 5000;
    B->TickSource = [&] { return Now; };
    F->Show();
    HWND W = F->Handle();
    // The release after a drop asks where the mouse is: over the button.
    const TPoint Over = B->ClientToScreen(TPoint(20, 10));
    SetCursorPos(Over.x, Over.y);
    auto PressAt = [&](int X) {
        Press(W, 10 + X, 20);
        Release(W, 10 + X, 20);
    };

    PressAt(45);
    EXPECT_EQ(B->Drops, 1);
    EXPECT_EQ(B->ButtonState(), tbsUp);
    EXPECT_FALSE(B->ClickAllowed());
    Now += 60;
    PressAt(45); // the press that closed the menu
    EXPECT_EQ(B->Drops, 1);
    EXPECT_TRUE(B->ClickAllowed());
    Now += 300;
    PressAt(45);
    EXPECT_EQ(B->Drops, 2);
    EXPECT_EQ(Clicks, 0);

    // The main part: after a drop the first press only re-allows clicks.
    Now += 300;
    PressAt(5);
    EXPECT_EQ(Clicks, 0);
    PressAt(5);
    EXPECT_EQ(Clicks, 1);
    EXPECT_EQ(B->Drops, 2);

    // Without a click handler the whole button drops the menu.
    B->OnClick = nullptr;
    Now += 300;
    PressAt(5);
    EXPECT_EQ(B->Drops, 3);
}

TEST(RzToolButton, GroupsUnderAWindow)
{
    auto F = NewTestForm(200, 60);
    auto A = Make<TRzToolButton>(F.get());
    auto B = Make<TRzToolButton>(F.get());
    A->SetBounds(0, 0, 25, 25);
    B->SetBounds(30, 0, 25, 25);
    A->SetGroupIndex(1);
    B->SetGroupIndex(1);
    int Clicks = 0;
    A->OnClick = [&](TObject*) { ++Clicks; };
    F->Show();
    HWND W = F->Handle();

    Press(W, 5, 5);
    EXPECT_EQ(A->ButtonState(), tbsPressed);
    Release(W, 5, 5);
    EXPECT_TRUE(A->Down());
    EXPECT_EQ(A->ButtonState(), tbsLatched);
    EXPECT_EQ(Clicks, 1);

    Press(W, 5, 5);
    Release(W, 5, 5);
    EXPECT_TRUE(A->Down()) << "no AllowAllUp: stays down";
    EXPECT_EQ(Clicks, 1) << "and the refused release does not click";

    Press(W, 35, 5);
    Release(W, 35, 5);
    EXPECT_TRUE(B->Down());
    EXPECT_FALSE(A->Down());

    B->SetAllowAllUp(true);
    Press(W, 35, 5);
    Release(W, 35, 5);
    EXPECT_FALSE(B->Down());

    // Released outside: back to what it was, no click.
    Press(W, 5, 5);
    Move(W, 100, 50);
    EXPECT_EQ(A->ButtonState(), tbsUp);
    Release(W, 100, 50);
    EXPECT_FALSE(A->Down());
    EXPECT_EQ(Clicks, 1);
}

TEST(RzToolButton, ActionLinkDrivesDownAndImage)
{
    TOwnedCtl<TPanel> P(new TPanel(nullptr));
    auto B = Make<TRzToolButton>(P.get());
    B->SetGroupIndex(2);
    TAction A(nullptr);
    A.SetImageIndex(5);
    B->SetAction(&A);
    EXPECT_EQ(B->ImageIndex(), 5);
    A.SetChecked(true);
    EXPECT_TRUE(B->Down());
    A.SetImageIndex(6);
    EXPECT_EQ(B->ImageIndex(), 6);

    auto Loaded = Make<TRzToolButton>(P.get());
    Loaded->SetImageIndex(1);
    A.BeginLoading();
    Loaded->SetAction(&A);
    A.EndLoading();
    EXPECT_EQ(Loaded->ImageIndex(), 1) << "defaults only: an image already set stays";
    B->SetAction(nullptr);
    Loaded->SetAction(nullptr);
}

TEST(RzToolButtonPaint, ClassicGradientAndImages)
{
    TClassicLook Classic;
    auto Images = SolidImages({clRed, clLime, clBlue, clYellow});
    auto B = Make<TRzToolButton>();
    B->SetBounds(0, 0, 30, 30);
    B->SetImages(Images.get());
    B->SetImageIndex(0);
    B->SetHotIndex(1);
    B->SetDownIndex(2);
    B->SetVisualStyle(vsClassic);
    B->SetFlat(false);

    TTestSurface Up(30, 30);
    PaintInto(B.get(), Up);
    EXPECT_EQ(Up.Px(0, 0), Rgb(clBtnHighlight)) << "raised (popup) frame";
    EXPECT_EQ(Up.Px(29, 29), Rgb(clBtnShadow));
    EXPECT_EQ(Up.Px(15, 15), Rgb(clRed));
    EXPECT_EQ(Up.Px(3, 3), TTestSurface::Sentinel) << "transparent: no fill";

    B->Perform(CM_MOUSEENTER);
    TTestSurface Hot(30, 30);
    PaintInto(B.get(), Hot);
    EXPECT_EQ(Hot.Px(15, 15), Rgb(clLime));
    B->Perform(CM_MOUSELEAVE);

    // Latched: the sunken frame, the pattern, the down image.
    B->SetGroupIndex(1);
    B->SetDown(true);
    TTestSurface Down(30, 30);
    PaintInto(B.get(), Down);
    EXPECT_EQ(Down.Px(0, 0), Rgb(clBtnShadow));
    EXPECT_EQ(Down.Px(15, 15), Rgb(clBlue));
    EXPECT_EQ(Down.Px(3, 3), Rgb(clBtnHighlight));
    EXPECT_EQ(Down.Px(4, 3), Rgb(clBtnFace));

    // Flat at rest: no frame at all.
    B->SetDown(false);
    B->SetGroupIndex(0);
    B->SetFlat(true);
    TTestSurface Flat(30, 30);
    PaintInto(B.get(), Flat);
    EXPECT_EQ(Flat.Px(0, 0), TTestSurface::Sentinel);

    // Disabled: the disabled image when there is one, else the embossed one.
    B->SetEnabled(false);
    TTestSurface Off(30, 30);
    PaintInto(B.get(), Off);
    EXPECT_EQ(Off.Px(15, 15), Rgb(clBtnShadow));
    B->SetDisabledIndex(3);
    TTestSurface OffImg(30, 30);
    PaintInto(B.get(), OffImg);
    EXPECT_EQ(OffImg.Px(15, 15), Rgb(clYellow));

    // Gradient, latched away from the mouse: frame, then dark stop to start.
    auto G = Make<TRzToolButton>();
    G->SetBounds(0, 0, 30, 30);
    G->SetVisualStyle(vsGradient);
    G->SetGradientColorStyle(gcsCustom);
    G->SetSelectionFrameColor(clNavy);
    G->SetSelectionColorStart(clWhite);
    G->SetSelectionColorStop(0x00808080);
    G->SetGroupIndex(1);
    G->SetDown(true);
    TTestSurface Grad(30, 30);
    PaintInto(G.get(), Grad);
    EXPECT_EQ(Grad.Px(0, 0), Rgb(clNavy));
    EXPECT_EQ(Grad.Px(29, 15), Rgb(clNavy));
    EXPECT_EQ(Grad.Px(15, 1), Rgb(DarkerColor(0x00808080, 40)));
    EXPECT_GT(Grad.Px(15, 28) & 0xFF, Grad.Px(15, 1) & 0xFF) << "lighter towards the bottom";
    G->SetAllowAllUp(true);
    G->SetDown(false);
    TTestSurface Rest(30, 30);
    PaintInto(G.get(), Rest);
    EXPECT_EQ(Rest.Px(0, 0), TTestSurface::Sentinel) << "nothing at rest";
}

TEST(RzControlButton, RepeatScheduleDrivenByTheTimersTick)
{
    auto F = NewTestForm(100, 60);
    auto B = Make<TRzControlButton>(F.get());
    B->SetBounds(10, 10, 17, 21);
    B->SetRepeatClicks(true);
    int Clicks = 0;
    B->OnClick = [&](TObject*) { ++Clicks; };
    F->Show();
    HWND W = F->Handle();

    Press(W, 15, 15);
    ASSERT_NE(B->RepeatTimer(), nullptr);
    EXPECT_TRUE(B->IsDown());
    EXPECT_EQ(B->RepeatTimer()->Interval(), 400u);
    EXPECT_TRUE(B->RepeatTimer()->Enabled());
    EXPECT_EQ(Clicks, 0);
    for (int Tick = 1; Tick <= 6; ++Tick) {
        B->RepeatTimer()->Timer();
        EXPECT_EQ(Clicks, Tick);
        EXPECT_EQ(B->RepeatTimer()->Interval(), 100u);
    }
    Release(W, 15, 15);
    EXPECT_EQ(Clicks, 7) << "once more on the release inside";
    EXPECT_FALSE(B->RepeatTimer()->Enabled());
    EXPECT_FALSE(B->IsDown());
    B->RepeatTimer()->Timer();
    EXPECT_EQ(Clicks, 7) << "a late tick after the release clicks nothing";

    // A release outside: only the repeats.
    Press(W, 15, 15);
    EXPECT_EQ(B->RepeatTimer()->Interval(), 400u) << "every press starts with the initial delay";
    B->RepeatTimer()->Timer();
    Release(W, 80, 50);
    EXPECT_EQ(Clicks, 8);

    // Without RepeatClicks a press makes no timer.
    auto Plain = Make<TRzControlButton>(F.get());
    Plain->SetBounds(40, 10, 17, 21);
    Press(W, 45, 15);
    Release(W, 45, 15);
    EXPECT_EQ(Plain->RepeatTimer(), nullptr);
}

TEST(RzControlButtonPaint, StylesAndGlyphs)
{
    TClassicLook Classic;
    auto B = Make<TRzControlButton>();
    B->SetBounds(0, 0, 17, 21);
    for (auto Style : {cbsLeft, cbsUp, cbsRight, cbsDown, cbsDropDown}) {
        SCOPED_TRACE(int(Style));
        B->SetStyle(Style);
        TTestSurface Img(17, 21);
        PaintInto(B.get(), Img);
        EXPECT_GE(Img.CountNot(clBtnFace, 4, 5, 13, 16), 6) << "an arrow in the middle";
        EXPECT_EQ(Img.CountNot(clBtnFace, 3, 3, 4, 4), 0) << "on the face colour";
    }
    // Glyph cells: normal, disabled, pressed.
    B->SetStyle(cbsNone);
    TBitmap G(24, 8);
    const TColor Cells[] = {clRed, clLime, clBlue};
    for (int I = 0; I < 3; ++I) {
        G.Canvas()->Brush()->SetColor(Cells[I]);
        G.Canvas()->FillRect(TRect(I * 8, 0, I * 8 + 8, 8));
    }
    G.SetTransparentColor(clFuchsia);
    GdiFlush();
    B->SetGlyph(&G);
    EXPECT_EQ(B->NumGlyphs(), 3);
    TTestSurface Normal(17, 21);
    PaintInto(B.get(), Normal);
    EXPECT_EQ(Normal.Px(8, 10), Rgb(clRed));
    EXPECT_NE(Normal.Px(0, 0), Rgb(clBtnFace)) << "raised";
    EXPECT_NE(Normal.Px(16, 20), Rgb(clBtnFace));
    B->SetEnabled(false);
    TTestSurface Off(17, 21);
    PaintInto(B.get(), Off);
    EXPECT_EQ(Off.Px(8, 10), Rgb(clLime));

    // An empty glyph keeps the count and measures nothing.
    TBitmap ZeroHigh(16, 0);
    B->SetGlyph(&ZeroHigh);
    EXPECT_EQ(B->NumGlyphs(), 3);
    EXPECT_EQ(B->GetGlyphSize().cx, 0);
    TTestSurface Empty(17, 21);
    PaintInto(B.get(), Empty);
}
