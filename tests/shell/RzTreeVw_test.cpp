#include "tests/shell/ViewsTestSupport.h"

using namespace views_test;

TEST_F(TViewsForm, TreeItemHeightOutlineAndWheelPages)
{
    TTreeView Plain(&Form);
    Plain.SetParent(&Form);
    Plain.HandleNeeded();
    const int Default = static_cast<int>(SendMessageA(Plain.Handle(), TVM_GETITEMHEIGHT, 0, 0));

    TTreeView T(&Form);
    T.SetParent(&Form);
    T.SetBounds(0, 0, 200, 150);
    T.SetItemHeight(30);
    T.HandleNeeded();
    EXPECT_EQ(SendMessageA(T.Handle(), TVM_GETITEMHEIGHT, 0, 0), 30);
    T.SetItemHeight(-5);
    EXPECT_EQ(T.ItemHeight(), 0);
    EXPECT_EQ(SendMessageA(T.Handle(), TVM_GETITEMHEIGHT, 0, 0), Default);

    for (int I = 0; I < 50; ++I)
        T.AddChild(nullptr, "node " + std::to_string(I));
    UINT Lines = WHEEL_PAGESCROLL;
    TWheelScrollLinesScope Wheel([&] { return Lines; });
    SendMessageA(T.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(-WHEEL_DELTA)), 0);
    const int Visible = static_cast<int>(SendMessageA(T.Handle(), TVM_GETVISIBLECOUNT, 0, 0));
    EXPECT_EQ(T.TopItem(), T.Root(Visible)) << "one notch, one page";
    Lines = 2;
    SendMessageA(T.Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, static_cast<WORD>(WHEEL_DELTA)), 0);
    EXPECT_EQ(T.TopItem(), T.Root(Visible - 2));

    // Not focused, selection not hidden: the selected node is outlined.
    T.SetHideSelection(false);
    TPen Red;
    Red.SetColor(clRed);
    T.SetSelectionPen(&Red);
    TTreeNode* Sel = T.Root(Visible);
    Sel->SetSelected(true);
    ASSERT_NE(GetFocus(), T.Handle());
    ASSERT_EQ(T.Selected(), Sel);
    TBitmap B;
    B.SetSize(T.ClientWidth(), T.ClientHeight());
    SendMessageA(T.Handle(), WM_PAINT, reinterpret_cast<WPARAM>(B.Canvas()->Handle()), 0);
    B.SaveToFile(CapturePath("treeview_unfocused_outline.bmp"));
    const TRect R = Sel->DisplayRect(true);
    EXPECT_EQ(PixelAt(B, R.left, (R.top + R.bottom) / 2), clRed);
    EXPECT_EQ(PixelAt(B, R.right - 1, (R.top + R.bottom) / 2), clRed);
    EXPECT_EQ(PixelAt(B, (R.left + R.right) / 2, R.top), clRed);
    EXPECT_EQ(T.SelectionPen()->Width(), 1);
}

TEST_F(TViewsForm, TreeNodeMenusAndImageEvents)
{
    TTreeView T(&Form);
    T.SetParent(&Form);
    T.SetBounds(0, 0, 200, 150);
    TTreeNode* A = T.AddChild(nullptr, "a");
    int ImageCalls = 0;
    T.OnGetImageIndex = [&](TObject*, TTreeNode* N) {
        ++ImageCalls;
        N->SetImageIndex(7);
    };
    T.HandleNeeded();
    TVITEMA I{};
    I.mask = TVIF_IMAGE | TVIF_HANDLE;
    I.hItem = A->ItemId();
    ImageCalls = 0;
    SendMessageA(T.Handle(), TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    EXPECT_EQ(I.iImage, 7);
    EXPECT_EQ(ImageCalls, 1) << "the event runs once per question";

    A->SetSelected(true);
    TTreeNode* Got = A;
    TPoint Pos;
    T.OnNodeContextMenu = [&](TObject*, TTreeNode* N, TPoint& P, TPopupMenu*& Menu) {
        Got = N;
        Pos = P;
        Menu = nullptr;
    };
    T.ShowNodeMenu();
    const TRect R = A->DisplayRect(true);
    EXPECT_EQ(Got, A);
    EXPECT_EQ(Pos.x, (R.left + R.right) / 2);
    // No context node: the mouse's menu asks with no node.
    T.SetRightClickSelect(true);
    const TPoint S = T.ClientToScreen(TPoint(150, 140));
    SendMessageA(T.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(T.Handle()), MAKELPARAM(S.x, S.y));
    EXPECT_EQ(Got, nullptr);
    EXPECT_EQ(Pos.x, 150);
    EXPECT_EQ(Pos.y, 140);
    EXPECT_EQ(T.PathSeparator(), '\\');
}

namespace {
class TOldTree : public TRzCustomTreeView {
public:
    using TRzCustomTreeView::TRzCustomTreeView;

protected:
    TRzFileVersion CommonControlsVersion() const override { return TRzFileVersion{MAKELONG(71, 4), 0}; }
};
} // namespace

TEST_F(TViewsForm, TreeToolTipsAndAutoExpand)
{
    TOldTree Old(&Form);
    Old.SetParent(&Form);
    TTreeView New(&Form);
    New.SetParent(&Form);
    const bool NT = ShellOsVersion().dwPlatformId == VER_PLATFORM_WIN32_NT;
    EXPECT_EQ((GetWindowLongA(Old.Handle(), GWL_STYLE) & TVS_NOTOOLTIPS) != 0, NT);
    EXPECT_FALSE(GetWindowLongA(New.Handle(), GWL_STYLE) & TVS_NOTOOLTIPS);
    New.SetAutoExpand(true);
    EXPECT_TRUE(New.GetAutoExpand());
    EXPECT_TRUE(GetWindowLongA(New.Handle(), GWL_STYLE) & TVS_SINGLEEXPAND);
    TPropOrd V = 0;
    EXPECT_TRUE(GetOrdProp(&New, "ItemHeight", V));
    EXPECT_TRUE(SetOrdProp(&New, "FrameColor", clRed));
    EXPECT_EQ(New.FrameColor(), clRed);
}
