// The containers together on one form, captured in the classic and the
// themed look: nested panels, the six group styles, a status bar with panes,
// progress bars in three looks at 0, 50 and 100 %, and a splitter. Each
// capture is saved beside the test program as a BMP.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/RzPanel.h"
#include "controls/RzPrgres.h"
#include "controls/RzSplit.h"
#include "controls/RzStatus.h"
#include "testkit/RzFormTest.h"

namespace {

constexpr int GalleryW = 640, GalleryH = 420;

struct TGallery {
    std::unique_ptr<TForm, TObjectFree> Form;
    std::vector<TRzProgressBar*> Bars; // traditional, LED, gradient; each at 0, 50, 100
    TRzPanel* Inner = nullptr;
    TRzGroupBox* Flat = nullptr;
    TRzSplitter* Split = nullptr;
    TRzStatusBar* Status = nullptr;

    TGallery() : Form(NewTestForm(GalleryW, GalleryH))
    {
        TForm* F = Form.get();
        F->SetColor(clBtnFace);
        auto Outer = new TRzPanel(F);
        Outer->SetParent(F);
        Outer->SetBounds(10, 10, 180, 120);
        Outer->SetBorderOuter(fsLowered);
        Outer->SetCaption("Outer");
        Outer->SetAlignmentVertical(avTop);
        Inner = new TRzPanel(F);
        Inner->SetParent(Outer);
        Inner->SetBounds(20, 30, 140, 70);
        Inner->SetBorderOuter(fsFlat);
        Inner->SetBorderInner(fsRaised);
        Inner->SetColor(clWhite);
        Inner->SetShowGrid(true);
        Inner->SetGridColor(clRed);
        Inner->SetCaption("Nested");

        const TRzGroupBoxStyle Styles[] = {gsStandard, gsCustom, gsTopLine, gsFlat, gsBanner, gsUnderline};
        const char* Names[] = {"Standard", "Custom", "Top line", "Flat", "Banner", "Underline"};
        for (int I = 0; I < 6; ++I) {
            auto G = new TRzGroupBox(F);
            G->SetParent(F);
            G->SetBounds(200 + (I % 3) * 145, 10 + (I / 3) * 90, 135, 80);
            G->SetGroupStyle(Styles[I]);
            G->SetCaption(Names[I]);
            G->SetFlatColor(clNavy);
            G->SetFlatColorAdjustment(0);
            if (Styles[I] == gsCustom)
                G->SetBorderOuter(fsGroove);
            if (I == 3) {
                Flat = G;
                G->SetShowCheckBox(true);
                auto Kid = new TRzPanel(F);
                Kid->SetParent(G);
                Kid->SetBounds(10, 30, 60, 30);
                Kid->SetCaption("Child");
            }
        }

        const TBarStyle Looks[] = {bsTraditional, bsLED, bsGradient};
        for (int L = 0; L < 3; ++L)
            for (int P = 0; P < 3; ++P) {
                auto B = new TRzProgressBar(F);
                B->SetParent(F);
                B->SetBounds(10 + P * 205, 200 + L * 30, 195, 22);
                B->SetBarStyle(Looks[L]);
                B->SetPercent(P * 50);
                Bars.push_back(B);
            }

        Split = new TRzSplitter(F);
        Split->SetParent(F);
        Split->SetBounds(10, 295, 400, 90);
        Split->SetBorderOuter(fsLowered);
        Split->SetHotSpotVisible(true);
        Split->SetSplitterStyle(ssGroove);
        Split->UpperLeft()->SetColor(clWhite);
        Split->LowerRight()->SetColor(clInfoBk);

        Status = new TRzStatusBar(F);
        Status->SetParent(F);
        auto Pane1 = new TRzStatusPane(F);
        Pane1->SetParent(Status);
        Pane1->SetAlign(alLeft);
        Pane1->SetWidth(200);
        Pane1->SetCaption("3 mailboxes processed");
        auto Pane2 = new TRzStatusPane(F);
        Pane2->SetParent(Status);
        Pane2->SetAlign(alLeft);
        Pane2->SetLeft(300);
        Pane2->SetAutoSize(true);
        Pane2->SetCaption("Ready");
        auto Bar = new TRzProgressBar(F);
        Bar->SetParent(Status);
        Bar->SetAlign(alClient);
        Bar->SetPercent(50);
        F->Show();
    }

};

TColor At(TBitmap& B, int X, int Y)
{
    return CapturePixel(B, X, Y);
}

} // namespace

TEST(RzGallery, ClassicAndThemedCaptures)
{
    TGallery G;
    const TLookCaptures Shots = CaptureBothLooks(G.Form.get(), GalleryW, GalleryH, "gallery");
    TBitmap* Classic = Shots.Classic.get();
    TBitmap* Themed = Shots.Themed.get();

    // Classic: the traditional bars at 0 and 100 % and the half of the 50 %
    // one, away from their text.
    TRect Zero = ControlOnForm(G.Bars[0]), Half = ControlOnForm(G.Bars[1]), Full = ControlOnForm(G.Bars[2]);
    EXPECT_EQ(At(*Classic, Zero.left + 6, Zero.top + 5), Rgb(clWhite));
    EXPECT_EQ(At(*Classic, Full.right - 6, Full.top + 5), Rgb(clHighlight));
    EXPECT_EQ(At(*Classic, Half.left + 6, Half.top + 5), Rgb(clHighlight));
    EXPECT_EQ(At(*Classic, Half.right - 6, Half.top + 5), Rgb(clWhite));
    // LED at 100 %: a lit segment; the lowered frame around every bar.
    const TRect Led = ControlOnForm(G.Bars[5]);
    EXPECT_EQ(At(*Classic, Led.left + Led.Width() / 2 + 2, Led.top + Led.Height() / 2), Rgb(clHighlight));
    EXPECT_EQ(At(*Classic, Zero.left, Zero.top + 5), Rgb(clBtnShadow));
    // The nested panel's grid: a dot one spacing in from its interior corner.
    const TRect In = ControlOnForm(G.Inner);
    EXPECT_EQ(At(*Classic, In.left + 3 + 7, In.top + 3 + 7 + 0), Rgb(clRed));
    // The flat group's navy frame on its left side, below the caption.
    const TRect Flat = ControlOnForm(G.Flat);
    EXPECT_EQ(At(*Classic, Flat.left, Flat.top + 40), Rgb(clNavy));
    // The splitter's grooved bar is drawn between the panes.
    const TRect Sp = ControlOnForm(G.Split);
    const TRect Bar = G.Split->BarRect();
    EXPECT_EQ(At(*Classic, Sp.left + Bar.left + 1, Sp.top + Bar.top + 2), Rgb(clBtnFace));
    EXPECT_EQ(At(*Classic, Sp.left + 10, Sp.top + 10), Rgb(clWhite));

    if (!ThemeServices()->ThemesAvailable())
        GTEST_SKIP() << "no visual styles to compare with";
    // Themed: the bars take the theme's frame, and the LED bar at 100 %
    // becomes one chunk where the classic look leaves gaps between segments.
    int Frame = 0, Gaps = 0;
    for (int X = Full.left; X < Full.right; ++X)
        Frame += At(*Classic, X, Full.top) != At(*Themed, X, Full.top);
    for (int X = Led.left + 4; X < Led.right - 4; ++X)
        Gaps += At(*Themed, X, Led.top + Led.Height() / 2) != At(*Classic, X, Led.top + Led.Height() / 2);
    EXPECT_GT(Frame, Full.Width() / 2);
    EXPECT_GT(Gaps, 10);
    const TRect St = ControlOnForm(G.Status);
    int StatusDiffer = 0;
    for (int X = St.left; X < St.right; ++X)
        StatusDiffer += At(*Classic, X, St.top + 2) != At(*Themed, X, St.top + 2);
    EXPECT_GT(StatusDiffer, 0);

    // Key themed pixels: the theme's chunk fills the full bar and the half
    // bar's first half, and the empty bar and the half bar's second half
    // show the same bed; what the theme leaves to the controls stays.
    const TColor Chunk = At(*Themed, Full.right - 6, Full.top + 5);
    EXPECT_EQ(At(*Themed, Half.left + 6, Half.top + 5), Chunk);
    EXPECT_NE(At(*Themed, Zero.left + 6, Zero.top + 5), Chunk);
    EXPECT_EQ(At(*Themed, Half.right - 6, Half.top + 5), At(*Themed, Zero.right - 6, Zero.top + 5));
    EXPECT_EQ(At(*Themed, Led.left + Led.Width() / 2 + 2, Led.top + Led.Height() / 2), Chunk);
    EXPECT_EQ(At(*Themed, In.left + 3 + 7, In.top + 3 + 7), Rgb(clRed));
    EXPECT_EQ(At(*Themed, Sp.left + 10, Sp.top + 10), Rgb(clWhite));
    int Text = 0;
    for (int X = St.left; X < St.left + 200; ++X)
        for (int Y = St.top; Y < St.bottom; ++Y)
            Text += At(*Themed, X, Y) == Rgb(clBtnText);
    EXPECT_GT(Text, 20) << "the first pane's caption";
}
