// The tab controls on one form, captured in the classic and the themed
// look: the six tab styles on all four sides, several rows, a scrolling
// strip with its scroller, close and menu buttons, coloured tabs, images
// over turned captions, and a page control with pages. Each capture is saved
// beside the test program as a BMP.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/RzButton.h"
#include "controls/RzTabs.h"
#include "testkit/RzFormTest.h"

namespace {

constexpr int GalleryW = 900, GalleryH = 690;

template <typename T>
T* TabsOn(TForm* F, int L, int Top, int W, int H, const std::vector<std::string>& Captions)
{
    auto C = new T(F);
    C->SetParent(F);
    C->SetBounds(L, Top, W, H);
    for (const auto& Caption : Captions) {
        auto D = new TRzTabData;
        D->Caption = Caption;
        C->Tabs()->Add(D);
    }
    C->TabsChanged();
    return C;
}

struct TTabsGallery {
    std::unique_ptr<TForm, TObjectFree> Form;
    std::vector<TRzTabControl*> Grid; // style by column, side by row
    TRzTabControl* Rows = nullptr;
    TRzTabControl* Strip = nullptr;
    TRzTabControl* Colored = nullptr;
    TRzTabControl* Aligned = nullptr;
    std::unique_ptr<TCustomImageList> Images;
    TRzPageControl* Pages = nullptr;
    TRzButton* Start = nullptr;

    TTabsGallery() : Form(NewTestForm(GalleryW, GalleryH))
    {
        TForm* F = Form.get();
        F->SetColor(clBtnFace);
        const TRzTabStyle Styles[] = {tsSingleSlant, tsDoubleSlant, tsCutCorner,
                                      tsRoundCorners, tsBackSlant, tsSquareCorners};
        const TRzTabOrientation Sides[] = {toTop, toLeft, toBottom, toRight};
        for (int Side = 0; Side < 4; ++Side)
            for (int S = 0; S < 6; ++S) {
                auto C = TabsOn<TRzTabControl>(F, 5 + S * 148, 5 + Side * 108, 143, 103, {"In", "Out"});
                C->SetTabStyle(Styles[S]);
                C->SetTabOrientation(Sides[Side]);
                C->SetUseGradients(false);
                C->SetTabIndex(0);
                Grid.push_back(C);
            }

        Rows = TabsOn<TRzTabControl>(F, 5, 442, 290, 120,
                                     {"Inbox", "Sent", "Drafts", "Trash", "Junk", "Archive", "Outbox", "Notes",
                                      "Tasks"});
        Rows->SetMultiLine(true);
        Rows->SetTabIndex(4);

        Strip = TabsOn<TRzTabControl>(F, 5, 572, 290, 60,
                                      {"Mailbox 0", "Mailbox 1", "Mailbox 2", "Mailbox 3", "Mailbox 4", "Mailbox 5"});
        Strip->SetShowCloseButton(true);
        Strip->SetShowMenuButton(true);
        Strip->SetShowCloseButtonOnActiveTab(true);
        Strip->SetTabIndex(0);

        Colored = TabsOn<TRzTabControl>(F, 305, 442, 290, 80, {"Red", "Green", "Blue"});
        Colored->SetUseColoredTabs(true);
        const TColor Colors[] = {static_cast<TColor>(0x8080FF), static_cast<TColor>(0x80E080),
                                 static_cast<TColor>(0xFF9090)};
        for (int I = 0; I < 3; ++I)
            (*Colored->Tabs())[I]->Color = Colors[I];
        Colored->TabsChanged();
        Colored->SetTabIndex(1);

        Aligned = TabsOn<TRzTabControl>(F, 305, 530, 290, 150, {"Mail"});
        Images = std::make_unique<TCustomImageList>(nullptr, 12, 12);
        TBitmap Red(12, 12);
        Red.Canvas()->Brush()->SetColor(clRed);
        Red.Canvas()->FillRect(TRect(0, 0, 12, 12));
        Images->AddMasked(&Red, clFuchsia);
        Aligned->SetImages(Images.get());
        (*Aligned->Tabs())[0]->ImageIndex = 0;
        Aligned->SetTabOrientation(toLeft);
        Aligned->SetTextOrientation(orVertical);
        Aligned->SetTabHeight(70);
        Aligned->SetImagePosition(ipTop);
        Aligned->SetTextAlignmentVertical(vaBottom);
        Aligned->SetUseGradients(false);

        Pages = new TRzPageControl(F);
        Pages->SetParent(F);
        Pages->SetBounds(605, 442, 290, 240);
        for (const char* Caption : {"General", "Source", "Target"}) {
            auto P = new TRzTabSheet(F);
            P->SetCaption(Caption);
            P->SetPageControl(Pages);
        }
        Start = new TRzButton(F);
        Start->SetParent(Pages->Pages(1));
        Start->SetBounds(20, 20, 90, 26);
        Start->SetCaption("Start");
        F->Show();
        Pages->SetActivePageIndex(1);
        Application->ProcessMessages();
    }
};

int CountIn(TBitmap& B, const TRect& R, TColor Color)
{
    int N = 0;
    for (int Y = R.top; Y < R.bottom; ++Y)
        for (int X = R.left; X < R.right; ++X)
            N += CapturePixel(B, X, Y) == Rgb(Color);
    return N;
}

TRect Inside(TControl* C, const TRect& R)
{
    return ClientRectOnForm(C, R);
}

} // namespace

TEST(RzTabsGallery, ClassicAndThemedCaptures)
{
    TTabsGallery G;
    TLookCaptures Shots = CaptureBothLooks(G.Form.get(), GalleryW, GalleryH, "tabs_gallery");
    TBitmap& Classic = *Shots.Classic;
    const TRect Btn = ControlOnForm(G.Start);
    // Both looks show the same key pixels; the saved captures are opaque.
    for (TBitmap* Each : {Shots.Classic.get(), Shots.Themed.get()}) {
        SCOPED_TRACE(Each == &Classic ? "classic" : "themed");
        TBitmap& Shot = *Each;
        EXPECT_EQ(SeeThroughPixels(Shot), 0);

        // Every style on every side: the card in the control's colour, the
        // selected tab mostly in that colour too, the other tab in white.
        for (TRzTabControl* C : G.Grid) {
            SCOPED_TRACE(std::to_string(C->TabStyle()) + "/" + std::to_string(C->TabOrientation()));
            const TRect Card = Inside(C, C->CardRect());
            const TPoint Mid((Card.left + Card.right) / 2, (Card.top + Card.bottom) / 2);
            EXPECT_EQ(CapturePixel(Shot, Mid.x, Mid.y), Rgb(clBtnFace));
            const TRect Sel = Inside(C, C->TabDeviceRect(0)), Other = Inside(C, C->TabDeviceRect(1));
            EXPECT_GT(CountIn(Shot, Other, clWindow), Other.Width() * Other.Height() / 4) << "unselected fill";
            EXPECT_GT(CountIn(Shot, Sel, clBtnFace), Sel.Width() * Sel.Height() / 4) << "selected fill";
            const TRect Frame(Card.left - 1, Card.top - 1, Card.right + 1, Card.bottom + 1);
            EXPECT_GT(CountIn(Shot, Frame, clBtnShadow), Card.Width()) << "card frame";
        }

        // Several rows, the selected tab's row in front.
        EXPECT_GE(G.Rows->RowCount(), 2);
        EXPECT_EQ((*G.Rows->Tabs())[4]->Row, 0);
        // Back-row captions stand whole above the row in front: the line just
        // above that row is free of their ink.
        for (int I = 0; I < G.Rows->Tabs()->Count(); ++I) {
            if ((*G.Rows->Tabs())[I]->Row == 0)
                continue;
            const TRect T = Inside(G.Rows, G.Rows->TabDeviceRect(I));
            const int Cover = T.bottom - G.Rows->RowOverlap();
            EXPECT_GT(CountIn(Shot, TRect(T.left, T.top, T.right, Cover), clBtnText), 20) << "tab " << I;
            EXPECT_EQ(CountIn(Shot, TRect(T.left, Cover - 1, T.right, Cover), clBtnText), 0) << "tab " << I;
        }

        // The scrolling strip: scroller, close and menu buttons drawn; the
        // close glyph dark (black in the classic look).
        ASSERT_TRUE(G.Strip->ScrollNeeded());
        for (TControl* B : std::vector<TControl*>{G.Strip->Scroller(), G.Strip->CloseButton(), G.Strip->MenuButton()}) {
            const TRect R = ControlOnForm(B);
            EXPECT_GT(R.Width() * R.Height() - CountIn(Shot, R, clBtnFace), R.Width()) << "a face and a glyph";
        }
        const TRect Close = ControlOnForm(G.Strip->CloseButton());
        int Dark = 0;
        for (int Y = Close.top; Y < Close.bottom; ++Y)
            for (int X = Close.left; X < Close.right; ++X)
                Dark += GetRValue(CapturePixel(Shot, X, Y)) < 0x70 && GetGValue(CapturePixel(Shot, X, Y)) < 0x70;
        EXPECT_GT(Each == &Classic ? CountIn(Shot, Close, clBlack) : Dark, 4);
        ASSERT_NE(G.Strip->ActiveTabCloseButton(), nullptr);
        EXPECT_TRUE(G.Strip->ActiveTabCloseButton()->Visible());

        // Coloured tabs: the card takes the selected tab's colour.
        const TRect CCard = Inside(G.Colored, G.Colored->CardRect());
        EXPECT_EQ(CapturePixel(Shot, (CCard.left + CCard.right) / 2, (CCard.top + CCard.bottom) / 2),
                  static_cast<TColor>(0x80E080));

        // An image on top of a turned caption that keeps to the tab's bottom.
        const TRect T = Inside(G.Aligned, G.Aligned->TabDeviceRect(0));
        const TRect Image = ColorBox(Shot, T, Rgb(clRed)), Text = ColorBox(Shot, T, Rgb(clBtnText));
        EXPECT_EQ(Image.Height(), 12);
        EXPECT_LT(Image.bottom, Text.top);
        EXPECT_GT(Text.bottom, T.bottom - 8);

        // The page control shows its active page with the page's button.
        EXPECT_TRUE(G.Pages->Pages(1)->Visible());
        EXPECT_FALSE(G.Pages->Pages(0)->Visible());
        EXPECT_GT(CountIn(Shot, Btn, clBtnText), 5) << "the button's caption";
    }

    if (!ThemeServices()->ThemesAvailable())
        GTEST_SKIP() << "no visual styles to compare with";
    // The page's button and the strip's close glyph take the theme's look.
    for (const TRect& R : {Btn, ControlOnForm(G.Strip->CloseButton())}) {
        int Differ = 0;
        for (int Y = R.top; Y < R.bottom; ++Y)
            for (int X = R.left; X < R.right; ++X)
                Differ += CapturePixel(Classic, X, Y) != CapturePixel(*Shots.Themed, X, Y);
        EXPECT_GT(Differ, 0);
    }
}
