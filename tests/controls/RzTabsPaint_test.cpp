// The tab control's painting read back from memory DIBs: the card frame and
// the gap under the selected tab, the shadow, back-to-front overlap, the
// highlight bar, gradient directions and the accelerator underline.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "controls/RzCommon.h"
#include "controls/RzTabs.h"
#include "tests/controls/RzTabKit.h"
#include "testkit/RzTestCanvas.h"

namespace {


void PaintInto(TControl* C, TTestSurface& Img)
{
    C->Perform(WM_PAINT, reinterpret_cast<WPARAM>(Img.DC()), 0);
    GdiFlush();
}

TRect InkBox(TTestSurface& Img, const TRect& Within, TColor Color)
{
    return ColorBox(*Img.Bitmap(), Within, Color);
}

// One all-red 10 x 10 image.
std::unique_ptr<TCustomImageList> RedImage()
{
    auto L = std::make_unique<TCustomImageList>(nullptr, 10, 10);
    TBitmap B(10, 10);
    B.Canvas()->Brush()->SetColor(clRed);
    B.Canvas()->FillRect(TRect(0, 0, 10, 10));
    L->AddMasked(&B, clFuchsia);
    return L;
}

int Brightness(TColor C)
{
    const COLORREF R = ColorToRef(C);
    return GetRValue(R) + GetGValue(R) + GetBValue(R);
}

} // namespace

TEST(TabPaint, CardFrameLeavesAGapUnderTheSelectedTabAndCastsAShadow)
{
    auto C = NewTabStrip({"First", "Second", "Third"});
    C->SetUseGradients(false);
    C->SetTabIndex(0);
    TTestSurface Img(300, 100);
    PaintInto(C.get(), Img);
    const int D = C->FixedDimension();
    const TRect Sel = C->TabDeviceRect(0), Other = C->TabDeviceRect(2);
    const int Mid = (Sel.left + Sel.right) / 2;
    EXPECT_EQ(Img.Px(Mid, D), Rgb(clBtnFace)) << "the selected tab joins the card";
    EXPECT_EQ(Img.Px((Other.left + Other.right) / 2, D), Rgb(clBtnShadow)) << "the frame under other tabs";
    EXPECT_EQ(Img.Px(0, 60), Rgb(clBtnShadow));
    EXPECT_EQ(Img.Px(297, 60), Rgb(clBtnShadow)) << "right side 2 pixels in for the shadow";
    EXPECT_EQ(Img.Px(298, 60), BlendColors(clBlack, Rgb(clBtnFace), 30));
    EXPECT_EQ(Img.Px(299, 60), BlendColors(clBlack, Rgb(clBtnFace), 15));
    EXPECT_EQ(Img.Px(150, 98), BlendColors(clBlack, Rgb(clBtnFace), 30));
    EXPECT_EQ(Img.Px(150, 40), Rgb(clBtnFace)) << "the card";
    EXPECT_EQ(Img.Px((Other.left + Other.right) / 2, Other.top + D / 2), Rgb(clWindow)) << "unselected fill";
    EXPECT_EQ(Img.Px(295, 2), Rgb(clBtnFace)) << "background beyond the tabs";
}

TEST(TabPaint, TabsOverlapBackToFront)
{
    auto C = NewTabStrip({"One", "Two"});
    C->SetUseGradients(false);
    C->SetUseColoredTabs(true);
    (*C->Tabs())[0]->Color = clRed;
    (*C->Tabs())[1]->Color = clBlue;
    C->SetTabStyle(tsDoubleSlant);
    TTestSurface Img(300, 100);
    const TRect A = C->TabDeviceRect(0), B = C->TabDeviceRect(1);
    ASSERT_LT(B.left, A.right);
    // Low in the strip the two slants overlap; nothing selected, the
    // first tab is drawn last.
    const int X = (B.left + A.right) / 2, Y = A.bottom - 3;
    PaintInto(C.get(), Img);
    EXPECT_EQ(Img.Px(X, Y), LighterColor(clRed, 20));
    C->SetTabIndex(1); // the selected tab comes on top, in its own colour
    PaintInto(C.get(), Img);
    EXPECT_EQ(Img.Px(X, Y), Rgb(clBlue));
}

TEST(TabPaint, HighlightBarOnTheSelectedTab)
{
    auto C = NewTabStrip({"One", "Two"});
    C->SetUseGradients(false);
    C->SetHotTrackStyle(htsTabBar);
    C->TabColors()->SetHighlightBar(clRed);
    C->SetTabStyle(tsSquareCorners);
    C->SetTabIndex(0);
    TTestSurface Img(300, 100);
    PaintInto(C.get(), Img);
    const TRect Sel = C->TabDeviceRect(0), Other = C->TabDeviceRect(1);
    const int Mid = (Sel.left + Sel.right) / 2;
    EXPECT_EQ(Img.Px(Mid, Sel.top + 2), Rgb(clRed));
    EXPECT_EQ(Img.Px(Mid, Sel.top + 7), Rgb(clBtnFace)) << "6 pixels deep, from one above the tab";
    EXPECT_NE(Img.Px((Other.left + Other.right) / 2, Other.top + 2), Rgb(clRed));
}

TEST(TabPaint, GradientRunsFromTheOuterEdgeToTheCard)
{
    for (TRzTabOrientation O : {toTop, toLeft, toBottom, toRight}) {
        auto C = NewTabStrip({"Tab"}, 200, 200);
        C->SetTabOrientation(O);
        C->TabColors()->SetUnselected(clWhite);
        C->TabColors()->SetShadow(clBlack);
        TTestSurface Img(200, 200);
        PaintInto(C.get(), Img);
        const TRect R = C->TabDeviceRect(0);
        const int CX = (R.left + R.right) / 2, CY = (R.top + R.bottom) / 2;
        const int QW = R.Width() / 4, QH = R.Height() / 4;
        TColor Outer = clNone, Inner = clNone;
        switch (O) {
        case toTop: Outer = Img.Px(CX, R.top + QH); Inner = Img.Px(CX, R.bottom - QH); break;
        case toBottom: Outer = Img.Px(CX, R.bottom - QH); Inner = Img.Px(CX, R.top + QH); break;
        case toLeft: Outer = Img.Px(R.left + QW, CY); Inner = Img.Px(R.right - QW, CY); break;
        case toRight: Outer = Img.Px(R.right - QW, CY); Inner = Img.Px(R.left + QW, CY); break;
        }
        EXPECT_GT(Brightness(Outer), Brightness(Inner) + 100) << "orientation " << int(O);
    }
}

TEST(TabPaint, AcceleratorUnderline)
{
    // Horizontal captions, and turned ones running up and down.
    struct TCase {
        TRzTabOrientation Side;
        TOrientation Text;
    };
    for (const TCase& K : {TCase{toTop, orHorizontal}, TCase{toLeft, orVertical}, TCase{toRight, orVertical}}) {
    SCOPED_TRACE(int(K.Side));
    Application->ShowErrorBoxes = false;
    TOwnedTab<TForm> F(new TForm(nullptr));
    F->SetBorderStyle(bsNone);
    F->SetBounds(0, 0, 300, 100);
    auto C = new TRzTabControl(F.get());
    C->SetParent(F.get());
    C->SetBounds(0, 0, 300, 100);
    C->Tabs()->Add(new TRzTabData);
    C->SetTabOrientation(K.Side);
    C->SetTextOrientation(K.Text);
    if (K.Text == orHorizontal)
        C->SetTabWidth(80);
    else
        C->SetTabHeight(80);
    C->SetUseGradients(false);
    F->Show();
    Application->ProcessMessages();
    // The control starts with accelerators hidden until the keyboard is
    // used; the user pressing Alt clears that state.
    ASSERT_TRUE(SendMessageA(C->Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL);
    auto Accel = [&](bool Hide) {
        SendMessageA(C->Handle(), WM_CHANGEUISTATE, MAKEWPARAM(Hide ? UIS_SET : UIS_CLEAR, UISF_HIDEACCEL), 0);
        ASSERT_EQ(Hide, (SendMessageA(C->Handle(), WM_QUERYUISTATE, 0, 0) & UISF_HIDEACCEL) != 0);
    };
    auto Dark = [&](const std::string& Caption) {
        (*C->Tabs())[0]->Caption = Caption;
        C->TabsChanged();
        Application->ProcessMessages();
        TTestSurface Img(300, 100);
        PaintInto(C, Img);
        const TRect R = C->TabDeviceRect(0);
        return (R.Width() * R.Height()) - Img.CountNot(clBlack, R.left, R.top, R.right, R.bottom);
    };
    Accel(false);
    const int Plain = Dark("Wide"), Shown = Dark("&Wide"), Literal = Dark("W&&ide");
    EXPECT_GT(Shown, Plain + 2) << "the W is underlined";
    EXPECT_GT(Literal, Plain + 2) << "a doubled & draws one";
    EXPECT_LT(Literal, Shown + 30);
    Accel(true);
    EXPECT_EQ(Dark("&Wide"), Plain) << "hidden accelerators draw no underline and no &";
    EXPECT_GT(Dark("W&&ide"), Plain + 2) << "a doubled & still draws one";
    }
}

TEST(TabPaint, ImageAndCaptionFollowTheirAlignmentsInEveryStyleAndOnEverySide)
{
    // One tab with the image, then one with the caption (a single tab, so
    // no neighbour covers its ends), 60 deep and 200 long to leave room.
    const auto Images = RedImage();
    const struct {
        TRzHorizontalAlignment H;
        TRzVerticalAlignment V;
    } Aligns[] = {{haLeft, vaTop}, {haCenter, vaCenter}, {haRight, vaBottom}};
    for (TRzTabStyle Style : {tsSingleSlant, tsDoubleSlant, tsCutCorner, tsRoundCorners, tsBackSlant, tsSquareCorners})
        for (TRzTabOrientation Side : {toTop, toLeft, toBottom, toRight})
            for (TOrientation Text : {orHorizontal, orVertical})
                for (const bool Image : {true, false}) {
                    SCOPED_TRACE(std::to_string(Style) + "/" + std::to_string(Side) + "/" + std::to_string(Text));
                    auto C = NewTabStrip({Image ? "" : "Ab"}, 300, 300);
                    C->SetTabStyle(Style);
                    C->SetTabOrientation(Side);
                    C->SetTextOrientation(Text);
                    const bool Across = Side == toLeft || Side == toRight;
                    C->SetTabWidth(Across ? 60 : 200);
                    C->SetTabHeight(Across ? 200 : 60);
                    C->SetImages(Images.get());
                    C->SetImagePosition(ipBack);
                    (*C->Tabs())[0]->ImageIndex = Image ? 0 : -1;
                    C->TabsChanged();
                    TRect Box[3];
                    for (int A = 0; A < 3; ++A) {
                        C->SetImageAlignment(Aligns[A].H);
                        C->SetImageAlignmentVertical(Aligns[A].V);
                        C->SetTextAlignment(Aligns[A].H);
                        C->SetTextAlignmentVertical(Aligns[A].V);
                        TTestSurface S(300, 300);
                        PaintInto(C.get(), S);
                        Box[A] = InkBox(S, C->TabDeviceRect(0), Rgb(Image ? clRed : clBtnText));
                        ASSERT_EQ(Box[A].Width(), Image ? 10 : Box[A].Width()) << "the whole image, once";
                        ASSERT_GT(Box[A].Width(), 0);
                    }
                    EXPECT_LT(Box[0].left + 10, Box[1].left) << "left, then centred";
                    EXPECT_LT(Box[1].left + 10, Box[2].left) << "centred, then right";
                    EXPECT_LT(Box[0].top + 10, Box[1].top) << "top, then centred";
                    EXPECT_LT(Box[1].top + 10, Box[2].top) << "centred, then bottom";
                    EXPECT_NEAR(Box[1].left - Box[0].left, Box[2].left - Box[1].left, 1) << "halves of the free width";
                    EXPECT_NEAR(Box[1].top - Box[0].top, Box[2].top - Box[1].top, 1) << "halves of the free height";
                }
}

TEST(TabPaint, StretchedImageFillsTheTabAndSideImagesTakeTheirSide)
{
    const auto Images = RedImage();
    auto C = NewTabStrip({"Wide caption"}, 300, 100);
    C->SetTabHeight(40);
    C->SetImages(Images.get());
    (*C->Tabs())[0]->ImageIndex = 0;
    for (TRzImagePosition P : {ipStretch, ipLeft, ipRight, ipTop, ipBottom}) {
        C->SetImagePosition(P);
        TTestSurface S(300, 100);
        PaintInto(C.get(), S);
        const TRect Image = InkBox(S, C->TabDeviceRect(0), Rgb(clRed)), Text = InkBox(S, C->TabDeviceRect(0), Rgb(clBtnText));
        ASSERT_GT(Text.Width(), 0) << "the caption is drawn with any image position";
        ASSERT_GT(Image.Width(), 0);
        if (P == ipStretch)
            EXPECT_TRUE(Image.Width() > 40 && Image.Height() > 20) << "stretched along the tab and across";
        else if (P == ipLeft || P == ipRight)
            EXPECT_LE(P == ipLeft ? Image.right + 2 : Text.right + 2, P == ipLeft ? Text.left : Image.left);
        else {
            EXPECT_LE(P == ipTop ? Image.bottom + 1 : Text.bottom + 1, P == ipTop ? Text.top : Image.top);
            EXPECT_NEAR(Image.left + Image.right, Text.left + Text.right, 3) << "over or under the caption's middle";
        }
    }
}
