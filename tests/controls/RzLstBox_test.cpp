// The library's list box: group rows by item text, the selection after a
// delete, incremental search by messages, group rows drawn by a synthetic
// WM_DRAWITEM into a DIB, and the horizontal extent.
#include <gtest/gtest.h>

#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/StdCtrls.h"
#include "controls/RzLstBox.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

std::unique_ptr<TStringList> ListOf(std::vector<std::string> Texts)
{
    auto L = std::make_unique<TStringList>();
    for (const auto& T : Texts)
        L->Add(T);
    return L;
}

class TCountedBeeps {
public:
    TCountedBeeps() { SetBeepHook([this](UINT) { ++Count; }); }
    ~TCountedBeeps() { SetBeepHook(nullptr); }
    TCountedBeeps(const TCountedBeeps&) = delete;
    TCountedBeeps& operator=(const TCountedBeeps&) = delete;
    int Count = 0;
};

struct TListFixture {
    std::unique_ptr<TForm, TObjectFree> Form = NewTestForm(300, 300);
    TRzListBox* List = nullptr;
    int Clicks = 0;
    explicit TListFixture(std::vector<std::string> Texts)
    {
        List = new TRzListBox(Form.get());
        List->SetParent(Form.get());
        List->SetBounds(10, 10, 120, 150);
        for (const auto& T : Texts)
            List->Items()->Add(T);
        List->OnClick = [this](TObject*) { ++Clicks; };
        List->HandleNeeded();
    }
    void Type(const std::string& Keys)
    {
        for (char Ch : Keys)
            SendMessageA(List->Handle(), WM_CHAR, static_cast<unsigned char>(Ch), 1);
    }
};

} // namespace

TEST(RzListGroups, GroupIndexAndNumberFromTheItemTexts)
{
    auto L = ListOf({"//Mail", "Eudora", "mbox", "//Other", "Text", "/half"});
    struct TCase { int Index, Group, Number; };
    const TCase Cases[] = {
        {0, 0, 0}, {1, 0, -1}, {2, 0, -1}, {3, 3, 1}, {4, 3, -1}, {5, 3, -1}, {-1, -1, -1}, {9, 3, -1},
    };
    for (const TCase& C : Cases) {
        EXPECT_EQ(GroupIndexOf(L.get(), "//", C.Index), C.Group) << C.Index;
        EXPECT_EQ(GroupNumberOf(L.get(), "//", C.Index), C.Number) << C.Index;
    }
    auto NoGroup = ListOf({"a", "b"});
    EXPECT_EQ(GroupIndexOf(NoGroup.get(), "//", 1), -1);
}

TEST(RzListOperations, ReselectionAfterDelete)
{
    struct TCase { int Selected, Count, Want; };
    const TCase Cases[] = {{2, 2, 1}, {0, 0, -1}, {-1, 3, -1}, {1, 3, 1}, {0, 2, 0}};
    for (const TCase& C : Cases)
        EXPECT_EQ(ReselectAfterDelete(C.Selected, C.Count), C.Want) << C.Selected << "/" << C.Count;

    TListFixture F({"one", "two", "three"});
    F.List->SetItemIndex(2);
    F.List->DeleteItem(2);
    EXPECT_EQ(F.List->ItemIndex(), 1);
    EXPECT_EQ(F.Clicks, 1);
    EXPECT_EQ(F.List->GetSelectedText(), "two");
    TListFixture Single({"only"});
    Single.List->SetItemIndex(0);
    Single.List->DeleteItem(0);
    EXPECT_EQ(Single.List->ItemIndex(), -1);
    EXPECT_EQ(Single.Clicks, 0);
    EXPECT_EQ(Single.List->GetSelectedText(), "");
}

TEST(RzListSearch, PrefixesWithinTheDelayAndBeepsForNoMatch)
{
    TListFixture F({"alpha", "beta", "bravo", "charlie"});
    TCountedBeeps Beeps;
    F.Type("br");
    EXPECT_EQ(F.List->ItemIndex(), 2);
    F.Type("zz");
    EXPECT_EQ(Beeps.Count, 2);
    EXPECT_EQ(F.List->ItemIndex(), 2);
    EXPECT_EQ(F.List->SearchText(), "br");
    F.List->SearchTimerTick();
    F.Type("c");
    EXPECT_EQ(F.List->ItemIndex(), 3);
    F.Type("\b");
    EXPECT_EQ(F.List->ItemIndex(), 0);

    TListFixture Empty({});
    TCountedBeeps None;
    Empty.Type("\b");
    EXPECT_EQ(Empty.List->ItemIndex(), -1);
    EXPECT_EQ(Empty.Clicks, 0);
}

// Escape while searching by typing drops the selection, not only the text.
TEST(RzListSearch, EscapeClearsTheSelection)
{
    auto Form = NewTestForm(300, 300);
    auto* List = new TRzListBox(Form.get());
    List->SetParent(Form.get());
    List->SetBounds(10, 10, 120, 150);
    for (const char* T : {"alpha", "beta", "bravo"})
        List->Items()->Add(T);
    SendMessageA(List->Handle(), WM_CHAR, 'b', 1);
    ASSERT_EQ(List->ItemIndex(), 1);
    Key(List->Handle(), VK_ESCAPE, true);
    SendMessageA(List->Handle(), WM_CHAR, VK_ESCAPE, 1);
    EXPECT_EQ(List->ItemIndex(), -1);
    EXPECT_EQ(List->SearchText(), "");
}

TEST(RzListDraw, GroupRowsWithoutPrefixInTheGroupColours)
{
    TClassicLook Classic;
    TListFixture F({"//Group", "item"});
    F.List->SetShowGroups(true);
    F.List->SetUseGradients(false);
    F.List->SetGroupColor(clYellow);
    F.List->SetOwnerDrawIndent(10);
    EXPECT_EQ(F.List->Style(), lbOwnerDrawFixed);
    const int W = 120, H = 18;
    auto Draw = [&](int Index, TTestSurface& Img) {
        DRAWITEMSTRUCT D{};
        D.CtlType = ODT_LISTBOX;
        D.itemID = static_cast<UINT>(Index);
        D.itemAction = ODA_DRAWENTIRE;
        D.hwndItem = F.List->Handle();
        D.hDC = Img.DC();
        D.rcItem = RECT{0, 0, W, H};
        SendMessageA(F.Form->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&D));
        GdiFlush();
    };
    TTestSurface Group(W, H), Item(W, H);
    Draw(0, Group);
    Draw(1, Item);
    // The group row fills the whole row (no indent) in the group colour,
    // with its text in the group font's colour.
    EXPECT_EQ(Group.Px(1, 1), Rgb(clYellow));
    EXPECT_EQ(Group.Px(W - 2, H - 2), Rgb(clYellow));
    EXPECT_GT(Group.CountNot(clYellow, 0, 0, W, H), 0);
    EXPECT_EQ(Group.CountNot(clYellow, 60, 0, W, H), 0); // "Group" without "//" is short
    // An ordinary row leaves the indent in the list's colour.
    EXPECT_EQ(Item.Px(1, 1), Rgb(F.List->Color()));
    EXPECT_EQ(Item.CountNot(F.List->Color(), 0, 0, 10, H), 0);
    EXPECT_GT(Item.CountNot(F.List->Color(), 10, 0, W, H), 0);
    // Drawn, the group font is the list's own, bold: after drawing too, a
    // new font of the list is followed, until the group font is set by hand.
    F.List->Font()->SetHeight(-20);
    Draw(0, Group);
    EXPECT_EQ(F.List->GroupFont()->Height(), -20);
    EXPECT_EQ(F.List->GroupFont()->Style(), static_cast<TFontStyles>(fsBold));
    F.List->GroupFont()->SetHeight(-9);
    F.List->Font()->SetHeight(-30);
    Draw(0, Group);
    EXPECT_EQ(F.List->GroupFont()->Height(), -9);
}

TEST(RzListExtent, FitsTheWidestItem)
{
    TListFixture F({"short"});
    F.List->SetHorzScrollBar(true);
    EXPECT_EQ(F.List->HorzExtent(), F.List->ClientWidth());
    F.List->Items()->Add(std::string(80, 'W'));
    EXPECT_GT(F.List->HorzExtent(), F.List->ClientWidth());
    EXPECT_EQ(SendMessageA(F.List->Handle(), LB_GETHORIZONTALEXTENT, 0, 0), F.List->HorzExtent());
    // Measured from the added row alone, it is what measuring every row gives.
    const int Wide = F.List->HorzExtent();
    F.List->Items()->Insert(0, std::string(40, 'W'));
    EXPECT_EQ(F.List->HorzExtent(), Wide);
    F.List->Items()->Insert(0, std::string(81, 'W'));
    const int Wider = F.List->HorzExtent();
    EXPECT_GT(Wider, Wide);
    F.List->UpdateHorzExtent();
    EXPECT_EQ(F.List->HorzExtent(), Wider);
    // A new size keeps the rows' width, or takes the client's when wider.
    F.List->SetWidth(F.List->Width() - 20);
    EXPECT_EQ(F.List->HorzExtent(), Wider);
    F.List->SetWidth(Wider + 100);
    EXPECT_EQ(F.List->HorzExtent(), F.List->ClientWidth());
    F.List->SetWidth(60);
    EXPECT_EQ(F.List->HorzExtent(), Wider);
    // The widest row deleted: the next widest decides.
    F.List->Items()->Delete(0);
    EXPECT_EQ(F.List->HorzExtent(), Wide);
}

TEST(RzListRows, KnowsItsTextsInAnyCaseThroughEveryChange)
{
    // Kept before the window exists, then moved into it.
    TListFixture F({"C:\\Mail\\Inbox", "C:\\Mail\\Sent", "C:\\Mail\\Sent"});
    // And whether all rows hold one object, and which.
    TObject* const A = reinterpret_cast<TObject*>(1);
    TObject* O = nullptr;
    EXPECT_TRUE(F.List->HoldsText("c:\\mail\\INBOX"));
    EXPECT_FALSE(F.List->HoldsText("C:\\Mail\\Inbo"));
    F.List->Items()->Insert(0, "C:\\Trash");
    EXPECT_TRUE(F.List->HoldsText("C:\\TRASH"));
    F.List->Items()->PutObject(0, A);
    EXPECT_FALSE(F.List->RowsShareObject(O));
    // One of two equal rows deleted leaves the other.
    F.List->Items()->Delete(2);
    EXPECT_TRUE(F.List->HoldsText("C:\\Mail\\Sent"));
    F.List->Items()->Delete(2);
    EXPECT_FALSE(F.List->HoldsText("C:\\Mail\\Sent"));
    EXPECT_TRUE(F.List->HoldsText("C:\\Mail\\Inbox"));
    F.List->Items()->PutObject(1, A);
    EXPECT_TRUE(F.List->RowsShareObject(O) && O == A);
    // One of two rows of an object deleted leaves the other counted.
    F.List->Items()->AddObject("C:\\Junk", reinterpret_cast<TObject*>(2));
    F.List->Items()->Delete(0);
    EXPECT_FALSE(F.List->RowsShareObject(O));
    F.List->Items()->Insert(0, "C:\\Trash");
    F.List->Items()->PutObject(0, A);
    F.List->Items()->Delete(2);
    // A row the window refuses counts for nothing.
    EXPECT_THROW(F.List->Items()->Insert(9, "C:\\Spam"), EOutOfResources);
    EXPECT_TRUE(F.List->RowsShareObject(O) && O == A);
    // A row out of range deletes nothing.
    F.List->Items()->Delete(7);
    EXPECT_TRUE(F.List->HoldsText("C:\\Trash"));
    // A new window takes the rows over once.
    F.List->RecreateWnd();
    F.List->HandleNeeded();
    F.List->Items()->Delete(0);
    EXPECT_FALSE(F.List->HoldsText("C:\\Trash"));
    EXPECT_TRUE(F.List->HoldsText("C:\\Mail\\Inbox"));
    F.List->Items()->Clear();
    EXPECT_FALSE(F.List->HoldsText("C:\\Mail\\Inbox"));
    EXPECT_FALSE(F.List->RowsShareObject(O));
    // Without a window: the kept rows, the first one too.
    TRzListBox Unshown(nullptr);
    EXPECT_FALSE(Unshown.RowsShareObject(O));
    Unshown.Items()->Add("C:\\Mail\\Inbox");
    Unshown.Items()->Add("C:\\Mail\\Sent");
    EXPECT_FALSE(Unshown.HandleAllocated());
    EXPECT_TRUE(Unshown.HoldsText("c:\\mail\\inbox"));
    EXPECT_FALSE(Unshown.HoldsText("C:\\Mail"));
}

TEST(ListBoxSelection, MultiSelectTopIndexAndPositions)
{
    auto Form = NewTestForm(300, 300);
    auto L = new TCustomListBox(Form.get());
    L->SetParent(Form.get());
    L->SetBounds(0, 0, 120, 100);
    for (int I = 0; I < 30; ++I)
        L->Items()->Add("item " + std::to_string(I));
    L->SetMultiSelect(true);
    EXPECT_EQ(L->Items()->Count(), 30);
    L->SetSelected(3, true);
    L->SetSelected(5, true);
    EXPECT_EQ(L->SelCount(), 2);
    EXPECT_TRUE(L->Selected(5));
    EXPECT_FALSE(L->Selected(4));
    EXPECT_THROW(L->Selected(99), EListError);
    L->SetTopIndex(10);
    EXPECT_EQ(L->TopIndex(), 10);
    const TRect R = L->ItemRect(12);
    EXPECT_EQ(L->ItemAtPos(TPoint(5, R.top + 1), true), 12);
    EXPECT_EQ(L->ItemAtPos(TPoint(500, 500), true), -1);

    // A virtual list asks for its texts.
    auto V = new TCustomListBox(Form.get());
    V->SetParent(Form.get());
    V->SetStyle(lbVirtualOwnerDraw);
    V->OnData = [](TWinControl*, int Index, std::string& Data) { Data = "row " + std::to_string(Index); };
    V->SetCount(1000);
    EXPECT_EQ(V->Count(), 1000);
}
