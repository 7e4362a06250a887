// Image lists: strips cut into images, masks, the disabled and overlay
// looks drawn into memory DIBs, and the change links.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/ImgList.h"
#include "testkit/PixelProbe.h"

namespace {

constexpr TColor Paper = 0x00030201; // a colour no image uses
constexpr TColor Mask = clFuchsia;

// A strip of N 8 x 8 images: image i is filled with Colors[i] except for a
// 2-pixel mask-coloured border, so its shape is the inner 4 x 4 square.
std::unique_ptr<TBitmap> Strip(const std::vector<TColor>& Colors)
{
    auto B = std::make_unique<TBitmap>(8 * static_cast<int>(Colors.size()), 8);
    for (size_t I = 0; I < Colors.size(); ++I) {
        const int X0 = 8 * static_cast<int>(I);
        B->Canvas()->Brush()->SetColor(Mask);
        B->Canvas()->FillRect(TRect(X0, 0, X0 + 8, 8));
        B->Canvas()->Brush()->SetColor(Colors[I]);
        B->Canvas()->FillRect(TRect(X0 + 2, 2, X0 + 6, 6));
    }
    GdiFlush();
    return B;
}

std::unique_ptr<TBitmap> Blank(int W, int H)
{
    auto B = std::make_unique<TBitmap>(W, H);
    B->Canvas()->Brush()->SetColor(Paper);
    B->Canvas()->FillRect(TRect(0, 0, W, H));
    GdiFlush();
    return B;
}

bool InShape(int X, int Y) { return X >= 2 && X < 6 && Y >= 2 && Y < 6; }

} // namespace

TEST(ImageList, StripIsCutIntoImagesAndMaskedPixelsStayOut)
{
    TImageList L(nullptr, 8, 8);
    EXPECT_EQ(L.Count(), 0);
    auto S = Strip({clRed, clBlue, clLime});
    EXPECT_EQ(L.AddMasked(S.get(), Mask), 0);
    EXPECT_EQ(L.Count(), 3);
    auto One = Strip({clYellow});
    EXPECT_EQ(L.AddMasked(One.get(), Mask), 3);
    ASSERT_EQ(L.Count(), 4);

    const TColor Expect[] = {clRed, clBlue, clLime, clYellow};
    for (int I = 0; I < 4; ++I) {
        SCOPED_TRACE(I);
        auto Img = Blank(12, 12);
        L.Draw(Img->Canvas(), 2, 3, I);
        GdiFlush();
        for (int Y = 0; Y < 12; ++Y)
            for (int X = 0; X < 12; ++X) {
                const bool Drawn = InShape(X - 2, Y - 3);
                ASSERT_EQ(PixelAt(*Img, X, Y), Drawn ? Expect[I] : Paper) << X << "," << Y;
            }
    }
    // An index outside the list draws nothing.
    auto Img = Blank(12, 12);
    L.Draw(Img->Canvas(), 0, 0, 4);
    L.Draw(Img->Canvas(), 0, 0, -1);
    EXPECT_EQ(CountPixels(*Img, TRect(0, 0, 12, 12), Paper), 144);

    L.Delete(0);
    EXPECT_EQ(L.Count(), 3);
    EXPECT_THROW(L.Delete(3), EListError);
    L.Clear();
    EXPECT_EQ(L.Count(), 0);
}

TEST(ImageList, ExplicitMaskAndBackgroundColour)
{
    TImageList L(nullptr, 8, 8);
    auto Img = std::make_unique<TBitmap>(8, 8);
    Img->Canvas()->Brush()->SetColor(clNavy);
    Img->Canvas()->FillRect(TRect(0, 0, 8, 8));
    // Only the left half is drawn: black mask pixels are part of the image.
    auto M = std::make_unique<TBitmap>(8, 8);
    M->Canvas()->Brush()->SetColor(clWhite);
    M->Canvas()->FillRect(TRect(0, 0, 8, 8));
    M->Canvas()->Brush()->SetColor(clBlack);
    M->Canvas()->FillRect(TRect(0, 0, 4, 8));
    GdiFlush();
    ASSERT_EQ(L.Add(Img.get(), M.get()), 0);

    auto Out = Blank(8, 8);
    L.Draw(Out->Canvas(), 0, 0, 0);
    GdiFlush();
    EXPECT_EQ(CountPixels(*Out, TRect(0, 0, 4, 8), clNavy), 32);
    EXPECT_EQ(CountPixels(*Out, TRect(4, 0, 8, 8), Paper), 32);

    // A background colour fills what the mask leaves out.
    L.SetBkColor(clTeal);
    auto Filled = Blank(8, 8);
    L.Draw(Filled->Canvas(), 0, 0, 0);
    GdiFlush();
    EXPECT_EQ(CountPixels(*Filled, TRect(0, 0, 4, 8), clNavy), 32);
    EXPECT_EQ(CountPixels(*Filled, TRect(4, 0, 8, 8), clTeal), 32);

    TBitmap Copy;
    L.GetBitmap(0, &Copy);
    EXPECT_EQ(Copy.Width(), 8);
    EXPECT_EQ(PixelAt(Copy, 1, 1), clNavy);
    EXPECT_EQ(PixelAt(Copy, 6, 6), clTeal);
}

TEST(ImageList, DisabledImageIsEmbossedInSystemColours)
{
    TImageList L(nullptr, 8, 8);
    auto S = Strip({clRed});
    L.AddMasked(S.get(), Mask);
    auto Img = Blank(10, 10);
    L.Draw(Img->Canvas(), 0, 0, 0, false);
    GdiFlush();
    const TColor Shadow = ColorToRGB(clBtnShadow), Light = ColorToRGB(clBtnHighlight);
    for (int Y = 0; Y < 10; ++Y)
        for (int X = 0; X < 10; ++X) {
            TColor Want = Paper;
            if (InShape(X - 1, Y - 1))
                Want = Light;
            if (InShape(X, Y))
                Want = Shadow;
            ASSERT_EQ(PixelAt(*Img, X, Y), Want) << X << "," << Y;
        }
    EXPECT_EQ(CountPixels(*Img, TRect(0, 0, 10, 10), clRed), 0);
}

TEST(ImageList, OverlayDrawsSecondImageOnTop)
{
    TImageList L(nullptr, 8, 8);
    auto Base = std::make_unique<TBitmap>(16, 8);
    Base->Canvas()->Brush()->SetColor(clRed);
    Base->Canvas()->FillRect(TRect(0, 0, 8, 8));
    // Image 1: a blue 2 x 2 mark in the bottom-right corner.
    Base->Canvas()->Brush()->SetColor(Mask);
    Base->Canvas()->FillRect(TRect(8, 0, 16, 8));
    Base->Canvas()->Brush()->SetColor(clBlue);
    Base->Canvas()->FillRect(TRect(14, 6, 16, 8));
    GdiFlush();
    L.AddMasked(Base.get(), Mask);
    EXPECT_FALSE(L.Overlay(1, 4));
    EXPECT_FALSE(L.Overlay(9, 0));
    ASSERT_TRUE(L.Overlay(1, 0));

    auto Img = Blank(8, 8);
    L.DrawOverlay(Img->Canvas(), 0, 0, 0, 0);
    GdiFlush();
    EXPECT_EQ(CountPixels(*Img, TRect(6, 6, 8, 8), clBlue), 4);
    EXPECT_EQ(CountPixels(*Img, TRect(0, 0, 8, 8), clRed), 60);
}

TEST(ImageList, ChangeLinksHearEveryChangeAndOutliveEitherSide)
{
    auto* L = new TImageList(nullptr, 8, 8);
    int Heard = 0, Events = 0;
    TChangeLink Link;
    Link.OnChange = [&](TObject* Sender) {
        EXPECT_EQ(Sender, L);
        ++Heard;
    };
    L->OnChange = [&](TObject*) { ++Events; };
    L->RegisterChanges(&Link);
    L->RegisterChanges(&Link); // once only
    EXPECT_EQ(Link.Sender(), L);

    auto S = Strip({clRed, clBlue});
    L->AddMasked(S.get(), Mask);
    L->Delete(0);
    L->SetBkColor(clWhite);
    L->SetBkColor(clWhite); // no change
    L->SetSize(16, 16);
    EXPECT_EQ(L->Count(), 0) << "a new size empties the list";
    EXPECT_EQ(Heard, 4);
    EXPECT_EQ(Events, 4);

    {
        // A link freed first leaves the list.
        TChangeLink Gone;
        L->RegisterChanges(&Gone);
    }
    L->Clear();
    L->AddMasked(S.get(), Mask);
    EXPECT_EQ(Heard, 5);

    L->UnRegisterChanges(&Link);
    EXPECT_EQ(Link.Sender(), nullptr);
    L->Clear();
    EXPECT_EQ(Heard, 5);

    // A list freed first clears the link's Sender.
    L->RegisterChanges(&Link);
    L->Free();
    EXPECT_EQ(Link.Sender(), nullptr);
}

TEST(ImageList, SharedHandleIsNotDestroyed)
{
    HIMAGELIST H = ImageList_Create(12, 10, ILC_COLOR24 | ILC_MASK, 1, 1);
    {
        TImageList L(nullptr);
        L.SetShareImages(true);
        L.SetHandle(H);
        EXPECT_EQ(L.Width(), 12);
        EXPECT_EQ(L.Height(), 10);
    }
    int W = 0, Hh = 0;
    EXPECT_TRUE(ImageList_GetIconSize(H, &W, &Hh));
    EXPECT_EQ(W, 12);
    ImageList_Destroy(H);
}
