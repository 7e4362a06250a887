#include "tests/shell/ViewsTestSupport.h"

using namespace views_test;


TEST_F(TViewsForm, LastColumnFillsTheClientWidth)
{
    struct {
        int ClientWidth, LastWidth;
    } Cases[] = {{400, 300}, {103, 5}, {100, 50}};
    for (auto& C : Cases) {
        TListView L(&Form);
        L.SetParent(&Form);
        L.SetViewStyle(vsReport);
        L.SetFillLastColumn(false);
        L.AddColumn("One", 100);
        L.AddColumn("Two", 50);
        L.AddItem("a");
        L.AddItem("b");
        L.SetBounds(0, 0, 300, 200);
        L.HandleNeeded();
        L.SetClientWidth(C.ClientWidth);
        ASSERT_EQ(L.ClientWidth(), C.ClientWidth);
        L.SetFillLastColumn(true);
        EXPECT_EQ(L.ColumnWidth(1), C.LastWidth) << "client width " << C.ClientWidth;
    }
    // Without items the vertical bar's width is kept free for when they come.
    TListView Empty(&Form);
    Empty.SetParent(&Form);
    Empty.SetViewStyle(vsReport);
    Empty.AddColumn("One", 100);
    Empty.AddColumn("Two", 50);
    Empty.SetBounds(0, 0, 300, 200);
    Empty.HandleNeeded();
    Empty.SetClientWidth(400);
    Empty.FillLastColumn();
    EXPECT_EQ(Empty.ColumnWidth(1), 300 - GetSystemMetrics(SM_CXVSCROLL));
}

TEST_F(TViewsForm, HeaderFormatBitsFollowTheSortDisplayMode)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(0, 0, 300, 150);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 100);
    L.AddColumn("Size", 80, taRightJustify);
    L.HandleNeeded();
    Pump(); // the posted refresh
    const HWND H = L.HeaderHandle();
    ASSERT_NE(H, nullptr);
    EXPECT_TRUE(HeaderFormat(H, 0) & HDF_OWNERDRAW);
    EXPECT_EQ(HeaderFormat(H, 1) & HDF_JUSTIFYMASK, HDF_RIGHT) << "alignment kept";
    L.SetHeaderSortDisplayMode(hsdmNone);
    EXPECT_FALSE(HeaderFormat(H, 0) & HDF_OWNERDRAW);
    EXPECT_TRUE(HeaderFormat(H, 0) & HDF_STRING);
    EXPECT_FALSE(HeaderFormat(H, 0) & HDF_IMAGE);
    EXPECT_EQ(HeaderFormat(H, 1) & HDF_JUSTIFYMASK, HDF_RIGHT);

    TCustomImageList Images(nullptr, 16, 16);
    L.SetSmallImages(&Images);
    L.Column(0)->ImageIndex = 0;
    L.UpdateHeaderState();
    EXPECT_TRUE(HeaderFormat(H, 0) & HDF_IMAGE);
    EXPECT_FALSE(HeaderFormat(H, 1) & HDF_IMAGE);
    L.SetSmallImages(nullptr);

    TListView Old(&Form);
    Old.Version = TRzFileVersion{MAKELONG(0, 4), 0};
    Old.SetHeaderSortDisplayMode(hsdmRightAlign);
    EXPECT_EQ(Old.HeaderSortDisplayMode(), hsdmNone) << "owner-drawn headers need comctl32 4.70";
}

TEST_F(TViewsForm, SortArrowsInTheOwnerDrawnHeader)
{
    TThemeServices::SetThemingDisabled(true);
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 120);
    L.AddColumn("Size", 90, taRightJustify);
    L.SetSortColumn(0);
    struct {
        TRzLVHeaderSortDisplayMode Mode;
        bool Descending;
        int Column;
        const char* File;
    } Cases[] = {
        {hsdmRightOfText, false, 0, "listview_header_right_of_text_up.bmp"},
        {hsdmRightAlign, true, 0, "listview_header_right_align_down.bmp"},
        {hsdmLeftAlign, false, 0, "listview_header_left_align_up.bmp"},
    };
    const RECT R{0, 0, 120, 20};
    const TRect Box0 = TRzCustomListView::ArrowBox(R);
    ASSERT_EQ(Box0.Width(), 10);
    ASSERT_EQ(Box0.Height(), 9);
    for (auto& C : Cases) {
        L.SetHeaderSortDisplayMode(C.Mode);
        L.SetSortDescending(C.Descending);
        TBitmap B;
        B.SetSize(120, 20);
        L.DrawHeaderItem(B.Canvas()->Handle(), C.Column, R);
        B.SaveToFile(CapturePath(C.File));
        // The triangle: h = 3/4 of the box height, base 2h - 1 wide.
        const int H = Box0.Height() * 3 / 4;
        int Widest = 0, WidestRow = -1, Rows = 0;
        for (int Y = 0; Y < 20; ++Y) {
            int N = 0;
            for (int X = 0; X < 120; ++X)
                N += PixelAt(B, X, Y) == ColorToRGB(clBtnShadow);
            if (N > 0)
                ++Rows;
            if (N > Widest) {
                Widest = N;
                WidestRow = Y;
            }
        }
        EXPECT_EQ(Rows, H) << C.File;
        EXPECT_EQ(Widest, 2 * H - 1) << C.File;
        EXPECT_EQ(WidestRow, C.Descending ? Box0.bottom - H : Box0.bottom - 1) << C.File;
        EXPECT_EQ(PixelAt(B, 1, 1), ColorToRGB(clBtnFace)) << "classic: the item is filled";
    }
    // Columns other than the sort column carry no arrow.
    TBitmap Plain;
    Plain.SetSize(90, 20);
    L.DrawHeaderItem(Plain.Canvas()->Handle(), 1, RECT{0, 0, 90, 20});
    EXPECT_EQ(CountPixels(Plain, TRect(0, 0, 90, 20), ColorToRGB(clBtnShadow)), 0);
}

TEST_F(TViewsForm, FrameIsPaintedInTheNonClientArea)
{
    TThemeServices::SetThemingDisabled(true);
    ShowWithoutActivating();
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(20, 20, 200, 120);
    L.SetFramingPreference(fpCustomFraming);
    L.SetFrameVisible(true);
    L.SetFrameStyle(fsFlat);
    L.SetFrameColor(clRed);
    L.HandleNeeded();
    EXPECT_FALSE(L.UseThemes());
    RedrawWindow(L.Handle(), nullptr, nullptr, RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    Pump();
    TBitmap B;
    CaptureWindow(L.Handle(), B);
    B.SaveToFile(CapturePath("listview_frame_flat_red.bmp"));
    EXPECT_EQ(PixelAt(B, 0, 60), clRed);
    EXPECT_EQ(PixelAt(B, 100, 0), clRed);
    EXPECT_EQ(PixelAt(B, B.Width() - 1, 60), clRed);

    // Hot tracking: the hot colour while focused.
    L.SetFrameHotTrack(true);
    L.SetFrameHotColor(clBlue);
    L.SetFrameHotStyle(fsFlat);
    L.Perform(CM_ENTER);
    TBitmap Hot;
    Hot.SetSize(B.Width(), B.Height());
    L.PaintFrame(Hot.Canvas()->Handle());
    EXPECT_EQ(PixelAt(Hot, 0, 60), clBlue);
}

TEST_F(TViewsForm, ColoursFollowFocusAndEnabling)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(0, 0, 200, 100);
    L.SetFocusColor(clYellow);
    L.SetDisabledColor(clGray);
    L.HandleNeeded();
    L.Perform(CM_ENTER);
    EXPECT_EQ(L.Color(), clYellow);
    EXPECT_EQ(static_cast<TColor>(SendMessageA(L.Handle(), LVM_GETBKCOLOR, 0, 0)), clYellow);
    L.SetEnabled(false);
    EXPECT_EQ(L.Color(), clGray);
    EXPECT_EQ(static_cast<TColor>(SendMessageA(L.Handle(), LVM_GETBKCOLOR, 0, 0)), clGray);
    L.SetEnabled(true);
    EXPECT_EQ(L.Color(), clYellow);
    L.Perform(CM_EXIT);
    EXPECT_EQ(L.Color(), clWindow);
    // The frame controller sets properties by their published names.
    EXPECT_TRUE(SetOrdProp(&L, "FrameColor", clLime));
    EXPECT_EQ(L.FrameColor(), clLime);
    EXPECT_TRUE(IsPublishedProp(&L, "HeaderSortDisplayMode"));
    EXPECT_TRUE(L.StoresProperty(fcpFrameColor));
    TRzFrameController Ctl(&Form);
    L.SetFrameController(&Ctl);
    EXPECT_FALSE(L.StoresProperty(fcpFrameColor)) << "governed by the controller";
    L.SetFrameControllerNotifications(fcnAll & ~(1u << fcpFrameColor));
    EXPECT_TRUE(L.StoresProperty(fcpFrameColor));
    L.SetFrameController(nullptr);
    L.ReadFrameFlat(true);
    EXPECT_TRUE(L.FrameHotTrack());
    EXPECT_EQ(L.FrameHotStyle(), fsLowered);
    EXPECT_EQ(L.FrameStyle(), fsStatus);
    L.ReadFrameFocusStyle("FSGROOVE");
    EXPECT_EQ(L.FrameHotStyle(), fsGroove);
    L.ReadFrameFocusStyle("fsNoSuchStyle");
    EXPECT_EQ(L.FrameHotStyle(), fsGroove);
}

TEST_F(TViewsForm, ItemMenuAtTheKeyboardPositionAndHints)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(0, 0, 300, 200);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 150);
    L.AddItem("first");
    L.AddItem("second");
    L.HandleNeeded();
    TListItem* Second = L.Item(1);
    Second->SetSelected(true);
    Second->SetFocused(true);
    TListItem* Got = nullptr;
    TPoint Pos;
    L.OnItemContextMenu = [&](TObject*, TListItem* I, TPoint& P, TPopupMenu*& Menu) {
        Got = I;
        Pos = P;
        Menu = nullptr;
    };
    SendMessageA(L.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(L.Handle()), -1);
    ASSERT_EQ(Got, Second);
    const TRect Icon = Second->DisplayRect(drIcon);
    EXPECT_EQ(Pos.x, (Icon.left + Icon.right) / 2);
    EXPECT_EQ(Pos.y, (Icon.top + Icon.bottom) / 2);

    // Nothing selected: no item menu; the list's own menu at the focused item.
    Second->SetSelected(false);
    Got = nullptr;
    Pos = TPoint(-1, -1);
    L.OnContextPopup = [&](TObject*, TPoint P, bool& Handled) { Pos = P, Handled = true; };
    PostMessageA(L.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(L.Handle()), -1);
    Pump();
    EXPECT_EQ(Got, nullptr);
    EXPECT_EQ(Pos.x, (Icon.left + Icon.right) / 2);
    EXPECT_EQ(Pos.y, (Icon.top + Icon.bottom) / 2);

    // The item hint sits 5 right of the item and 3 above its bottom.
    const TRect B = L.Item(0)->DisplayRect(drBounds);
    L.UpdateItemHint(B.left + 10, (B.top + B.bottom) / 2);
    ASSERT_TRUE(L.ItemHintShowing());
    EXPECT_EQ(L.ItemHintTextShown(), "first");
    const TPoint Want = L.ClientToScreen(TPoint(B.left + 5, B.bottom - 3));
    EXPECT_EQ(L.ItemHintPos().x, Want.x);
    EXPECT_EQ(L.ItemHintPos().y, Want.y);
    L.UpdateItemHint(B.left + 10, 190);
    EXPECT_FALSE(L.ItemHintShowing());
}

TEST_F(TViewsForm, WheelAndReportLabelEditing)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(0, 0, 250, 150);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 150);
    for (int I = 0; I < 60; ++I)
        L.AddItem("item " + std::to_string(I));
    L.HandleNeeded();
    TWheelScrollLinesScope Wheel([] { return 3u; });
    SendMessageA(L.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    const int Top = static_cast<int>(SendMessageA(L.Handle(), LVM_GETTOPINDEX, 0, 0));
    EXPECT_GT(Top, 0);
    SendMessageA(L.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), 0);
    EXPECT_EQ(SendMessageA(L.Handle(), LVM_GETTOPINDEX, 0, 0), 0);

    // In report view a label edit starts only under the mouse.
    SetCursorPos(0, 0);
    EXPECT_FALSE(L.Item(0)->EditCaption());
}


TEST_F(TViewsForm, HeaderHotTrackingAndOwnerDrawRouting)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(0, 0, 300, 150);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 100);
    L.AddColumn("Size", 80);
    L.HandleNeeded();
    const HWND H = L.HeaderHandle();
    ASSERT_NE(H, nullptr);
    // Wine runs with visual styles on, so the themed hot tracking is there.
    ASSERT_TRUE(L.UseThemes());
    {
        // The header's mouse moves go through the list's own procedure.
        SendMessageA(H, WM_MOUSEMOVE, 0, MAKELPARAM(130, 5));
        EXPECT_EQ(L.HotHeaderItem(), 1);
        SendMessageA(H, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(130, 5));
        SendMessageA(H, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(20, 5));
        EXPECT_EQ(L.HotHeaderItem(), 1) << "a pressed button keeps the hot item";
        SendMessageA(H, WM_LBUTTONUP, 0, MAKELPARAM(20, 5));
        SendMessageA(H, WM_MOUSELEAVE, 0, 0);
        EXPECT_EQ(L.HotHeaderItem(), -1);
        SendMessageA(H, WM_MOUSEMOVE, 0, MAKELPARAM(30, 5));
        EXPECT_EQ(L.HotHeaderItem(), 0);
        L.Perform(CM_MOUSELEAVE);
        EXPECT_EQ(L.HotHeaderItem(), -1) << "leaving the list clears it too";
    }
    // WM_DRAWITEM from the header paints through DrawHeaderItem.
    TThemeServices::SetThemingDisabled(true);
    L.SetSortColumn(1);
    TBitmap B;
    B.SetSize(80, 20);
    DRAWITEMSTRUCT D{};
    D.CtlType = ODT_HEADER;
    D.hwndItem = H;
    D.itemID = 1;
    D.hDC = B.Canvas()->Handle();
    D.rcItem = {0, 0, 80, 20};
    EXPECT_EQ(SendMessageA(L.Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&D)), TRUE);
    EXPECT_GT(CountPixels(B, TRect(0, 0, 80, 20), ColorToRGB(clBtnShadow)), 5) << "the sort arrow";
}

TEST_F(TViewsForm, DisabledRowsTakeTheDisabledColour)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(0, 0, 200, 100);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 150);
    L.AddItem("row");
    L.SetDisabledColor(clAqua);
    L.HandleNeeded();
    L.SetEnabled(false);
    TBitmap B;
    B.SetSize(200, 100);
    SendMessageA(L.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(B.Canvas()->Handle()), PRF_CLIENT);
    const TRect R = L.Item(0)->DisplayRect(drLabel);
    EXPECT_GT(CountPixels(B, R, clAqua), R.Width() * R.Height() / 3);
    L.SetEnabled(true);
}

TEST_F(TViewsForm, RightClickOnAnItemOpensItsMenu)
{
    ShowWithoutActivating();
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetBounds(0, 0, 250, 150);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 150);
    L.AddItem("under the mouse");
    L.HandleNeeded();
    Pump();
    TListItem* Got = nullptr;
    L.OnItemContextMenu = [&](TObject*, TListItem* I, TPoint&, TPopupMenu*& Menu) {
        Got = I;
        Menu = nullptr;
    };
    const TRect R = L.Item(0)->DisplayRect(drLabel);
    const TPoint S = L.ClientToScreen(TPoint(R.left + 5, (R.top + R.bottom) / 2));
    SetCursorPos(S.x, S.y);
    NMHDR N{L.Handle(), 0, static_cast<UINT>(NM_RCLICK)};
    L.Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&N));
    EXPECT_EQ(Got, L.Item(0));
    Got = nullptr;
    SetCursorPos(S.x, L.ClientToScreen(TPoint(0, 140)).y);
    L.Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&N));
    EXPECT_EQ(Got, nullptr) << "no item under the mouse";
    NMHDR Drag{L.Handle(), 0, static_cast<UINT>(LVN_BEGINDRAG)};
    NMLISTVIEW DragInfo{};
    DragInfo.hdr = Drag;
    L.Perform(CN_NOTIFY, 0, reinterpret_cast<LPARAM>(&DragInfo));
    EXPECT_TRUE(L.Dragging());
}
