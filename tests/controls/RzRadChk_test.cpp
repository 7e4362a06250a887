// The glyph check box: the state cycle and read-only use under a window,
// BM_GETCHECK, the glyph chosen from each source (with the fall-backs for
// short lists and narrow strips), auto size, the action link and the frame
// controller.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "classlib/ExtCtrls.h"
#include "controls/RzRadChk.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"
#include "testkit/TestControls.h"

namespace {

TOwnedCtl<TRzCheckBox> MakeBox(TWinControl* Parent = nullptr)
{
    TOwnedCtl<TRzCheckBox> B(new TRzCheckBox(nullptr));
    if (Parent)
        B->SetParent(Parent);
    B->SetCaption("Option");
    return B;
}

void PaintInto(TControl* C, TTestSurface& Img)
{
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
    GdiFlush();
}

// A list of N solid 13 x 13 images, image i in Palette[i].
const TColor Palette[12] = {0x000000C0, 0x0000C000, 0x00C00000, 0x0000C0C0, 0x00C000C0, 0x00C0C000,
                            0x00404080, 0x00408040, 0x00804040, 0x00202020, 0x00606060, 0x00A0A0A0};

std::unique_ptr<TImageList> PaletteImages(int N)
{
    auto L = std::make_unique<TImageList>(nullptr, 13, 13);
    TBitmap B(13, 13);
    for (int I = 0; I < N; ++I) {
        B.Canvas()->Brush()->SetColor(Palette[I]);
        B.Canvas()->FillRect(TRect(0, 0, 13, 13));
        GdiFlush();
        L->AddMasked(&B, clOlive);
    }
    return L;
}

// A strip of Frames solid frames of Width x 11, frame i in Palette[i].
std::unique_ptr<TBitmap> PaletteStrip(int Frames, int Width)
{
    auto B = std::make_unique<TBitmap>(Frames * Width, 11);
    for (int I = 0; I < Frames; ++I) {
        B->Canvas()->Brush()->SetColor(Palette[I % 12]);
        B->Canvas()->FillRect(TRect(I * Width, 0, (I + 1) * Width, 11));
    }
    GdiFlush();
    return B;
}

} // namespace

TEST(RzCheckBox, AllowGrayedCycleAndReadOnlyUnderAWindow)
{
    auto F = NewTestForm(200, 80);
    auto B = MakeBox(F.get());
    B->SetBounds(10, 10, 100, 20);
    B->SetAllowGrayed(true);
    std::vector<TCheckBoxState> Seen;
    B->OnClick = [&](TObject*) { Seen.push_back(B->State()); };
    F->Show();
    HWND W = B->Handle();
    auto ClickBox = [&] {
        Press(W, 5, 5);
        Release(W, 5, 5);
    };
    ClickBox();
    ClickBox();
    ClickBox();
    EXPECT_EQ(Seen, (std::vector<TCheckBoxState>{cbGrayed, cbChecked, cbUnchecked}));
    EXPECT_EQ(SendMessageA(W, BM_GETCHECK, 0, 0), BST_UNCHECKED);

    B->SetAllowGrayed(false);
    ClickBox();
    EXPECT_EQ(B->State(), cbChecked);
    EXPECT_EQ(SendMessageA(W, BM_GETCHECK, 0, 0), BST_CHECKED);
    Key(W, VK_SPACE, true);
    EXPECT_TRUE(B->Pressed());
    Key(W, VK_ESCAPE, true);
    EXPECT_FALSE(B->Pressed()) << "Escape drops the Space press";
    Key(W, VK_SPACE, false);
    EXPECT_EQ(B->State(), cbChecked);
    Key(W, VK_SPACE, true);
    Key(W, VK_SPACE, false);
    EXPECT_EQ(B->State(), cbUnchecked);

    // Read-only: the user changes nothing; code still does, with a click.
    B->SetReadOnly(true);
    B->SetCaption("&Read");
    const size_t Before = Seen.size();
    ClickBox();
    Key(W, VK_SPACE, true);
    Key(W, VK_SPACE, false);
    F->Perform(CM_DIALOGCHAR, 'R', 0);
    EXPECT_EQ(B->State(), cbUnchecked);
    EXPECT_EQ(Seen.size(), Before);
    B->SetChecked(true);
    EXPECT_EQ(Seen.size(), Before + 1);
    EXPECT_EQ(SendMessageA(W, BM_GETCHECK, 0, 0), BST_CHECKED);

    // The accelerator of a writable box focuses it and changes it.
    B->SetReadOnly(false);
    F->SetFocus();
    EXPECT_NE(F->Perform(CM_DIALOGCHAR, 'r', 0), 0);
    EXPECT_TRUE(B->Focused());
    EXPECT_EQ(B->State(), cbUnchecked);

    // Without a window: BM_GETCHECK answers the state as well.
    auto Loose = MakeBox();
    Loose->SetState(cbGrayed);
    EXPECT_EQ(Loose->Perform(BM_GETCHECK), BST_INDETERMINATE);
}

TEST(RzCheckBox, CustomImageIndexFallsBackToTheNormalFrame)
{
    auto B = MakeBox();
    B->SetHotTrack(true);
    B->Perform(CM_MOUSEENTER);
    const struct { TCheckBoxState State; bool Enabled, HotTrack; int Images, Want; } Cases[] = {
        {cbGrayed, true, true, 12, 11},
        {cbGrayed, true, false, 12, 2},
        {cbUnchecked, true, true, 12, 9},
        {cbChecked, true, true, 10, 1},  // image 10 is missing: the normal checked frame
        {cbGrayed, true, true, 11, 2},   // image 11 is missing
        {cbUnchecked, true, true, 10, 9},
        {cbChecked, true, true, 9, 1},   // nine images: no hot frames at all
        {cbChecked, false, true, 12, 7},
        {cbGrayed, false, true, 8, 2},   // disabled grayed is 8, one past the list
        {cbChecked, false, true, 3, 1},
    };
    for (const auto& C : Cases) {
        SCOPED_TRACE(testing::Message() << int(C.State) << " images " << C.Images);
        B->SetState(C.State);
        B->SetEnabled(C.Enabled);
        B->SetHotTrack(C.HotTrack);
        EXPECT_EQ(B->CustomImageIndex(C.Images), C.Want);
    }
}

TEST(RzCheckBox, GlyphFromImagesStripsAndThePainters)
{
    TClassicLook Classic;
    auto B = MakeBox();
    B->SetAutoSize(false);
    B->SetBounds(0, 0, 60, 17);
    B->SetColor(clWhite);
    auto Centre = [&](TCheckBoxState S) {
        B->SetState(S);
        TTestSurface Img(60, 17);
        PaintInto(B.get(), Img);
        const TRect G = B->GlyphRect();
        return Img.Px((G.left + G.right) / 2, (G.top + G.bottom) / 2);
    };

    // A hovered checked box with ten images: the checked image, not nothing.
    auto Ten = PaletteImages(10);
    B->SetCustomGlyphImages(Ten.get());
    EXPECT_TRUE(B->UseCustomGlyphs());
    B->SetHotTrack(true);
    B->Perform(CM_MOUSEENTER);
    EXPECT_EQ(Centre(cbChecked), Rgb(Palette[1]));
    EXPECT_EQ(Centre(cbUnchecked), Rgb(Palette[9]));
    B->Perform(CM_MOUSELEAVE);
    EXPECT_EQ(Centre(cbGrayed), Rgb(Palette[2]));
    B->SetEnabled(false);
    EXPECT_EQ(Centre(cbChecked), Rgb(Palette[7]));
    B->SetEnabled(true);
    B->SetCustomGlyphImages(nullptr);
    EXPECT_FALSE(B->UseCustomGlyphs());

    // A nine-frame strip: frame width = strip width div 9.
    auto Strip = PaletteStrip(9, 10);
    B->SetCustomGlyphs(Strip.get());
    EXPECT_TRUE(B->UseCustomGlyphs());
    EXPECT_EQ(B->GlyphSize().cx, 10);
    EXPECT_EQ(B->GlyphSize().cy, 11);
    EXPECT_EQ(Centre(cbGrayed), Rgb(Palette[2]));
    B->SetEnabled(false);
    EXPECT_EQ(Centre(cbUnchecked), Rgb(Palette[6]));
    B->SetEnabled(true);

    // A strip narrower than nine pixels has no frames: no custom glyphs.
    auto Narrow = PaletteStrip(8, 1);
    B->SetCustomGlyphs(Narrow.get());
    EXPECT_FALSE(B->UseCustomGlyphs());
    EXPECT_EQ(B->GlyphSize().cx, 13);
    EXPECT_EQ(B->GlyphSize().cy, 13);
    B->SetCustomGlyphs(nullptr);

    // The flat painter: frame colour outside, fill inside, the mark.
    B->SetHotTrack(true);
    B->SetFrameColor(clNavy);
    B->SetFillColor(clYellow);
    B->SetHighlightColor(clRed);
    for (TCheckBoxState S : {cbUnchecked, cbChecked, cbGrayed}) {
        SCOPED_TRACE(int(S));
        B->SetState(S);
        TTestSurface Img(60, 17);
        PaintInto(B.get(), Img);
        const TRect G = B->GlyphRect();
        EXPECT_EQ(Img.Px(G.left, G.top), Rgb(clNavy));
        EXPECT_EQ(Img.Px(G.right - 1, G.bottom - 1), Rgb(clNavy));
        EXPECT_EQ(Img.Px(G.left + 1, G.top + 1), Rgb(clYellow));
        const int Marks = 169 - Img.CountNot(clRed, G.left, G.top, G.right, G.bottom);
        if (S == cbUnchecked)
            EXPECT_EQ(Marks, 0);
        else
            EXPECT_GT(Marks, 6);
    }

    // The classic painter: a white box, a dark check, a grey-dotted grayed box.
    B->SetHotTrack(false);
    B->SetColor(clBtnFace);
    TTestSurface Off(60, 17), On(60, 17), Gray(60, 17);
    B->SetState(cbUnchecked);
    PaintInto(B.get(), Off);
    B->SetState(cbChecked);
    PaintInto(B.get(), On);
    B->SetState(cbGrayed);
    PaintInto(B.get(), Gray);
    const TRect G = B->GlyphRect();
    const TRect In(G.left + 3, G.top + 3, G.right - 3, G.bottom - 3);
    EXPECT_EQ(Off.CountNot(clWindow, In.left, In.top, In.right, In.bottom), 0);
    EXPECT_GT(On.CountNot(clWindow, In.left, In.top, In.right, In.bottom), 5);
    EXPECT_GT(Gray.CountNot(clWindow, In.left, In.top, In.right, In.bottom), 5);
    int Differ = 0;
    for (int Y = In.top; Y < In.bottom; ++Y)
        for (int X = In.left; X < In.right; ++X)
            Differ += Gray.Px(X, Y) != On.Px(X, Y);
    EXPECT_GT(Differ, 0) << "grayed is not drawn as checked";
}

TEST(RzCheckBox, AutoSizeKeepsTheRightEdgeOfARightHandGlyph)
{
    auto F = NewTestForm(300, 80);
    auto B = MakeBox(F.get());
    B->SetBounds(100, 10, 50, 20);
    B->SetAlignment(taLeftJustify); // the glyph at the right
    F->Show();
    B->HandleNeeded();
    B->SetCaption("A");
    const int Right = B->Left() + B->Width();
    const int Narrow = B->Width();
    B->SetCaption("A much longer caption");
    EXPECT_GT(B->Width(), Narrow);
    EXPECT_EQ(B->Left() + B->Width(), Right);
    EXPECT_GE(B->Height(), B->GlyphSize().cy + 2);
    EXPECT_EQ(B->GlyphRect().right, B->Width());

    auto L = MakeBox(F.get());
    L->SetBounds(10, 40, 50, 20);
    L->HandleNeeded();
    L->SetCaption("Left glyph");
    EXPECT_EQ(L->Left(), 10);
    EXPECT_EQ(L->GlyphRect().left, 0);
    const TRect Text = MeasureText(L->Font(), "Left glyph", TRect(0, 0, 1000, 100), DT_EXPANDTABS);
    EXPECT_EQ(L->Width(), Text.Width() + 2 + L->GlyphSize().cx + 4);
}

TEST(RzCheckBox, CheckedActionLinkSetsTheStateWithoutAClick)
{
    auto B = MakeBox();
    int Clicks = 0;
    B->OnClick = [&](TObject*) { ++Clicks; };
    TAction A(nullptr);
    A.SetCaption("Check for updates");
    A.SetChecked(true);
    B->SetAction(&A);
    EXPECT_TRUE(B->Checked());
    EXPECT_EQ(B->Caption(), "Check for updates");
    A.SetChecked(false);
    EXPECT_FALSE(B->Checked());
    EXPECT_EQ(Clicks, 0);

    // Loading: a box already checked keeps its state.
    auto L = MakeBox();
    L->SetChecked(true);
    A.BeginLoading();
    L->SetAction(&A);
    A.EndLoading();
    EXPECT_TRUE(L->Checked());
    B->SetAction(nullptr);
    L->SetAction(nullptr);
}

TEST(RzCheckBox, FrameControllerTurnsOnTheFlatLook)
{
    TRzFrameController FC(nullptr);
    FC.SetColor(clAqua);
    FC.SetFrameColor(clMaroon);
    FC.SetFrameHotTrack(true);
    FC.SetFrameHotColor(clLime);
    auto B = MakeBox();
    B->SetFrameControllerNotifications(fcnAll & ~(1u << fcpFrameColor));
    B->SetFrameController(&FC);
    EXPECT_TRUE(B->HotTrack());
    EXPECT_EQ(B->FillColor(), clAqua);
    EXPECT_EQ(B->FrameColor(), clBtnShadow) << "its notification is off";
    EXPECT_EQ(B->HotTrackStyle(), htsFrame);
    EXPECT_EQ(B->HotTrackColor(), clLime);
    B->SetFrameController(nullptr);
}
