// The combo box of the class library by messages to its window: styles and
// items across a new window, owner drawing, deleted items, the edit part's
// case and selection, the wheel events and the beep hook.
#include <gtest/gtest.h>
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

#include "classlib/Forms.h"
#include "classlib/StdCtrls.h"
#include "testkit/TestControls.h"

namespace {

class TProbeCombo : public TCustomComboBox {
public:
    using TCustomComboBox::TCustomComboBox;
    std::vector<void*> Deleted;
    std::vector<int> Drawn;

protected:
    void DeleteItem(void* Data) override { Deleted.push_back(Data); }
    void DrawItem(int Index, TRect Rect, TOwnerDrawState State) override
    {
        Drawn.push_back(Index);
        TCustomComboBox::DrawItem(Index, Rect, State);
    }
};

} // namespace

TEST(ComboBoxStyles, ItemsSelectionAndTextSurviveAStyleChange)
{
    auto F = ShownForm();
    auto C = new TProbeCombo(F.get());
    C->SetParent(F.get());
    static int Tag1 = 1, Tag2 = 2;
    C->Items()->AddObject("one", reinterpret_cast<TObject*>(&Tag1));
    C->Items()->AddObject("two", reinterpret_cast<TObject*>(&Tag2));
    C->SetItemIndex(1);
    struct TCase { TComboBoxStyle Style; DWORD Bits; bool HasEdit; };
    const TCase Cases[] = {
        {csDropDownList, CBS_DROPDOWNLIST, false},
        {csOwnerDrawFixed, CBS_OWNERDRAWFIXED, false},
        {csSimple, CBS_SIMPLE, true},
        {csDropDown, CBS_DROPDOWN, true},
    };
    for (const TCase& K : Cases) {
        C->SetStyle(K.Style);
        const DWORD Style = static_cast<DWORD>(GetWindowLongA(C->Handle(), GWL_STYLE));
        EXPECT_EQ(Style & K.Bits, K.Bits) << K.Style;
        EXPECT_EQ(C->EditHandle() != nullptr, K.HasEdit) << K.Style;
        EXPECT_EQ(C->Items()->Count(), 2);
        EXPECT_EQ(C->ItemIndex(), 1);
        EXPECT_EQ(C->Text(), "two");
        EXPECT_EQ(C->Items()->GetObject(1), reinterpret_cast<TObject*>(&Tag2));
    }
    // A new window is no deletion of items.
    EXPECT_TRUE(C->Deleted.empty());
    C->Items()->Delete(0);
    ASSERT_EQ(C->Deleted.size(), 1u);
    EXPECT_EQ(C->Deleted[0], &Tag1);
}

TEST(ComboBoxKeys, EnterAndEscCloseAnOpenListAndReachTheFormOnlyWhenClosed)
{
    auto F = ShownForm();
    auto Ok = Make<TButton>(F.get()), Cancel = Make<TButton>(F.get());
    Ok->SetDefault(true);
    Cancel->SetCancel(true);
    int Pressed = 0;
    Ok->OnClick = Cancel->OnClick = [&](TObject*) { ++Pressed; };
    struct TCase { TComboBoxStyle Style; WORD Key; bool Dropped; int Presses; };
    const TCase Cases[] = {
        {csDropDownList, VK_ESCAPE, true, 0}, {csDropDownList, VK_RETURN, true, 0},
        {csDropDown, VK_ESCAPE, true, 0},     {csDropDown, VK_RETURN, true, 0},
        {csDropDownList, VK_ESCAPE, false, 1}, {csDropDown, VK_RETURN, false, 1},
    };
    for (const TCase& K : Cases) {
        auto C = Make<TProbeCombo>(F.get());
        C->SetStyle(K.Style);
        C->Items()->Add("one");
        C->SetFocus();
        C->SetDroppedDown(K.Dropped);
        Pressed = 0;
        PostMessageA(GetFocus(), WM_KEYDOWN, K.Key, 1);
        Application->ProcessMessages();
        EXPECT_EQ(Pressed, K.Presses) << K.Style << " " << K.Key << " " << K.Dropped;
        EXPECT_FALSE(C->DroppedDown()) << K.Style << " " << K.Key;
    }
}

TEST(ComboBoxOwnerDraw, DrawItemGetsTheItemAndHighlightColours)
{
    auto F = ShownForm();
    auto C = new TProbeCombo(F.get());
    C->SetParent(F.get());
    C->SetStyle(csOwnerDrawFixed);
    C->SetItemHeight(20);
    C->Items()->Add("alpha");
    C->Items()->Add("beta");
    C->HandleNeeded();
    EXPECT_EQ(C->ItemHeight(), 20);
    EXPECT_EQ(SendMessageA(C->Handle(), CB_GETITEMHEIGHT, 0, 0), 20);

    // A synthetic WM_DRAWITEM to the parent reaches the combo box.
    auto Bmp = std::make_unique<TBitmap>(100, 20);
    DRAWITEMSTRUCT D{};
    D.CtlType = ODT_COMBOBOX;
    D.itemID = 1;
    D.itemAction = ODA_DRAWENTIRE;
    D.itemState = ODS_SELECTED;
    D.hwndItem = C->Handle();
    D.hDC = Bmp->Canvas()->Handle();
    D.rcItem = RECT{0, 0, 100, 20};
    SendMessageA(F->Handle(), WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&D));
    GdiFlush();
    ASSERT_EQ(C->Drawn, std::vector<int>{1});
    // The selected item is filled with the highlight colour.
    EXPECT_EQ(Bmp->Canvas()->Pixel(95, 2), ColorToRGB(clHighlight));
    EXPECT_EQ(OwnerDrawStateOf(ODS_SELECTED | ODS_FOCUS | ODS_COMBOBOXEDIT),
              odSelected | odFocused | odComboBoxEdit);
}

TEST(ComboBoxEdit, CharCaseSelectionAndEvents)
{
    auto F = ShownForm();
    auto C = new TCustomComboBox(F.get());
    C->SetParent(F.get());
    C->SetCharCase(ecUpperCase);
    C->HandleNeeded();
    for (char Ch : std::string("abc"))
        SendMessageA(C->EditHandle(), WM_CHAR, static_cast<unsigned char>(Ch), 1);
    EXPECT_EQ(C->Text(), "ABC");
    C->SetSelStart(1);
    C->SetSelLength(2);
    EXPECT_EQ(C->SelText(), "BC");
    C->SetMaxLength(4);
    C->SelectAll();
    for (char Ch : std::string("vwxyz"))
        SendMessageA(C->EditHandle(), WM_CHAR, static_cast<unsigned char>(Ch), 1);
    EXPECT_EQ(C->Text(), "VWXY");

    std::vector<std::string> Log;
    C->Items()->Add("red");
    C->Items()->Add("green");
    C->OnSelect = [&](TObject*) { Log.push_back("select:" + C->Text()); };
    C->OnDropDown = [&](TObject*) { Log.push_back("drop"); };
    C->OnCloseUp = [&](TObject*) { Log.push_back("close"); };
    C->SetDroppedDown(true);
    C->SetDroppedDown(false);
    C->SetItemIndex(0);
    SendMessageA(C->EditHandle(), WM_KEYDOWN, VK_DOWN, 1);
    EXPECT_EQ(Log, (std::vector<std::string>{"drop", "close", "select:GREEN"}));
}

TEST(ControlWheel, EventsGetTheNotchesAndTheSystemLines)
{
    auto F = ShownForm();
    auto C = new TCustomComboBox(F.get());
    C->SetParent(F.get());
    std::vector<std::string> Log;
    C->OnMouseWheel = [&](TObject*, TShiftState, int Delta, TPoint, bool& Handled) {
        Log.push_back("wheel " + std::to_string(Delta));
        Handled = Delta > 200;
    };
    C->OnMouseWheelDown = [&](TObject*, TShiftState, TPoint, bool&) { Log.push_back("down"); };
    C->OnMouseWheelUp = [&](TObject*, TShiftState, TPoint, bool&) { Log.push_back("up"); };
    SendMessageA(C->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), 0);
    SendMessageA(C->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), 0);
    SendMessageA(C->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, 2 * WHEEL_DELTA), 0);
    EXPECT_EQ(Log, (std::vector<std::string>{"wheel -120", "down", "wheel 120", "up", "wheel 240"}));
    EXPECT_GE(WheelScrollLines(), 1);
}

TEST(ControlBeep, TheHookCountsInsteadOfSounding)
{
    std::vector<UINT> Kinds;
    SetBeepHook([&](UINT K) { Kinds.push_back(K); });
    ControlBeep();
    ControlBeep(MB_ICONHAND);
    SetBeepHook(nullptr);
    ControlBeep(); // the real beep again: nothing counted
    EXPECT_EQ(Kinds, (std::vector<UINT>{MB_OK, MB_ICONHAND}));
    EXPECT_EQ(GKeyboardSearchDelay, 1500u);
}

// A double click as the mouse posts it (press, release, double click,
// release) reports one double click, whether the control's window reports
// it itself or only its mouse messages do.
TEST(ControlDoubleClick, OnePerDoubleClick)
{
    auto F = ShownForm();
    auto List = new TCustomListBox(F.get());
    List->Items()->Add("one");
    TControl* const Controls[] = {List, new TEdit(F.get())};
    for (TControl* C : Controls) {
        auto* W = static_cast<TWinControl*>(C);
        W->SetParent(F.get());
        int Count = 0;
        W->OnDblClick = [&](TObject*) { ++Count; };
        for (UINT Msg : {WM_LBUTTONDOWN, WM_LBUTTONUP, WM_LBUTTONDBLCLK, WM_LBUTTONUP})
            PostMessageA(W->Handle(), Msg, Msg == WM_LBUTTONUP ? 0 : MK_LBUTTON, MAKELPARAM(4, 4));
        Application->ProcessMessages();
        EXPECT_EQ(Count, 1) << W->ClassName();
    }
}

TEST(ListBoxUpdate, RowsAddedInOneUpdatePaintOnceAtItsEnd)
{
    auto F = ShownForm();
    auto L = new TCustomListBox(F.get());
    L->SetParent(F.get());
    L->SetBounds(10, 10, 150, 120);
    L->Items()->Add("first");
    L->Handle();
    UpdateWindow(F->Handle());
    RECT Dirty{};
    {
        TStringsUpdate Update(*L->Items());
        for (int I = 0; I < 50; ++I)
            L->Items()->Add("row " + std::to_string(I));
        ValidateRect(L->Handle(), nullptr);
        L->Items()->Insert(0, "top");
        EXPECT_FALSE(GetUpdateRect(L->Handle(), &Dirty, FALSE)) << "no paint asked for during the update";
    }
    EXPECT_TRUE(GetUpdateRect(L->Handle(), &Dirty, FALSE)) << "one paint at its end";
    EXPECT_EQ(L->Items()->Count(), 52);
    // Without a window the update only counts.
    auto Unshown = new TCustomListBox(F.get());
    {
        TStringsUpdate Update(*Unshown->Items());
        Unshown->Items()->Add("kept");
    }
    EXPECT_FALSE(Unshown->HandleAllocated());
    EXPECT_EQ(Unshown->Items()->Count(), 1);
}
