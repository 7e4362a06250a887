#include "classlib/ComCtrls.h"

#include <gtest/gtest.h>

#include <shellapi.h>

#include "classlib/Forms.h"
#include "testkit/PixelProbe.h"

namespace {

std::string ItemText(HWND List, int Index, int Sub)
{
    char Buf[128] = {};
    LVITEMA I{};
    I.iSubItem = Sub;
    I.pszText = Buf;
    I.cchTextMax = sizeof Buf;
    SendMessageA(List, LVM_GETITEMTEXTA, Index, reinterpret_cast<LPARAM>(&I));
    return Buf;
}

std::string NodeText(HWND Tree, HTREEITEM Item)
{
    char Buf[128] = {};
    TVITEMA I{};
    I.mask = TVIF_TEXT | TVIF_HANDLE;
    I.hItem = Item;
    I.pszText = Buf;
    I.cchTextMax = sizeof Buf;
    SendMessageA(Tree, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    return Buf;
}

struct TViewForm : ::testing::Test {
    TForm Form{nullptr};
    void SetUp() override
    {
        Form.SetBounds(0, 0, 400, 300);
        Form.HandleNeeded();
    }
};

class TListView : public TCustomListView {
public:
    using TCustomListView::TCustomListView;
};
class TTreeView : public TCustomTreeView {
public:
    using TCustomTreeView::TCustomTreeView;
};

// A report list of one 150-pixel column holding these rows.
void ReportRows(TListView& L, TWinControl* Parent, int W, int H, std::initializer_list<const char*> Rows)
{
    L.SetParent(Parent);
    L.SetBounds(0, 0, W, H);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 150);
    for (const char* Row : Rows)
        L.AddItem(Row);
}

} // namespace

TEST_F(TViewForm, ListItemsAnswerThroughCallbacksAndSurviveRecreation)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 100);
    L.AddColumn("Size", 60, taRightJustify);
    TListItem* A = L.AddItem("beta");
    A->SubItems() = {"2KB"};
    L.AddItem("alpha")->SubItems() = {"1KB"};
    const HWND H = L.Handle();
    EXPECT_EQ(SendMessageA(H, LVM_GETITEMCOUNT, 0, 0), 2);
    EXPECT_EQ(ItemText(H, 0, 0), "beta");
    EXPECT_EQ(ItemText(H, 0, 1), "2KB");
    A->SetCaption("gamma");
    EXPECT_EQ(ItemText(H, 0, 0), "gamma") << "the control asks the item again";
    L.AddItem("late")->SubItems() = {"3KB"};
    EXPECT_EQ(ItemText(H, 2, 1), "3KB");
    EXPECT_TRUE(GetWindowLongA(H, GWL_STYLE) & LVS_SHAREIMAGELISTS);

    L.CustomSort();
    EXPECT_EQ(L.Item(0)->Caption(), "alpha");
    EXPECT_EQ(ItemText(H, 0, 0), "alpha");
    EXPECT_EQ(L.Item(2)->Caption(), "late");
    L.OnCompare = [](TObject*, TListItem* X, TListItem* Y, int, int& R) {
        R = -lstrcmpA(X->Caption().c_str(), Y->Caption().c_str());
    };
    L.CustomSort();
    EXPECT_EQ(ItemText(H, 0, 0), "late");
    EXPECT_EQ(L.Item(0)->Index(), 0);

    L.SetColumnWidth(0, 77);
    L.SetReadOnly(true); // a new window
    EXPECT_NE(L.WindowHandle(), nullptr);
    EXPECT_FALSE(GetWindowLongA(L.Handle(), GWL_STYLE) & LVS_EDITLABELS);
    EXPECT_EQ(ItemText(L.Handle(), 0, 0), "late");
    EXPECT_EQ(L.ColumnWidth(0), 77);
    L.DeleteItem(0);
    EXPECT_EQ(SendMessageA(L.Handle(), LVM_GETITEMCOUNT, 0, 0), 2);
    // Emptied at once: the notice of the whole list is no column's click.
    int Clicks = 0;
    L.OnColumnClick = [&](TObject*, TListColumn*) { ++Clicks; };
    L.ClearItems();
    EXPECT_EQ(L.ItemCount(), 0);
    EXPECT_EQ(Clicks, 0);
}

TEST_F(TViewForm, ListLabelEditingAsksAndStores)
{
    TListView L(&Form);
    L.SetParent(&Form);
    L.SetViewStyle(vsReport);
    L.AddColumn("Name", 100);
    TListItem* I = L.AddItem("old");
    bool Allow = false;
    std::string Seen;
    L.OnEditing = [&](TObject*, TListItem*, bool& A) { A = Allow; };
    L.OnEdited = [&](TObject*, TListItem*, std::string& S) {
        Seen = S;
        S += "!";
    };
    L.SetFocus();
    EXPECT_FALSE(I->EditCaption()) << "refused";
    Allow = true;
    ASSERT_TRUE(I->EditCaption());
    const HWND Edit = reinterpret_cast<HWND>(SendMessageA(L.Handle(), LVM_GETEDITCONTROL, 0, 0));
    ASSERT_NE(Edit, nullptr);
    SetWindowTextA(Edit, "new");
    SendMessageA(Edit, WM_KEYDOWN, VK_RETURN, 0);
    EXPECT_EQ(Seen, "new");
    EXPECT_EQ(I->Caption(), "new!");
    EXPECT_EQ(ItemText(L.Handle(), 0, 0), "new!");
}

TEST_F(TViewForm, ListCustomDrawPaintsTheItemBrush)
{
    TListView L(&Form);
    ReportRows(L, &Form, 200, 100, {"painted"});
    L.OnCustomDrawItem = [](TCustomListView* S, TListItem*, TCustomDrawState, bool&) {
        S->Canvas()->Brush()->SetColor(clRed);
    };
    TBitmap B;
    B.SetSize(200, 100);
    B.Canvas()->Brush()->SetColor(clWhite);
    B.Canvas()->FillRect(TRect(0, 0, 200, 100));
    SendMessageA(L.Handle(), WM_PRINTCLIENT, reinterpret_cast<WPARAM>(B.Canvas()->Handle()), PRF_CLIENT);
    const TRect R = L.Item(0)->DisplayRect(drLabel);
    ASSERT_GT(R.Width(), 0);
    EXPECT_GT(CountPixels(B, R, clRed), R.Width() * R.Height() / 3) << "the row's text background is the brush";
}

TEST_F(TViewForm, ListMenuFromTheKeyboardOpensAtTheFocusedItem)
{
    TListView L(&Form);
    ReportRows(L, &Form, 300, 200, {"first", "second", "third", "fourth"});
    TPoint Pos(-7, -7);
    L.OnContextPopup = [&](TObject*, TPoint P, bool& Handled) { Pos = P, Handled = true; };
    const auto Menu = [&](LPARAM At) {
        SendMessageA(L.Handle(), WM_CONTEXTMENU, reinterpret_cast<WPARAM>(L.Handle()), At);
    };
    // The menu key with no item focused: the list's corner, as the system says.
    Menu(-1);
    EXPECT_EQ(Pos, TPoint(-1, -1));
    // With one focused: the middle of its icon, in the list's coordinates.
    L.Item(2)->SetFocused(true);
    Menu(-1);
    const TRect Icon = L.Item(2)->DisplayRect(drIcon);
    ASSERT_GT(Icon.top, 10);
    EXPECT_EQ(Pos, TPoint((Icon.left + Icon.right) / 2, (Icon.top + Icon.bottom) / 2));
    // From the mouse: where it was clicked, from the screen to the list.
    const TPoint At = L.ClientToScreen(TPoint(40, 30));
    Menu(MAKELPARAM(At.x, At.y));
    EXPECT_EQ(Pos, TPoint(40, 30));
}

TEST_F(TViewForm, SharedSystemImageListOutlivesItsUsers)
{
    SHFILEINFOA Info{};
    const auto System = reinterpret_cast<HIMAGELIST>(
        SHGetFileInfoA("C:\\", 0, &Info, sizeof Info, SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    ASSERT_NE(System, nullptr);
    const int Count = ImageList_GetImageCount(System);
    {
        TCustomImageList Images(nullptr);
        Images.SetShareImages(true);
        Images.SetHandle(System);
        TListView L(&Form);
        L.SetParent(&Form);
        L.SetSmallImages(&Images);
        L.HandleNeeded();
        EXPECT_EQ(reinterpret_cast<HIMAGELIST>(SendMessageA(L.Handle(), LVM_GETIMAGELIST, LVSIL_SMALL, 0)), System);
        L.SetSmallImages(nullptr);
    }
    EXPECT_EQ(ImageList_GetImageCount(System), Count) << "still alive and whole";
}

TEST_F(TViewForm, TreeLazyNodesImagesAndSorting)
{
    TTreeView T(&Form);
    T.SetParent(&Form);
    TTreeNode* Root = T.AddChild(nullptr, "root");
    Root->SetHasChildren(true);
    int Expansions = 0;
    T.OnExpanding = [&](TObject*, TTreeNode* N, bool&) {
        if (N->Count() == 0) {
            ++Expansions;
            T.AddChild(N, "zeta");
            T.AddChild(N, "alpha");
        }
    };
    T.OnGetImageIndex = [](TObject*, TTreeNode* N) { N->SetImageIndex(N->Level() + 3); };
    const HWND H = T.Handle();
    EXPECT_EQ(NodeText(H, Root->ItemId()), "root");
    Root->Expand();
    EXPECT_EQ(Expansions, 1);
    ASSERT_EQ(Root->Count(), 2);
    EXPECT_TRUE(Root->Expanded());
    EXPECT_EQ(NodeText(H, Root->Item(1)->ItemId()), "alpha");
    TVITEMA I{};
    I.mask = TVIF_IMAGE | TVIF_HANDLE;
    I.hItem = Root->Item(0)->ItemId();
    SendMessageA(H, TVM_GETITEMA, 0, reinterpret_cast<LPARAM>(&I));
    EXPECT_EQ(I.iImage, 4) << "asked of the node through the callback";

    T.CustomSort(Root);
    EXPECT_EQ(Root->Item(0)->Text(), "alpha");
    const auto First = reinterpret_cast<HTREEITEM>(
        SendMessageA(H, TVM_GETNEXTITEM, TVGN_CHILD, reinterpret_cast<LPARAM>(Root->ItemId())));
    EXPECT_EQ(T.NodeFromItem(First), Root->Item(0));

    TTreeNode* Changed = nullptr;
    T.OnChange = [&](TObject*, TTreeNode* N) { Changed = N; };
    Root->Item(1)->SetSelected(true);
    EXPECT_EQ(Changed, Root->Item(1));
    EXPECT_EQ(T.Selected(), Root->Item(1));

    T.SetHideSelection(false);
    EXPECT_TRUE(GetWindowLongA(H, GWL_STYLE) & TVS_SHOWSELALWAYS);
    Root->Item(0)->Delete();
    EXPECT_EQ(Root->Count(), 1);
    EXPECT_EQ(Root->Item(0)->Text(), "zeta");
    T.Clear();
    EXPECT_EQ(T.RootCount(), 0);
    EXPECT_EQ(SendMessageA(H, TVM_GETCOUNT, 0, 0), 0);
}

// The tree's own window follows a press until the release and takes it:
// the control still hears the release, so the press does not keep the mouse.
TEST_F(TViewForm, TreeHearsTheReleaseItsWindowTakes)
{
    TTreeView T(&Form);
    T.SetParent(&Form);
    T.SetBounds(0, 0, 200, 150);
    TTreeNode* Root = T.AddChild(nullptr, "root");
    std::vector<TMouseButton> Ups;
    T.OnMouseUp = [&](TObject*, TMouseButton B, TShiftState, int, int) { Ups.push_back(B); };
    const TRect R = Root->DisplayRect(true);
    const LPARAM At = MAKELPARAM(R.left + 2, (R.top + R.bottom) / 2);
    PostMessageA(T.Handle(), WM_LBUTTONUP, 0, At);
    SendMessageA(T.Handle(), WM_LBUTTONDOWN, MK_LBUTTON, At);
    EXPECT_EQ(Ups, std::vector<TMouseButton>{mbLeft});
    EXPECT_FALSE(T.MouseCapture());
}

TEST(WindowSubclass, SeesMessagesFirstAndRestores)
{
    const HWND E = CreateWindowExA(0, "EDIT", "x", WS_POPUP, 0, 0, 50, 20, nullptr, nullptr, nullptr, nullptr);
    const auto Original = GetWindowLongPtrA(E, GWLP_WNDPROC);
    std::vector<UINT> Seen;
    {
        TWindowSubclass S;
        S.Attach(E, [&](UINT Msg, WPARAM W, LPARAM L) -> LRESULT {
            Seen.push_back(Msg);
            if (Msg == WM_USER + 7)
                return 42;
            return S.Default(Msg, W, L);
        });
        EXPECT_EQ(SendMessageA(E, WM_USER + 7, 0, 0), 42);
        char Buf[8] = {};
        GetWindowTextA(E, Buf, sizeof Buf);
        EXPECT_STREQ(Buf, "x") << "the window's own procedure still answers";
    }
    EXPECT_EQ(GetWindowLongPtrA(E, GWLP_WNDPROC), Original);
    const size_t N = Seen.size();
    SendMessageA(E, WM_USER + 7, 0, 0);
    EXPECT_EQ(Seen.size(), N);

    TWindowSubclass Until;
    Until.Attach(E, nullptr);
    DestroyWindow(E);
    EXPECT_FALSE(Until.Attached()) << "the window's end detaches";
}

TEST(TrackPopup, ReturnsTheChosenCommand)
{
    const HMENU M = CreatePopupMenu();
    AppendMenuA(M, MF_STRING, 5, "Five");
    POINT At{};
    TTrackPopupHook Old = SetTrackPopupHook([&](HMENU, int X, int Y) {
        At = {X, Y};
        return 5u;
    });
    EXPECT_EQ(TrackPopupMenuReturnCmd(M, TPM_LEFTALIGN, 12, 34, nullptr), 5u);
    EXPECT_EQ(At.x, 12);
    EXPECT_EQ(At.y, 34);
    SetTrackPopupHook(std::move(Old));
    DestroyMenu(M);
}
