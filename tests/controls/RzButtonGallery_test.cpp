// A gallery of every button and box on one form, painted in the classic and
// in the themed look, saved as BMP captures in the build folder, with the
// key pixels of each kind asserted.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "controls/RzButton.h"
#include "controls/RzRadChk.h"
#include "controls/RzRadGrp.h"
#include "testkit/PixelProbe.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

constexpr int GalleryW = 760, GalleryH = 600;
const TColor Palette[9] = {0x000000C0, 0x0000C000, 0x00C00000, 0x0000C0C0, 0x00C000C0,
                           0x00C0C000, 0x00404080, 0x00408040, 0x00804040};

// The captures go beside the test program, in the build folder.
std::string CaptureFolder()
{
    char Path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, Path, MAX_PATH);
    std::string Dir(Path);
    Dir = Dir.substr(0, Dir.find_last_of("\\/"));
    Dir += "\\gallery";
    CreateDirectoryA(Dir.c_str(), nullptr);
    return Dir;
}

template <typename T>
T* Add(TForm* F, std::vector<TControl*>& Made, int X, int Y, int W, int H)
{
    auto* C = new T(F);
    C->SetParent(F);
    C->SetBounds(X, Y, W, H);
    Made.push_back(C);
    return C;
}

std::unique_ptr<TImageList> SolidImages(int N, int Size)
{
    auto L = std::make_unique<TImageList>(nullptr, Size, Size);
    TBitmap B(Size, Size);
    for (int I = 0; I < N; ++I) {
        B.Canvas()->Brush()->SetColor(clOlive);
        B.Canvas()->FillRect(TRect(0, 0, Size, Size));
        B.Canvas()->Brush()->SetColor(Palette[I % 9]);
        B.Canvas()->FillRect(TRect(1, 1, Size - 1, Size - 1));
        GdiFlush();
        L->AddMasked(&B, clOlive);
    }
    return L;
}

std::unique_ptr<TBitmap> Strip()
{
    auto B = std::make_unique<TBitmap>(9 * 13, 13);
    for (int I = 0; I < 9; ++I) {
        B->Canvas()->Brush()->SetColor(clOlive);
        B->Canvas()->FillRect(TRect(I * 13, 0, I * 13 + 13, 13));
        B->Canvas()->Brush()->SetColor(Palette[I]);
        B->Canvas()->FillRect(TRect(I * 13 + 1, 1, I * 13 + 12, 12));
    }
    GdiFlush();
    return B;
}

TColor At(TBitmap& B, const TControl* C, int DX, int DY)
{
    return PixelAt(B, C->Left() + DX, C->Top() + DY);
}

int DifferentPixels(TBitmap& A, TBitmap& B, const TControl* C)
{
    int N = 0;
    for (int Y = C->Top(); Y < C->Top() + C->Height(); ++Y)
        for (int X = C->Left(); X < C->Left() + C->Width(); ++X)
            N += PixelAt(A, X, Y) != PixelAt(B, X, Y);
    return N;
}

// Builds the gallery, paints it and returns the capture.
struct TGallery {
    std::unique_ptr<TForm, TObjectFree> Form = NewTestForm(GalleryW, GalleryH);
    std::vector<TControl*> Made;
    std::unique_ptr<TImageList> ToolImages = SolidImages(4, 16);
    std::unique_ptr<TImageList> CheckImages = SolidImages(12, 13);
    std::unique_ptr<TBitmap> CheckStrip = Strip();
    TPopupMenu Menu{nullptr};
    // Rows of push buttons: themed, hot-track, classic; five states each.
    TRzButton* Push[3][5] = {};
    TRzBitBtn* Kinds[10] = {};
    TRzToolButton* Tools[3][3] = {};
    TRzControlButton* Arrows[6] = {};
    TRzCheckBox* Boxes[5][3] = {};
    TRzCheckGroup* Group = nullptr;

    TGallery()
    {
        TForm* F = Form.get();
        F->SetColor(clBtnFace);
        const char* States[] = {"Normal", "Pressed", "Latched", "Default", "Disabled"};
        for (int Look = 0; Look < 3; ++Look)
            for (int S = 0; S < 5; ++S) {
                TRzButton* B = Add<TRzButton>(F, Made, 10 + S * 85, 10 + Look * 32, 80, 26);
                B->SetCaption(States[S]);
                B->SetThemeAware(Look == 0);
                B->SetHotTrack(Look == 1);
                if (S == 2) {
                    B->SetGroupIndex(10 + Look);
                    B->SetDown(true);
                }
                B->SetDefault(S == 3);
                B->SetEnabled(S != 4);
                Push[Look][S] = B;
            }
        for (int K = 0; K < 10; ++K) {
            TRzBitBtn* B = Add<TRzBitBtn>(F, Made, 10 + (K % 5) * 85, 110 + (K / 5) * 32, 80, 26);
            B->SetKind(static_cast<TBitBtnKind>(K + 1));
            B->SetThemeAware(false);
            Kinds[K] = B;
        }
        for (int Look = 0; Look < 3; ++Look)
            for (int I = 0; I < 3; ++I) {
                TRzToolButton* T = Add<TRzToolButton>(F, Made, 450 + I * 50, 10 + Look * 32, 28, 28);
                T->SetVisualStyle(static_cast<TRzVisualStyle>(Look));
                T->SetImages(ToolImages.get());
                T->SetImageIndex(I);
                T->SetFlat(I == 0);
                if (I == 1) {
                    T->SetGroupIndex(20 + Look);
                    T->SetAllowAllUp(true);
                    T->SetDown(true);
                }
                if (I == 2) {
                    T->SetDropDownMenu(&Menu);
                    T->SetToolStyle(tsDropDown);
                }
                Tools[Look][I] = T;
            }
        for (int S = 0; S < 6; ++S) {
            TRzControlButton* C = Add<TRzControlButton>(F, Made, 450 + S * 22, 120, 17, 21);
            C->SetStyle(static_cast<TRzControlButtonStyle>(S));
            Arrows[S] = C;
        }
        // Two images on fuchsia, the colour left out (the bottom-left pixel).
        TBitmap Glyph(16, 8);
        Glyph.Canvas()->Brush()->SetColor(clFuchsia);
        Glyph.Canvas()->FillRect(TRect(0, 0, 16, 8));
        Glyph.Canvas()->Brush()->SetColor(clRed);
        Glyph.Canvas()->FillRect(TRect(1, 1, 7, 7));
        Glyph.Canvas()->Brush()->SetColor(clGray);
        Glyph.Canvas()->FillRect(TRect(9, 1, 15, 7));
        GdiFlush();
        Arrows[0]->SetGlyph(&Glyph);

        // Check boxes: themed, flat, classic, strip, image list.
        const char* Sources[] = {"Themed", "Flat", "Classic", "Strip", "Images"};
        const char* Names[] = {"unchecked", "checked", "grayed"};
        for (int Src = 0; Src < 5; ++Src)
            for (int S = 0; S < 3; ++S) {
                TRzCheckBox* B = Add<TRzCheckBox>(F, Made, 10 + S * 140, 190 + Src * 24, 130, 20);
                B->SetAutoSize(false);
                B->SetCaption(std::string(Sources[Src]) + " " + Names[S]);
                B->SetThemeAware(Src == 0);
                B->SetHotTrack(Src == 1);
                if (Src == 3)
                    B->SetCustomGlyphs(CheckStrip.get());
                if (Src == 4)
                    B->SetCustomGlyphImages(CheckImages.get());
                B->SetAllowGrayed(true);
                B->SetState(static_cast<TCheckBoxState>(S));
                Boxes[Src][S] = B;
            }
        Group = Add<TRzCheckGroup>(F, Made, 450, 190, 280, 110);
        Group->SetCaption("Options");
        Group->SetColumns(2);
        TStringList Items;
        for (const char* S : {"Sub-folders", "Skip trash", "Dates", "MD5 names", "Tree"})
            Items.Add(S);
        Group->SetItems(&Items);
        Group->SetItemChecked(1, true);
        Group->SetItemState(3, cbGrayed);

        F->Show();
        // Pressed buttons: a Space held on each.
        for (int Look = 0; Look < 3; ++Look)
            Key(Push[Look][1]->Handle(), VK_SPACE, true);
        // The default buttons are active while a non-button has the focus.
        Group->GetCheckBox(0)->SetFocus();
    }

    void Capture(TBitmap& B, const std::string& Name)
    {
        B.SetSize(GalleryW, GalleryH);
        Form->PaintTo(B.Canvas()->Handle(), 0, 0);
        MakeOpaque(B);
        B.SaveToFile(CaptureFolder() + "\\" + Name + ".bmp");
    }
};

void CheckKeyPixels(TGallery& G, TBitmap& B)
{
    // Push buttons: the hot-track ring's cut corner shows the form; the
    // latched classic button its down pattern; the classic default its frame.
    TRzButton* Hot = G.Push[1][0];
    EXPECT_EQ(At(B, Hot, 2, 0), DarkerColor(ColorToRGB(clBtnFace), 20));
    EXPECT_EQ(At(B, Hot, Hot->Width() - 2, Hot->Height() - 1), ColorToRGB(clBtnFace)) << "the corner is cut";
    TRzButton* Latched = G.Push[2][2];
    const TColor Dot = ColorToRGB(clBtnFace) == clSilver ? clGray : clSilver;
    int Dots = 0;
    for (int Y = 3; Y < 8; ++Y)
        for (int X = 3; X < 8; ++X)
            Dots += At(B, Latched, X, Y) == Dot;
    EXPECT_GE(Dots, 10);
    EXPECT_EQ(At(B, G.Push[2][3], 0, 0), ColorToRGB(clWindowFrame));
    EXPECT_NE(At(B, G.Push[2][0], 0, 0), ColorToRGB(clWindowFrame));

    // Bit buttons: every Kind shows its glyph left of the caption.
    for (TRzBitBtn* K : G.Kinds) {
        const TRect R = K->GetGlyphRect();
        int Ink = 0;
        for (int Y = R.top; Y < R.bottom; ++Y)
            for (int X = R.left; X < R.right; ++X)
                Ink += At(B, K, X, Y) != At(B, K, R.left, R.top);
        EXPECT_GT(Ink, 10) << K->Caption();
    }

    // Tool buttons: the image in the middle; the gradient look's frame on
    // the latched one.
    for (int Look = 0; Look < 3; ++Look) {
        TRzToolButton* T = G.Tools[Look][0];
        EXPECT_EQ(At(B, T, T->Width() / 2, T->Height() / 2), Palette[0]) << Look;
    }
    TRzToolButton* GradLatched = G.Tools[2][1];
    EXPECT_EQ(GradLatched->ButtonState(), tbsLatched);
    EXPECT_NE(At(B, GradLatched, 0, GradLatched->Height() / 2), ColorToRGB(clBtnFace));
    EXPECT_EQ(G.Tools[1][2]->Width(), 28 + ToolDropDownWidth);

    // Control buttons: a glyph or an arrow off the face colour.
    EXPECT_EQ(At(B, G.Arrows[0], 8, 10), clRed);
    for (int S = 1; S < 6; ++S) {
        int Ink = 0;
        for (int Y = 6; Y < 15; ++Y)
            for (int X = 4; X < 13; ++X)
                Ink += At(B, G.Arrows[S], X, Y) != ColorToRGB(clBtnFace);
        EXPECT_GE(Ink, 5) << S;
    }

    // Check boxes from a strip and a list: the state's frame.
    for (int S = 0; S < 3; ++S) {
        for (int Src : {3, 4}) {
            TRzCheckBox* C = G.Boxes[Src][S];
            const TRect R = C->GlyphRect();
            EXPECT_EQ(At(B, C, (R.left + R.right) / 2, (R.top + R.bottom) / 2), Palette[S]) << Src << " " << S;
        }
        // The flat glyph: frame and fill.
        TRzCheckBox* Flat = G.Boxes[1][S];
        const TRect R = Flat->GlyphRect();
        EXPECT_EQ(At(B, Flat, R.left, R.top), ColorToRGB(clBtnShadow));
    }
    // The unchecked classic box is empty inside, the checked one is not.
    auto Inside = [&](TRzCheckBox* C) {
        const TRect R = C->GlyphRect();
        int N = 0;
        for (int Y = R.top + 3; Y < R.bottom - 3; ++Y)
            for (int X = R.left + 3; X < R.right - 3; ++X)
                N += At(B, C, X, Y) != At(B, C, R.left + 3, R.top + 3);
        return N;
    };
    EXPECT_EQ(Inside(G.Boxes[2][0]), 0);
    EXPECT_GT(Inside(G.Boxes[2][1]), 3);

    // The check group: two columns, the second starting right of the first.
    EXPECT_EQ(G.Group->GetCheckBox(0)->Left(), G.Group->GetCheckBox(1)->Left());
    EXPECT_GT(G.Group->GetCheckBox(3)->Left(), G.Group->GetCheckBox(0)->Left());
    EXPECT_EQ(G.Group->GetCheckBox(3)->Top(), G.Group->GetCheckBox(0)->Top());
}

} // namespace

TEST(RzButtonGallery, ClassicAndThemedLooks)
{
    TBitmap Classic;
    {
        TClassicLook Off;
        TGallery G;
        G.Capture(Classic, "buttons_classic");
        CheckKeyPixels(G, Classic);
    }
    TGallery G;
    TBitmap Themed;
    G.Capture(Themed, "buttons_themed");
    CheckKeyPixels(G, Themed);
    if (!ThemeServices()->ThemesEnabled())
        GTEST_SKIP() << "no visual styles here: the themed capture is the classic one";
    // Themed push buttons and check boxes differ from their classic look;
    // the hot-track and classic rows do not.
    EXPECT_GT(DifferentPixels(Classic, Themed, G.Push[0][0]), 50);
    EXPECT_GT(DifferentPixels(Classic, Themed, G.Boxes[0][1]), 10);
    EXPECT_EQ(DifferentPixels(Classic, Themed, G.Push[1][0]), 0);
    EXPECT_EQ(DifferentPixels(Classic, Themed, G.Boxes[3][1]), 0);
}
