// Docking into a panel: the dock manager's zones and grabbers, the caption
// bar it paints, and floating a control out again.
#include <gtest/gtest.h>

#include "controls/RzPanel.h"
#include "testkit/RzFormTest.h"

namespace {

template <typename T>
using TOwn = std::unique_ptr<T, TObjectFree>;

TRzPanel* DockSitePanel(TWinControl* Parent, TAlign Align)
{
    auto Site = new TRzPanel(Parent);
    Site->SetParent(Parent);
    Site->SetBorderOuter(fsNone);
    Site->SetBounds(0, 0, 200, 150);
    Site->SetAlign(Align);
    Site->SetDockSite(true);
    Site->SetUseDockManager(true);
    return Site;
}

TRzPanel* Client(TComponent* Owner, const char* Caption)
{
    auto C = new TRzPanel(Owner);
    C->SetCaption(Caption);
    return C;
}

} // namespace

TEST(RzPanelDock, ManualDockShowsTheCaptionBar)
{
    TLookScope Classic(false);
    TOwn<TForm> F(NewTestForm(300, 200));
    TRzPanel* Site = DockSitePanel(F.get(), alNone);
    TRzPanel* A = Client(F.get(), "Folders");
    int Docked = 0;
    Site->OnDockDrop = [&](TObject*, TControl* Source, int, int) { Docked += Source == A; };
    A->ManualDock(Site);
    EXPECT_EQ(A->HostDockSite(), Site);
    EXPECT_EQ(A->Parent(), Site);
    EXPECT_EQ(Site->DockClientCount(), 1);
    EXPECT_EQ(Docked, 1);
    // A 14-pixel grabber on top of the client.
    EXPECT_EQ(A->BoundsRect(), TRect(0, 14, 200, 150));
    auto Manager = dynamic_cast<TRzPanelDockManager*>(Site->DockManager());
    ASSERT_NE(Manager, nullptr);

    TTestSurface Img(200, 150);
    PaintControl(Site, Img);
    EXPECT_EQ(Img.Px(120, 1), Rgb(clInactiveCaption));
    EXPECT_EQ(Img.Px(1, 12), Rgb(clInactiveCaption));
    // The caption text and the close glyph: caption-text pixels left and right.
    const TRect Close = Manager->CloseButtonRect(TRect(0, 0, 200, 14));
    EXPECT_EQ(Close, TRect(186, 0, 200, 14));
    EXPECT_GT(Img.CountNot(clInactiveCaption, Close.left, Close.top, Close.right, Close.bottom), 0);
    EXPECT_GT(Img.CountNot(clInactiveCaption, 2, 0, 60, 14), 0);
    EXPECT_EQ(Img.CountNot(clInactiveCaption, 120, 0, 180, 14), 0);

    // A second client shares the site; the site following its size.
    TRzPanel* B = Client(F.get(), "Files");
    B->ManualDock(Site);
    EXPECT_EQ(A->BoundsRect(), TRect(0, 14, 200, 75));
    EXPECT_EQ(B->BoundsRect(), TRect(0, 89, 200, 150));
    Site->SetHeight(110);
    EXPECT_EQ(B->BoundsRect(), TRect(0, 69, 200, 110));

    // Without captions the class library's frame stands in.
    Site->SetShowDockClientCaptions(false);
    Img.Fill(clWhite);
    PaintControl(Site, Img);
    EXPECT_NE(Img.Px(120, 5), Rgb(clInactiveCaption));

    // Floated out: no longer docked, in a form of its own.
    A->ManualFloat(Bounds(400, 300, 150, 100));
    EXPECT_EQ(A->HostDockSite(), nullptr);
    EXPECT_EQ(Site->DockClientCount(), 1);
    EXPECT_NE(dynamic_cast<TCustomForm*>(A->Parent()), nullptr);
    EXPECT_EQ(B->BoundsRect(), TRect(0, 14, 200, 110));
    A->Parent()->Free();
}

TEST(RzPanelDock, TopAlignedSitesPutTheGrabberOnTheLeft)
{
    TLookScope Classic(false);
    TOwn<TForm> F(NewTestForm(300, 200));
    TRzPanel* Site = DockSitePanel(F.get(), alTop);
    Site->SetBorderOuter(fsLowered);
    TRzPanel* A = Client(F.get(), "Log");
    A->ManualDock(Site);
    // The frames come off the alignment rectangle of a dock site.
    EXPECT_EQ(A->BoundsRect(), TRect(2 + 14, 2, 298, 148));
    TTestSurface Img(300, 150);
    PaintControl(Site, Img);
    EXPECT_EQ(Img.Px(3, 75), Rgb(clInactiveCaption));
    const TRect Close = static_cast<TRzPanelDockManager*>(Site->DockManager())->CloseButtonRect(TRect(2, 2, 16, 148));
    EXPECT_GT(Img.CountNot(clInactiveCaption, Close.left, Close.top, Close.right, Close.bottom), 0);
}
