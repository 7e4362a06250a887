// The library's combo box driven by messages to its real windows (the edit
// child included): completion, incremental search, read-only, the wheel,
// the drop-down width, values, and the frame painted into a DIB.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>
#include <vector>

#include "classlib/StdCtrls.h"
#include "controls/RzCmboBx.h"
#include "tests/controls/RzFormKit.h"
#include "testkit/RzTestCanvas.h"

namespace {

// Counts beeps instead of sounding them for the life of the object.
class TBeepCounter {
public:
    TBeepCounter() { SetBeepHook([this](UINT) { ++Count; }); }
    ~TBeepCounter() { SetBeepHook(nullptr); }
    TBeepCounter(const TBeepCounter&) = delete;
    TBeepCounter& operator=(const TBeepCounter&) = delete;
    int Count = 0;
};

struct TComboFixture {
    std::unique_ptr<TForm, TObjectFree> Form = NewTestForm(300, 200);
    TRzComboBox* Combo = nullptr;
    int Clicks = 0;
    int Changes = 0;

    explicit TComboFixture(TComboBoxStyle Style, std::vector<std::string> Items = {"Apple", "Apricot", "Banana"})
    {
        Combo = new TRzComboBox(Form.get());
        Combo->SetStyle(Style);
        for (const auto& S : Items)
            Combo->Items()->Add(S);
        Combo->SetParent(Form.get());
        Combo->SetBounds(10, 10, 120, 21);
        Combo->OnClick = [this](TObject*) { ++Clicks; };
        Combo->OnChange = [this](TObject*) { ++Changes; };
        Form->Show();
        Combo->HandleNeeded();
    }
    void Type(const std::string& Keys)
    {
        HWND To = Combo->EditHandle() ? Combo->EditHandle() : Combo->Handle();
        for (char Ch : Keys)
            SendMessageA(To, WM_CHAR, static_cast<unsigned char>(Ch), 1);
    }
    void Wheel(bool Down)
    {
        SendMessageA(Combo->Handle(), WM_MOUSEWHEEL, MAKEWPARAM(0, Down ? -WHEEL_DELTA : WHEEL_DELTA), 0);
    }
};

std::pair<int, int> EditSel(TCustomComboBox* C)
{
    return {C->SelStart(), C->SelStart() + C->SelLength()};
}

} // namespace

TEST(RzComboColors, StateTable)
{
    const TRzStateColors Colors{clWindow, clBtnFace, clYellow, clInfoBk, false};
    struct TCase { bool Enabled, Focused, ReadOnly, OnFocus; TColor Want; };
    const TCase Cases[] = {
        {true, false, false, false, clWindow},  {false, true, true, true, clBtnFace},
        {true, true, false, false, clYellow},   {true, true, true, false, clYellow},
        {true, true, true, true, clInfoBk},     {true, false, true, false, clInfoBk},
    };
    for (const TCase& C : Cases) {
        TRzStateColors K = Colors;
        K.ReadOnlyColorOnFocus = C.OnFocus;
        EXPECT_EQ(StateColor(K, C.Enabled, C.Focused, C.ReadOnly), C.Want)
            << C.Enabled << C.Focused << C.ReadOnly << C.OnFocus;
    }
}

TEST(RzComboColors, ControlFollowsFocusReadOnlyAndEnabled)
{
    TComboFixture F(csDropDown);
    F.Combo->SetFocusColor(clYellow);
    F.Combo->Perform(CM_ENTER);
    EXPECT_EQ(F.Combo->Color(), clYellow);
    F.Combo->SetReadOnly(true);
    EXPECT_EQ(F.Combo->Color(), clYellow);
    F.Combo->Perform(CM_EXIT);
    EXPECT_EQ(F.Combo->Color(), clInfoBk);
    F.Combo->SetReadOnly(false);
    F.Combo->SetEnabled(false);
    EXPECT_EQ(F.Combo->Color(), clBtnFace);
    F.Combo->SetEnabled(true);
    EXPECT_EQ(F.Combo->Color(), clWindow);
}

TEST(RzComboComplete, TypedLettersCompleteToTheFirstItem)
{
    struct TCase { bool AllowEdit, KeepCase; std::string Keys, WantText; int WantIndex, WantBeeps, MaxLength = 0; };
    const TCase Cases[] = {
        {true, false, "ap", "Apple", 0, 0},
        {true, false, "apr", "Apricot", 1, 0},
        {true, true, "apr", "apricot", -1, 0},
        {true, false, "ax", "ax", -1, 0},
        {false, false, "ax", "Apple", 0, 1},
        {false, false, "z", "", -1, 1},
        {true, false, "axy", "ax", -1, 1, 2},  // a full text takes no letter more
    };
    for (const TCase& C : Cases) {
        TComboFixture F(csDropDown);
        TBeepCounter Beeps;
        F.Combo->SetAllowEdit(C.AllowEdit);
        F.Combo->SetKeepSearchCase(C.KeepCase);
        F.Combo->SetMaxLength(C.MaxLength);
        F.Type(C.Keys);
        EXPECT_EQ(F.Combo->Text(), C.WantText) << C.Keys;
        EXPECT_EQ(F.Combo->ItemIndex(), C.WantIndex) << C.Keys;
        EXPECT_EQ(Beeps.Count, C.WantBeeps) << C.Keys;
        if (C.WantBeeps == 0 && (C.WantIndex >= 0 || C.KeepCase)) { // the completed rest is selected
            EXPECT_EQ(EditSel(F.Combo), std::make_pair(static_cast<int>(C.Keys.size()),
                                                       static_cast<int>(C.WantText.size())));
        }
    }
}

TEST(RzComboComplete, MatchFiresOnMatchAndBackspaceRemovesTheCompletion)
{
    TComboFixture F(csDropDown);
    int Matches = 0;
    F.Combo->OnMatch = [&](TObject*) { ++Matches; };
    F.Type("b");
    EXPECT_EQ(F.Combo->Text(), "Banana");
    EXPECT_EQ(Matches, 1);
    EXPECT_GT(F.Clicks, 0);
    F.Type("\b");
    EXPECT_EQ(F.Combo->Text(), "b");
}

TEST(RzComboComplete, BackspaceWithTheCaretAtTheStartRemovesNothing)
{
    TComboFixture F(csDropDown);
    F.Type("ax");
    ASSERT_EQ(F.Combo->Text(), "ax");
    SendMessageA(F.Combo->Handle(), CB_SETEDITSEL, 0, MAKELPARAM(0, 0));
    F.Type("\b");
    EXPECT_EQ(F.Combo->Text(), "ax");
    EXPECT_EQ(F.Combo->SearchText(), "ax");
}

TEST(RzComboSearch, TwoLettersWithinTheDelayAgainstAPause)
{
    TComboFixture F(csDropDownList, {"Alpha", "Beta", "Bravo", "Charlie"});
    TBeepCounter Beeps;
    F.Type("br");
    EXPECT_EQ(F.Combo->ItemIndex(), 2);
    EXPECT_EQ(F.Combo->SearchText(), "br");
    EXPECT_TRUE(F.Combo->SearchTimer()->Enabled());
    // The pause: the timer's tick ends the search.
    F.Combo->SearchTimerTick();
    EXPECT_EQ(F.Combo->SearchText(), "");
    EXPECT_FALSE(F.Combo->SearchTimer()->Enabled());
    F.Type("c");
    EXPECT_EQ(F.Combo->ItemIndex(), 3);
    // A letter that matches nothing beeps and keeps the search.
    F.Type("x");
    EXPECT_EQ(F.Combo->ItemIndex(), 3);
    EXPECT_EQ(F.Combo->SearchText(), "c");
    EXPECT_EQ(Beeps.Count, 1);
    F.Type("\b");
    EXPECT_EQ(F.Combo->ItemIndex(), 0);
}

TEST(RzComboSearch, EmptyingTheSearchOnAnEmptyListSelectsNothing)
{
    TComboFixture F(csDropDownList, {});
    TBeepCounter Beeps;
    F.Type("\b");
    F.Wheel(true);
    F.Wheel(false);
    EXPECT_EQ(F.Combo->ItemIndex(), -1);
    EXPECT_EQ(F.Clicks, 0);
    EXPECT_EQ(F.Changes, 0);
}

TEST(RzComboWheel, StopsAtBothEndsAndFiresEachMove)
{
    TComboFixture F(csDropDownList);
    F.Wheel(true); // nothing selected: the first item
    EXPECT_EQ(F.Combo->ItemIndex(), 0);
    F.Wheel(true);
    F.Wheel(true);
    F.Wheel(true);
    EXPECT_EQ(F.Combo->ItemIndex(), 2);
    F.Wheel(false);
    F.Wheel(false);
    F.Wheel(false);
    EXPECT_EQ(F.Combo->ItemIndex(), 0);
    EXPECT_EQ(F.Clicks, 7);
    EXPECT_EQ(F.Changes, 7);
}

TEST(RzComboReadOnly, SwallowsKeysWheelAndClicks)
{
    TComboFixture F(csDropDownList);
    F.Combo->SetItemIndex(1);
    F.Combo->Perform(CM_EXIT); // the shown form focused it
    F.Combo->SetReadOnly(true);
    EXPECT_EQ(F.Combo->Color(), clInfoBk);
    F.Type("a");
    Key(F.Combo->Handle(), VK_DOWN, true);
    F.Wheel(true);
    SendMessageA(F.Combo->Handle(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 8));
    EXPECT_FALSE(F.Combo->DroppedDown());
    EXPECT_EQ(F.Combo->ItemIndex(), 1);
    EXPECT_EQ(F.Changes, 0);

    TComboFixture E(csDropDown);
    E.Combo->SetReadOnly(true);
    E.Type("ap");
    EXPECT_EQ(E.Combo->Text(), "");
    // F4 in the edit does not open the list.
    Key(E.Combo->EditHandle(), VK_F4, true);
    EXPECT_FALSE(E.Combo->DroppedDown());
}

TEST(RzComboEvents, NotInListOnlyForTextThatIsNoItem)
{
    struct TCase { std::string Text; int Want; };
    for (const TCase& C : {TCase{"Cherry", 1}, TCase{"", 0}, TCase{"Banana", 0}}) {
        TComboFixture F(csDropDown);
        int NotIn = 0;
        F.Combo->OnNotInList = [&](TObject*) { ++NotIn; };
        F.Combo->SetTextQuietly(C.Text);
        F.Combo->Perform(CM_ENTER);
        F.Combo->Perform(CM_EXIT);
        EXPECT_EQ(NotIn, C.Want) << C.Text;
    }
}

TEST(RzComboDropDown, ListAsWideAsTheWidestItem)
{
    TComboFixture F(csDropDownList, {"a", "a rather long item that is wider than the box itself"});
    F.Combo->SetDroppedDown(true);
    const int Computed = F.Combo->ComputedDropDownWidth();
    F.Combo->SetDroppedDown(false);
    EXPECT_GT(Computed, F.Combo->Width());
    EXPECT_EQ(SendMessageA(F.Combo->Handle(), CB_GETDROPPEDWIDTH, 0, 0), Computed);

    TComboFixture Narrow(csDropDownList, {"a", "b"});
    Narrow.Combo->SetDroppedDown(true);
    Narrow.Combo->SetDroppedDown(false);
    EXPECT_EQ(Narrow.Combo->ComputedDropDownWidth(), Narrow.Combo->Width());
    Narrow.Combo->SetDropDownWidth(250);
    Narrow.Combo->SetDroppedDown(true);
    Narrow.Combo->SetDroppedDown(false);
    EXPECT_EQ(SendMessageA(Narrow.Combo->Handle(), CB_GETDROPPEDWIDTH, 0, 0), 250);
}

TEST(RzComboValues, ValueByIndexAndBack)
{
    TComboFixture F(csDropDownList, {"One", "Two", "Three"});
    F.Combo->Values()->Add("1");
    F.Combo->Values()->Add("");
    F.Combo->Values()->Add("3");
    F.Combo->SetValue("3");
    EXPECT_EQ(F.Combo->ItemIndex(), 2);
    F.Combo->SetValue("Two"); // an empty value stands for the item's text
    EXPECT_EQ(F.Combo->ItemIndex(), 1);
    EXPECT_EQ(F.Combo->GetItemValue(0), "1");
    EXPECT_EQ(F.Combo->GetItemValue(7), "");
    F.Combo->SetValue("nothing");
    EXPECT_EQ(F.Combo->ItemIndex(), -1);
    F.Wheel(true);
    EXPECT_EQ(F.Combo->Value(), "1");
}

TEST(RzComboCueText, TheEditShowsTheHint)
{
    TComboFixture F(csDropDown);
    F.Combo->SetTextHint("Type a name");
    wchar_t Got[64] = {};
    SendMessageW(F.Combo->EditHandle(), EM_GETCUEBANNER, reinterpret_cast<WPARAM>(Got), 64);
    EXPECT_EQ(std::wstring(Got), L"Type a name");
}

TEST(RzComboPaint, FlatFrameAndFlatButtonInTheClassicLook)
{
    TClassicLook Classic;
    TComboFixture F(csDropDownList);
    F.Combo->Perform(CM_EXIT); // at rest: neither focused nor hot
    F.Combo->SetFrameVisible(true);
    F.Combo->SetFrameColor(clRed);
    F.Combo->SetFlatButtons(true);
    const int W = F.Combo->Width(), H = F.Combo->Height();
    TTestSurface Img(W, H);
    F.Combo->PaintFrame(Img.DC());
    // The one-pixel flat frame on all sides.
    EXPECT_EQ(Img.Px(0, H / 2), Rgb(clRed));
    EXPECT_EQ(Img.Px(W - 1, H / 2), Rgb(clRed));
    EXPECT_EQ(Img.Px(W / 2, 0), Rgb(clRed));
    EXPECT_EQ(Img.Px(W / 2, H - 1), Rgb(clRed));
    // At rest the button strip is the control's colour with a dark arrow.
    const int ButtonL = W - 2 - GetSystemMetrics(SM_CXVSCROLL);
    EXPECT_EQ(Img.Px(ButtonL + 1, 3), Rgb(clWindow));
    EXPECT_GT(Img.CountNot(clWindow, ButtonL + 1, 3, W - 3, H - 3), 0);

    // Hot: the raised button with a highlight edge and a shadow edge.
    F.Combo->Perform(CM_MOUSEENTER);
    F.Combo->SetFrameHotTrack(true);
    F.Combo->SetFrameHotColor(clBlue);
    TTestSurface Hot(W, H);
    F.Combo->PaintFrame(Hot.DC());
    EXPECT_EQ(Hot.Px(ButtonL, 4), Rgb(clBtnHighlight));
    EXPECT_EQ(Hot.Px(W - 3, 4), Rgb(clBtnShadow));
    // fsFlatBold: two pixels of the hot colour.
    EXPECT_EQ(Hot.Px(0, H / 2), Rgb(clBlue));
    EXPECT_EQ(Hot.Px(1, H / 2), Rgb(clBlue));
}
